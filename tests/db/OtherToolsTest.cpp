// The catalogue as other SQLite tools see it: a plain connection, without anything the
// program registers, reads and writes it, and the program then finds what they wrote.
#include "db/CBatchCommit.h"
#include "db/CCdlistSet.h"
#include "db/CCoverStore.h"
#include "db/CFoldTriggers.h"
#include "support/CRecordingProgress.h"
#include "support/CTestEnvironment.h"
#include "support/STestSong.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <random>
#include <sqlite3.h>

namespace {

// The substring index holds exactly the copies of the rows (rank 1: checked against the table
// itself, not only within the index).
constexpr const char* kIndexMatchesRows =
    "INSERT INTO SongsText(SongsText, rank) VALUES('integrity-check', 1)";

// The progress a conversion or refold shows, and how many times one was made.
struct SShownProgress
{
    int count = 0;
    CRecordingProgress progress;
    CDatabase::ProgressFactory Factory()
    {
        return [this](const QString& caption) {
            ++count;
            progress.caption = caption;
            return std::unique_ptr<CProgress>(std::make_unique<CProgressProxy>(progress));
        };
    }
};

// Why an open whose progress is cancelled after `steps` steps failed; empty when it opened.
QString CancelledOpen(CDatabase& db, const QString& path, int steps)
{
    SShownProgress cancelling;
    cancelling.progress.cancelAfterSteps = steps;
    try {
        db.Open(path, cancelling.Factory());
    } catch (const CDbException& e) {
        return e.Message();
    }
    db.Close();
    return {};
}

constexpr qint64 kBigId = 4611686018427387905;

// A connection as the sqlite3 shell or Python would open it.
class CPlainConnection
{
public:
    explicit CPlainConnection(const QString& path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    }
    ~CPlainConnection() { sqlite3_close_v2(m_db); }
    CPlainConnection(const CPlainConnection&) = delete;
    CPlainConnection& operator=(const CPlainConnection&) = delete;

    sqlite3* Handle() const { return m_db; }
    // Runs one statement with text values bound; the first column of the first row, or
    // the error message prefixed by "error: ".
    QString Run(const char* sql, const QStringList& values = {})
    {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) != SQLITE_OK)
            return QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(m_db));
        QList<QByteArray> held;
        for (int i = 0; i < values.size(); ++i) {
            held << values[i].toUtf8();
            sqlite3_bind_text(s, i + 1, held.last().constData(), -1, SQLITE_STATIC);
        }
        QString result;
        const int rc = sqlite3_step(s);
        if (rc == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        else if (rc != SQLITE_DONE)
            result = QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(s);
        return result;
    }

private:
    sqlite3* m_db = nullptr;
};

QStringList Titles(CCdlistSet& set, const CFilter& filter)
{
    QStringList titles;
    set.Scan(filter, [&](const CCdlistSet::CScanRow& row) {
        titles << row.Text(ESongColumn::TITLE);
        return true;
    });
    return titles;
}

