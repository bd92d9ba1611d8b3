#include "app/options/CGeneralPage.h"
#include "app/options/CLibraryPage.h"
#include "app/options/COptionsCommand.h"
#include "app/options/COptionsDialog.h"
#include "app/options/CPlayerPage.h"
#include "app/options/CSongInfoPage.h"
#include "app/options/CWinampPage.h"
#include "platform/CNoVolumes.h"
#include "platform/CSettings.h"
#include "platform/CVolumes.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"
#include "support/gui/CModalScript.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

COptionsDialog* Options(QWidget* modal)
{
    auto* dialog = qobject_cast<COptionsDialog*>(modal);
    EXPECT_NE(dialog, nullptr);
    return dialog;
}

template <typename TPage> TPage* PageOf(QWidget* modal, COptionsDialog::EPage page)
{
    return qobject_cast<TPage*>(Options(modal)->Page(page));
}

void PressClose(QWidget* modal)
{
    QTest::mouseClick(Options(modal)->CloseButton(), Qt::LeftButton);
}

class OptionsTest : public ::testing::Test
{
protected:
    bool RunOptions(QList<CModalScript::Step> steps)
    {
        CModalScript script(std::move(steps));
        const bool rebuild = COptionsCommand::Run(nullptr, prompts, volumes);
        EXPECT_TRUE(script.Finished());
        return rebuild;
    }

    CTestEnvironment env;
    CScriptedPrompts prompts;
    CNoVolumes volumes;
};

TEST_F(OptionsTest, ShowsFivePagesInOrderWithTheStoredValues)
{
    CSettings::SetInt("Case", 1);
    CSettings::SetInt("Folder", 2);
    CSettings::SetString("Formatting", "%2 by %1");
    RunOptions({[](QWidget* modal) {
        COptionsDialog* dialog = Options(modal);
        EXPECT_EQ(dialog->windowTitle(), "Options");
        QStringList tabs;
        for (int i = 0; i < dialog->Tabs()->count(); ++i)
            tabs << dialog->Tabs()->tabText(i);
        EXPECT_EQ(tabs, QStringList({"General", "Winamp", "Song Information", "Library",
                                     "Internal Player"}));
        EXPECT_EQ(dialog->Tabs()->currentIndex(), 0);
        auto* general = PageOf<CGeneralPage>(modal, COptionsDialog::kGeneral);
        EXPECT_TRUE(general->Boxes().Box(ESetting::Case)->isChecked());
        EXPECT_TRUE(general->Boxes().Box(ESetting::SubDir)->isChecked()); // missing value reads 1
        EXPECT_EQ(general->Boxes().Box(ESetting::Temp)->text(), "Cop&y to Tempdir if on CD's");
        auto* song = PageOf<CSongInfoPage>(modal, COptionsDialog::kSongInfo);
        EXPECT_EQ(song->FolderGroup()->checkedId(), 2);
        EXPECT_EQ(song->FormattingEdit()->text(), "%2 by %1");
        EXPECT_EQ(song->RecognizedEdit()->text(), "mp3 mp2");
        PressClose(modal);
    }});
}

