#include "editing/CEditingTexts.h"
#include "editing/CFileRenamer.h"
#include "editing/CLyrics.h"
#include "editing/CTagSaver.h"
#include "editing/EditingFixture.h"
#include "editing/RichSong.h"
#include "library/CLibraryOperations.h"
#include "library/CSearch.h"
#include "media/CNamingRules.h"
#include "platform/CSettings.h"
#include "support/CCliRun.h"

#include <QDir>
#include <functional>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

STagEdit Edit(std::initializer_list<std::pair<ETagField, QString>> fields)
{
    STagEdit edit;
    for (const auto& [field, text] : fields)
        edit[field] = text;
    return edit;
}

using EMode = CTagSaver::EMode;

class TagSaverTest : public EditingFixture
{
protected:
    CTagSaver::SOutcome Save(const QList<qint64>& ids, const STagEdit& edit,
                             EMode mode = EMode::Single, bool rename = false)
    {
        return CTagSaver(doc, services).Save(ids, edit, mode, rename);
    }
    QList<qint64> FoundByArtist(const QString& artist)
    {
        SSearchCriteria criteria;
        criteria.artist = artist;
        QList<qint64> ids;
        CSearch::Run(doc.Set(), criteria, SSearchOptions(), [&](const SSong& s) { ids << s.m_ID; });
        return ids;
    }
};

// Each way of editing writes the one field it changes, into the file and the record; every
// other frame, ID3v1 byte and column stays (texts the catalogue keeps cut, a full date, a
// genre the table does not name, the track, the comment, long lyrics, an unknown frame).
TEST_F(TagSaverTest, EveryEditPathWritesOnlyTheFieldItChanges)
{
    const QString folder = env.MakeDir(QStringLiteral("rich"));
    struct SPath
    {
        const char* name;
        // Edits the song (a second one, `other`, shares Multisave's selection).
        std::function<void(qint64 id, qint64 other)> edit;
        QList<QByteArray> frames; // the frames it rewrites
        int v1From, v1To;         // the ID3v1 bytes it rewrites
        ESongColumn column;       // the column it changes
        QString frameText, stored;
    };
    const QString album40 = QStringLiteral("Live at the Bayerische Staatsoper, 1982");
    QString lyrics = SRichSong::Lyrics();
    lyrics.replace(0, 12, QStringLiteral("Ta ta ta tum"));
    const QList<SPath> paths = {
        {"Save",
         [&](qint64 id, qint64) {
             doc.TagForm().Show(Record(id));
             doc.TagForm().Edit(CTagFormModel::EField::Artist, QStringLiteral("Carlos Kleiber"));
             Save({id}, STagEdit::FromForm(doc.TagForm()));
         },
         {"TPE1"},
         33,
         63,
         ESongColumn::ARTIST,
         "Carlos Kleiber",
         "Carlos Kleiber"},
        {"cell edit",
         [&](qint64 id, qint64) {
             doc.Songs().Clear();
             doc.Songs().InsertSongRow(0, Record(id));
             const auto cell = CLibraryOperations(doc, services).CellEdit(0, 2, album40);
             ASSERT_TRUE(cell);
             Save({cell->id}, STagEdit::ForCell(cell->column, album40));
         },
         {"TALB"},
         63,
         93,
         ESongColumn::ALBUM,
         album40,
         album40}, // kept whole
        {"Multisave",
         [&](qint64 id, qint64 other) {
             doc.TagForm().Show(Record(other));
             doc.TagForm().Edit(CTagFormModel::EField::Title, QStringLiteral("never"));
             doc.TagForm().Edit(CTagFormModel::EField::Year, QStringLiteral("1976"));
             Save({other, id}, STagEdit::FromForm(doc.TagForm()), EMode::Multi);
         },
         {"TYER"},
         93,
         97,
         ESongColumn::YEAR,
         "1976",
         "1976"},
        {"lyrics",
         [&](qint64 id, qint64) {
             QString shown;
             ASSERT_TRUE(CLyrics::Load(doc, services, id, shown));
             EXPECT_EQ(shown, SRichSong::Lyrics()) << "shown as stored";
             bool stored = false;
             CLyrics::Save(doc, services, id, lyrics, stored);
         },
         {"USLT"},
         0,
         0,
         ESongColumn::LYRICS,
         lyrics,
         lyrics},
        {"tag command",
         [&](qint64 id, qint64) {
             const SCliRun r =
                 SCliRun::Run(env.DataDir(), {"tag", QString::number(id), "--genre", "Blues"});
             EXPECT_EQ(r.status, 0) << r.err.toStdString();
         },
         {"TCON"},
         127,
         128,
         ESongColumn::GENRE,
         "(0)",
         "(0)"},
    };
    int n = 0;
    for (const SPath& path : paths) {
        SCOPED_TRACE(path.name);
        const qint64 id = SRichSong::Add(doc.Set(), folder, QStringLiteral("%1.mp3").arg(++n));
        const qint64 other = SRichSong::Add(doc.Set(), folder, QStringLiteral("%1b.mp3").arg(n));
        const SSongSnapshot before = SSongSnapshot::Of(doc.Set(), id);
        path.edit(id, other);
        const SSongSnapshot after = SSongSnapshot::Of(doc.Set(), id);
        ExpectOnly(before, after, path.frames, path.v1From, path.v1To,
                   {path.column, ESongColumn::LIST});
        const QByteArray file = FileBytes(after.record.FilePath());
        EXPECT_EQ(CId3Writer::TextOf(CId3Writer::FrameOf(file, path.frames[0])), path.frameText);
        EXPECT_EQ(after.record.Text(path.column), path.stored);
        EXPECT_EQ(after.record.m_LIST, before.record.m_LIST) << "the title stays";
    }
    EXPECT_TRUE(prompts.warnings.isEmpty());
}

