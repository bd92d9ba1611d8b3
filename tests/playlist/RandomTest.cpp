#include "PlaylistFixture.h"
#include "platform/CSettings.h"
#include "playlist/CRandomDraw.h"
#include "playlist/gui/CRandomDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <functional>

namespace {

class RandomTest : public PlaylistFixture
{
protected:
    QList<qint32> DrawIds(const SRandomRequest& request, CRandomDraw::EResult* result = nullptr)
    {
        QList<qint32> ids;
        CRandomDraw draw(set);
        draw.Seed(7);
        const auto r = draw.Draw(
            request, [&] { ids.clear(); }, [&](CCdlistSet& s) { ids << s.m_ID; });
        if (result)
            *result = r;
        ExpectSetRestored();
        return ids;
    }
    // Answers the next modal dialog with `fill`, then OK.
    void AnswerDialog(const std::function<void(CRandomDialog&)>& fill)
    {
        QTimer::singleShot(0, [fill] {
            auto* dialog = qobject_cast<CRandomDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            fill(*dialog);
            dialog->accept();
        });
    }
};

TEST_F(RandomTest, DrawsExactlyTheAmountFromTheChosenSessionAndGenre)
{
    QList<qint32> rock;
    for (int i = 0; i < 3; ++i) {
        rock << AddSong("Mine", "/m", QString("r%1.mp3").arg(i), "100", "(17)");
        AddSong("Mine", "/m", QString("n%1.mp3").arg(i), "100");
        AddSong("mine", "/m", QString("o%1.mp3").arg(i), "100", "(17)");
    }
    SRandomRequest request;
    request.bySongs = true;
    request.amount = 10;
    request.session = "Mine";
    request.genre = "(17)";
    const QList<qint32> ids = DrawIds(request);
    ASSERT_EQ(ids.size(), 10);
    for (qint32 id : ids)
        EXPECT_TRUE(rock.contains(id));

    request.genre.clear(); // a session without genre: songs without a genre too
    QSet<qint32> seen;
    request.amount = 200;
    for (qint32 id : DrawIds(request))
        seen.insert(id);
    EXPECT_EQ(seen.size(), 6);

    request.amount = 0;
    EXPECT_TRUE(DrawIds(request).isEmpty());
}

TEST_F(RandomTest, PlayingTimeReachesTheAmountAndEndsWithoutLengths)
{
    for (int i = 0; i < 5; ++i)
        AddSong("A", "/m", QString("%1.mp3").arg(i), i % 2 ? "" : "70");
    SRandomRequest request;
    request.amount = 5;
    QList<qint32> ids = DrawIds(request);
    EXPECT_EQ(ids.size(), 5); // 5 × 70 s is the first total of at least 300 s
    for (qint32 id : ids) {
        ASSERT_TRUE(set.FindSongById(id));
        EXPECT_EQ(set.m_DURATION, "70");
    }

    request.session = "B";
    for (int i = 0; i < 3; ++i)
        AddSong("B", "/m", QString("b%1.mp3").arg(i), i ? "" : "0");
    ids = DrawIds(request); // no usable length anywhere: must still end
    EXPECT_LE(ids.size(), CRandomDraw::kMaxIdleDraws);

    request.session = "Nobody";
    CRandomDraw::EResult result;
    EXPECT_TRUE(DrawIds(request, &result).isEmpty());
    EXPECT_EQ(result, CRandomDraw::EResult::NoCandidates);
}

TEST_F(RandomTest, EveryCandidateCanBeDrawnBeyondTheOldGeneratorRange)
{
    CDatabase::CTransaction transaction(db);
    for (int i = 0; i < 40000; ++i)
        AddSong("A", "/m", "x.mp3");
    transaction.Commit();
    SRandomRequest request;
    request.bySongs = true;
    request.amount = 400;
    int beyond = 0;
    for (qint32 id : DrawIds(request))
        beyond += id > 32767;
    EXPECT_GT(beyond, 0);
}

TEST_F(RandomTest, CommandFillsTheSongListAndRemembersTheChoice)
{
    prompts.messages.clear();
    host->actions[ID_RANDOM]->trigger();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, "The database is empty!");
    EXPECT_EQ(prompts.messages[0].caption, "Error");

    AddSong("A", "/m", "a.mp3", "100");
    set.FindSongById(1);
    host->InsertSongRow(0);
    AnswerDialog([](CRandomDialog& dialog) {
        EXPECT_FALSE(dialog.SessionButton()->isEnabled()); // no session selected
        EXPECT_TRUE(dialog.DatabaseButton()->isChecked());
        EXPECT_TRUE(dialog.TimeButton()->isChecked());
        EXPECT_EQ(dialog.Amount(), 50);
        dialog.GenreBox()->setCurrentText("Rock");
        EXPECT_EQ(dialog.Genre(), "(17)");
        dialog.SongsButton()->setChecked(true);
        dialog.AmountBox()->setValue(3);
    });
    host->actions[ID_RANDOM]->trigger();
    ASSERT_EQ(prompts.messages.size(), 2); // no song of that genre: the list keeps its row
    EXPECT_EQ(prompts.messages[1].text, "No songs found for the specified selections");
    EXPECT_EQ(prompts.messages[1].caption, "No songs available");
    EXPECT_EQ(host->songs->RowCount(), 1);
    EXPECT_EQ(CSettings::Int("Random", 50), 3);
    EXPECT_EQ(CSettings::Int("PbOrNm", 0), 1);

    new QListWidgetItem("A", host->sessions);
    host->sessions->item(0)->setSelected(true);
    AnswerDialog([](CRandomDialog& dialog) {
        EXPECT_TRUE(dialog.SessionButton()->isChecked());
        EXPECT_TRUE(dialog.SongsButton()->isChecked());
        EXPECT_EQ(dialog.Amount(), 3);
        dialog.GenreBox()->setCurrentText("(NONE)");
        EXPECT_EQ(dialog.Genre(), "");
    });
    host->actions[ID_RANDOM]->trigger();
    EXPECT_EQ(SongListIds(), QList<qint32>({1, 1, 1}));
}

} // namespace
