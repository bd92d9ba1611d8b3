#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// A Xiph comment (FLAC, Ogg Vorbis, Opus) as its bytes hold it, so that an edit changes
// only the entries of the fields it sets: every other entry keeps its bytes and its place.
struct SXiphComment
{
    QByteArray vendor;         // with its length
    QList<QByteArray> entries; // "KEY=value"
    QByteArray rest;           // what follows: Vorbis' framing bit, Opus' extra data

    // False when the body is no comment (cut short, or counts beyond its end).
    bool Parse(const QByteArray& body);
    QByteArray Render() const;
    // The value of the first entry of the first key it has; empty when none.
    QString Value(const char* const (&keys)[2]) const;
    bool Has(const char* key) const;
    // A changed field replaces the first entry of its key (further entries of that key go),
    // a new one is added at the end, an emptied one goes with all its keys.
    void Set(const char* const (&keys)[2], const std::optional<QString>& value);
    // Drops every entry of the field's keys (a second comment block must not contradict
    // the first).
    void Remove(const char* const (&keys)[2]);

    static QByteArray KeyOf(const QByteArray& entry);
};
