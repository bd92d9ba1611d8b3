#include "library/gui/CLibraryController.h"
#include "library/gui/CLibraryListCtrl.h"
#include "library/gui/CSearchController.h"
#include "platform/CSettings.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// The library and the search on the real main form.
class MainFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // No first-run or monthly offers.
        CSettings::SetInt(QStringLiteral("Firsttime"), 1);
        CSettings::SetInt(QStringLiteral("UpdateDate"), f.month);
        f.beforeStart = [](CCdlistView& view) {
            // The form owns exactly one of each: commands must run once per trigger.
            EXPECT_EQ(view.findChildren<CLibraryController*>().size(), 1);
            EXPECT_EQ(view.findChildren<CSearchController*>().size(), 1);
        };
    }
    CViewFixture f;
};

TEST_F(MainFormTest, SessionClickDoubleClickAndSearchWorkOnTheForm)
{
    const qint32 a = f.AddSong(QStringLiteral("Jazz"), QStringLiteral("So What"));
    f.AddSong(QStringLiteral("jazz"), QStringLiteral("Other"));
    f.Start();
    CCdlistView& view = f.View();
    EXPECT_EQ(view.TagGenre()->count(), 126);
    EXPECT_EQ(view.SearchGenre()->count(), 127);

    const auto sessions = view.SessionList()->findItems(QStringLiteral("Jazz"), Qt::MatchExactly);
    ASSERT_EQ(sessions.size(), 1);
    view.SessionList()->setCurrentItem(sessions.first());
    CLibraryListCtrl* songs = view.SongList();
    ASSERT_EQ(songs->RowCount(), 1);
    EXPECT_EQ(songs->ItemData(0), a);

    Q_EMIT songs->RowClicked(0);
    EXPECT_EQ(view.CurrentSong(), a);
    EXPECT_EQ(view.Field(1019)->text(), QStringLiteral("So What"));
    EXPECT_EQ(view.Button(ID_VIEW_LYRICS)->text(), QStringLiteral("Lyrics"));

    Q_EMIT songs->RowDoubleClicked(0);
    ASSERT_EQ(view.PlaylistBox()->count(), 1);
    EXPECT_EQ(view.PlaylistBox()->item(0)->text(), QStringLiteral("So What"));
    EXPECT_TRUE(view.Action(ID_UPDATE_WINAMP)->isEnabled());

    view.Field(1067)->setText(QStringLiteral("o"));
    view.Action(ID_SEARCH)->trigger();
    EXPECT_EQ(songs->RowCount(), 2);
    EXPECT_TRUE(f.prompts.messages.isEmpty()) << f.prompts.Texts().join(u'|').toStdString();
}

} // namespace