TEST(OtherToolsTest, PlainSqliteReadsAndWritesTheCatalogueAndTheProgramFindsItsRows)
{
    CTestEnvironment env;
    const QString path = env.DatabasePath();
    qint64 edited = 0;
    {
        CDatabase db;
        db.Open(path);
        CCdlistSet set;
        set.Open(db);
        edited = AddTestSong(set, {.title = "Old name", .file = "a.mp3", .path = "/m"});
        AddTestSong(set, {.title = "Kept", .file = "b.mp3", .path = "/m"});
        // The program's own edit keeps the row findable at once.
        SSongChanges title;
        title.Set(ESongColumn::TITLE, QStringLiteral("Older NAME"));
        set.Update(edited, title);
        EXPECT_EQ(Titles(set, CFilter::Equals(ESongColumn::TITLE, QStringLiteral("older name"))),
                  QStringList{QStringLiteral("Older NAME")});
        EXPECT_EQ(Titles(set, CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("der n"))),
                  QStringList{QStringLiteral("Older NAME")});
    }
    {
        CPlainConnection plain(path);
        EXPECT_EQ(plain.Run("SELECT count(*) FROM Songs"), QStringLiteral("2"));
        // Numbered beyond 32 bits, as another tool may number its rows.
        EXPECT_EQ(plain.Run("INSERT INTO Songs(ID, CD, TITLE, MELODI, PATH) VALUES(?, ?, ?, ?, ?)",
                            {QString::number(kBigId), QStringLiteral("S"),
                             QStringLiteral("ΘΆΛΑΣΣΑ Straße"), QStringLiteral("ΣΟΦΙΑ.MP3"),
                             QStringLiteral("/Μουσική")}),
                  QString());
        EXPECT_EQ(plain.Run("UPDATE Songs SET TITLE = ? WHERE ID = ?",
                            {QStringLiteral("Élan VITAL"), QString::number(edited)}),
                  QString());
        EXPECT_EQ(plain.Run("SELECT TITLE FROM Songs WHERE ID = ?", {QString::number(edited)}),
                  QStringLiteral("Élan VITAL"));
        EXPECT_EQ(plain.Run("UPDATE Songs SET ID = 7 WHERE TITLE = 'Kept'"), QString());
        // The substring index stays consistent with the rows through the triggers.
        EXPECT_EQ(plain.Run(kIndexMatchesRows), QString());
    }
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    ASSERT_FALSE(shell.isEmpty()) << "scripts/install-deps.sh installs the sqlite3 shell";
    QProcess check;
    check.start(shell, {path, QStringLiteral("PRAGMA integrity_check")});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.readAllStandardOutput().trimmed(), QByteArray("ok"));
    EXPECT_EQ(check.readAllStandardError(), QByteArray());

    // After the next open every lookup finds the other tool's rows by the program's rules.
    CDatabase db;
    db.Open(path);
    CCdlistSet set;
    set.Open(db);
    const QStringList greek{QStringLiteral("ΘΆΛΑΣΣΑ Straße")};
    EXPECT_EQ(set.FindSongById(kBigId).value_or(SSong()).m_TITLE, greek[0]);
    EXPECT_EQ(set.Ids(CFilter::Exactly(ESongColumn::TITLE, greek[0])), std::vector<qint64>{kBigId});
    EXPECT_GT(AddTestSong(set, {.title = "After"}), kBigId) << "no number is handed out twice";
    EXPECT_EQ(Titles(set, CFilter::Equals(ESongColumn::MELODI, QStringLiteral("σοφια.mp3"))
                              .And(CFilter::Equals(ESongColumn::PATH, QStringLiteral("/μουσική")))),
              greek);
    EXPECT_EQ(Titles(set, CFilter::Prefix(ESongColumn::TITLE, QStringLiteral("θάλας"))), greek);
    EXPECT_EQ(Titles(set, CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("λασσα st"))),
              greek);
    EXPECT_EQ(Titles(set, CFilter::Contains({ESongColumn::MELODI}, QStringLiteral("φια.mp"))),
              greek);
    const QStringList edit{QStringLiteral("Élan VITAL")};
    EXPECT_EQ(Titles(set, CFilter::Equals(ESongColumn::TITLE, QStringLiteral("élan vital"))), edit);
    EXPECT_EQ(Titles(set, CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("AN VI"))), edit);
    EXPECT_TRUE(
        Titles(set, CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("der n"))).isEmpty())
        << "the old text has left the index";
}

