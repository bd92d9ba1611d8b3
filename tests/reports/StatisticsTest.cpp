#include "platform/CSettings.h"
#include "platform/CText.h"
#include "reports/CStatistics.h"
#include "reports/ReportsFixture.h"

namespace {

using StatisticsTest = ReportsFixture;

TEST_F(StatisticsTest, FiguresComeFromOnePassWithTiesInIdOrder)
{
    Add({.title = "A", .file = "a.mp3", .bitrate = "128", .duration = "100", .plays = 3});
    Add({.title = "B", .file = "b.mp3", .bitrate = "192 kbps", .duration = "20", .plays = 5});
    Add({.title = "C", .file = "c.mp3", .bitrate = "", .duration = "", .plays = 3});
    Add({.cd = "CD2", .title = "D", .file = "d.mp3", .bitrate = "128", .plays = 0});
    Add({.cd = "CD2", .title = "E", .file = "e.mp3", .plays = 1});
    Add({.cd = "CD2", .title = "F", .file = "f.mp3", .plays = 1});
    Add({.cd = "CD2", .title = "G", .file = "g.mp3", .plays = 1});
    CSettings::SetInt(ESetting::TimesUsed, 12);
    CSettings::SetInt(ESetting::PlaylistUsed, 7);
    f.Reload();

    const SStatistics s = CStatistics::Compute(f.doc);
    EXPECT_EQ(s.songs, 7);
    EXPECT_EQ(s.sessions, 2);
    EXPECT_EQ(s.timesUsed, 12);
    EXPECT_EQ(s.playlistUsed, 7);
    EXPECT_EQ(s.averageBitrate, (128 + 192 + 128) / 3);
    EXPECT_EQ(s.averageLength, "1:00"); // (100 + 20) / 2 seconds
    const QStringList names = {s.top[0].name, s.top[1].name, s.top[2].name, s.top[3].name,
                               s.top[4].name};
    EXPECT_EQ(names, QStringList({"B", "A", "C", "E", "F"}));
    EXPECT_EQ(s.top[4].plays, 1);
    EXPECT_EQ(s.TopPlayed(), 5);
    EXPECT_EQ(s.bitrates, (QList<QPair<qint64, qint64>>{{128, 2}, {192, 1}}));
}

TEST_F(StatisticsTest, BitRatesGatherAtTheUsualStepsWithTheirUnit)
{
    // Exact rates of variable-rate files fall to the nearest step, halfway up; lossless
    // rates together above the last; unmeasured ones nowhere.
    const QList<SBitrateStep> steps = CStatistics::BitrateSteps({{0, 4},
                                                                 {13, 1},
                                                                 {48, 2},
                                                                 {61, 3},
                                                                 {128, 5},
                                                                 {176, 1},
                                                                 {189, 2},
                                                                 {352, 1},
                                                                 {353, 7},
                                                                 {900, 1}});
    QStringList shown;
    for (const SBitrateStep& step : steps)
        shown << QStringLiteral("%1=%2").arg(step.label).arg(step.songs);
    EXPECT_EQ(shown, QStringList({"32 kbps=1", "64 kbps=5", "128 kbps=5", "192 kbps=3",
                                  "320 kbps=1", "over 320 kbps=8"}));
}

TEST_F(StatisticsTest, NothingPlayedOrTimedLeavesZeros)
{
    Add({.file = "a.mp3"});
    const SStatistics s = CStatistics::Compute(f.doc);
    EXPECT_EQ(s.averageLength, "0:00");
    EXPECT_EQ(s.averageBitrate, 0);
    for (const SStatistics::STopSong& top : s.top) {
        EXPECT_EQ(top.name, "");
        EXPECT_EQ(top.plays, 0);
    }
    EXPECT_EQ(s.TopPlayed(), 0); // the faces show no empty places
    Add({.file = "b.mp3", .duration = "59", .plays = 2});
    EXPECT_EQ(CStatistics::Compute(f.doc).averageLength, "0:59");
    EXPECT_EQ(CStatistics::Compute(f.doc).TopPlayed(), 1);
    // A negative length only another tool can have stored keeps its sign in front.
    for (const auto& [seconds, text] : {std::pair{qint64(187), "3:07"},
                                        {qint64(0), "0:00"},
                                        {qint64(-14), "-0:14"},
                                        {qint64(-75), "-1:15"}})
        EXPECT_EQ(CText::MinutesSeconds(seconds), text);
}

} // namespace
