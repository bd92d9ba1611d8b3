#pragma once

#include "db/CSongColumns.h"
#include "db/SSong.h"
#include "media/CTagFormat.h"
#include "model/CCatalogue.h"
#include "platform/CSafeTarget.h"

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
// or other text, empty for none; the catalogue keeps the track's number alone.
struct STagEdit : STagChanges
{

    // The fields the user changed in the tag form.
    static STagEdit FromForm(const CTagFormModel& form);
    // One field changed.
    static STagEdit Of(ETagField field, const QString& text);
    // What a cell of the song list changes: Title (LIST), Artist, Album, Comment, Year,
    // Track or Genre; nothing for another column.
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
    // What a save would do to one song, found without writing anything.
    struct SPlanned
    {
        SSong before;          // as the catalogue has it
        QString path;          // where its file is now
        SSongChanges record;   // the columns the record would take
        QString refused;       // why file and record would stay as they are
        bool readOnly = false; // the file cannot be written: the record alone would change
    };

    CTagSaver(CCdlistDoc& doc, const SAppServices& services) : m_doc(doc), m_services(services) {}

    // The songs in order; missing IDs are skipped. Multisave shows the progress window,
    // can be cancelled and names the files it could not write at the end.
    SOutcome Save(const QList<qint64>& ids, const STagEdit& edit, EMode mode, bool rename);
    // What Save would do with the same arguments, song by song (missing IDs skipped); only
    // the checks that need no write are made.
    QList<SPlanned> Plan(const QList<qint64>& ids, const STagEdit& edit, EMode mode, bool rename);
    // Off: Multisave leaves naming the files it could not write to the caller (the command
    // line prints them in its summary).
    void NameFailuresAtEnd(bool on) { m_nameFailures = on; }

    // Writes a song's file unless it lies on a CD-ROM; empty, or why not.
    static QString WriteSongTag(const SAppServices& services, const QString& path,
                                const STagChanges& changes, STagBefore* before = nullptr);

private:
    // One song's save worked out: what its file and record take and whether it may.
    struct SPrepared
    {
        SSong song;  // as the catalogue has it
        SSong saved; // as the record would be
        QString path;
        QString folder;
        STagChanges file;
        SSongChanges record;
        QString refused;
    };
    std::optional<SPrepared> Prepare(qint64 id, const STagEdit& edit, bool rename);
    void SaveOne(qint64 id, const STagEdit& edit, bool rename, SOutcome& outcome);
    // Whether a song's file lies on a CD-ROM, asked of the mount table once per folder
    // and save: a thousand songs share a few folders.
    bool OnCdRom(const QString& path);
    // Where nothing may be written: a CD-ROM, a read-only mount or a file nobody may
    // write. Any other failure (a full disk, a missing file) is named as it is.
    bool OnReadOnlyMedia(const QString& path);
    // What is known of files and drives is asked anew at each Save: a disc may have been
    // put in meanwhile.
    void ForgetFiles()
    {
        m_ownFiles.reset();
        m_cdRomFolders.clear();
    }
    // Why a song's file may take no tag and no new name (the catalogue or the settings
    // under a song's name, a file that holds no audio); empty when it may.
    QString Refusal(const QString& path);
    // Says why a file (and so its record) was left as it was.
    void ReportUnwritten(CCatalogue::CChange&& change, const QString& path, const QString& reason);

    CCdlistDoc& m_doc;
    const SAppServices& m_services;
    EMode m_mode = EMode::Single;
    bool m_nameFailures = true;
    // Both for one Save or Plan.
    std::optional<CSafeTarget::COwnFiles> m_ownFiles;
    QHash<QString, bool> m_cdRomFolders;
};
