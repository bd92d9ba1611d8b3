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
        reset = false;
        const bool rebuild = COptionsCommand::Run(nullptr, prompts, volumes, nullptr, &reset);
        EXPECT_TRUE(script.Finished());
        return rebuild;
    }

    CTestEnvironment env;
    CScriptedPrompts prompts;
    CNoVolumes volumes;
    bool reset = false; // whether the last run restored the defaults
};

TEST_F(OptionsTest, ShowsFivePagesInOrderWithTheStoredValues)
{
    CSettings::SetInt(ESetting::Case, 1);
    CSettings::SetInt(ESetting::Folder, 2);
    CSettings::SetString(ESetting::Formatting, "%2 by %1");
    RunOptions({[](QWidget* modal) {
        COptionsDialog* dialog = Options(modal);
        EXPECT_EQ(dialog->windowTitle(), "Options");
        QStringList tabs;
        for (int i = 0; i < dialog->Tabs()->count(); ++i)
            tabs << dialog->Tabs()->tabText(i);
        EXPECT_EQ(tabs, QStringList(
                            {"General", "MPD", "Song Information", "Library", "Internal Player"}));
        EXPECT_EQ(dialog->Tabs()->currentIndex(), 0);
        auto* general = PageOf<CGeneralPage>(modal, COptionsDialog::kGeneral);
        EXPECT_TRUE(general->Boxes().Box(ESetting::Case)->isChecked());
        EXPECT_TRUE(general->Boxes().Box(ESetting::SubDir)->isChecked()); // missing value reads 1
        EXPECT_EQ(general->Boxes().Box(ESetting::Temp)->text(), "Cop&y to Tempdir if on CDs");
        auto* song = PageOf<CSongInfoPage>(modal, COptionsDialog::kSongInfo);
        EXPECT_EQ(song->FolderGroup()->checkedId(), 2);
        EXPECT_EQ(song->FormattingEdit()->text(), "%2 by %1");
        EXPECT_EQ(song->RecognizedEdit()->text(), "mp3 mp2 flac ogg oga opus m4a");
        PressClose(modal);
    }});
}

TEST_F(OptionsTest, ResetDefaultsRestoresTheDefaultsAndReopens)
{
    CSettings::SetInt(ESetting::SubDir, 0);
    CSettings::SetInt(ESetting::Autoplay, 1);
    CSettings::SetInt(ESetting::Eq3, 40);
    CSettings::SetInt(ESetting::IntVolume, 20);
    CSettings::SetString(ESetting::Formatting, "%3");
    CSettings::SetString(ESetting::Recognized, "ogg");
    CSettings::SetInt(ESetting::LibComment, 1);
    // Values that a reset leaves alone.
    using enum ESetting;
    constexpr ESetting kKept[] = {FastSearch, AutoUpd,   UnderScore, RemTrack, Rename,
                                  Firsttime,  TimesUsed, WarningID3, X};
    for (const ESetting kept : kKept)
        CSettings::SetInt(kept, 1);
    CSettings::SetString(ESetting::Winamp, "/opt/player/mpd");

    prompts.answers << CPrompts::EAnswer::Yes;
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

    EXPECT_EQ(CSettings::Int(ESetting::SubDir), 1);
    EXPECT_EQ(CSettings::Int(ESetting::Autoplay), 0);
    EXPECT_EQ(CSettings::Int(ESetting::Eq3), 0);
    EXPECT_EQ(CSettings::Int(ESetting::IntVolume), 100);
    EXPECT_EQ(CSettings::String(ESetting::Formatting), "%1 - %2");
    EXPECT_EQ(CSettings::String(ESetting::Recognized), "mp3 mp2 flac ogg oga opus m4a");
    for (const ESetting kept : kKept)
        EXPECT_EQ(CSettings::Int(kept), 1) << CSettingsTable::Key(kept).toStdString();
    EXPECT_EQ(CSettings::String(ESetting::Winamp), "/opt/player/mpd");
    // The reset switched the Comment column off, so the song list must follow.
    EXPECT_TRUE(rebuild);
    // It asked first, naming what it restores, page by page.
    ASSERT_EQ(prompts.messages.size(), 1);
    const QString asked = prompts.messages[0].text;
    EXPECT_EQ(prompts.messages[0].caption, "Reset Defaults");
    for (const char* named : {"\nSong Information: Formatting, ", "Recognized file types",
                              "\nLibrary: Artist, Album, Session, ", "Enable Equalizer\n"})
        EXPECT_TRUE(asked.contains(QLatin1String(named))) << asked.toStdString();
    EXPECT_FALSE(asked.contains("Auto-Update")); // kept, so not named
    EXPECT_TRUE(reset);                          // for the status line
}

// Escape and the close box end the dialog as Close does, keeping every option; a box
// on General or Library is stored the moment it is clicked.
TEST_F(OptionsTest, EscapeAndTheCloseBoxKeepTheOptionsAndBoxesStoreAtOnce)
{
    CSettings::SetInt(ESetting::Case, 1);
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
    EXPECT_FALSE(reset);
    EXPECT_EQ(CSettings::Int(ESetting::Case), 1);
    EXPECT_EQ(CSettings::Int(ESetting::SubDir), 0);
    EXPECT_EQ(CSettings::Int(ESetting::LibBitrate), 1);
}

