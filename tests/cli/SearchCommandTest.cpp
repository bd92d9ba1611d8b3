#include "cli/CCommandLine.h"
#include "library/LibraryFixture.h"
#include "support/CCliRun.h"

namespace {

class SearchCommandTest : public LibraryFixture
{
protected:
    // The ID and TITLE columns of each printed row; the exit status in `status`.
    QStringList Run(QStringList args)
    {
        args.prepend(QStringLiteral("search"));
        const SCliRun run = SCliRun::Run(env.DataDir(), args);
        status = run.status;
        err = run.err;
        const QString& out = run.out;
        QStringList rows;
        for (const QString& line : out.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList cells = line.split(u'\t');
            EXPECT_EQ(cells.size(), 11) << line.toStdString();
            rows << cells.value(0) + u' ' + cells.value(2);
        }
        return rows;
    }

    int status = -1;
    QString err;
};

TEST_F(SearchCommandTest, PrintsMatchesInIdOrderWithTheWindowsRules)
{
    const qint64 a = Add({.title = QStringLiteral("The Wall"), .genre = QStringLiteral("(17)")});
    const qint64 b = Add({.title = QStringLiteral("Breathe"), .genre = QStringLiteral("(17)")});
    Add({.title = QStringLiteral("Other"), .genre = QStringLiteral("(13)")});
    const QString wall = QStringLiteral("%1 The Wall").arg(a);
    const QString breathe = QStringLiteral("%1 Breathe").arg(b);

    EXPECT_EQ(Run({"--title", "the", "--genre", "Rock"}), (QStringList{wall, breathe}));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Run({"--fast", "--title", "the"}), QStringList{wall});
    CSettings::SetInt(ESetting::FastSearch, 1);
    EXPECT_EQ(Run({"--title", "the"}), QStringList{wall});
}

// `accents` shows and turns the catalogue's switch, which every search follows; --all finds
// an untagged song by its name in the list.
TEST_F(SearchCommandTest, FollowsTheCataloguesAccentsSwitchAndAllSeesListNames)
{
    const QString bjork = QStringLiteral("%1 Björk").arg(Add({.title = QStringLiteral("Björk")}));
    const qint64 untagged =
        Add({.file = QStringLiteral("Hyper_ballad.mp3"), .list = QStringLiteral("Hyper ballad")});
    const auto accents = [this](const QStringList& args) {
        const SCliRun run = SCliRun::Run(env.DataDir(), QStringList{"accents"} + args);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        return run.out;
    };
    EXPECT_EQ(accents({}), QStringLiteral("on\n"));
    EXPECT_EQ(Run({"--title", "BJORK"}), QStringList{bjork});
    EXPECT_EQ(Run({"--fast", "--all", "bjo"}), QStringList{bjork});
    EXPECT_EQ(Run({"--all", "per BAL"}), QStringList{QStringLiteral("%1 ").arg(untagged)});
    EXPECT_EQ(accents({"off"}), QString());
    EXPECT_EQ(accents({}), QStringLiteral("off\n"));
    EXPECT_TRUE(Run({"--title", "bjork"}).isEmpty());
    EXPECT_EQ(Run({"--title", "BJÖRK"}), QStringList{bjork});
}

TEST_F(SearchCommandTest, RefusesUnknownGenresAndStrayArguments)
{
    Run({"--genre", "Polka Metal"});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(err.contains(QStringLiteral("unknown genre \"Polka Metal\"")));
    Run({"stray"});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(Run({"--genre", "(NONE)"}).isEmpty());
    EXPECT_EQ(status, 0);
    // The window's All searches on its own: another criterion would be dropped unseen.
    Run({"--all", "joga", "--artist", "zebra"});
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(err.startsWith("cratewise: usage: --all ")) << err.toStdString();
}

} // namespace