// A catalogue of layout 3: indexes through the collation the program used to register.
QString WriteLayoutThree(const QString& path, int moreRows = 0)
{
    CPlainConnection plain(path);
    sqlite3_create_collation(
        plain.Handle(), "UNOCASE", SQLITE_UTF8, nullptr,
        [](void*, int na, const void* a, int nb, const void* b) {
            const QString fa = QString::fromUtf8(static_cast<const char*>(a), na).toCaseFolded();
            const QString fb = QString::fromUtf8(static_cast<const char*>(b), nb).toCaseFolded();
            return fa.compare(fb);
        });
    const char* const statements[] = {
        "CREATE TABLE Songs(ID INTEGER PRIMARY KEY AUTOINCREMENT, CD TEXT NOT NULL DEFAULT '', "
        "LIST TEXT NOT NULL DEFAULT '', PATH TEXT NOT NULL DEFAULT '', "
        "MELODI TEXT NOT NULL DEFAULT '', TITLE TEXT NOT NULL DEFAULT '', "
        "ARTIST TEXT NOT NULL DEFAULT '', ALBUM TEXT NOT NULL DEFAULT '', "
        "GENRE TEXT NOT NULL DEFAULT '', YEAR TEXT NOT NULL DEFAULT '', "
        "LYRICS TEXT NOT NULL DEFAULT '', BITRATE TEXT NOT NULL DEFAULT '', "
        "COMMENT TEXT NOT NULL DEFAULT '', DURATION TEXT NOT NULL DEFAULT '', "
        "[USE] INTEGER NOT NULL DEFAULT 0, EXTENDED1 TEXT NOT NULL DEFAULT '', "
        "EXTENDED2 TEXT NOT NULL DEFAULT '')",
        "CREATE TABLE ExcludeList(ID2 INTEGER PRIMARY KEY AUTOINCREMENT, "
        "EXCLUDED TEXT NOT NULL DEFAULT '')",
        "CREATE INDEX SongsBySession ON Songs(CD)",
        "CREATE INDEX SongsByFile ON Songs(MELODI COLLATE UNOCASE, PATH COLLATE UNOCASE)",
        "CREATE INDEX SongsByTitle ON Songs(TITLE COLLATE UNOCASE)",
        "CREATE INDEX SongsByArtist ON Songs(ARTIST COLLATE UNOCASE)",
        "CREATE INDEX SongsByAlbum ON Songs(ALBUM COLLATE UNOCASE)",
        "CREATE INDEX SongsByGenre ON Songs(GENRE COLLATE UNOCASE)",
        "PRAGMA application_id=1131566917",
        "PRAGMA user_version=3",
    };
    for (const char* sql : statements)
        EXPECT_EQ(plain.Run(sql), QString()) << sql;
    for (int i = 0; i < 50; ++i)
        plain.Run("INSERT INTO Songs(CD, TITLE, ARTIST, MELODI, PATH) VALUES('S', ?, ?, ?, '/m')",
                  {QStringLiteral("Ärger %1").arg(i), QStringLiteral("Band %1").arg(i % 7),
                   QStringLiteral("Song %1.mp3").arg(i)});
    EXPECT_EQ(plain.Run("WITH RECURSIVE n(i) AS (SELECT 1 WHERE CAST(?1 AS INTEGER) > 0 UNION ALL "
                        "SELECT i + 1 FROM n WHERE i < CAST(?1 AS INTEGER)) INSERT INTO Songs(CD, "
                        "TITLE) SELECT 'Big', 'T' || i FROM n",
                        {QString::number(moreRows)}),
              QString());
    return path;
}

TEST(OtherToolsTest, LayoutThreeIsConvertedOnFirstOpenAndAFailureLeavesTheFileAsItWas)
{
    CTestEnvironment env;
    const QString broken = WriteLayoutThree(env.Root() + QStringLiteral("/broken.mdb"));
    {
        // A table in the way of the conversion makes it fail half-way.
        CPlainConnection plain(broken);
        EXPECT_EQ(plain.Run("CREATE TABLE SongsToFold(x)"), QString());
    }
    CDatabase db;
    try {
        db.Open(broken);
        FAIL() << "the conversion cannot have succeeded";
    } catch (const CDbException& e) {
        EXPECT_TRUE(
            e.Message().startsWith(QStringLiteral("Cannot convert the song database ") + broken))
            << e.Message().toStdString();
        EXPECT_TRUE(e.Message().endsWith(QStringLiteral("it was left as it was.")))
            << e.Message().toStdString();
    }
    EXPECT_FALSE(db.IsOpen());
    {
        CPlainConnection plain(broken);
        EXPECT_EQ(plain.Run("PRAGMA user_version"), QStringLiteral("3"));
        EXPECT_EQ(plain.Run("SELECT count(*) FROM pragma_table_info('Songs')"),
                  QStringLiteral("17"));
        EXPECT_EQ(plain.Run("SELECT count(*) FROM sqlite_master WHERE name LIKE 'SongsBy%'"),
                  QStringLiteral("6"));
    }

    const QString path = WriteLayoutThree(env.DatabasePath());
    db.Open(path);
    CCdlistSet set;
    set.Open(db);
    EXPECT_EQ(Titles(set, CFilter::Equals(ESongColumn::TITLE, QStringLiteral("ärger 7"))),
              QStringList{QStringLiteral("Ärger 7")});
    EXPECT_EQ(Titles(set, CFilter::Prefix(ESongColumn::TITLE, QStringLiteral("ÄRGER 4"))).size(),
              11); // 4 and 40–49
    EXPECT_EQ(Titles(set, CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("RGER 1"))).size(),
              11);
    EXPECT_EQ(Titles(set, CFilter::Equals(ESongColumn::MELODI, QStringLiteral("SONG 3.MP3"))
                              .And(CFilter::Equals(ESongColumn::PATH, QStringLiteral("/M")))),
              QStringList{QStringLiteral("Ärger 3")});
    db.Close();
    CPlainConnection plain(path);
    EXPECT_EQ(plain.Run("PRAGMA user_version"), QString::number(CDatabase::kSchemaVersion));
    EXPECT_EQ(plain.Run("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%UNOCASE%'"),
              QStringLiteral("0"));
    EXPECT_EQ(plain.Run("SELECT count(*) FROM Songs WHERE TITLE_FOLDED = ?",
                        {QStringLiteral("ärger 12")}),
              QStringLiteral("1"));
}

