#include "PlaylistFixture.h"
#include "db/CDatabase.h"
#include "platform/CSettings.h"
#include "playlist/CRandomDraw.h"

#include <QSet>

namespace {

class RandomTest : public PlaylistFixture
{
protected:
    QList<qint64> Draw(const SRandomRequest& request)
    {
        ops.Random(request);
        return SongListIds();
    }
};

TEST_F(RandomTest, DrawsTheAmountFromTheChosenSessionAndGenreEachSongOnce)
{
    QList<qint64> rock;
    for (int i = 0; i < 12; ++i) {
        rock << AddSong("Mine", "/m", QString("r%1.mp3").arg(i), "100", "(17)");
        AddSong("Mine", "/m", QString("n%1.mp3").arg(i), "100");
        AddSong("mine", "/m", QString("o%1.mp3").arg(i), "100", "(17)");
    }
    SRandomRequest request;
    request.bySongs = true;
    request.amount = 10;
    request.session = "Mine";
    request.genre = "(17)";
    const QList<qint64> ids = Draw(request);
    ASSERT_EQ(ids.size(), 10);
    EXPECT_EQ(QSet<qint64>(ids.begin(), ids.end()).size(), 10);
    for (qint64 id : ids)
        EXPECT_TRUE(rock.contains(id));
    EXPECT_EQ(CSettings::Int(ESetting::Random), 10); // the dialog offers the last choice
    EXPECT_EQ(CSettings::Int(ESetting::PbOrNm), 1);

    EXPECT_TRUE(f.prompts.messages.isEmpty());

    request.genre.clear(); // a session without genre: songs without a genre too
    request.amount = 200;  // more than there are: each once, and the user is told
    const QList<qint64> all = Draw(request);
    EXPECT_EQ(all.size(), 24);
    EXPECT_EQ(QSet<qint64>(all.begin(), all.end()).size(), 24);
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text, "Only 24 songs match the selections, fewer than the "
                                          "200 asked for: each of them was added once.");
    f.prompts.messages.clear();

    request.amount = 0;
    EXPECT_TRUE(Draw(request).isEmpty());

    request.session = "Nobody"; // no candidates: the list stays as it was
    ListSongs({rock[0]});
    EXPECT_EQ(Draw(request), QList<qint64>({rock[0]}));
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text, "No songs found for the specified selections");
    EXPECT_EQ(f.prompts.messages[0].caption, "No songs available");
}

TEST_F(RandomTest, PlayingTimeReachesTheAmountAndEndsWithoutLengths)
{
    for (int i = 0; i < 7; ++i)
        AddSong("A", "/m", QString("%1.mp3").arg(i), i == 1 || i == 4 ? "" : "70");
    SRandomRequest request;
    request.amount = 5;
    QList<qint64> ids = Draw(request);
    EXPECT_EQ(ids.size(), 5); // 5 × 70 s is the first total of at least 300 s
    for (qint64 id : ids) {
        EXPECT_EQ(set.FindSongById(id).value_or(SSong()).m_DURATION, "70");
    }
    EXPECT_EQ(CSettings::Int(ESetting::PbOrNm), 0);

    request.session = "B";
    for (int i = 0; i < 3; ++i)
        AddSong("B", "/m", QString("b%1.mp3").arg(i), i ? "" : "0");
    ids = Draw(request); // no usable length anywhere: must still end
    EXPECT_LE(ids.size(), CRandomDraw::kMaxIdleDraws);
}

TEST_F(RandomTest, EveryCandidateCanBeDrawnBeyondTheOldGeneratorRange)
{
    CDatabase::CTransaction transaction(f.doc.Database());
    for (int i = 0; i < 40000; ++i)
        AddSong("A", "/m", "x.mp3");
    transaction.Commit();
    SRandomRequest request;
    request.bySongs = true;
    request.amount = 400;
    int beyond = 0;
    const QList<qint64> ids = Draw(request);
    for (qint64 id : ids)
        beyond += id > 32767;
    EXPECT_GT(beyond, 0);
    EXPECT_EQ(QSet<qint64>(ids.begin(), ids.end()).size(), 400);
}

} // namespace
