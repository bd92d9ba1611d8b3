#include "cli/CConsoleProgress.h"
#include "editing/CTagSaver.h"
#include "editing/EditingFixture.h"
#include "support/CCliRun.h"
#include "support/CRealFiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <sys/stat.h>

namespace {

class TagManyCommandTest : public EditingFixture
{
protected:
    SCliRun Run(QStringList args) { return SCliRun::Run(env.DataDir(), std::move(args)); }
    static QByteArray Bytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

// One command over songs of every format, one of them write-protected and one that is not
// what its name says: --dry-run names what would change and touches nothing; the run writes
// the others' files and records, the protected one's record alone, leaves the false one as
// it was, says so and exits 1.
TEST_F(TagManyCommandTest, MixedSelectionWritesWhatItMayAndNamesTheRest)
{
    const QString music = env.MakeDir(QStringLiteral("mixed"));
    const QStringList kinds = {"mp3", "flac", "ogg", "opus", "m4a"};
    const EAudioFormat formats[] = {EAudioFormat::Mpeg, EAudioFormat::Flac, EAudioFormat::OggVorbis,
                                    EAudioFormat::Opus, EAudioFormat::Mp4};
    for (int i = 0; i < kinds.size(); ++i)
        ASSERT_TRUE(CRealFiles::Make(music + "/song." + kinds[i],
                                     {.format = formats[i], .title = kinds[i], .seconds = 1}));
    ASSERT_TRUE(CRealFiles::Make(music + "/locked.mp3", {.title = "locked", .seconds = 1}));
    env.WriteFile(QStringLiteral("mixed/broken.flac"), QByteArray("fLaC") + QByteArray(64, 'x'));
    ASSERT_EQ(Run({"add-session", "Mixed", music}).status, 0);
    QMap<QString, qint64> ids; // file name -> ID
    for (const QString& line : Run({"songs", "Mixed"}).out.split(u'\n', Qt::SkipEmptyParts))
        ids.insert(line.section(u'\t', -1), line.section(u'\t', 0, 0).toLongLong());
    ASSERT_EQ(ids.size(), 7);
    ::chmod(QFile::encodeName(music + "/locked.mp3").constData(), 0444);
    QMap<QString, QByteArray> before;
    for (const QString& name : ids.keys())
        before.insert(name, Bytes(music + "/" + name));
    const auto unchanged = [&](const QString& name) {
        return Bytes(music + "/" + name) == before.value(name);
    };

    SCliRun r = Run({"tag", "--session", "Mixed", "--album", "Nouvel Album", "--dry-run"});
    EXPECT_EQ(r.status, 1) << "two songs would not be written";
    EXPECT_TRUE(r.out.contains(QString::number(ids["song.ogg"]) + "\t" + music +
                               "/song.ogg\tALBUM: Album -> Nouvel Album\n"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("/broken.flac\trefused: it does not hold FLAC audio\n"));
    EXPECT_TRUE(r.out.contains("/locked.mp3\tALBUM: Album -> Nouvel Album\tread-only medium"));
    r = Run({"tag", "--year", "2020", "--dry-run", "--where", "--title", "flac"});
    EXPECT_EQ(r.out.count(u'\n'), 1) << "the search options after --where select";
    EXPECT_EQ(Run({"tag", "--session", "Mixed", "--title", "T"}).status, 1);
    EXPECT_EQ(Run({"tag", "--session", "Mixed", "--artist", ""}).status, 1);
    EXPECT_EQ(Run({"tag", "--album", "X", "--where"}).status, 1) << "not the whole catalogue";
    EXPECT_EQ(Run({"tag", QString::number(ids["song.mp3"]), "999999", "--album", "X"}).status, 1);
    for (const QString& name : ids.keys()) {
        EXPECT_TRUE(unchanged(name)) << name.toStdString();
        EXPECT_NE(Record(ids[name]).m_ALBUM, QStringLiteral("X"));
        EXPECT_NE(Record(ids[name]).m_ALBUM, QStringLiteral("Nouvel Album"));
    }

    r = Run({"tag", "--session", "Mixed", "--album", "Nouvel Album", "--year", "2020"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "5 of 7 songs written, 1 in the catalogue only (read-only medium), 1 refused\n");
    EXPECT_TRUE(r.err.contains("refused: " + music + "/broken.flac: it does not hold FLAC audio"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("only the catalogue was changed: " + music + "/locked.mp3"));
    for (const QString& kind : kinds) {
        SCOPED_TRACE(kind.toStdString());
        const QMap<QString, QString> tags = CRealFiles::Tags(music + "/song." + kind);
        EXPECT_EQ(tags.value("album"), QStringLiteral("Nouvel Album"));
        EXPECT_EQ(tags.value("date"), QStringLiteral("2020"));
        EXPECT_EQ(tags.value("title"), kind) << "what was not given stays";
        EXPECT_EQ(Record(ids["song." + kind]).m_ALBUM, QStringLiteral("Nouvel Album"));
    }
    EXPECT_TRUE(unchanged("broken.flac"));
    EXPECT_NE(Record(ids["broken.flac"]).m_ALBUM, QStringLiteral("Nouvel Album"));
    EXPECT_TRUE(unchanged("locked.mp3"));
    EXPECT_EQ(Record(ids["locked.mp3"]).m_ALBUM, QStringLiteral("Nouvel Album"));
}

// A console progress whose terminal gets a real Ctrl-C while the given song is saved.
class CInterruptedProgress : public CConsoleProgress
{
public:
    CInterruptedProgress(int atStep) : CConsoleProgress(QStringLiteral("Multisave")), m_at(atStep)
    {}
    int Step() override
    {
        if (++m_steps == m_at)
            std::raise(SIGINT);
        return CConsoleProgress::Step();
    }

private:
    int m_at;
    int m_steps = 0;
};

// Ctrl-C midway: the song being saved is finished, the rest are not begun, and every file
// agrees with its record.
TEST_F(TagManyCommandTest, CtrlCStopsAfterTheSongBeingSaved)
{
    QList<qint64> ids;
    for (int i = 0; i < 5; ++i)
        ids << AddFile(QStringLiteral("song%1").arg(i), QStringLiteral("Old"));
    services.createProgress = [](const QString&, int, int) {
        return std::unique_ptr<CProgress>(std::make_unique<CInterruptedProgress>(2));
    };
    const CTagSaver::SOutcome outcome =
        CTagSaver(doc, services)
            .Save(ids, STagEdit::Of(ETagField::Artist, "New"), CTagSaver::EMode::Multi, false);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.saved, 2);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const QString artist = i < 2 ? QStringLiteral("New") : QStringLiteral("Old");
        EXPECT_EQ(Record(ids[i]).m_ARTIST, artist);
        EXPECT_EQ(Frames(ids[i], {"TPE1"}), QStringList{artist});
    }
}

// --json: one document each, the columns by name, numbers as numbers, texts unescaped; the
// tab-separated lines stay the default.
TEST_F(TagManyCommandTest, ListingsAsJsonParseBack)
{
    const qint64 id = AddTestSong(
        doc.Set(),
        {.cd = "Jazz", .title = "Névé\tdeux", .bitrate = "192", .duration = "245", .plays = 3});
    AddTestSong(doc.Set(), {.cd = "Jazz", .title = "Névé\tdeux", .bitrate = "x"});
    const auto parse = [this](QStringList args) {
        const SCliRun r = Run(std::move(args));
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(r.out.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
        return document;
    };
    const QJsonArray songs = parse({"songs", "Jazz", "--json"}).array();
    ASSERT_EQ(songs.size(), 2);
    const QJsonObject song = songs[0].toObject();
    EXPECT_EQ(song.value("ID"), QJsonValue(id));
    EXPECT_EQ(song.value("TITLE"), QStringLiteral("Névé\tdeux"));
    EXPECT_EQ(song.value("CD"), QStringLiteral("Jazz"));
    EXPECT_EQ(song.value("BITRATE"), 192);
    EXPECT_EQ(song.value("DURATION"), 245);
    EXPECT_EQ(song.value("USE"), 3);
    EXPECT_TRUE(song.value("TRACK").isNull()) << "a track not known";
    EXPECT_EQ(songs[1].toObject().value("BITRATE"), QStringLiteral("x"))
        << "as another program stored it";
    EXPECT_TRUE(songs[1].toObject().value("DURATION").isNull());
    EXPECT_EQ(parse({"search", "--title", "névé", "--json"}).array(), songs);
    const QJsonArray sessions{QJsonObject{{"CD", "Jazz"}, {"songs", 2}}};
    EXPECT_EQ(parse({"sessions", "--json"}).array(), sessions);
    const QJsonObject stats = parse({"stats", "--json"}).object();
    EXPECT_EQ(stats.value("songs"), 2);
    EXPECT_TRUE(stats.value("averageBitrate").isDouble());
    EXPECT_EQ(stats.value("top").toArray()[0].toObject().value("USE"), 3);
    const QJsonArray groups = parse({"duplicates", "--json"}).array();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0].toArray()[0].toObject().value("ID"), QJsonValue(id));
    EXPECT_TRUE(groups[0].toArray()[0].toObject().value("size").isNull()) << "no file";
    const QJsonObject config = parse({"config", "--json"}).object();
    EXPECT_EQ(config.value("Formatting"), QStringLiteral("%1 - %2"));
    EXPECT_EQ(config.value("MailPort"), 587);
    const QJsonObject port{{"MailPort", 587}};
    EXPECT_EQ(parse({"config", "mailport", "--json"}).object(), port);
    EXPECT_TRUE(Run({"songs", "Jazz"}).out.startsWith(QString::number(id) + "\tNévé\\x09deux\t"));
}

} // namespace
