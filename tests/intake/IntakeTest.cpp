#include "db/CCdlistSet.h"
#include "db/CExceptSet.h"
#include "intake/CIntake.h"
#include "media/CSongFromFile.h"
#include "platform/CProgress.h"
#include "platform/CRegularFile.h"
#include "platform/CSettings.h"
#include "support/CFifo.h"
#include "support/CId3Writer.h"
#include "support/CMp3Factory.h"
#include "support/COpenCounter.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <future>
#include <gtest/gtest.h>
#include <sys/resource.h>

using EEncoding = CId3Writer::EEncoding;

namespace {

// Counts steps and pumps, and notes the crash marker while the file is being taken in.
class CMarkerProgress : public CProgress
{
public:
    void SetRange(int, int, int) override {}
    void SetMessage(const QString&) override {}
    int Step() override { return ++steps; }
    void SetPos(int) override {}
    bool Pump(bool escapeAllowed) override
    {
        escape = escapeAllowed;
        markers << CSettings::String(ESetting::ErrorFile);
        return false;
    }
    bool IsCancelled() const override { return false; }
    void Hide() override {}
    void Show() override {}

    int steps = 0;
    bool escape = false;
    QStringList markers;
};

class IntakeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.Open(env.DatabasePath());
        table.Open(db);
        except.Open(db);
        maker = CSongFromFile::Create();
        ASSERT_TRUE(maker);
        intake = std::make_unique<CIntake>(table, except.Names(), *maker);
        folder = env.MakeDir(QStringLiteral("Abba"));
    }
    // Writes a 12-second 128 kbit/s song and takes it in; `song` is the stored record.
    bool Take(const QString& name, const QByteArray& front = {}, const QByteArray& back = {},
              const QString& dir = QString())
    {
        const QString where = dir.isEmpty() ? folder : dir;
        CMp3Factory::SStream s;
        s.seconds = 12;
        EXPECT_TRUE(CMp3Factory::WriteSong(where + u'/' + name, s, front, back));
        const bool stored = intake->TakeInFile(where, name, QStringLiteral("Disc 1"), &progress);
        if (stored)
            song = LastStored();
        return stored;
    }
    SSong LastStored()
    {
        intake->Finish(); // songs are stored on another thread
        const std::vector<qint64> ids = table.Ids(CFilter());
        return ids.empty() ? SSong() : table.FindSongById(ids.back()).value_or(SSong());
    }
    static void Set(ESetting key, int value) { CSettings::SetInt(key, value); }

    CTestEnvironment env;
    CDatabase db;
    CCdlistSet table;
    SSong song; // the last song stored
    CExceptSet except;
    CScriptedPrompts prompts;
    CMarkerProgress progress;
    std::unique_ptr<CSongFromFile> maker;
    std::unique_ptr<CIntake> intake;
    QString folder;
};