TEST_F(OptionsTest, ResetDefaultsRestoresTheDefaultsAndReopens)
{
    CSettings::SetInt("SubDir", 0);
    CSettings::SetInt("Autoplay", 1);
    CSettings::SetInt("Eq3", 40);
    CSettings::SetInt("IntVolume", 20);
    CSettings::SetString("Formatting", "%3");
    CSettings::SetString("Recognized", "ogg");
    CSettings::SetInt("LibComment", 1);
    // Values that a reset leaves alone.
    for (const char* key : {"FastSearch", "AutoUpd", "UnderScore", "RemTrack", "Rename",
                            "Firsttime", "TimesUsed", "WarningID3", "X"})
        CSettings::SetInt(key, 1);
    CSettings::SetString("Winamp", "/opt/player/mpd");

    const bool rebuild = RunOptions({
        [](QWidget* modal) { QTest::mouseClick(Options(modal)->ResetButton(), Qt::LeftButton); },
        [](QWidget* modal) {
            auto* song = PageOf<CSongInfoPage>(modal, COptionsDialog::kSongInfo);
            EXPECT_EQ(song->FormattingEdit()->text(), "%1 - %2");
            auto* player = PageOf<CPlayerPage>(modal, COptionsDialog::kPlayer);
            EXPECT_EQ(player->Band(2)->value(), 0);
            EXPECT_EQ(player->Volume()->value(), 0);
            PressClose(modal);
        },
    });

    EXPECT_EQ(CSettings::Int("SubDir", -1), 1);
    EXPECT_EQ(CSettings::Int("Autoplay", -1), 0);
    EXPECT_EQ(CSettings::Int("Eq3", -1), 0);
    EXPECT_EQ(CSettings::Int("IntVolume", -1), 100);
    EXPECT_EQ(CSettings::String("Formatting"), "%1 - %2");
    EXPECT_EQ(CSettings::String("Recognized"), "mp3 mp2");
    for (const char* key : {"FastSearch", "AutoUpd", "UnderScore", "RemTrack", "Rename",
                            "Firsttime", "TimesUsed", "WarningID3", "X"})
        EXPECT_EQ(CSettings::Int(key, -1), 1) << key;
    EXPECT_EQ(CSettings::String("Winamp"), "/opt/player/mpd");
    // The reset switched the Comment column off, so the song list must follow.
    EXPECT_TRUE(rebuild);
}

// Escape and the close box end the dialog as Close does, keeping every option; a box
// on General or Library is stored the moment it is clicked.
TEST_F(OptionsTest, EscapeAndTheCloseBoxKeepTheOptionsAndBoxesStoreAtOnce)
{
    CSettings::SetInt("Case", 1);
    RunOptions({[&](QWidget* modal) {
        PageOf<CGeneralPage>(modal, COptionsDialog::kGeneral)
            ->Boxes()
            .Box(ESetting::SubDir)
            ->click();
        PageOf<CLibraryPage>(modal, COptionsDialog::kLibrary)
            ->Columns()
            .Box(ESetting::LibBitrate)
            ->click();
        EXPECT_EQ(CSettings::Int(ESetting::SubDir), 0);
        EXPECT_EQ(CSettings::Int(ESetting::LibBitrate), 1);
        QTest::keyClick(modal, Qt::Key_Escape);
    }});
    const bool rebuild = RunOptions({[](QWidget* modal) { modal->close(); }});
    EXPECT_FALSE(rebuild);
    EXPECT_EQ(CSettings::Int(ESetting::Case), 1);
    EXPECT_EQ(CSettings::Int(ESetting::SubDir), 0);
    EXPECT_EQ(CSettings::Int(ESetting::LibBitrate), 1);
}

TEST_F(OptionsTest, ResetDefaultsButtonReopensAndLeavesColumnsAloneWhenUnchanged)
{
    CSettings::SetInt("Case", 1);
    const bool rebuild = RunOptions({
        [](QWidget* modal) { QTest::mouseClick(Options(modal)->ResetButton(), Qt::LeftButton); },
        PressClose,
    });
    EXPECT_EQ(CSettings::Int("Case", -1), 0);
    EXPECT_FALSE(rebuild);
}

TEST_F(OptionsTest, ColumnBoxesDecideWhetherTheSongListIsRebuilt)
{
    CSettings::SetInt("UpdateLibrary", 1); // stale from an earlier opening
    EXPECT_FALSE(RunOptions({PressClose}));
    EXPECT_EQ(CSettings::Int("UpdateLibrary", -1), 0);

    // The file-name box is not a column.
    EXPECT_FALSE(RunOptions({[](QWidget* modal) {
        auto* library = PageOf<CLibraryPage>(modal, COptionsDialog::kLibrary);
        QTest::mouseClick(library->FileNameBox().Box(ESetting::ID3), Qt::LeftButton);
        PressClose(modal);
    }}));
    EXPECT_EQ(CSettings::Int("ID3", -1), 1);

    EXPECT_TRUE(RunOptions({[](QWidget* modal) {
        auto* library = PageOf<CLibraryPage>(modal, COptionsDialog::kLibrary);
        QTest::mouseClick(library->Columns().Box(ESetting::LibArtist), Qt::LeftButton);
        PressClose(modal);
    }}));
    EXPECT_EQ(CSettings::Int("LibArtist", -1), 0);
}