// The form's track number (read from the file) and comment are written like its other
// fields: only when changed, and only they.
TEST_F(TagSaverTest, TheFormsTrackAndCommentWriteOnlyThemselves)
{
    using EField = CTagFormModel::EField;
    const qint64 id = SRichSong::Add(doc.Set(), env.MakeDir(QStringLiteral("t")), "a.mp3");
    struct SCase
    {
        EField field;
        QString text;
        QByteArray frame;
        int v1From, v1To;
        ESongColumn column;
    };
    for (const SCase& c :
         {SCase{EField::Track, "4/9", "TRCK", 126, 127, ESongColumn::TRACK},
          SCase{EField::Comment, "Studio", "COMM", 97, 125, ESongColumn::COMMENT}}) {
        const SSongSnapshot before = SSongSnapshot::Of(doc.Set(), id);
        doc.TagForm().Show(before.record); // with the track its file holds
        EXPECT_FALSE(doc.TagForm().Text(EField::Track).isEmpty());
        EXPECT_TRUE(doc.TagForm().Changes().empty());
        doc.TagForm().Edit(c.field, c.text);
        Save({id}, STagEdit::FromForm(doc.TagForm()));
        const SSongSnapshot after = SSongSnapshot::Of(doc.Set(), id);
        ExpectOnly(before, after, {c.frame}, c.v1From, c.v1To, {c.column});
        EXPECT_TRUE(
            CId3Writer::TextOf(CId3Writer::FrameOf(FileBytes(PathOf(id)), c.frame.constData()))
                .endsWith(c.text));
    }
    EXPECT_EQ(quint8(FileBytes(PathOf(id)).right(2).at(0)), 4) << "the ID3v1.1 track";
    EXPECT_EQ(Record(id).m_COMMENT, "Studio");
    EXPECT_EQ(Record(id).m_TRACK, "4"); // the catalogue keeps the number
}

