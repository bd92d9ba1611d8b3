#include "db/CBatchCommit.h"
#include "db/CCdlistSet.h"
#include "db/CExceptSet.h"
#include "support/CNoFileOverride.h"
#include "support/CTestEnvironment.h"
#include "support/STestSong.h"

#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>
#include <unistd.h>

namespace {

class DatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.Open(env.DatabasePath());
        set.Open(db);
    }
    qint64 Add(const QString& cd, const QString& title,
               const QString& file = QStringLiteral("a.mp3"))
    {
        return AddTestSong(set, {.cd = cd, .title = title, .file = file});
    }
    QStringList WalkTitles(const CFilter& filter)
    {
        QStringList titles;
        set.Walk(filter, [&titles](const SSong& song) {
            titles << song.m_TITLE;
            return true;
        });
        return titles;
    }
    SSong Stored(qint64 id) { return set.FindSongById(id).value_or(SSong()); }

    CTestEnvironment env;
    CDatabase db;
    CCdlistSet set;
};

TEST_F(DatabaseTest, NewDatabaseIsEmptyWithLargePages)
{
    EXPECT_TRUE(QFile::exists(env.DatabasePath()));
    EXPECT_EQ(set.CountAll(), 0);
    CStatement pageSize(db, QStringLiteral("PRAGMA page_size"));
    ASSERT_TRUE(pageSize.Step());
    EXPECT_EQ(pageSize.Int(0), 16384) << "a read of every row makes a quarter of the reads";
    EXPECT_TRUE(WalkTitles(CFilter()).isEmpty());
    EXPECT_TRUE(set.SessionCounts().isEmpty());
}

TEST_F(DatabaseTest, RefusesFilesThatAreNotCratewiseDatabases)
{
    const QString text =
        env.WriteFile(QStringLiteral("text.mdb"), "this is not a database at all, just text\n");
    CDatabase other;
    EXPECT_THROW(other.Open(text), CDbException);
    EXPECT_FALSE(other.IsOpen());

    // A real SQLite file of some other program is refused and left untouched.
    const QString foreign = env.Root() + QStringLiteral("/foreign.db");
    {
        CDatabase plain;
        plain.Open(foreign); // created as ours...
        plain.Exec("PRAGMA application_id=7");
    }
    const QByteArray before = [&] {
        QFile f(foreign);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    try {
        other.Open(foreign);
        FAIL() << "opened a foreign database";
    } catch (const CDbException& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("is not a Cratewise song database")));
    }
    const QByteArray after = [&] {
        QFile f(foreign);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_EQ(before, after);
}

// A file or folder the user may not write is named with the system's reason, never taken
// for a file of another program.
TEST_F(DatabaseTest, UnwritableFileOrFolderIsNamedWithTheSystemsReason)
{
    const QString folder = env.MakeDir(QStringLiteral("locked"));
    const QString path = folder + QStringLiteral("/songs3.mdb");
    CDatabase().Open(path);
    const auto readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const auto openAsAUser = [&] {
        const CNoFileOverride asAUser;
        CDatabase other;
        try {
            other.Open(path);
        } catch (const CDbException& e) {
            EXPECT_FALSE(other.IsOpen());
            return e.Message();
        }
        return QStringLiteral("opened");
    };

    ASSERT_TRUE(QFile::setPermissions(path, readOnly));
    {
        const CNoFileOverride asAUser;
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
        if (fd >= 0) {
            ::close(fd);
            GTEST_SKIP() << "permission bits cannot be made to count here";
        }
    }
    EXPECT_EQ(openAsAUser(), "Cannot write the song database " + path + ": Permission denied.");

    ASSERT_TRUE(QFile::setPermissions(path, readOnly | QFile::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(folder, readOnly | QFile::ExeOwner | QFile::ExeGroup |
                                                  QFile::ExeOther));
    EXPECT_EQ(openAsAUser(), "Cannot write the song database " + path +
                                 ": no files can be created in " + folder +
                                 " (Permission denied).");

    const auto openFolder = readOnly | QFile::WriteOwner | QFile::ExeOwner;
    ASSERT_TRUE(QFile::setPermissions(folder, openFolder));
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::setPermissions(folder, readOnly | QFile::ExeOwner));
    EXPECT_EQ(openAsAUser(), "Cannot create the song database " + path + ": Permission denied.");
    QFile::setPermissions(folder, openFolder);
}

