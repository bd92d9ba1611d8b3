#pragma once

#include "media/CTagFile.h"

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

class CCdlistDoc;
struct SSong;
struct SAppServices;

// What the tag fields hold when Save runs.
struct STagForm
{
    QString title = {};
    QString artist = {};
    QString album = {};
    QString year = {};
    // A name of the genre table ("Rock"), a stored genre ("(17)") or other text; empty
    // for none. Left out, the genre stays as it is (the command line without --genre).
    std::optional<QString> genre = QString();
};

// Save and Multisave: the typed fields go into the songs' files (through CTagFile) and
// records, and the files are renamed after the formatting string when asked. A file that
// cannot be written never keeps its record from changing.
class CTagSaver
{
public:
    enum class EMode
    {
        Single, // every field, as typed (an empty one too)
        Multi,  // only the fields that are not empty, never the title
    };
    struct SFailure
    {
        QString path;
        QString reason;
    };
    struct SOutcome
    {
        int saved = 0; // records changed
        QList<SFailure> unwritten;
        QList<SFailure> notRenamed;
        bool cancelled = false;
        bool failed = false; // the database refused a change
    };

    CTagSaver(CCdlistDoc& doc, const SAppServices& services) : m_doc(doc), m_services(services) {}

    // The songs in order; missing IDs are skipped. Multisave shows the progress window,
    // can be cancelled and names the files it could not write at the end.
    SOutcome Save(const QList<qint64>& ids, const STagForm& form, EMode mode, bool rename);
    // The comment of a song whose record already holds it, into its file; why it could not
    // be written, or empty.
    QString WriteComment(qint64 id, const QString& comment);

    // Writes a song's file unless it lies on a CD-ROM; empty, or why not.
    static QString WriteSongTag(const SAppServices& services, const QString& path,
                                const CTagFile::SChanges& changes);

private:
    void SaveOne(const SSong& song, const CTagFile::SChanges& changes, const STagForm& form,
                 EMode mode, bool rename, SOutcome& outcome);
    void RefreshRow(const SSong& song);

    CCdlistDoc& m_doc;
    const SAppServices& m_services;
    QString m_storedGenre;
    QMultiHash<qint64, int> m_rowsById; // the song list's rows of each song
    bool m_rowsListed = false;
};
