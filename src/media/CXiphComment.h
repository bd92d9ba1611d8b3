#pragma once

#include "media/STagFields.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
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

namespace TagLib::Ogg {
class XiphComment;
}

// The Xiph keys of each tag field, as FLAC, Ogg Vorbis and Opus files share them.
namespace CXiphFields {
// In ETagField's order. Of two keys the second is taken where a file has it and not the
// first.
inline constexpr const char* kKeys[kTagFieldCount][2] = {
    {"TITLE", nullptr},           {"ARTIST", nullptr},     {"ALBUM", nullptr},
    {"GENRE", nullptr},           {"DATE", "YEAR"},        {"COMMENT", "DESCRIPTION"},
    {"LYRICS", "UNSYNCEDLYRICS"}, {"TRACKNUMBER", nullptr}};

// The fields as the tag library parsed them.
void Read(const TagLib::Ogg::XiphComment& tag, STagFields& fields);
// The fields of a comment's own bytes (the blocks the library passes over).
void Read(const SXiphComment& comment, STagFields& fields);
// Sets the changed fields (in ETagField's order) in a comment's bytes; empty, or why not.
QString Edit(QByteArray& body, const std::array<std::optional<QString>, kTagFieldCount>& texts);
} // namespace CXiphFields