// Layout 4's index folded the folded copies again, layout 6's kept every trigram's
// positions, layout 10's had the title first; the index is made anew and every song is
// found as before.
TEST(OtherToolsTest, OlderSubstringIndexesAreRebuiltKeepingEverySong)
{
    for (const char* older :
         {"4|case_sensitive 0", "6|case_sensitive 1", "10|case_sensitive 1', columnsize='0"}) {
        const QStringList layout = QString::fromLatin1(older).split(u'|');
        CTestEnvironment env;
        const QString path = WriteLayoutThree(env.DatabasePath());
        CDatabase db;
        db.Open(path);
        db.Close();
        {
            CPlainConnection plain(path);
            // A title too long for the triggers: its row waits for the refold, outside the index.
            EXPECT_EQ(
                plain.Run("UPDATE Songs SET TITLE = 'É' || printf('%.1000c', 'q') WHERE ID = 50"),
                QString());
            EXPECT_EQ(plain.Run("DROP TABLE SongsText"), QString());
            const QByteArray create = "CREATE VIRTUAL TABLE SongsText USING fts5(TITLE_FOLDED, "
                                      "ARTIST_FOLDED, ALBUM_FOLDED, MELODI_FOLDED, "
                                      "content='Songs', content_rowid='ID', tokenize='trigram " +
                                      layout[1].toLatin1() + "')";
            EXPECT_EQ(plain.Run(create.constData()), QString());
            EXPECT_EQ(plain.Run("INSERT INTO SongsText(SongsText) VALUES('rebuild')"), QString());
            EXPECT_EQ(
                plain.Run(
                    QStringLiteral("PRAGMA user_version=%1").arg(layout[0]).toUtf8().constData()),
                QString());
        }
        db.Open(path);
        CCdlistSet set;
        set.Open(db);
        EXPECT_EQ(set.CountAll(), 50);
        EXPECT_EQ(set.Ids(CFilter::Contains({ESongColumn::TITLE}, "RGER 1")).size(), 11u);
        EXPECT_EQ(set.Ids(CFilter::Contains({ESongColumn::ARTIST}, "BAND 3")).size(), 7u);
        EXPECT_EQ(set.Ids(CFilter::Contains({ESongColumn::MELODI}, "SONG 49")).size(), 1u);
        db.Close();
        CPlainConnection plain(path);
        EXPECT_EQ(plain.Run("PRAGMA user_version"), QString::number(CDatabase::kSchemaVersion));
        EXPECT_EQ(plain.Run("SELECT count(*) FROM sqlite_master WHERE sql LIKE "
                            "'%fts5(%MELODI_FOLDED, TITLE_FOLDED%case_sensitive 1%columnsize=0%'"),
                  QStringLiteral("1"));
        EXPECT_EQ(plain.Run(kIndexMatchesRows), QString());
        EXPECT_EQ(plain.Run("PRAGMA integrity_check"), QStringLiteral("ok"));
    }
}

