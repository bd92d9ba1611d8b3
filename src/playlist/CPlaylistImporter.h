#pragma once

#include "playlist/CM3uFile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class CCdlistSet;
struct SSong;
struct STagFields;

// What the import needs from the song intake, so that the steps can be given by the
// caller (the real tag reader, naming rules, decoder and drive search in the program).
struct SImportTools
{
    // The file's path now (its disc may sit in another drive); empty when the user gave up.
    std::function<QString(const QString& path, const QString& session)> locate;
    std::function<bool(const QString& path, STagFields& fields)> readTag;
    std::function<bool(const QString& fileName, const QString& pattern, QString& artist,
                       QString& title, QString& album)>
        applyFormatting;
    std::function<void(const QString& path, QString& bitrate, QString& duration)> probe;

    // The program's own: CDriveLocator (General), CTagReader, CNamingRules, CStreamProbe.
    static SImportTools Standard(class CVolumes& volumes, class CPrompts& prompts);
};

// Turns the lines of a playlist into a new session, one song record per line.
class CPlaylistImporter
{
public:
    // What becomes of a file whose disc the user gave up on (locate returned nothing).
    enum class EGivenUp
    {
        KeepListedPath, // the window: a record with the path the playlist lists
        Skip,           // the command line: no record; the file is listed in Skipped()
    };

    CPlaylistImporter(CCdlistSet& set, SImportTools tools,
                      EGivenUp givenUp = EGivenUp::KeepListedPath)
        : m_set(set), m_tools(std::move(tools)), m_givenUp(givenUp)
    {}

    // Stores one record per line in the session; returns the number stored. The session's
    // "CDPath" value is written empty.
    // Throws CDbException when the database fails (records stored so far stay).
    int Import(const QList<SM3uLine>& lines, const QString& session);
    // The listed paths of the files skipped by the last Import.
    const QStringList& Skipped() const { return m_skipped; }

private:
    // False when the file is skipped and no record was started.
    bool FillRecord(const SM3uLine& line, const QString& session, SSong& song);

    CCdlistSet& m_set;
    SImportTools m_tools;
    EGivenUp m_givenUp;
    QStringList m_skipped;
};