TEST_F(IntakeTest, StoresEveryColumnOfATaggedSong)
{
    const QByteArray tag = CId3Writer(3, EEncoding::Utf16)
                               .Text("TIT2", QStringLiteral("Waterloo \u00e9"))
                               .Text("TPE1", QStringLiteral("Abba"))
                               .Text("TALB", QStringLiteral("Waterloo"))
                               .Text("TCON", QStringLiteral("(13)"))
                               .Text("TYER", QStringLiteral("1974"))
                               .Text("TRCK", QStringLiteral("3/12"))
                               .Lyrics(QStringLiteral("My, my"))
                               .Comment(QStringLiteral("Eurovision"))
                               .Build();
    ASSERT_TRUE(Take(QStringLiteral("01 track.mp3"), tag));
    EXPECT_EQ(song.m_CD, QStringLiteral("Disc 1"));
    EXPECT_EQ(song.m_PATH, folder);
    EXPECT_EQ(song.m_MELODI, QStringLiteral("01 track.mp3"));
    EXPECT_EQ(song.m_LIST, QStringLiteral("Waterloo \u00e9"));
    EXPECT_EQ(song.m_TITLE, QStringLiteral("Waterloo \u00e9"));
    EXPECT_EQ(song.m_ARTIST, QStringLiteral("Abba"));
    EXPECT_EQ(song.m_ALBUM, QStringLiteral("Waterloo"));
    EXPECT_EQ(song.m_GENRE, QStringLiteral("(13)"));
    EXPECT_EQ(song.m_YEAR, QStringLiteral("1974"));
    EXPECT_EQ(song.m_TRACK, QStringLiteral("3")); // its number, which sorts
    EXPECT_EQ(song.m_LYRICS, QStringLiteral("My, my"));
    EXPECT_EQ(song.m_COMMENT, QStringLiteral("Eurovision"));
    EXPECT_EQ(song.m_BITRATE, QStringLiteral("128"));
    EXPECT_EQ(song.m_DURATION, QStringLiteral("12"));
    EXPECT_EQ(song.m_USE, 0);
    EXPECT_TRUE(song.m_EXTENDED1.isEmpty() && song.m_EXTENDED2.isEmpty());

    // The song's readers share one open file.
    const QString second = folder + QStringLiteral("/02 track.mp3");
    ASSERT_TRUE(QFile::copy(folder + QStringLiteral("/01 track.mp3"), second));
    COpenCounter opens(second);
    ASSERT_TRUE(intake->TakeInFile(folder, QStringLiteral("02 track.mp3"), QStringLiteral("Disc 1"),
                                   nullptr));
    EXPECT_EQ(opens.Opens(), 1);

    // The marker names the file while it is taken in and is cleared afterwards.
    EXPECT_EQ(progress.steps, 1);
    EXPECT_TRUE(progress.escape);
    EXPECT_EQ(progress.markers, QStringList{folder + QStringLiteral("/01 track.mp3")});
    EXPECT_TRUE(CSettings::String(ESetting::ErrorFile).isEmpty());
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(IntakeTest, ATitleInTheTagMeansTheNameIsNotParsed)
{
    CSettings::SetString(ESetting::Formatting, QStringLiteral("%1 - %2"));
    ASSERT_TRUE(
        Take(QStringLiteral("Other - Name.mp3"),
             CId3Writer(4, EEncoding::Utf8).Text("TIT2", QStringLiteral("Tagged")).Build()));
    EXPECT_EQ(song.m_TITLE, QStringLiteral("Tagged"));
    EXPECT_TRUE(song.m_ARTIST.isEmpty());
}

TEST_F(IntakeTest, ANameThatDoesNotFitEmptiesTheTagsArtistAndAlbum)
{
    CSettings::SetString(ESetting::Formatting, QStringLiteral("%1 - %2"));
    ASSERT_TRUE(Take(QStringLiteral("NoDash.mp3"), CId3Writer(3, EEncoding::Latin1)
                                                       .Text("TPE1", QStringLiteral("A"))
                                                       .Text("TALB", QStringLiteral("B"))
                                                       .Text("TYER", QStringLiteral("2001"))
                                                       .Build()));
    EXPECT_TRUE(song.m_TITLE.isEmpty() && song.m_ARTIST.isEmpty() && song.m_ALBUM.isEmpty());
    EXPECT_EQ(song.m_YEAR, QStringLiteral("2001"));
    EXPECT_EQ(song.m_LIST, QStringLiteral("NoDash"));
}

TEST_F(IntakeTest, UntaggedFilesAreNamedByTheirFileName)
{
    // Before Options stored a pattern, the one it shows applies.
    ASSERT_TRUE(Take(QStringLiteral("02 - \u00c9t\u00e9.mp3")));
    EXPECT_EQ(song.m_ARTIST, QStringLiteral("02"));
    EXPECT_EQ(song.m_TITLE, QStringLiteral("\u00c9t\u00e9"));

    // An empty formatting string derives nothing from the name.
    CSettings::SetString(ESetting::Formatting, QString());
    ASSERT_TRUE(Take(QStringLiteral("Abba - Waterloo.mp3")));
    EXPECT_TRUE(song.m_TITLE.isEmpty() && song.m_ARTIST.isEmpty());
    EXPECT_EQ(song.m_LIST, QStringLiteral("Abba - Waterloo"));

    CSettings::SetString(ESetting::Formatting, QStringLiteral("%1 - %2"));
    ASSERT_TRUE(Take(QStringLiteral("Abba - SOS.mp3")));
    EXPECT_EQ(song.m_ARTIST, QStringLiteral("Abba"));
    EXPECT_EQ(song.m_TITLE, QStringLiteral("SOS"));
    EXPECT_EQ(song.m_LIST, QStringLiteral("SOS"));

    Set(ESetting::ID3, 1);
    ASSERT_TRUE(Take(QStringLiteral("Abba - Fernando.mp3")));
    EXPECT_EQ(song.m_TITLE, QStringLiteral("Fernando"));
    EXPECT_EQ(song.m_LIST, QStringLiteral("Abba - Fernando"));

    ASSERT_TRUE(Take(QStringLiteral(".mp3")));
    EXPECT_TRUE(song.m_LIST.isEmpty());
}

TEST_F(IntakeTest, TheFolderNamesArtistOrAlbum)
{
    // No file-name pattern, which would empty the names these files do not fit.
    CSettings::SetString(ESetting::Formatting, QString());
    Set(ESetting::Folder, 1);
    ASSERT_TRUE(Take(QStringLiteral("a.mp3")));
    EXPECT_EQ(song.m_ARTIST, QStringLiteral("Abba"));
    EXPECT_TRUE(song.m_ALBUM.isEmpty());
    const QString drive = env.MakeDir(QStringLiteral("D:"));
    ASSERT_TRUE(Take(QStringLiteral("b.mp3"), {}, {}, drive));
    EXPECT_TRUE(song.m_ARTIST.isEmpty());
    // The root of a mounted disc or stick is a drive's root too: its name is no artist.
    const QString mounted = QStringLiteral("/dev/shm");
    if (QStorageInfo(mounted).rootPath() == mounted) {
        const QString name =
            QStringLiteral("cratewise-%1.mp3").arg(QCoreApplication::applicationPid());
        const bool taken = Take(name, {}, {}, mounted);
        QFile::remove(mounted + u'/' + name);
        ASSERT_TRUE(taken);
        EXPECT_TRUE(song.m_ARTIST.isEmpty()) << song.m_ARTIST.toStdString();
    }

    Set(ESetting::Folder, 2);
    ASSERT_TRUE(Take(QStringLiteral("c.mp3"),
                     CId3Writer(3, EEncoding::Latin1).Text("TPE1", QStringLiteral("Tag")).Build()));
    EXPECT_EQ(song.m_ARTIST, QStringLiteral("Tag"));
    EXPECT_EQ(song.m_ALBUM, QStringLiteral("Abba"));
}

TEST_F(IntakeTest, UnderscoresAndTrackNumbers)
{
    except.Add(QStringLiteral("2 unlimited"));
    Set(ESetting::UnderScore, 1);
    Set(ESetting::RemTrack, 1);
    Set(ESetting::ID3, 1);
    CSettings::SetString(ESetting::Formatting, QStringLiteral("%1 - %2"));
    ASSERT_TRUE(Take(QStringLiteral("03_2_Unlimited_-_01_No_Limit.mp3")));
    EXPECT_EQ(song.m_LIST, QStringLiteral("2 Unlimited - 01 No Limit"));
    // Underscores become blanks after the name was split, so the blank stays.
    EXPECT_EQ(song.m_ARTIST, QStringLiteral("2 Unlimited "));
    EXPECT_EQ(song.m_TITLE, QStringLiteral("No Limit"));
}

TEST_F(IntakeTest, TagsCanBeIgnored)
{
    Set(ESetting::NoID3, 1);
    ASSERT_TRUE(
        Take(QStringLiteral("x.mp3"), {}, CId3Writer::Id3v1("T", "A", "B", "1990", "c", 1)));
    EXPECT_TRUE(song.m_TITLE.isEmpty() && song.m_GENRE.isEmpty() && song.m_COMMENT.isEmpty());
}

// Title, artist and album are kept whole, so that searches, sorting and the list see all of
// them; the other texts are cut to what the catalogue keeps.
TEST_F(IntakeTest, LongTitlesAreKeptWholeOtherTextsCut)
{
    const QByteArray tag = CId3Writer(4, EEncoding::Utf8)
                               .Text("TIT2", QString(40, u't'))
                               .Text("TPE1", QString(29, u'a') + QStringLiteral("\U0001F600"))
                               .Text("TALB", QString(31, u'b'))
                               .Text("TDRC", QString(35, u'1'))
                               .Text("TCON", QString(100, u'g'))
                               .Lyrics(QString(6000, u'l'))
                               .Comment(QString(300, u'c'))
                               .Build();
    ASSERT_TRUE(Take(QStringLiteral("long.mp3"), tag));
    EXPECT_EQ(song.m_TITLE, QString(40, u't'));
    EXPECT_EQ(song.m_ARTIST, QString(29, u'a') + QStringLiteral("\U0001F600"));
    EXPECT_EQ(song.m_ALBUM, QString(31, u'b'));
    EXPECT_EQ(song.m_YEAR, QString(30, u'1'));
    EXPECT_EQ(song.m_LIST, QString(40, u't'));
    EXPECT_EQ(song.m_GENRE.size(), 100);
    EXPECT_EQ(song.m_LYRICS.size(), 5000);
    EXPECT_EQ(song.m_COMMENT, QString(250, u'c'));
}

TEST_F(IntakeTest, FilesThatAreNoAudioAreStillStored)
{
    const QString path = env.WriteFile(QStringLiteral("Abba/text.mp3"), "not audio\n");
    ASSERT_TRUE(
        intake->TakeInFile(folder, QStringLiteral("text.mp3"), QStringLiteral("Disc 1"), nullptr));
    song = LastStored();
    EXPECT_EQ(song.m_MELODI, QStringLiteral("text.mp3"));
    EXPECT_TRUE(song.m_BITRATE.isEmpty() && song.m_DURATION.isEmpty() && song.m_TITLE.isEmpty());
    EXPECT_TRUE(CSettings::String(ESetting::ErrorFile).isEmpty());

    // A name that became a pipe or a folder after the walk saw a file there is no song.
    const CFifo pipe(folder + QStringLiteral("/pipe.mp3"));
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("dir.mp3")));
    for (const char* name : {"pipe.mp3", "dir.mp3"}) {
        EXPECT_FALSE(intake->TakeInFile(folder, name, QStringLiteral("Disc 1"), nullptr)) << name;
        EXPECT_EQ(intake->SkipReason(), CRegularFile::NotRegular());
    }
    intake->Finish();
    EXPECT_EQ(table.CountAll(), 1);
}