// Layout 5 had no covers and no track: it gains them in place, and where it cannot be
// written it is read as it is, without them.
TEST(OtherToolsTest, LayoutFiveGainsCoversAndTracksAndReadsWithoutThemWhereItCannotBeWritten)
{
    CTestEnvironment env;
    const QString path = env.DatabasePath();
    CDatabase db;
    db.Open(path);
    qint64 id = 0;
    {
        CCdlistSet set;
        set.Open(db);
        id = AddTestSong(set, {.title = "kept"});
    }
    db.Close();
    {
        CPlainConnection plain(path);
        EXPECT_EQ(plain.Run("DROP TABLE Covers"), QString());
        EXPECT_EQ(plain.Run("ALTER TABLE Songs DROP COLUMN COVER"), QString());
        EXPECT_EQ(plain.Run("DROP INDEX SongsByAlbumTrack"), QString());
        EXPECT_EQ(plain.Run("DROP INDEX SongsByArtistAlbum"), QString());
        EXPECT_EQ(plain.Run("ALTER TABLE Songs DROP COLUMN TRACK"), QString());
        EXPECT_EQ(plain.Run("PRAGMA user_version=5"), QString());
    }
    db.OpenForReading(path);
    EXPECT_FALSE(db.HasCovers());
    EXPECT_TRUE(CCoverStore(db).ThumbnailOfSong(id).isEmpty());
    {
        CCdlistSet set;
        set.Open(db);
        EXPECT_EQ(set.FindSongById(id).value_or(SSong()).m_TITLE, "kept");
    }
    db.Close();
    db.Open(path);
    {
        CCdlistSet set;
        set.Open(db);
        SSongChanges track;
        track.Set(ESongColumn::TRACK, "7/9");
        EXPECT_TRUE(set.Update(id, track));
    }
    CCoverStore(db).Add("key", "thumbnail");
    CCoverStore(db).SetSongCover(id, "key");
    EXPECT_EQ(CCoverStore(db).ThumbnailOfSong(id), "thumbnail");
    db.Close();
    CPlainConnection plain(path);
    EXPECT_EQ(plain.Run("SELECT TITLE FROM Songs WHERE COVER = 'key' AND TRACK = 7"), "kept");
    EXPECT_EQ(plain.Run("PRAGMA user_version"), QString::number(CDatabase::kSchemaVersion));
}

TEST(OtherToolsTest, ALargeConversionShowsItsProgressAndASmallOneNone)
{
    CTestEnvironment env;
    SShownProgress shown;
    CRecordingProgress& progress = shown.progress;
    const CDatabase::ProgressFactory factory = shown.Factory();
    CDatabase db;
    db.Open(WriteLayoutThree(env.Root() + QStringLiteral("/small.mdb")), factory);
    db.Close();
    EXPECT_EQ(shown.count, 0);

    const QString path = WriteLayoutThree(env.DatabasePath(), CDatabase::kConversionShownFrom);
    // Cancel undoes the whole conversion and says so.
    EXPECT_TRUE(
        CancelledOpen(db, path, 2).contains(u"(Cancel was pressed); it was left as it was"));
    EXPECT_EQ(CPlainConnection(path).Run("PRAGMA user_version"), QStringLiteral("3"));
    db.Open(path, factory);
    EXPECT_EQ(shown.count, 1);
    EXPECT_EQ(progress.message, QStringLiteral("Building the search index..."));
    const int batches =
        (CDatabase::kConversionShownFrom + 50 + CDatabase::kFoldBatch - 1) / CDatabase::kFoldBatch;
    EXPECT_EQ(progress.steps, batches + 1); // the folds, then the index in one batch
    EXPECT_EQ(progress.upper, progress.steps);
}

// A new catalogue holding one song.
QString CatalogueOf(CTestEnvironment& env, const STestSong& song)
{
    const QString path = env.DatabasePath();
    CDatabase db;
    db.Open(path);
    CCdlistSet set;
    set.Open(db);
    AddTestSong(set, song);
    return path;
}

// The catalogue as an older layout left it: one of its triggers as that layout wrote it.
void MakeOlder(CPlainConnection& plain, int layout, const char* trigger, const char* body)
{
    EXPECT_EQ(plain.Run((QByteArray("DROP TRIGGER ") + trigger).constData()), QString());
    EXPECT_EQ(plain.Run((QByteArray("CREATE TRIGGER ") + trigger + ' ' + body).constData()),
              QString());
    EXPECT_EQ(plain.Run(("PRAGMA user_version=" + QByteArray::number(layout)).constData()),
              QString());
}