// Two programs started at once on a new catalogue: one makes it, the other opens it, also
// when it finds the file begun (an empty database in its log mode) by the first.
TEST_F(DatabaseTest, TwoOpensOfANewFileAtOnceBothSucceed)
{
    for (const char* begun : {"", "PRAGMA journal_mode=WAL;"}) {
        const QString path = env.MakeDir(QStringLiteral("new%1").arg(*begun != 0)) + "/songs3.mdb";
        sqlite3* holder = nullptr; // keeps both waiting until each has looked at the file
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &holder), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(holder, begun, nullptr, nullptr, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        QString failures[2];
        const auto open = [&](int which) {
            try {
                CDatabase().Open(path);
            } catch (const CDbException& e) {
                failures[which] = e.Message();
            }
        };
        std::thread first(open, 0), second(open, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
        first.join();
        second.join();
        sqlite3_close(holder);
        EXPECT_EQ((failures[0] + failures[1]).toStdString(), "") << begun;
    }
}

TEST_F(DatabaseTest, NewRowsReadPlayCountZeroAndIdsAreNeverReused)
{
    const qint64 a = Add(QStringLiteral("S"), QStringLiteral("one"));
    const qint64 b = Add(QStringLiteral("S"), QStringLiteral("two"));
    EXPECT_LT(a, b);
    ASSERT_TRUE(set.FindSongById(b));
    EXPECT_EQ(Stored(b).m_USE, 0);
    EXPECT_TRUE(set.Delete(b));
    const qint64 c = Add(QStringLiteral("S"), QStringLiteral("three"));
    EXPECT_GT(c, b) << "a deleted song's ID was handed out again";
    EXPECT_FALSE(set.FindSongById(b));
}

TEST_F(DatabaseTest, LongTextIsCutToTheColumnLengthAndPathsAreKeptWhole)
{
    SSong song;
    song.m_LYRICS = QString(6000, u'x');
    song.m_TITLE = QString(300, u'y');
    // A surrogate pair straddling the limit is not split.
    song.m_COMMENT = QString(254, u'c') + QString::fromUcs4(U"\U0001F3B5");
    // A folder deep enough for PATH_MAX, and a file name as long as a file system allows.
    song.m_PATH = QStringLiteral("/music") + QStringLiteral("/folder").repeated(580);
    song.m_MELODI = QString(251, u'n') + QStringLiteral(".mp3");
    const SSong stored = Stored(set.Insert(song));
    EXPECT_EQ(stored.m_LYRICS.size(), 5000);
    EXPECT_EQ(stored.m_TITLE.size(), 300); // titles are kept whole
    EXPECT_EQ(stored.m_COMMENT, QString(254, u'c'));
    EXPECT_EQ(stored.m_PATH, song.m_PATH);
    EXPECT_EQ(stored.m_MELODI, song.m_MELODI);
    SSongChanges moved;
    moved.Set(ESongColumn::PATH, song.m_PATH + QStringLiteral("/more"));
    set.Update(stored.m_ID, moved);
    EXPECT_EQ(Stored(stored.m_ID).m_PATH, song.m_PATH + QStringLiteral("/more"));
}

TEST_F(DatabaseTest, FiltersTakeHostileValuesLiterally)
{
    const QStringList names = {QStringLiteral("Rock 'n' Roll"), QStringLiteral("say \"hi\""),
                               QStringLiteral("100%"),          QStringLiteral("a_b"),
                               QStringLiteral("back\\slash"),   QStringLiteral("Ärger"),
                               QStringLiteral("x' OR '1'='1"),  QStringLiteral("tab\tand\x01")};
    for (const QString& n : names)
        Add(n, n, n + QStringLiteral(".mp3"));
    Add(QStringLiteral("100x"), QStringLiteral("decoy"));
    Add(QStringLiteral("axb"), QStringLiteral("decoy"));
    for (const QString& n : names) {
        EXPECT_EQ(WalkTitles(CFilter::Exactly(ESongColumn::CD, n)), QStringList{n})
            << n.toStdString();
        EXPECT_EQ(
            WalkTitles(CFilter::Equals(ESongColumn::MELODI, n + QStringLiteral(".mp3"))
                           .And(CFilter::Equals(ESongColumn::PATH, QStringLiteral("/music")))),
            QStringList{n})
            << n.toStdString();
    }
    EXPECT_EQ(set.CountAll(), names.size() + 2);
}

TEST_F(DatabaseTest, DatabaseComparisonsIgnoreCaseForAllLetters)
{
    Add(QStringLiteral("S"), QStringLiteral("Ärger im Paradies"));
    Add(QStringLiteral("S"), QStringLiteral("ÉTÉ"));
    Add(QStringLiteral("S"), QStringLiteral("Arger"));
    EXPECT_EQ(WalkTitles(CFilter::Equals(ESongColumn::TITLE, QStringLiteral("été"))),
              QStringList{QStringLiteral("ÉTÉ")});
    // A new catalogue's searches ignore accents too; an equal name stays equal but for case.
    EXPECT_EQ(WalkTitles(CFilter::Prefix(ESongColumn::TITLE, QStringLiteral("äRG"))),
              (QStringList{QStringLiteral("Ärger im Paradies"), QStringLiteral("Arger")}));
    // Exact comparisons stay exact.
    EXPECT_TRUE(WalkTitles(CFilter::Exactly(ESongColumn::TITLE, QStringLiteral("été"))).isEmpty());
    EXPECT_TRUE(WalkTitles(CFilter::Equals(ESongColumn::TITLE, QStringLiteral("ete"))).isEmpty());
}

TEST(CollationTest, EveryAccentedLetterSortsBesideItsPlainOne)
{
    const auto compare = [](const QString& x, const QString& y) {
        const QByteArray a = x.toUtf8(), b = y.toUtf8();
        return CDatabase::CompareNoCase(a.constData(), int(a.size()), b.constData(), int(b.size()));
    };
    int letters = 0;
    for (char16_t u = 0x80; u < 0xFFFF; ++u) {
        const QString accented(QChar{u});
        const QString parts = accented.normalized(QString::NormalizationForm_D);
        const QString base = parts.left(1);
        if (parts.size() < 2 || !base[0].isLetter() || base[0].unicode() > 0x7f)
            continue;
        ++letters;
        // "Jose" < "José" < "Josef", whatever the case.
        const QString plain = "Jos" + base, accent = "jos" + accented;
        EXPECT_LT(compare(plain, accent), 0) << int(u);
        EXPECT_GT(compare(accent, plain), 0) << int(u);
        EXPECT_LT(compare(accent, plain + "F"), 0) << int(u);
        if (accented.toUpper().size() == 1) {
            EXPECT_EQ(compare(accent, "JOS" + accented.toUpper()), 0) << int(u);
        }
    }
    EXPECT_GT(letters, 400);
}

TEST(FoldTest, FoldedBytesAreTheFoldedTextsForAsciiAndBeyond)
{
    QStringList texts = {QString(),
                         QStringLiteral(""),
                         QStringLiteral("01 - Artist 00 - Song.MP3"),
                         QStringLiteral("Straße ÉTÉ"),
                         QStringLiteral("ABC İ xyz"),
                         QStringLiteral("ﬃ Ǆ ΣΑΣ"),
                         QString(QChar(0xD800)) + QStringLiteral("AB")};
    for (char16_t c = 0; c < 0x100; ++c)
        texts << QStringLiteral("Ab") + QChar(c) + QStringLiteral("Z");
    for (const QString& text : texts) {
        for (const CTextFold fold : {CTextFold(false), CTextFold(true)})
            EXPECT_EQ(fold.Utf8(text), fold.Text(text).toUtf8()) << text.toStdString();
    }
}

TEST_F(DatabaseTest, SongsAddedInATransactionAreFoundAndARollbackLeavesNoTrace)
{
    {
        CDatabase::CTransaction dropped(db);
        Add(QStringLiteral("S"), QStringLiteral("Dropped title"));
    }
    {
        // Another process takes the ID the rolled-back song had.
        CDatabase other;
        other.Open(env.DatabasePath());
        CCdlistSet otherSet;
        otherSet.Open(other);
        AddTestSong(otherSet, {.title = QStringLiteral("Other")});
    }
    EXPECT_TRUE(
        WalkTitles(CFilter::Equals(ESongColumn::TITLE, QStringLiteral("dropped title"))).isEmpty());
    CDatabase::CTransaction kept(db);
    Add(QStringLiteral("S"), QStringLiteral("Kept Title"));
    EXPECT_EQ(WalkTitles(CFilter::Equals(ESongColumn::TITLE, QStringLiteral("kept title"))),
              QStringList{QStringLiteral("Kept Title")})
        << "before the commit";
    Add(QStringLiteral("S"), QStringLiteral("Later title"));
    kept.Commit();
    EXPECT_EQ(WalkTitles(CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("ER TI"))),
              QStringList{QStringLiteral("Later title")});
    EXPECT_EQ(WalkTitles(CFilter::Prefix(ESongColumn::TITLE, QStringLiteral("OTH"))),
              QStringList{QStringLiteral("Other")});
}