// The catalogue's write lock is taken before the file is touched: a catalogue another
// program holds leaves file and record as they were, and so does a change the catalogue
// cannot keep at its end (the file is put back).
TEST_F(TagSaverTest, AFileChangesOnlyWithItsRecord)
{
    const qint64 id = SRichSong::Add(doc.Set(), env.MakeDir(QStringLiteral("locked")), "a.mp3");
    const SSong before = Record(id);
    const QByteArray bytes = FileBytes(before.FilePath());
    sqlite3_busy_timeout(doc.Database().Handle(), 50);
    {
        CDatabase other;
        other.Open(env.DatabasePath());
        const CDatabase::CTransaction writing(other);
        EXPECT_TRUE(Save({id}, Edit({{ETagField::Artist, "Carlos Kleiber"}})).failed);
    }
    EXPECT_EQ(FileBytes(before.FilePath()), bytes);
    EXPECT_EQ(Record(id), before);

    // Refused at the commit: in place (a short artist) and by a copy (long lyrics).
    sqlite3_commit_hook(
        doc.Database().Handle(), [](void*) { return 1; }, nullptr);
    for (const STagEdit& edit :
         {Edit({{ETagField::Artist, "C"}}), Edit({{ETagField::Lyrics, QString(9000, u'l')}})})
        EXPECT_TRUE(Save({id}, edit).failed);
    sqlite3_commit_hook(doc.Database().Handle(), nullptr, nullptr);
    EXPECT_EQ(FileBytes(before.FilePath()), bytes);
    EXPECT_EQ(Record(id), before);
}

// No save writes the catalogue, its -wal and -shm files or the settings however a song's
// name leads there, nor a file without audio: file and record stay as they were, and the
// message names the file and the reason.
TEST_F(TagSaverTest, OwnFilesAndFilesWithoutAudioTakeNoTagAndFailuresSayWhy)
{
    const QString music = env.MakeDir(QStringLiteral("hostile"));
    const QString text = env.WriteFile(QStringLiteral("notes.txt"), "just words\n");
    const QString db = env.DatabasePath();
    const QString song = music + QStringLiteral("/real.mp3");
    ASSERT_TRUE(CMp3Factory::WriteSong(song, {.seconds = 2.0}));
    struct SCase
    {
        QString target; // what the song's name leads to, by a symbolic or a hard link
        bool symbolic;
        STagEdit edit;
        QString reason;
        bool rename = false;
    };
    const QString own = CEditingTexts::ProgramFile(), noAudio = CEditingTexts::NotAudio("MPEG");
    const QList<SCase> cases = {
        {db, true, Edit({{ETagField::Artist, "x"}}), own},
        {db + "-wal", true, Edit({{ETagField::Lyrics, "la"}}), own},
        {db + "-shm", false, Edit({{ETagField::Comment, "c"}}), own},
        {db, false, {}, own, true},
        {CSettings::FilePath(), true, Edit({{ETagField::Title, "t"}}), own, true},
        {text, true, Edit({{ETagField::Album, "a"}}), noAudio},
        {text, false, Edit({{ETagField::Year, "1999"}}), noAudio},
        {"/dev/zero", true, Edit({{ETagField::Artist, "x"}}), noAudio},
        {song, false,
         Edit({{ETagField::Lyrics, QString(9000, u'l')}}), // needs a new copy of the file
         "it has other hard links, which a new copy would not keep"},
        {music + "/gone", true, Edit({{ETagField::Artist, "x"}}), "No such file or directory"},
    };
    CSettings::SetString(ESetting::Formatting, QStringLiteral("%1 - %2"));
    int n = 0;
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        const QString path = music + QStringLiteral("/%1.mp3").arg(++n);
        const QByteArray from = QFile::encodeName(c.target), at = QFile::encodeName(path);
        ASSERT_EQ(c.symbolic ? ::symlink(from, at) : ::link(from, at), 0);
        // The catalogue's files change with the record; the others must not.
        const bool same = !c.target.startsWith(db) && QFileInfo(c.target).isFile();
        const QByteArray bytes = same ? FileBytes(c.target) : QByteArray();
        const qint64 id = AddTestSong(
            doc.Set(), {.artist = "Someone", .file = QFileInfo(path).fileName(), .path = music});
        prompts.messages.clear();
        const CTagSaver::SOutcome outcome = Save({id}, c.edit, EMode::Single, c.rename);
        ASSERT_EQ(outcome.unwritten.size(), 1);
        EXPECT_EQ(outcome.unwritten[0].reason, c.reason);
        ASSERT_EQ(prompts.messages.size(), 1);
        EXPECT_EQ(prompts.messages[0].text, CEditingTexts::NotWrittenBecause(path, c.reason));
        if (same) {
            EXPECT_EQ(FileBytes(c.target), bytes);
        }
        EXPECT_EQ(Record(id).m_MELODI, QFileInfo(path).fileName()) << "not renamed";
        EXPECT_EQ(Record(id).m_ARTIST, QStringLiteral("Someone")) << "the record stays too";
    }
    EXPECT_TRUE(prompts.warnings.isEmpty()) << "none of them is a read-only medium";
    EXPECT_TRUE(FileBytes(db).startsWith("SQLite format 3"));
    EXPECT_EQ(doc.Set().CountAll(), cases.size()) << "the catalogue is whole";
    const SCliRun cli = SCliRun::Run(env.DataDir(), {"tag", "1", "--artist", "Carlos Kleiber"});
    EXPECT_EQ(cli.status, 1);
    EXPECT_TRUE(cli.err.contains(CEditingTexts::ProgramFile())) << cli.err.toStdString();
    EXPECT_EQ(doc.Set().CountAll(), cases.size());
}

