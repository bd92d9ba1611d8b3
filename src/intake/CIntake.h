#pragma once

#include "media/CSongFromFile.h"
#include "model/CCoverIntake.h"
#include "platform/CSettings.h"

#include <QString>
#include <cstdint>
#include <optional>

class CCachedFile;
class CCdlistSet;
class CProgress;

// Takes one file into the song table: the crash marker, the song from the file (media/),
// the store, and the song's cover (kept once per distinct picture).
class CIntake
{
public:
    // Time spent in each stage over all files so far, in nanoseconds.
    struct STimings
    {
        std::int64_t marker = 0; // writing and clearing the crash marker
        std::int64_t tags = 0;
        std::int64_t probe = 0;
        std::int64_t store = 0;
        std::int64_t covers = 0; // finding, hashing and storing covers
        std::int64_t files = 0;
    };

    CIntake(CCdlistSet& set, const QStringList& namesWithDigits, CSongFromFile& maker);

    // Adds one record for directory/fileName in the session. Advances and pumps the
    // progress (when given) before probing. True when the record was stored; false when
    // the file cannot be opened (SkipReason says why); throws CDbException (its message
    // naming the file) when it could not be stored.
    bool TakeInFile(const QString& directory, const QString& fileName, const QString& session,
                    CProgress* progress);
    // Why the last file was not taken in, as the system words it.
    const QString& SkipReason() const { return m_skipReason; }

    STimings Timings() const;

private:
    qint64 Store(const SSong& song, const QString& path);
    void SetMarker(const QString& path);
    void TakeCover(qint64 id, const QString& directory, const QString& path, CCachedFile& file);
    // The rules as the settings give them now.
    const SSongRules& Rules();

    CCdlistSet& m_set;
    const QStringList& m_namesWithDigits; // read for every file
    CSongFromFile& m_maker;
    STimings m_timings;
    QString m_skipReason;
    CCoverIntake m_covers;
    std::optional<SSongRules> m_rules;
    quint64 m_rulesGeneration = 0;
    // The crash marker's file stays open while files are taken in.
    CSettings::CMarkerHold m_markerHold;
};