// The substring index answers with the songs whose searched columns hold the whole text,
// not those that hold each of its trigrams somewhere.
TEST_F(DatabaseTest, ASubstringSearchFindsTheWholeTextInTheSearchedColumnsOnly)
{
    AddTestSong(set, {.title = "Kami Tower", .artist = "Band"});
    AddTestSong(set, {.title = "KAMxAMI", .artist = "Band"});
    AddTestSong(set, {.title = "Other", .artist = "Sokami"});
    EXPECT_EQ(set.TextIndexIds(CFilter::TextQuery({ESongColumn::TITLE, ESongColumn::ARTIST},
                                                  QStringLiteral("kami")))
                  .size(),
              2u);
    const struct
    {
        std::vector<ESongColumn> columns;
        QStringList titles;
    } cases[] = {
        {{ESongColumn::TITLE}, {QStringLiteral("Kami Tower")}},
        {{ESongColumn::ARTIST}, {QStringLiteral("Other")}},
        {{ESongColumn::TITLE, ESongColumn::ARTIST},
         {QStringLiteral("Kami Tower"), QStringLiteral("Other")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WalkTitles(CFilter::Contains(c.columns, QStringLiteral("KAMI"))), c.titles);
}

// What a batch commits is in the substring index at once, for this connection and for a
// window open on the catalogue, however the batch ends.
TEST_F(DatabaseTest, ABatchCommitsTheSearchIndexWithItsRows)
{
    CDatabase window;
    window.Open(env.DatabasePath());
    CCdlistSet windowSet;
    windowSet.Open(window);
    for (const bool finished : {true, false}) {
        const QString title = finished ? QStringLiteral("Finished") : QStringLiteral("Ended");
        {
            CBatchCommit batch(db);
            Add(QStringLiteral("S"), title);
            // Rows changed or deleted before the batch ends are indexed as they are then.
            Add(QStringLiteral("S"), QStringLiteral("Gone"));
            Add(QStringLiteral("S"), QStringLiteral("Before"));
            db.Exec("DELETE FROM Songs WHERE TITLE = 'Gone'; "
                    "UPDATE Songs SET TITLE = TITLE || ' after' WHERE TITLE = 'Before'");
            if (finished)
                batch.Finish();
        }
        const QString query = CFilter::TextQuery({ESongColumn::TITLE}, title.mid(1));
        EXPECT_EQ(windowSet.TextIndexIds(query).size(), 1u) << title.toStdString();
        EXPECT_EQ(set.TextIndexIds(query).size(), 1u) << title.toStdString();
        EXPECT_EQ(set.Ids(CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("E AF"))).size(),
                  finished ? 1u : 2u);
        EXPECT_NO_THROW(db.Exec("INSERT INTO SongsText(SongsText, rank) "
                                "VALUES('integrity-check', 1)"));
    }
}

TEST_F(DatabaseTest, SessionsDifferingInCaseAreDistinctAndComeAsAReaderOrdersThem)
{
    Add(QStringLiteral("rock"), QStringLiteral("1"));
    Add(QStringLiteral("Rock"), QStringLiteral("2"));
    Add(QStringLiteral("rock"), QStringLiteral("3"));
    Add(QStringLiteral("Jazz"), QStringLiteral("4"));
    Add(QStringLiteral("Émilie"), QStringLiteral("5"));
    Add(QStringLiteral("Zoë 10"), QStringLiteral("6"));
    Add(QStringLiteral("Zoë 9"), QStringLiteral("7"));
    // As a reader orders names: accents beside their letters, numbers by value.
    QStringList names;
    for (const auto& [name, count] : set.SessionCounts())
        names << name;
    EXPECT_EQ(names, (QStringList{QStringLiteral("Émilie"), QStringLiteral("Jazz"),
                                  QStringLiteral("Rock"), QStringLiteral("rock"),
                                  QStringLiteral("Zoë 9"), QStringLiteral("Zoë 10")}));
    EXPECT_EQ(set.RenameSession(QStringLiteral("rock"), QStringLiteral("Jazz")), 2);
    EXPECT_EQ(set.SessionCounts().size(), 5);
    EXPECT_EQ(set.DeleteWhere(CFilter::Exactly(ESongColumn::CD, QStringLiteral("Rock"))), 1);
    EXPECT_EQ(set.CountAll(), 6);
}

TEST_F(DatabaseTest, AChangeWritesOnlyItsColumnsAndTheLookupsFollowIt)
{
    QList<qint64> ids;
    for (int i = 0; i < 4; ++i)
        ids << Add(i % 2 ? QStringLiteral("odd") : QStringLiteral("even"), QString::number(i));
    EXPECT_EQ(set.Ids(CFilter::Exactly(ESongColumn::CD, QStringLiteral("odd"))),
              (std::vector<qint64>{ids[1], ids[3]}));
    EXPECT_EQ(set.FindFirst(CFilter(), ESongColumn::TITLE).value_or(SSong()).m_ID, ids[0]);
    EXPECT_FALSE(set.FindSongById(99999));

    // Another program changes the lyrics meanwhile: a change of the artist keeps them.
    SSong before = Stored(ids[2]);
    CStatement other(db, QStringLiteral("UPDATE Songs SET LYRICS = 'la la' WHERE ID = ?"));
    other.BindInt(1, ids[2]).Step();
    SSongChanges artist;
    artist.Set(ESongColumn::ARTIST, QStringLiteral("Ärger"));
    ASSERT_TRUE(set.Update(ids[2], artist));
    EXPECT_TRUE(set.IncrementUse(ids[2]));
    before.m_ARTIST = QStringLiteral("Ärger");
    before.m_LYRICS = QStringLiteral("la la");
    before.m_USE = 1;
    EXPECT_EQ(Stored(ids[2]), before);
    EXPECT_EQ(WalkTitles(CFilter::Equals(ESongColumn::ARTIST, QStringLiteral("ärger"))),
              QStringList{QStringLiteral("2")});
    // A file name too long for the triggers to fold gets the program's own copy.
    const QString name = QStringLiteral("É") + QString(1000, u'x');
    SSongChanges file;
    file.Set(ESongColumn::MELODI, name);
    ASSERT_TRUE(set.Update(ids[2], file));
    EXPECT_EQ(WalkTitles(CFilter::Equals(ESongColumn::MELODI, name.toLower())),
              QStringList{QStringLiteral("2")});
    EXPECT_FALSE(set.Update(99999, artist));
    EXPECT_FALSE(set.IncrementUse(99999));
}

TEST_F(DatabaseTest, ExceptSetReplacesItsRows)
{
    CExceptSet except;
    except.Open(db);
    EXPECT_TRUE(except.Names().isEmpty());
    for (const char* n : {"2 Unlimited", "10cc", "808 State"})
        except.Add(QString::fromUtf8(n));
    const QStringList names{QStringLiteral("2 Unlimited"), QStringLiteral("10cc"),
                            QStringLiteral("808 State")};
    EXPECT_EQ(except.Names(), names);
    except.Requery();
    EXPECT_EQ(except.Names(), names);
    // A long name is kept up to the column's 255 characters.
    const QString longName = QStringLiteral("4 ") + QString(300, u'x');
    except.ReplaceAll({QStringLiteral("10cc"), longName});
    EXPECT_EQ(except.Names(), (QStringList{QStringLiteral("10cc"), longName.left(255)}));
}

} // namespace