// The search index and the song list follow a save; an emptied title lists the file name
// and an emptied genre keeps no frame.
TEST_F(TagSaverTest, ASingleSaveIsFollowedByTheListAndTheSearch)
{
    const qint64 id = AddFile("Old", "Someone");
    doc.Songs().AppendRows([&] {
        CSongListModel::CBatch rows = doc.Songs().NewBatch();
        doc.Songs().AddToBatch(rows, Record(id));
        return rows;
    }());

    // An empty title and genre: an empty TIT2, the genre cleared in both tags, the file name
    // listed, genre (126).
    Save({id}, Edit({{ETagField::Title, ""},
                     {ETagField::Artist, "Die Ärzte"},
                     {ETagField::Album, "Ünï"},
                     {ETagField::Year, "2002"},
                     {ETagField::Genre, ""}}));
    // (The other reader skips a frame without text: the bytes tell.)
    EXPECT_TRUE(FileBytes(PathOf(id)).contains(QByteArray("TIT2\0\0\0\x01\0\0\0", 11)));
    EXPECT_EQ(Frames(id, {"TPE1", "TALB", "TYER", "TCON"}),
              (QStringList{"Die Ärzte", "Ünï", "2002", ""}))
        << "the genre is cleared";
    EXPECT_EQ(Tags(id).value("v1genre").toInt(), 255);
    const SSong set = Record(id);
    EXPECT_EQ(
        (QStringList{set.m_TITLE, set.m_LIST, set.m_ARTIST, set.m_ALBUM, set.m_YEAR, set.m_GENRE}),
        (QStringList{"", "Old", "Die Ärzte", "Ünï", "2002", "(126)"}));
    EXPECT_EQ(doc.Songs().Cell(0, 0), QStringLiteral("Old")) << "the list row is refreshed";
    EXPECT_EQ(FoundByArtist("ärzte"), QList<qint64>{id}) << "the search index follows";

    Save({id},
         Edit({{ETagField::Title, "New"}, {ETagField::Artist, "A"}, {ETagField::Genre, "Blues"}}));
    EXPECT_EQ(Frames(id, {"TIT2", "TCON"}), (QStringList{"New", "(0)"}));
    EXPECT_EQ(Tags(id).value("v1genre").toInt(), 0) << "ID3v1 genre refreshed";
    EXPECT_EQ((QStringList{Record(id).m_LIST, Record(id).m_GENRE}), (QStringList{"New", "(0)"}));
    EXPECT_TRUE(prompts.warnings.isEmpty());
    EXPECT_TRUE(FoundByArtist("ärzte").isEmpty());
}