// The program's new songs enter the substring index once, also in a catalogue of the layout
// before the triggers knew its mark of them; a mark left in the file holds back another
// tool's new rows too, until the next open indexes them.
TEST(OtherToolsTest, NewSongsAreIndexedOnceAndALeftMarkAtTheNextOpen)
{
    CTestEnvironment env;
    const QString path = CatalogueOf(env, {.title = "First"});
    CPlainConnection plain(path);
    MakeOlder(plain, 11, "SongsTextInsert",
              "AFTER INSERT ON Songs WHEN NEW.TITLE_FOLDED IS NOT NULL BEGIN INSERT INTO "
              "SongsText(rowid, TITLE_FOLDED) VALUES(NEW.ID, NEW.TITLE_FOLDED); END");
    CDatabase db;
    db.Open(path);
    CCdlistSet set;
    set.Open(db);
    {
        CBatchCommit batch(db);
        AddTestSong(set, {.title = "Second"});
        batch.Finish();
    }
    db.Close();
    EXPECT_EQ(plain.Run(kIndexMatchesRows), QString());
    EXPECT_EQ(plain.Run("INSERT INTO SongsTextPending VALUES(3)"), QString());
    EXPECT_EQ(plain.Run("INSERT INTO Songs(TITLE) VALUES('Third')"), QString());
    EXPECT_EQ(plain.Run("SELECT count(*) FROM SongsText('hir')"), QStringLiteral("0"));
    db.Open(path);
    set.Open(db);
    EXPECT_EQ(Titles(set, CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("HIR"))),
              QStringList{QStringLiteral("Third")});
    EXPECT_EQ(plain.Run("SELECT count(*) FROM SongsTextPending"), QStringLiteral("0"));
    EXPECT_EQ(plain.Run(kIndexMatchesRows), QString());
}

// Whether searches ignore accents is the table Folding's content: kept by the file, read by
// every open, followed by another tool's writes; the switch refolds the rows there are.
TEST(OtherToolsTest, TheAccentsSwitchIsKeptByTheFileAndAnotherToolFoldsByIt)
{
    CTestEnvironment env;
    const QString path = CatalogueOf(env, {.title = "Björk"});
    CPlainConnection plain(path);
    const char* const folded = "SELECT group_concat(TITLE_FOLDED, '|') FROM Songs";
    EXPECT_EQ(plain.Run(folded), QStringLiteral("bjork")) << "a new catalogue ignores accents";
    {
        CDatabase db;
        db.Open(path);
        db.SetFoldsAccents(false);
    }
    EXPECT_EQ(plain.Run(folded), QStringLiteral("björk"));
    EXPECT_EQ(plain.Run("INSERT INTO Songs(TITLE) VALUES('Ærø CAFÉ')"), QString());
    EXPECT_EQ(plain.Run(folded), QStringLiteral("björk|ærø café"));
    CDatabase db;
    db.Open(path);
    EXPECT_FALSE(db.Folding().Accents()) << "kept across opens";
    db.SetFoldsAccents(true);
    EXPECT_EQ(plain.Run(folded), QStringLiteral("bjork|ærø cafe"));
    EXPECT_EQ(plain.Run("UPDATE Songs SET TITLE = 'E\u0301TE\u0301' WHERE ID = 1"), QString());
    EXPECT_EQ(plain.Run(folded), QStringLiteral("ete|ærø cafe")) << "marks of their own go";
    EXPECT_EQ(plain.Run(kIndexMatchesRows), QString());
    CCdlistSet set;
    set.Open(db);
    EXPECT_EQ(Titles(set, CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("RØ CAFE"))),
              QStringList{QStringLiteral("Ærø CAFÉ")});
    EXPECT_TRUE(
        Titles(set, CFilter::Equals(ESongColumn::TITLE, QStringLiteral("ærø cafe"))).isEmpty())
        << "an equal name stays equal but for case alone";
}