// The songs waiting to be stored hold their files open: where the process may open only a
// few files, they are stored first instead of the next files being skipped.
TEST_F(IntakeTest, FewFileHandlesSkipNoFile)
{
    const int count = 24;
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(CMp3Factory::WriteSong(folder + QStringLiteral("/%1.mp3").arg(i), {}));
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    const auto open = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files).size();
    const rlimit few{rlim_t(open + 6), before.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);
    for (int i = 0; i < count; ++i)
        EXPECT_TRUE(intake->TakeInFile(folder, QStringLiteral("%1.mp3").arg(i), "Disc 1", nullptr))
            << intake->SkipReason().toStdString();
    setrlimit(RLIMIT_NOFILE, &before);
    intake->Finish();
    EXPECT_EQ(table.CountAll(), count);
}

// A file that cannot be stored ends the scan with a failure naming it, never a success.
TEST_F(IntakeTest, AStoreFailureIsThrownNamingTheFile)
{
    db.Exec("CREATE TRIGGER refuse BEFORE INSERT ON Songs BEGIN SELECT RAISE(ABORT, 'disk is "
            "full'); END;");
    try {
        Take(QStringLiteral("a.mp3"));
        ADD_FAILURE() << "the failure was not reported";
    } catch (const CDbException& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("disk is full")));
        EXPECT_TRUE(e.Message().contains(folder + QStringLiteral("/a.mp3")));
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(CSettings::String(ESetting::ErrorFile).isEmpty());
    EXPECT_EQ(table.CountAll(), 0);

    db.Exec("DROP TRIGGER refuse;");
    EXPECT_TRUE(Take(QStringLiteral("b.mp3")));
    EXPECT_EQ(table.CountAll(), 1);

    // The batch's commit after a song (a full disk, another writer's lock) names it too.
    intake->SetAfterStore([] { throw CDbException(QStringLiteral("database is locked")); });
    try {
        Take(QStringLiteral("c.mp3"));
        ADD_FAILURE() << "the failed commit was not reported";
    } catch (const CDbException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("database is locked\n") + folder + "/c.mp3");
    }
}

