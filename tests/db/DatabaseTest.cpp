#include "db/CCdlistSet.h"
#include "db/CExceptSet.h"
#include "support/CNoFileOverride.h"
#include "support/CTestEnvironment.h"

#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
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
    qint32 Add(const QString& cd, const QString& title,
               const QString& file = QStringLiteral("a.mp3"))
    {
        set.AddNew();
        set.m_CD = cd;
        set.m_TITLE = title;
        set.m_LIST = title;
        set.m_MELODI = file;
        set.m_PATH = QStringLiteral("/music");
        set.Update();
        return set.m_ID;
    }
    QStringList WalkTitles()
    {
        QStringList titles;
        set.Requery();
        while (!set.IsEOF()) {
            titles << set.m_TITLE;
            set.MoveNext();
        }
        return titles;
    }

    CTestEnvironment env;
    CDatabase db;
    CCdlistSet set;
};

TEST_F(DatabaseTest, NewDatabaseIsEmptyAndPositionedAtEnd)
{
    EXPECT_TRUE(QFile::exists(env.DatabasePath()));
    EXPECT_TRUE(set.IsBOF());
    EXPECT_TRUE(set.IsEOF());
    EXPECT_EQ(set.CountAll(), 0);
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

TEST_F(DatabaseTest, NewRowsReadPlayCountZeroAndIdsAreNeverReused)
{
    const qint32 a = Add(QStringLiteral("S"), QStringLiteral("one"));
    const qint32 b = Add(QStringLiteral("S"), QStringLiteral("two"));
    EXPECT_LT(a, b);
    ASSERT_TRUE(set.FindSongById(b));
    EXPECT_EQ(set.m_USE, 0);
    set.Delete();
    const qint32 c = Add(QStringLiteral("S"), QStringLiteral("three"));
    EXPECT_GT(c, b) << "a deleted song's ID was handed out again";
    EXPECT_FALSE(set.FindSongById(b));
}

TEST_F(DatabaseTest, LongTextIsCutToTheColumnLength)
{
    set.AddNew();
    set.m_LYRICS = QString(6000, u'x');
    set.m_TITLE = QString(300, u'y');
    // A surrogate pair straddling the limit is not split.
    set.m_COMMENT = QString(254, u'c') + QString::fromUcs4(U"\U0001F3B5");
    set.Update();
    ASSERT_TRUE(set.FindSongById(set.m_ID));
    EXPECT_EQ(set.m_LYRICS.size(), 5000);
    EXPECT_EQ(set.m_TITLE.size(), 255);
    EXPECT_EQ(set.m_COMMENT, QString(254, u'c'));
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
        set.SetFilter(CFilter::Exactly(ESongColumn::CD, n));
        EXPECT_EQ(WalkTitles(), QStringList{n}) << n.toStdString();
        set.SetFilter(CFilter::Equals(ESongColumn::MELODI, n + QStringLiteral(".mp3"))
                          .And(CFilter::Equals(ESongColumn::PATH, QStringLiteral("/music"))));
        EXPECT_EQ(WalkTitles(), QStringList{n}) << n.toStdString();
    }
    set.SetFilter(CFilter());
    EXPECT_EQ(set.GetRecordCount(), names.size() + 2);
}

TEST_F(DatabaseTest, DatabaseComparisonsIgnoreCaseForAllLetters)
{
    Add(QStringLiteral("S"), QStringLiteral("Ärger im Paradies"));
    Add(QStringLiteral("S"), QStringLiteral("ÉTÉ"));
    Add(QStringLiteral("S"), QStringLiteral("Arger"));
    set.SetFilter(CFilter::Equals(ESongColumn::TITLE, QStringLiteral("été")));
    EXPECT_EQ(WalkTitles(), QStringList{QStringLiteral("ÉTÉ")});
    set.SetFilter(CFilter::Prefix(ESongColumn::TITLE, QStringLiteral("äRG")));
    EXPECT_EQ(WalkTitles(), QStringList{QStringLiteral("Ärger im Paradies")});
    // Exact comparisons stay exact.
    set.SetFilter(CFilter::Exactly(ESongColumn::TITLE, QStringLiteral("été")));
    EXPECT_TRUE(WalkTitles().isEmpty());
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
    for (const QString& text : texts)
        EXPECT_EQ(CDatabase::FoldedUtf8(text), CDatabase::Fold(text).toUtf8())
            << text.toStdString();
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
        otherSet.AddNew();
        otherSet.m_TITLE = QStringLiteral("Other");
        otherSet.Update();
    }
    set.SetFilter(CFilter::Equals(ESongColumn::TITLE, QStringLiteral("dropped title")));
    EXPECT_TRUE(WalkTitles().isEmpty());
    CDatabase::CTransaction kept(db);
    Add(QStringLiteral("S"), QStringLiteral("Kept Title"));
    set.SetFilter(CFilter::Equals(ESongColumn::TITLE, QStringLiteral("kept title")));
    EXPECT_EQ(WalkTitles(), QStringList{QStringLiteral("Kept Title")}) << "before the commit";
    Add(QStringLiteral("S"), QStringLiteral("Later title"));
    kept.Commit();
    set.SetFilter(CFilter::Contains({ESongColumn::TITLE}, QStringLiteral("ER TI")));
    EXPECT_EQ(WalkTitles(), QStringList{QStringLiteral("Later title")});
    set.SetFilter(CFilter::Prefix(ESongColumn::TITLE, QStringLiteral("OTH")));
    EXPECT_EQ(WalkTitles(), QStringList{QStringLiteral("Other")});
}