// Another tool's change gets the copy the program would make of what it reads, whatever the
// characters or bytes; a very long text none (the next open folds it).
TEST(OtherToolsTest, AnotherToolsChangeIsFoldedAsTheProgramFoldsOrLeftForTheRefold)
{
    CTestEnvironment env;
    const QString path = CatalogueOf(env, {.title = "Plain"});
    CPlainConnection plain(path);
    // The triggers of the previous layout give way to this one's.
    MakeOlder(plain, 9, "SongsFoldTitle",
              "AFTER UPDATE OF TITLE ON Songs BEGIN UPDATE Songs SET TITLE_FOLDED = NULL WHERE "
              "ID = NEW.ID; END");
    CDatabase().Open(path);
    const char* const folded = "SELECT ifnull(TITLE_FOLDED, 'none') FROM Songs";
    QString text = QStringLiteral("Mixed CASE\t");
    for (char32_t c = 0x80; c <= CFoldTriggers::kLastFolded + 1; ++c) {
        if (c < 0xD800 || c > 0xDFFF) // surrogates are no characters
            text += QString::fromUcs4(&c, 1);
        if (text.size() < CFoldTriggers::kLongest && c <= CFoldTriggers::kLastFolded)
            continue;
        ASSERT_EQ(plain.Run("UPDATE Songs SET TITLE = ?", {text}), QString());
        ASSERT_EQ(plain.Run(folded), CTextFold(true).Text(text)) << int(c);
        text.clear();
    }
    // Byte strings that are UTF-8 in parts: lead bytes with too few or too many continuation
    // bytes, overlong forms, surrogates, code points past U+10FFFF, non-characters.
    static constexpr unsigned char kBytes[] = {0x41, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xA9,
                                               0xBE, 0xBF, 0xC0, 0xC1, 0xC2, 0xC3, 0xCE,
                                               0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    std::mt19937 random(7);
    for (int n = 0; n < 3000; ++n) {
        QByteArray bytes;
        for (int length = 1 + int(random() % 7); bytes.size() < length;)
            bytes += char(kBytes[random() % std::size(kBytes)]);
        const QByteArray change = "UPDATE Songs SET TITLE = CAST(X'" + bytes.toHex() + "' AS TEXT)";
        ASSERT_EQ(plain.Run(change.constData()), QString());
        ASSERT_EQ(
            plain.Run("SELECT hex(TITLE_FOLDED) FROM Songs").toStdString(),
            CTextFold(true).Text(QString::fromUtf8(bytes)).toUtf8().toHex().toUpper().toStdString())
            << bytes.toHex().constData();
    }
    EXPECT_EQ(plain.Run("UPDATE Songs SET TITLE = 'É' || printf('%.1001c', 'x')"), QString());
    EXPECT_EQ(plain.Run(folded), QStringLiteral("none"));
    // The next open folds it, and leaves the substring index merging its segments again.
    CDatabase().Open(path);
    EXPECT_EQ(plain.Run(folded), QStringLiteral("e") + QString(1001, u'x'));
    EXPECT_EQ(plain.Run("SELECT v FROM SongsText_config WHERE k = 'automerge'"),
              QStringLiteral("4"));
}

// Another tool's new rows get the copies the program would make, and the substring index
// takes them in, in the tool's own write: the running program finds them at once, a text that
// is not UTF-8 as it reads it.
TEST(OtherToolsTest, AnotherToolsInsertIsFoldedInItsOwnWriteAndFoundWithoutARestart)
{
    CTestEnvironment env;
    const QString path = CatalogueOf(env, {.title = "Plain"});
    CDatabase db;
    db.Open(path);
    CCdlistSet set;
    set.Open(db);
    const char* const columns[] = {"TITLE", "ARTIST", "ALBUM", "MELODI", "GENRE"};
    const QStringList rows[] = {
        {"Mixed CASE", "The BAND", "Best OF", "Track.MP3", "Rock"},
        {"Ärger", "ÉTÉ", "Straße", "ΣΟΦΙΑ.MP3", "Música 東京"},
    };
    CPlainConnection plain(path);
    EXPECT_EQ(
        plain.Run("INSERT INTO Songs(TITLE, ARTIST, ALBUM, MELODI, GENRE) VALUES(?, ?, ?, ?, "
                  "?), (?, ?, ?, ?, ?), (CAST(X'436166E9' AS TEXT), 'Latin', '', 'c.mp3', '')",
                  rows[0] + rows[1]),
        QString());
    for (const QStringList& row : rows)
        for (int i = 0; i < row.size(); ++i) {
            const QByteArray copy = QByteArray("SELECT ") + columns[i] +
                                    "_FOLDED FROM Songs WHERE " + columns[i] + " = ?";
            EXPECT_EQ(plain.Run(copy.constData(), {row[i]}), CTextFold(true).Text(row[i]))
                << columns[i];
        }
    EXPECT_EQ(plain.Run("SELECT TITLE_FOLDED || ARTIST_FOLDED FROM Songs WHERE MELODI = 'c.mp3'"),
              QStringLiteral("caf\uFFFDlatin"));
    EXPECT_EQ(plain.Run(kIndexMatchesRows), QString());

    const std::pair<CFilter, QString> found[] = {
        {CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("ÄRG")), rows[1][0]},
        {CFilter::Contains({ESongColumn::ARTIST}, QStringLiteral("he ba")), rows[0][0]},
        {CFilter::Contains({ESongColumn::ALBUM}, QStringLiteral("RAßE")), rows[1][0]},
        {CFilter::Contains({ESongColumn::MELODI}, QStringLiteral("φια.mp")), rows[1][0]},
        {CFilter::Equals(ESongColumn::GENRE, QStringLiteral("MÚSICA 東京")), rows[1][0]},
    };
    for (const auto& [filter, title] : found)
        EXPECT_EQ(Titles(set, filter), QStringList{title}) << filter.Sql().toStdString();
    EXPECT_EQ(Titles(set, CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("caf"))),
              QStringList{QStringLiteral("Caf\uFFFD")});
}

