#pragma once

#include "db/SSong.h"

#include <QString>
#include <cstdint>

class CCdlistSet;
class CExceptSet;
class CPrompts;
class CProgress;
class CStreamProbe;

// Takes one file into the song table: the crash marker, the tag, the file-name rules,
// bit rate and length, the length limits, and the store.
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
        std::int64_t files = 0;
    };

    CIntake(CCdlistSet& set, CExceptSet& except, CPrompts& prompts, CStreamProbe& probe)
        : m_set(set), m_except(except), m_prompts(prompts), m_probe(probe)
    {}

    // Adds one record for directory/fileName in the session. Advances and pumps the
    // progress (when given) before probing. True when the record was stored; false when
    // the file cannot be opened (SkipReason says why); throws CDbException (its message
    // naming the file) when it could not be stored.
    bool TakeInFile(const QString& directory, const QString& fileName, const QString& session,
                    CProgress* progress);
    // Why the last file was not taken in, as the system words it.
    const QString& SkipReason() const { return m_skipReason; }

    const STimings& Timings() const { return m_timings; }

private:
    void ReadTag(const QString& path);
    void ApplyNameRules(const QString& directory);
    bool Store(const QString& path);
    void SetMarker(const QString& path);

    CCdlistSet& m_set;
    CExceptSet& m_except;
    CPrompts& m_prompts;
    CStreamProbe& m_probe;
    STimings m_timings;
    QString m_skipReason;
    SSong m_song; // the song being taken in
};
