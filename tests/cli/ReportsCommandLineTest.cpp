#include "support/CCliRun.h"
#include "support/CDocFixture.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(ReportsCommandLineTest, HtmlStatsAndDuplicates)
{
    CDocFixture f;
    const auto run = [&f](QStringList args) {
        return SCliRun::Run(f.env.DataDir(), std::move(args));
    };
    SCliRun r = run({"stats"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cratewise: Cannot display statistics for an empty database.\n");

    f.AddSong("Rock", "Zed", "/m", "z.mp3");
    f.AddSong("Rock", "abc", "/m", "a.mp3");
    f.AddSong("Pop", "Zed", "/n", "y.mp3");
    const QString m3u = f.env.WriteFile("p.m3u", "/n/y.mp3\n/m/z.mp3\n");
    const QString page = f.env.Root() + "/p.htm";

    r = run({"export-html", page, "--source", m3u, "--links", "--full-path", "--numbers",
             "--headline", "H", "--name", "N"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "2 songs written to " + page + "\n");
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray html = file.readAll();
    EXPECT_LT(html.indexOf("<td>1. <a href=\"file:///n/y.mp3\">"),
              html.indexOf("<td>2. <a href=\"file:///m/z.mp3\">"));

    r = run({"export-html", page, "--source", "session", "Rock", "--sort", "file", "--id3"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "2 songs written to " + page + "\n");
    EXPECT_EQ(run({"export-html", page, "--sort", "size"}).status, 1);
    // Refused as the window would, and nothing written.
    QFile::remove(page);
    r = run({"export-html", page, "--source", "session", "NoSuch"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cratewise: there is no session \"NoSuch\"\n");
    r = run({"export-html", page, "--detailed"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cratewise: --detailed needs --id3\n");
    EXPECT_FALSE(QFile::exists(page));

    // Only songs played, bit rates at their usual steps with the unit.
    AddTestSong(f.doc.Set(), {.title = "Hit", .bitrate = "131", .plays = 2});
    r = run({"stats"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Songs:\t4\nSessions:\t3\nSongs played:\t0\nSongs added to playlists:\t0\n"
                     "Average song length:\t0:00\nAverage bit rate:\t131 kbps\n1.\tHit\t2\n"
                     "Bit rate 128 kbps:\t1\n");
    r = run({"stats", "--json"});
    EXPECT_TRUE(r.out.contains("\"top\": [\n        {\n            \"LIST\": \"Hit\",\n"
                               "            \"USE\": 2\n        }\n    ]"))
        << r.out.toStdString();

    r = run({"duplicates"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "1\t/m/z.mp3\tUnknown\n3\t/n/y.mp3\tUnknown\n");
    EXPECT_EQ(r.err, "1 group of duplicates\n");
}

} // namespace