TEST_F(OptionsTest, PagesWriteTheirControlsOnClose)
{
    RunOptions({[](QWidget* modal) {
        auto* song = PageOf<CSongInfoPage>(modal, COptionsDialog::kSongInfo);
        song->RecognizedEdit()->selectAll();
        QTest::keyClick(song->RecognizedEdit(), Qt::Key_Delete);
        song->FormattingEdit()->setText("%1/%3/%2");
        song->FolderGroup()->button(1)->click();
        song->Boxes().Box(ESetting::RemTrack)->click();
        auto* general = PageOf<CGeneralPage>(modal, COptionsDialog::kGeneral);
        general->Boxes().Box(ESetting::SubDir)->click();
        general->Boxes().Box(ESetting::FastSearch)->click();
        PressClose(modal);
    }});
    EXPECT_EQ(CSettings::String("Recognized"), "mp3 mp2");
    EXPECT_EQ(CSettings::String("Formatting"), "%1/%3/%2");
    EXPECT_EQ(CSettings::Int("Folder", -1), 1);
    EXPECT_EQ(CSettings::Int("RemTrack", -1), 1);
    EXPECT_EQ(CSettings::Int("SubDir", -1), 0);
    EXPECT_EQ(CSettings::Int("FastSearch", -1), 1);
    EXPECT_EQ(CSettings::Int("Winamp", -1), -1); // never written by merely closing
}

TEST_F(OptionsTest, PlayerSlidersWriteAtOnceWithUpMeaningMore)
{
    RunOptions({
        [](QWidget* modal) {
            auto* player = PageOf<CPlayerPage>(modal, COptionsDialog::kPlayer);
            QSlider* band = player->Band(2);
            QTest::keyClick(band, Qt::Key_Up);
            EXPECT_EQ(CSettings::Int("Eq3", -1), 1);
            for (int i = 0; i < 25; ++i)
                QTest::keyClick(band, Qt::Key_PageUp);
            EXPECT_EQ(CSettings::Int("Eq3", -1), 100);
            EXPECT_EQ(CSettings::Int("Eq1", -1), 0);
            QTest::keyClick(player->Volume(), Qt::Key_Down);
            EXPECT_EQ(CSettings::Int("IntVolume", -1), 99);
            QTest::mouseClick(player->EqualizerBox(), Qt::LeftButton);
            EXPECT_EQ(CSettings::Int("Equalizer", -1), 1);
            PressClose(modal);
        },
    });
    RunOptions({[](QWidget* modal) {
        auto* player = PageOf<CPlayerPage>(modal, COptionsDialog::kPlayer);
        QSlider* band = player->Band(2);
        // The slider comes back at the top: its lowest position, drawn uppermost.
        EXPECT_EQ(band->value(), band->minimum());
        EXPECT_TRUE(band->invertedAppearance());
        EXPECT_EQ(player->Volume()->value(), 1);
        PressClose(modal);
    }});
}

TEST_F(OptionsTest, FindWinampButtonOffersTheFileDialogAndKeepsTheDialogUsable)
{
    prompts.answers << CPrompts::EAnswer::No;
    prompts.files << "/usr/bin/mpd";
    RunOptions({[](QWidget* modal) {
        auto* page = qobject_cast<CWinampPage*>(Options(modal)->Page(COptionsDialog::kWinamp));
        QTest::mouseClick(page->FindButton(), Qt::LeftButton);
        EXPECT_TRUE(modal->isEnabled());
        PressClose(modal);
    }});
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].buttons, CPrompts::EButtons::YesNo);
    EXPECT_EQ(CSettings::String("Winamp"), "/usr/bin/mpd");
}

TEST_F(OptionsTest, ShowWarningsSilencesNothingAnyMore)
{
    for (const char* key :
         {"WarningID3", "WarningLyrics", "WarningFound", "WarningRename", "WarningTranslation"})
        CSettings::SetInt(key, 1);
    RunOptions({[](QWidget* modal) {
        auto* general = PageOf<CGeneralPage>(modal, COptionsDialog::kGeneral);
        QTest::mouseClick(general->ShowWarningsButton(), Qt::LeftButton);
        PressClose(modal);
    }});
    for (const char* key :
         {"WarningID3", "WarningLyrics", "WarningFound", "WarningRename", "WarningTranslation"})
        EXPECT_EQ(CSettings::Int(key, -1), 0) << key;
}

} // namespace
