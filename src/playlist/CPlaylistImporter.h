#pragma once

#include "playlist/CM3uFile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class CCdlistSet;
class CSongFromFile;

// Turns the lines of a playlist into a new session, one song record per line, each made
// from its file as a scan makes it (without the underscore and track-number rules).
class CPlaylistImporter
{
public:
    // What becomes of a file whose disc the user gave up on (locate returned nothing).
    enum class EGivenUp
    {
        KeepListedPath, // the window: a record with the path the playlist lists
        Skip,           // the command line: no record; the file is listed in Skipped()
    };
    // The file's path now (its disc may sit in another drive); empty when the user gave up.
    using Locate = std::function<QString(const QString& path, const QString& session)>;

    CPlaylistImporter(CCdlistSet& set, CSongFromFile& maker, Locate locate,
                      EGivenUp givenUp = EGivenUp::KeepListedPath)
        : m_set(set), m_maker(maker), m_locate(std::move(locate)), m_givenUp(givenUp)
    {}

    // The drive search with its questions (the General variant of CDriveLocator).
    static Locate DriveSearch(class CVolumes& volumes, class CPrompts& prompts);

    // Stores one record per line in the session; returns the number stored. The session's
    // "CDPath" value is written empty. Throws CDbException when the database fails
    // (records stored so far stay).
    int Import(const QList<SM3uLine>& lines, const QString& session);
    // The listed paths of the files skipped by the last Import.
    const QStringList& Skipped() const { return m_skipped; }

private:
    CCdlistSet& m_set;
    CSongFromFile& m_maker;
    Locate m_locate;
    EGivenUp m_givenUp;
    QStringList m_skipped;
};
