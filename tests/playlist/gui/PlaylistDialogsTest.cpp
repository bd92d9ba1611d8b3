#include "playlist/gui/CRandomDialog.h"
#include "playlist/gui/PlaylistControllerFixture.h"
#include "support/gui/CModalScript.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

namespace {

using PlaylistDialogsTest = PlaylistControllerFixture;

TEST_F(PlaylistDialogsTest, RandomAsksWhatToDrawAndRemembersTheChoice)
{
    Trigger(ID_RANDOM);
    ASSERT_EQ(f.prompts.messages.size(), 1);
    EXPECT_EQ(f.prompts.messages[0].text, "The database is empty!");
    EXPECT_EQ(f.prompts.messages[0].caption, "Error");

    const qint64 a = AddSong("A", "/m", "a.mp3", "100");
    f.Reload();
    CModalScript script({[](QWidget* modal) {
                             auto* dialog = qobject_cast<CRandomDialog*>(modal);
                             ASSERT_NE(dialog, nullptr);
                             EXPECT_FALSE(dialog->SessionButton()->isEnabled()); // none selected
                             EXPECT_TRUE(dialog->DatabaseButton()->isChecked());
                             EXPECT_TRUE(dialog->TimeButton()->isChecked());
                             EXPECT_EQ(dialog->Amount(), 50);
                             EXPECT_EQ(dialog->AmountBox()->suffix(), " minutes");
                             EXPECT_EQ(dialog->GenreBox()->maxVisibleItems(), 20);
                             dialog->GenreBox()->setCurrentText("Rock");
                             EXPECT_EQ(dialog->Genre(), "(17)");
                             dialog->SongsButton()->setChecked(true);
                             EXPECT_EQ(dialog->AmountBox()->suffix(), " songs");
                             dialog->AmountBox()->setValue(3);
                             dialog->accept();
                         },
                         [](QWidget* modal) {
                             auto* dialog = qobject_cast<CRandomDialog*>(modal);
                             ASSERT_NE(dialog, nullptr);
                             EXPECT_TRUE(dialog->SessionButton()->isChecked());
                             EXPECT_TRUE(dialog->SongsButton()->isChecked());
                             EXPECT_EQ(dialog->Amount(), 3);
                             dialog->GenreBox()->setCurrentText("(NONE)");
                             EXPECT_EQ(dialog->Genre(), "");
                             dialog->accept();
                         }});
    Trigger(ID_RANDOM);
    EXPECT_EQ(f.prompts.messages.size(), 2); // no rock at all

    f.doc.ShowSession(f.doc.Sessions().Name(0));
    Trigger(ID_RANDOM);
    EXPECT_EQ(SongListIds(), QList<qint64>({a})); // each song once, and the user is told
    EXPECT_EQ(f.prompts.messages.size(), 3);
}

TEST_F(PlaylistDialogsTest, ImportAsksForTheSessionNameAndACancelStoresNothing)
{
    f.volumes.Mount(f.env.Root(), SVolume::EType::Fixed);
    const QString song = f.env.WriteFile("hd/a.mp3", "not really");
    const QString list = f.env.WriteFile("a.m3u", song.toUtf8());
    f.prompts.files << list << list;
    CModalScript script({[](QWidget* modal) {
                             EXPECT_EQ(modal->windowTitle(), "Enter a Session Name");
                             qobject_cast<QDialog*>(modal)->reject();
                         },
                         [](QWidget* modal) {
                             modal->findChild<QLineEdit*>("sessionName")->setText("S");
                             qobject_cast<QDialog*>(modal)->accept();
                         }});
    Trigger(ID_IMPORT_M3U);
    EXPECT_EQ(set.CountAll(), 0);
    Trigger(ID_IMPORT_M3U);
    EXPECT_EQ(f.doc.Sessions().Names(), QStringList({"S"}));
    EXPECT_EQ(f.prompts.fileDialogs[0].title, "Open Playlist...");
    EXPECT_TRUE(f.prompts.messages.isEmpty());
}

} // namespace