TEST_F(TagSaverTest, MultisaveLeavesEmptyFieldsAloneAndNamesTheFilesItCouldNotWrite)
{
    const qint64 a = AddFile("One", "First");
    const qint64 gone = AddFile("Two", "Second");
    const qint64 c = AddFile("Three", "Third");
    const QString gonePath = PathOf(gone);
    QFile::remove(gonePath);

    const auto outcome = Save({a, gone, 999, c},
                              Edit({{ETagField::Title, "ignored"},
                                    {ETagField::Artist, ""},
                                    {ETagField::Album, "Best Of"},
                                    {ETagField::Year, ""},
                                    {ETagField::Genre, "Blues"}}),
                              EMode::Multi);
    EXPECT_EQ(outcome.saved, 2);
    const QStringList changed = {"Best Of", "(0)", "1999"};
    for (const qint64 id : {a, c})
        EXPECT_EQ(Frames(id, {"TALB", "TCON", "TYER"}), changed);
    EXPECT_EQ(Frames(a, {"TPE1", "TIT2"}), (QStringList{"First", "One"}));
    for (const qint64 id : {a, c}) {
        const SSong set = Record(id);
        EXPECT_EQ((QStringList{set.m_ALBUM, set.m_GENRE, set.m_YEAR}), changed);
    }
    EXPECT_EQ(Record(gone).m_ALBUM, QStringLiteral("Album")) << "its file was not written";
    EXPECT_EQ((QStringList{Record(a).m_ARTIST, Record(a).m_TITLE}), (QStringList{"First", "One"}));
    EXPECT_TRUE(prompts.warnings.isEmpty()) << "a missing file is no read-only medium";
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text,
              CEditingTexts::NotWritten({gonePath + " (No such file or directory)"}));
    EXPECT_EQ(prompts.messages[0].caption, QStringLiteral("Multisave"));
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Exclamation);
    ASSERT_EQ(Progresses().size(), 1u);
    EXPECT_EQ(Progresses().back().upper, 4);
    EXPECT_EQ(Progresses().back().hides, 1);

    cancelAfterSteps = 1;
    const auto cancelled = Save({a, c}, Edit({{ETagField::Album, "Again"}}), EMode::Multi);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(Record(a).m_ALBUM, QStringLiteral("Again"));
    EXPECT_EQ(Record(c).m_ALBUM, QStringLiteral("Best Of"));
}

TEST_F(TagSaverTest, ReadOnlyAndCdRomFilesStillChangeTheRecordWithTheWarning)
{
    const qint64 locked = AddFile("Locked", "A");
    const QString cd = volumes.AddDrive(SVolume::EType::CdRom);
    const qint64 onCd = AddFile("Disc", "A", cd);
    ::chmod(QFile::encodeName(PathOf(locked)).constData(), 0444);
    const QByteArray cdBytes = FileBytes(PathOf(onCd));

    prompts.warningBoxes.enqueue(0);
    Save({locked}, Edit({{ETagField::Artist, "B"}}));
    EXPECT_EQ(Record(locked).m_ARTIST, QStringLiteral("B"));
    EXPECT_EQ(prompts.warnings, QStringList{CEditingTexts::ReadOnly()});

    EXPECT_EQ(Save({onCd}, Edit({{ETagField::Comment, "nice"}})).unwritten.size(), 1);
    EXPECT_EQ(FileBytes(PathOf(onCd)), cdBytes);
    EXPECT_EQ(prompts.warnings.size(), 2) << "the comment cell's failure is told as well";

    prompts.warningBoxes.enqueue(1); // "Don't show me this again"
    Save({onCd}, Edit({{ETagField::Artist, "C"}}));
    EXPECT_EQ(Record(onCd).m_ARTIST, QStringLiteral("C"));
    EXPECT_EQ(FileBytes(PathOf(onCd)), cdBytes);
    EXPECT_EQ(CSettings::Int(ESetting::WarningID3), 1);
    Save({locked}, Edit({{ETagField::Artist, "D"}}));
    EXPECT_EQ(prompts.warnings.size(), 3) << "silenced";
    EXPECT_EQ(Record(locked).m_ARTIST, QStringLiteral("D"));

    const qint64 id = AddFile("Plain", "A");
    EXPECT_TRUE(Save({id}, Edit({{ETagField::Comment, "schön"}})).unwritten.isEmpty());
    EXPECT_TRUE(Comments(Tags(id)).contains(QStringLiteral("=schön")));
}