// Another tool's change keeps or loses the copies of the texts it changed, and only those; a
// large refold at the next open shows its progress, a small one none.
TEST(OtherToolsTest, ChangedRowsGetOrLoseOnlyTheirChangedCopiesAndManyShowProgress)
{
    CTestEnvironment env;
    const QString path = CatalogueOf(env, {.title = "Same", .artist = "Old Band"});
    SShownProgress shown;
    CRecordingProgress& progress = shown.progress;
    const CDatabase::ProgressFactory factory = shown.Factory();
    CPlainConnection plain(path);
    EXPECT_EQ(
        plain.Run("UPDATE Songs SET ARTIST = 'NEW Band', ALBUM = 'ŁÓDŹ' || printf('%.1000c', 'x'), "
                  "TITLE = TITLE, GENRE = 'Música 東京'"),
        QString());
    EXPECT_EQ(plain.Run("SELECT (TITLE_FOLDED IS NULL) || ARTIST_FOLDED || (ALBUM_FOLDED IS NULL) "
                        "|| GENRE_FOLDED FROM Songs"),
              QStringLiteral("0new band1musica 東京"));
    CDatabase db;
    db.Open(path, factory);
    EXPECT_EQ(shown.count, 0);
    CCdlistSet set;
    set.Open(db);
    EXPECT_EQ(Titles(set, CFilter::Prefix(ESongColumn::ARTIST, QStringLiteral("new b"))),
              QStringList{QStringLiteral("Same")});
    EXPECT_EQ(Titles(set, CFilter::Equals(ESongColumn::ALBUM,
                                          QStringLiteral("łódź") + QString(1000, u'x'))),
              QStringList{QStringLiteral("Same")});
    db.Close();

    // A bulk insert into a catalogue of the previous layout, which had no trigger for new rows:
    // its rows folded at the conversion, then the indexes made anew.
    EXPECT_EQ(plain.Run("DROP TRIGGER SongsFoldInserted"), QString());
    EXPECT_EQ(plain.Run("PRAGMA user_version=8"), QString());
    const int rows = CDatabase::kConversionShownFrom;
    const QByteArray insert =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        QByteArray::number(rows) +
        ") INSERT INTO Songs(TITLE, ARTIST, MELODI) SELECT 'T' || i, 'Ä' || i, 'f' || i || "
        "'.mp3' FROM n";
    EXPECT_EQ(plain.Run(insert.constData()), QString());
    // Cancelled in the refold, after the conversion's one step: the conversion stays, the refold
    // waits for the next open.
    EXPECT_TRUE(CancelledOpen(db, path, 3).contains(u"were not made (Cancel was pressed)"));
    db.Open(path, factory);
    EXPECT_EQ(shown.count, 1);
    EXPECT_EQ(progress.steps, (rows + CDatabase::kFoldBatch - 1) / CDatabase::kFoldBatch + 1);
    EXPECT_EQ(progress.upper, progress.steps);
    set.Open(db);
    const QString last = QStringLiteral("T%1").arg(rows);
    EXPECT_EQ(Titles(set, CFilter::Contains({ESongColumn::TITLE}, last.toLower())),
              QStringList{last});
    EXPECT_EQ(Titles(set, CFilter::Equals(ESongColumn::ARTIST, QStringLiteral("ä%1").arg(rows))),
              QStringList{last});
    EXPECT_EQ(Titles(set, CFilter::Prefix(ESongColumn::ARTIST, QStringLiteral("new"))),
              QStringList{QStringLiteral("Same")});
    EXPECT_EQ(plain.Run(kIndexMatchesRows), QString());
    EXPECT_EQ(plain.Run("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name LIKE "
                        "'SongsBy%'"),
              QStringLiteral("6"));
    EXPECT_EQ(plain.Run("PRAGMA user_version"), QString::number(CDatabase::kSchemaVersion));
    EXPECT_EQ(plain.Run("INSERT INTO Songs(TITLE) VALUES('Later')"), QString());
    EXPECT_EQ(plain.Run("SELECT TITLE_FOLDED FROM Songs WHERE TITLE = 'Later'"), "later");
}

} // namespace
