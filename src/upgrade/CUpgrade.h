#pragma once

#include "db/COldSongsSet.h"

#include <QString>
#include <optional>

class CCdlistDoc;
struct SSong;
class CDriveLocator;
class CProgress;
class CSongFromFile;
struct SAppServices;

// Carries the songs of a database written by an earlier version (songs.mdb, songs2.mdb or
// any file the user picks) into the song table, and for the two oldest layouts can fetch
// what they lack (bit rate, length, lyrics, comment) from the song files themselves,
// asking for each disc. The window and the command line call it alike.
class CUpgrade
{
public:
    // Once an older database has been carried over (or the offer declined), start-up
    // offers none again: the setting "Upgrade" holds 29.
    static void MarkDone();
    static bool IsDone();

    enum class EOutcome
    {
        Done,      // every row carried over, or as many as came before a Cancel
        NotOpened, // no layout opens the file (reported); nothing was added
        Failed,    // a database error during the copy (reported); earlier rows stay
    };
    struct SResult
    {
        EOutcome outcome = EOutcome::NotOpened;
        COldSongsSet::ELayout layout = COldSongsSet::ELayout::Version28;
        qint64 found = 0; // rows of the old table
        int stored = 0;   // songs added
        bool cancelled = false;
        bool retrieve = false; // the answer to "Additional Features"
    };

    CUpgrade(CCdlistDoc& doc, const SAppServices& services) : m_doc(doc), m_services(services) {}

    // retrieve answers the question about the files' additional information; it is asked
    // when none is given. The session list and the song count are rebuilt afterwards.
    SResult Upgrade(const QString& oldFile, std::optional<bool> retrieve = std::nullopt);

private:
    // The first layout the file opens in; false when none does, or when the file is the
    // catalogue itself (it would be copied into itself).
    bool OpenOld(const QString& oldFile, COldSongsSet& old);
    void Copy(COldSongsSet& old, CSongFromFile* maker, SResult& result);
    // The row's lyrics, comment, bit rate and length from its file, wherever its disc is
    // now, and that path; the row stays as it is and the path is empty when the user gives
    // up on the disc.
    QString Retrieve(SSong& row, const SSong& old, CDriveLocator& locator, CSongFromFile& maker,
                     CProgress& progress);

    CCdlistDoc& m_doc;
    const SAppServices& m_services;
};