TEST_F(TagSaverTest, RenamingFollowsTheFormattingStringAndNeverReplacesOrMakesFolders)
{
    using CFileRenamer::NewName;
    EXPECT_EQ(NewName("%2 (%1)", "A", "T", "", "x.mp3"), QStringLiteral("T (A).mp3"));
    EXPECT_EQ(NewName("%2 (%1)", "", "T", "", "x.mp3"), QStringLiteral("T ().mp3"));
    EXPECT_EQ(NewName("Track 1", "A", "T", "", "x.y.mp3"), QStringLiteral("Track A.mp3"));
    EXPECT_EQ(NewName("%3-%2", "A", "T", "B", "noext"), QStringLiteral("B-T"));

    const qint64 id = AddFile("song", "Artist");
    const QString folder = Record(id).m_PATH;
    Save({id},
         Edit({{ETagField::Title, "Title"},
               {ETagField::Artist, "Artist"},
               {ETagField::Genre, "Rock"}}),
         EMode::Single, true);
    EXPECT_EQ(Record(id).m_MELODI, QStringLiteral("Artist - Title.mp3"));
    EXPECT_EQ(FrameText(ProbeTags(folder + "/Artist - Title.mp3"), "TIT2"),
              QStringLiteral("Title"));
    EXPECT_TRUE(prompts.warnings.isEmpty());

    // An existing name is never replaced; a "/" would name a folder, even one that is there.
    // The list, showing file names, keeps the name the file still has.
    CSettings::SetInt(ESetting::ID3, 1);
    const qint64 other = AddFile("other", "X");
    QDir(folder).mkdir(QStringLiteral("AC"));
    const QByteArray taken = FileBytes(folder + "/Artist - Title.mp3");
    for (const QString& artist : {QStringLiteral("Artist"), QStringLiteral("AC/DC")}) {
        SCOPED_TRACE(artist.toStdString());
        prompts.warnings.clear();
        const auto outcome = Save({other},
                                  Edit({{ETagField::Title, "Title"},
                                        {ETagField::Artist, artist},
                                        {ETagField::Genre, "Rock"}}),
                                  EMode::Single, true);
        EXPECT_EQ(Record(other).m_MELODI, QStringLiteral("other.mp3"));
        EXPECT_EQ(Record(other).m_LIST, CNamingRules::ListName(QStringLiteral("other.mp3")));
        EXPECT_EQ(Record(other).m_ARTIST, artist) << "the record changes all the same";
        EXPECT_EQ(outcome.notRenamed.size(), 1);
        EXPECT_EQ(prompts.warnings, QStringList{CEditingTexts::RenameFailed()});
        EXPECT_TRUE(QFile::exists(folder + "/other.mp3"));
    }
    EXPECT_EQ(FileBytes(folder + "/Artist - Title.mp3"), taken);
    EXPECT_TRUE(QDir(folder + "/AC").isEmpty());
}

// A stick mounted elsewhere than at the scan takes the edit and the new name where it is.
TEST_F(TagSaverTest, ASongOnAStickMountedElsewhereIsWrittenWhereItIsNow)
{
    const QString was = volumes.AddDrive(SVolume::EType::Removable, 0, false);
    const QString now = volumes.AddDrive(SVolume::EType::Removable, 0, false);
    const qint64 id = AddFile("song", "A", was);
    CSettings::WriteString(CSettings::kCDRoot, Record(id).m_CD, was);
    CSettings::WriteString(CSettings::kCDVolume, Record(id).m_CD, "UUID=AB-12");
    volumes.identities.insert(now, "UUID=AB-12");
    ASSERT_TRUE(QFile::rename(was + "/song.mp3", now + "/song.mp3"));
    volumes.volumes.removeIf([&](const SVolume& v) { return v.mountPoint == was; });

    const auto outcome = Save(
        {id},
        Edit({{ETagField::Title, "Title"}, {ETagField::Artist, "A"}, {ETagField::Genre, "Rock"}}),
        EMode::Single, true);
    EXPECT_TRUE(outcome.unwritten.isEmpty());
    EXPECT_TRUE(outcome.notRenamed.isEmpty());
    EXPECT_EQ(FrameText(ProbeTags(now + "/A - Title.mp3"), "TIT2"), QStringLiteral("Title"));
    EXPECT_EQ(Record(id).m_MELODI, QStringLiteral("A - Title.mp3"));
}

} // namespace
