#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "support/COldDatabase.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"
#include "ui/ControlIds.h"

#include <QAction>
#include <QLineEdit>
#include <gtest/gtest.h>

// The window's faces of carrying over an older database: the start-up offer and
// File > Import > From previous version (the procedure is tested without a window).
namespace {

using ELayout = COldSongsSet::ELayout;
using EAnswer = CPrompts::EAnswer;

TEST(UpgradeControllerTest, StartUpOfferAndImportCommandFillTheSessionListAndCount)
{
    CViewFixture f;
    f.SkipStartQuestions();
    WriteOldDatabase(f.env.DataDir() + "/songs2.mdb", ELayout::Version28,
                     {{"Rock", "/cd", "a.mp3", "A"}, {"Pop", "/cd", "b.mp3", "B"}});
    f.prompts.answers.enqueue(EAnswer::Yes);
    f.Start();
    EXPECT_EQ(f.doc.Sessions().Names(), QStringList({"Pop", "Rock"}));
    EXPECT_EQ(f.View().Field(IDC_TOTAL)->text(), "2");

    CSettings::SetInt(ESetting::Upgrade, 0); // the import marks the carrying over done as well
    const QString older = f.env.Root() + "/elsewhere/songs.mdb";
    QDir().mkpath(f.env.Root() + "/elsewhere");
    WriteOldDatabase(older, ELayout::Version2, {{"Jazz", "/cd", "c.mp3", "C"}});
    f.prompts.files.enqueue(older);
    f.prompts.answers.enqueue(EAnswer::No);
    f.View().Action(ID_IMPORT_PREVIOUS)->trigger();
    ASSERT_EQ(f.prompts.fileDialogs.size(), 1);
    EXPECT_EQ(f.prompts.fileDialogs[0].title, "Select Database");
    EXPECT_EQ(f.prompts.fileDialogs[0].defaultExtension, "mdb");
    EXPECT_EQ(f.prompts.fileDialogs[0].filter,
              "Access Database files (*.mdb)|*.mdb|All Files (*.*)|*.*||");
    EXPECT_EQ(f.prompts.messages.last().caption, "Additional Features");
    EXPECT_EQ(f.doc.Sessions().Names(), QStringList({"Jazz", "Pop", "Rock"}));
    EXPECT_EQ(f.View().Field(IDC_TOTAL)->text(), "3");
    EXPECT_EQ(CSettings::Int(ESetting::Upgrade), 29);
}

} // namespace
