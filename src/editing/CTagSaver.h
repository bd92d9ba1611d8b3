#pragma once

#include "db/CSongColumns.h"
#include "media/CTagFormat.h"
#include "model/CCatalogue.h"

#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

class CCdlistDoc;
class CTagFormModel;
struct SAppServices;
struct SSong;

// One edit of songs' tags: the fields the user changed, each with its new text, in the
// fields every format's tag shares. A field left out stays as file and record have it,
// byte for byte. The genre is a name of the genre table ("Rock"), a stored genre ("(17)")
// or other text, empty for none; the track is the file's only (the catalogue keeps none).
struct STagEdit : STagChanges
{

    // The fields the user changed in the tag form.
    static STagEdit FromForm(const CTagFormModel& form);
    // One field changed.
    static STagEdit Of(ETagField field, const QString& text);
    // What a cell of the song list changes: Title (LIST), Artist, Album or Comment; nothing
    // for another column.
    static STagEdit ForCell(ESongColumn column, const QString& text);
    // Only what Multisave writes: never the title or the track number (many songs never
    // share one), never an empty field.
    STagEdit ForMany() const;
    bool TouchesForm() const { return title || artist || album || year || genre || track; }
};

// Save, Multisave, a cell edit and the lyrics: the changed fields go into the songs' files
// (through CTagFile) and records, and the files are renamed after the formatting string
// when asked. Each song is changed while the catalogue's write lock is held: a catalogue
// that cannot be written leaves the file as it was, and a record that cannot be kept puts
// the file back. A file that cannot be written keeps its record as it was too, unless it
// lies on a read-only medium (a CD, a read-only mount, a write-protected file), where the
// record alone changes and the user is told.
class CTagSaver
{
public:
    enum class EMode
    {
        Single, // the edit as it is
        Multi,  // the edit's ForMany(), with the progress window
    };
    struct SFailure
    {
        QString path;
        QString reason;
        bool recordChanged = false; // on a read-only medium the record alone changed
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
    SOutcome Save(const QList<qint64>& ids, const STagEdit& edit, EMode mode, bool rename);

    // Writes a song's file unless it lies on a CD-ROM; empty, or why not.
    static QString WriteSongTag(const SAppServices& services, const QString& path,
                                const STagChanges& changes, STagBefore* before = nullptr);

private:
    void SaveOne(qint64 id, const STagEdit& edit, bool rename, SOutcome& outcome);
    // Why a song's file may take no tag and no new name (the catalogue or the settings
    // under a song's name, a file that holds no audio); empty when it may.
    QString Refusal(const QString& path);
    // Says why a file (and so its record) was left as it was.
    void ReportUnwritten(CCatalogue::CChange&& change, const QString& path, const QString& reason);

    CCdlistDoc& m_doc;
    const SAppServices& m_services;
    EMode m_mode = EMode::Single;
};