// Streams are measured while the next file is read, by their headers; where these break off
// (junk behind the audio) the decoder measures, and the figures are the probe's either way.
TEST_F(IntakeTest, StreamsAreMeasuredAsTheProbeMeasuresThem)
{
    const std::unique_ptr<CStreamProbe> probe = CStreamProbe::Create();
    for (const QByteArray& back : {QByteArray(), QByteArray(300, 'U')}) {
        const QString name = QStringLiteral("vbr%1.mp3").arg(back.size());
        const QString path = folder + u'/' + name;
        ASSERT_TRUE(CMp3Factory::WriteSong(
            path, {.bitrate = 160, .kind = CMp3Factory::EKind::VbrNoHeader, .seconds = 30}, {},
            back));
        ASSERT_TRUE(intake->TakeInFile(folder, name, QStringLiteral("Disc 1"), &progress));
        song = LastStored();
        probe->Probe(path);
        EXPECT_FALSE(probe->m_duration.isEmpty()) << name.toStdString();
        EXPECT_EQ(song.m_DURATION, probe->m_duration) << name.toStdString();
        EXPECT_EQ(song.m_BITRATE, probe->m_bitrate) << name.toStdString();
    }
    EXPECT_TRUE(CSettings::String(ESetting::ErrorFile).isEmpty());
}