TEST_F(DatabaseTest, SessionsDifferingInCaseAreDistinct)
{
    Add(QStringLiteral("rock"), QStringLiteral("1"));
    Add(QStringLiteral("Rock"), QStringLiteral("2"));
    Add(QStringLiteral("rock"), QStringLiteral("3"));
    Add(QStringLiteral("Jazz"), QStringLiteral("4"));
    const auto sessions = set.SessionCounts();
    ASSERT_EQ(sessions.size(), 3);
    EXPECT_EQ(sessions[0].first, QStringLiteral("Jazz"));
    QStringList rockNames = {sessions[1].first, sessions[2].first};
    rockNames.sort();
    EXPECT_EQ(rockNames, (QStringList{QStringLiteral("Rock"), QStringLiteral("rock")}));
    EXPECT_EQ(set.RenameSession(QStringLiteral("rock"), QStringLiteral("Jazz")), 2);
    EXPECT_EQ(set.SessionCounts().size(), 2);
    EXPECT_EQ(set.DeleteWhere(CFilter::Exactly(ESongColumn::CD, QStringLiteral("Rock"))), 1);
    EXPECT_EQ(set.CountAll(), 3);
}

TEST_F(DatabaseTest, PositioningByIdAndByAbsolutePosition)
{
    QList<qint32> ids;
    for (int i = 0; i < 10; ++i)
        ids << Add(i % 2 ? QStringLiteral("odd") : QStringLiteral("even"), QString::number(i));
    set.SetFilter(CFilter());
    set.Requery();
    ASSERT_TRUE(set.FindSongById(ids[4]));
    EXPECT_EQ(set.m_TITLE, QStringLiteral("4"));
    set.MoveNext();
    EXPECT_EQ(set.m_TITLE, QStringLiteral("5")) << "walk goes on after a lookup";
    EXPECT_FALSE(set.FindSongById(99999));

    set.SetFilter(CFilter::Exactly(ESongColumn::CD, QStringLiteral("odd")));
    set.Requery();
    EXPECT_EQ(set.GetRecordCount(), 5);
    ASSERT_TRUE(set.SetAbsolutePosition(3));
    EXPECT_EQ(set.m_TITLE, QStringLiteral("5"));
    EXPECT_FALSE(set.SetAbsolutePosition(6));
    EXPECT_TRUE(set.IsEOF());

    set.SetFilter(CFilter());
    set.SetSort(ESongColumn::TITLE);
    EXPECT_EQ(WalkTitles().first(), QStringLiteral("0"));
}

TEST_F(DatabaseTest, EditAfterAWalkKeepsTheOtherColumns)
{
    set.AddNew();
    set.m_CD = QStringLiteral("S");
    set.m_LYRICS = QStringLiteral("la la");
    set.Update();
    const qint32 id = set.m_ID;
    set.Requery();
    ASSERT_FALSE(set.IsEOF());
    set.Edit();
    set.m_USE += 1;
    set.Update();
    ASSERT_TRUE(set.FindSongById(id));
    EXPECT_EQ(set.m_USE, 1);
    EXPECT_EQ(set.m_LYRICS, QStringLiteral("la la"));
}

TEST_F(DatabaseTest, ExceptSetReplacesItsRows)
{
    CExceptSet except;
    except.Open(db);
    EXPECT_TRUE(except.IsBOF());
    for (const char* n : {"2 Unlimited", "10cc", "808 State"}) {
        except.AddNew();
        except.m_EXCLUDED = QString::fromUtf8(n);
        except.Update();
    }
    except.Requery();
    EXPECT_EQ(except.Names(), (QStringList{QStringLiteral("2 Unlimited"), QStringLiteral("10cc"),
                                           QStringLiteral("808 State")}));
    except.DeleteAll();
    except.Requery();
    EXPECT_TRUE(except.IsEOF());
}

} // namespace