TEST_F(OptionsTest, ResetDefaultsButtonReopensAndLeavesColumnsAloneWhenUnchanged)
{
    CSettings::SetInt(ESetting::Case, 1);
    const auto reset = [](QWidget* modal) {
        QTest::mouseClick(Options(modal)->ResetButton(), Qt::LeftButton);
    };
    // Declined, nothing is reset; the dialog comes back.
    prompts.answers << CPrompts::EAnswer::No << CPrompts::EAnswer::Yes;
    const bool rebuild = RunOptions({reset,
                                     [&](QWidget* modal) {
                                         EXPECT_EQ(CSettings::Int(ESetting::Case), 1);
                                         reset(modal);
                                     },
                                     PressClose});
    EXPECT_EQ(CSettings::Int(ESetting::Case), 0);
    EXPECT_FALSE(rebuild);
    EXPECT_EQ(prompts.messages.size(), 2);
}

TEST_F(OptionsTest, ColumnBoxesDecideWhetherTheSongListIsRebuilt)
{
    CSettings::SetInt(ESetting::UpdateLibrary, 1); // stale from an earlier opening
    EXPECT_FALSE(RunOptions({PressClose}));
    EXPECT_EQ(CSettings::Int(ESetting::UpdateLibrary), 0);

    // The file-name box is not a column.
    EXPECT_FALSE(RunOptions({[](QWidget* modal) {
        auto* library = PageOf<CLibraryPage>(modal, COptionsDialog::kLibrary);
        QTest::mouseClick(library->FileNameBox().Box(ESetting::ID3), Qt::LeftButton);
        PressClose(modal);
    }}));
    EXPECT_EQ(CSettings::Int(ESetting::ID3), 1);

    EXPECT_TRUE(RunOptions({[](QWidget* modal) {
        auto* library = PageOf<CLibraryPage>(modal, COptionsDialog::kLibrary);
        QTest::mouseClick(library->Columns().Box(ESetting::LibArtist), Qt::LeftButton);
        PressClose(modal);
    }}));
    EXPECT_EQ(CSettings::Int(ESetting::LibArtist), 0);
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
    EXPECT_EQ(CSettings::String(ESetting::Recognized), "mp3 mp2 flac ogg oga opus m4a");
    EXPECT_EQ(CSettings::String(ESetting::Formatting), "%1/%3/%2");
    EXPECT_EQ(CSettings::Int(ESetting::Folder), 1);
    EXPECT_EQ(CSettings::Int(ESetting::RemTrack), 1);
    EXPECT_EQ(CSettings::Int(ESetting::SubDir), 0);
    EXPECT_EQ(CSettings::Int(ESetting::FastSearch), 1);
    EXPECT_FALSE(CSettings::Stored(ESetting::Winamp)); // never written by merely closing
}

TEST_F(OptionsTest, PlayerSlidersWriteAtOnceWithUpMeaningMore)
{
    RunOptions({
        [](QWidget* modal) {
            auto* player = PageOf<CPlayerPage>(modal, COptionsDialog::kPlayer);
            QSlider* band = player->Band(2);
            QTest::keyClick(band, Qt::Key_Up);
            EXPECT_EQ(CSettings::Int(ESetting::Eq3), 1);
            for (int i = 0; i < 25; ++i)
                QTest::keyClick(band, Qt::Key_PageUp);
            EXPECT_EQ(CSettings::Int(ESetting::Eq3), 100);
            EXPECT_EQ(CSettings::Int(ESetting::Eq1), 0);
            QTest::keyClick(player->Volume(), Qt::Key_Down);
            EXPECT_EQ(CSettings::Int(ESetting::IntVolume), 99);
            QTest::mouseClick(player->EqualizerBox(), Qt::LeftButton);
            EXPECT_EQ(CSettings::Int(ESetting::Equalizer), 1);
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
    EXPECT_EQ(CSettings::String(ESetting::Winamp), "/usr/bin/mpd");
}

TEST_F(OptionsTest, ShowWarningsSilencesNothingAnyMore)
{
    using enum ESetting;
    constexpr ESetting kWarnings[] = {WarningID3, WarningLyrics, WarningFound, WarningRename,
                                      WarningTranslation};
    for (const ESetting warning : kWarnings)
        CSettings::SetInt(warning, 1);
    RunOptions({[](QWidget* modal) {
        auto* general = PageOf<CGeneralPage>(modal, COptionsDialog::kGeneral);
        QTest::mouseClick(general->ShowWarningsButton(), Qt::LeftButton);
        PressClose(modal);
    }});
    for (const ESetting warning : kWarnings)
        EXPECT_EQ(CSettings::Int(warning), 0) << CSettingsTable::Key(warning).toStdString();
}

} // namespace