// While the storing thread is behind, the reading one measures the songs it takes in: the
// figures are the same whichever thread measured.
TEST_F(IntakeTest, SongsMeasuredWhileTheStoringThreadIsBehindGetTheirFigures)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    bool first = true;
    intake->SetAfterStore([&first, released] {
        if (std::exchange(first, false))
            released.wait();
    });
    const int count = 160; // more than half of what may wait
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("%1.mp3").arg(i);
        ASSERT_TRUE(
            CMp3Factory::WriteSong(folder + u'/' + name, {.bitrate = 160,
                                                          .kind = CMp3Factory::EKind::VbrNoHeader,
                                                          .seconds = double(2 + i % 3)}));
        ASSERT_TRUE(intake->TakeInFile(folder, name, QStringLiteral("Disc 1"), nullptr));
    }
    release.set_value();
    intake->Finish();
    const std::unique_ptr<CStreamProbe> probe = CStreamProbe::Create();
    for (const qint64 id : table.Ids(CFilter())) {
        const SSong stored = table.FindSongById(id).value_or(SSong());
        probe->Probe(folder + u'/' + stored.m_MELODI);
        ASSERT_FALSE(stored.m_DURATION.isEmpty()) << stored.m_MELODI.toStdString();
        EXPECT_EQ(stored.m_DURATION + u' ' + stored.m_BITRATE,
                  probe->m_duration + u' ' + probe->m_bitrate);
    }
    EXPECT_EQ(table.CountAll(), count);
}

// The storing thread measures a song later than its tag was read: a file cut meanwhile
// (to nothing, or within a frame) gets no figures rather than ones made of what was kept.
TEST_F(IntakeTest, AFileCutBeforeItIsMeasuredGetsNoFigures)
{
    for (const qint64 cutTo : {0, 50001}) {
        const QString name = QStringLiteral("cut%1.mp3").arg(cutTo);
        ASSERT_TRUE(CMp3Factory::WriteSong(
            folder + u'/' + name,
            {.bitrate = 160, .kind = CMp3Factory::EKind::VbrNoHeader, .seconds = 8}));
        ASSERT_TRUE(intake->TakeInFile(folder, name, QStringLiteral("Disc 1"), &progress));
        ASSERT_TRUE(QFile::resize(folder + u'/' + name, cutTo)); // the song still waits
        song = LastStored();
        EXPECT_EQ(song.m_MELODI, name);
        EXPECT_EQ(song.m_BITRATE + song.m_DURATION, QString()) << cutTo;
    }
}

} // namespace
