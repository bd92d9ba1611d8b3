#include "support/CCliRun.h"
#include "support/CDocFixture.h"
#include "support/COldDatabase.h"
#include "upgrade/CUpgradeTexts.h"

#include <gtest/gtest.h>

namespace {

TEST(UpgradeCliTest, CarriesAnOldDatabaseOverOrFailsWithOneLine)
{
    CDocFixture f;
    const QString old = f.env.Root() + "/songs.mdb";
    WriteOldDatabase(old, COldSongsSet::ELayout::Version25,
                     {{"Disc", "/cd", "a.mp3", "None available"}, {"Disc", "/cd", "b.mp3"}});
    SCliRun r = SCliRun::Run(f.env.DataDir(), {"upgrade", old, "--no-retrieve"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2 songs carried over from " + old + "\n");
    EXPECT_EQ(r.err, "") << "the answer was given: no question";

    const QString junk = f.env.WriteFile("junk.mdb", "junk");
    r = SCliRun::Run(f.env.DataDir(), {"upgrade", junk});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: " + CUpgradeTexts::NotOpened(junk).replace(u'\n', u' ') + "\n");
    r = SCliRun::Run(f.env.DataDir(), {"upgrade", old, "--retrieve", "--no-retrieve"});
    EXPECT_EQ(r.status, 1);
}

} // namespace
