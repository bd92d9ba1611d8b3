#pragma once

#include "intake/CStoreQueue.h"
#include "media/CSongFromFile.h"
#include "model/CCoverIntake.h"
#include "platform/CSettings.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class CCachedFile;
class CCdlistSet;
class CProgress;

// Takes one file into the song table: the crash marker, the song from the file (media/),
// the store, and the song's cover (kept once per distinct picture). Tags and covers are
// read here, by libraries that may die of a file; an MPEG stream is measured (by the
// probe's own header reading; the decoder only where that fails) and the song stored on the
// store queue's thread meanwhile the next file is read. A stream is measured on the storing
// thread, or on the reading one when the storing thread is behind (a stream counted frame by
// frame takes as long as storing a few dozen songs).
class CIntake
{
public:
    // Time spent in each stage over all files so far, in nanoseconds (complete after
    // Finish).
    struct STimings
    {
        std::int64_t marker = 0; // writing and clearing the crash marker
        std::int64_t tags = 0;
        std::int64_t probe = 0;  // measuring MPEG streams
        std::int64_t store = 0;  // the song and its cover
        std::int64_t covers = 0; // finding and hashing covers, making thumbnails
        std::int64_t files = 0;
    };

    CIntake(CCdlistSet& set, const QStringList& namesWithDigits, CSongFromFile& maker);
    // Stores what was taken in and still waits (unless a store failed).
    ~CIntake();

    // Adds one record for directory/fileName in the session. Advances and pumps the
    // progress (when given) before probing. True when the song was taken in (it is stored
    // by Finish at the latest); false when the file cannot be opened (SkipReason says why);
    // throws CDbException (its message naming the file) when an earlier song could not be
    // stored.
    // `replacing`, when not -1, is the song the file was stored as before: its record takes
    // the new values and keeps its ID (and play count), so that playlists and scripts that
    // name it still find it.
    bool TakeInFile(const QString& directory, const QString& fileName, const QString& session,
                    CProgress* progress, qint64 replacing = -1);
    // Why the last file was not taken in, as the system words it.
    const QString& SkipReason() const { return m_skipReason; }
    // Runs after each song is stored, on the storing thread (the scan's batch commits).
    void SetAfterStore(std::function<void()> afterStore) { m_afterStore = std::move(afterStore); }
    // Waits until every song taken in is stored; throws the CDbException of one that was not.
    void Finish() { m_queue.Finish(); }

    STimings Timings() const;

private:
    struct SStored
    {
        SSong song;
        QString path;
        CCoverIntake::SPlan cover;
        qint64 replacing = -1;
        bool measure = false; // bit rate and length are measured on the storing thread
        std::unique_ptr<CCachedFile> file;
    };
    // The memory a song waiting to be stored holds.
    static qint64 Weight(const SStored& taken);
    // On the storing thread.
    void StoreTaken(SStored& taken);
    // On either thread, with that thread's probe; returns the time it took.
    std::int64_t Measure(SStored& taken, std::unique_ptr<CStreamProbe>& probe);
    qint64 Store(const SSong& song, const QString& path, qint64 replacing);
    void StoreCover(qint64 id, const CCoverIntake::SPlan& cover, const QString& path);

    // Throws CDbException naming the file when the catalogue cannot be asked for a cover.
    CCoverIntake::SPlan PlanCover(const QString& directory, const QString& path, CCachedFile& file);
    void SetMarker(const QString& path);
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
    // Held while a file is read by code that may die of it, so the marker names that file:
    // the reading thread holds it for each file, the storing one while the decoder
    // measures a stream its headers did not.
    std::mutex m_reading;
    // Each thread's probe, made when first needed, and the time the reading one measured.
    std::unique_ptr<CStreamProbe> m_probe;
    std::unique_ptr<CStreamProbe> m_readerProbe;
    std::int64_t m_readerProbeTime = 0;
    std::function<void()> m_afterStore;
    CStoreQueue m_queue; // last: its thread ends before what it uses goes
};
