#pragma once

#include "db/CSongColumns.h"

#include <QString>
#include <map>

// One song: every column of the song table, by value. Every layer passes songs as this;
// only db/ reads and writes the table.
struct SSong
{
    qint64 m_ID = 0;
    QString m_CD;
    QString m_LIST;
    QString m_PATH;
    QString m_MELODI;
    QString m_TITLE;
    QString m_ARTIST;
    QString m_ALBUM;
    QString m_GENRE;
    QString m_YEAR;
    QString m_LYRICS;
    QString m_BITRATE;
    QString m_COMMENT;
    QString m_DURATION;
    qint64 m_USE = 0;
    QString m_EXTENDED1;
    QString m_EXTENDED2;
    QString m_TRACK; // the number alone ("3"), empty when unknown

    // The number a tag's track names ("3" of "3/12"); empty for none or no number.
    static QString TrackNumber(const QString& track);
    // The song's file: PATH + "/" + MELODI.
    QString FilePath() const;
    // Cuts each text to what the catalogue keeps of it (CSongColumns::KeptLength).
    void KeepLengths();
    // A column by its enumerator (the numbers as decimal text).
    QString Text(ESongColumn column) const;
    void SetText(ESongColumn column, const QString& value);

    bool operator==(const SSong& other) const = default;
};

// What an edit changes in one song: only these columns are written, each with its new
// text. ID and USE are never among them (the play count has a call of its own).
struct SSongChanges
{
    std::map<ESongColumn, QString> columns;

    void Set(ESongColumn column, const QString& value) { columns[column] = value; }
    bool Has(ESongColumn column) const { return columns.count(column) != 0; }
    bool IsEmpty() const { return columns.empty(); }
    void ApplyTo(SSong& song) const
    {
        for (const auto& [column, value] : columns)
            song.SetText(column, value);
    }
};
