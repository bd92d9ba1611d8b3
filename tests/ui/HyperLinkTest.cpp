#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"
#include "ui/CHyperLink.h"

#include <QApplication>
#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class HyperLinkTest : public ::testing::Test
{
protected:
    HyperLinkTest()
    {
        window.resize(300, 100);
        link.SetPrompts(&prompts);
        link.SetOpener([this](const QString& url) {
            opened << url;
            return result;
        });
        window.show();
    }

    QWidget window;
    CHyperLink link{"https://cratewise.example", &window};
    CScriptedPrompts prompts;
    QStringList opened;
    int result = CHyperLink::kOpened;
};

TEST_F(HyperLinkTest, TextAndAddressStandInForEachOther)
{
    EXPECT_EQ(link.Url(), "https://cratewise.example");
    EXPECT_EQ(link.toolTip(), "https://cratewise.example");
    EXPECT_TRUE(link.font().underline());

    CHyperLink mail(QString(), &window, "mailto:support@cratewise.example");
    EXPECT_EQ(mail.text(), "mailto:support@cratewise.example");
    CHyperLink later(QString(), &window);
    later.SetUrl("https://other.example");
    EXPECT_EQ(later.text(), "https://other.example");
    EXPECT_EQ(later.toolTip(), "https://other.example");
}

TEST_F(HyperLinkTest, OpensOnReleaseOrOnPressAsStyled)
{
    QTest::mousePress(&link, Qt::LeftButton);
    EXPECT_TRUE(opened.isEmpty());
    QTest::mouseRelease(&link, Qt::LeftButton);
    EXPECT_EQ(opened, QStringList({"https://cratewise.example"}));
    EXPECT_TRUE(link.IsVisited());
    EXPECT_EQ(window.focusWidget(), &link);

    ASSERT_TRUE(link.ModifyLinkStyle(0, CHyperLink::kOpenOnPress));
    QTest::mousePress(&link, Qt::LeftButton);
    EXPECT_EQ(opened.size(), 2);
    QTest::mouseRelease(&link, Qt::LeftButton);
    EXPECT_EQ(opened.size(), 2);
    QTest::keyClick(&link, Qt::Key_Space);
    EXPECT_EQ(opened.size(), 3);
}

TEST_F(HyperLinkTest, ColoursFollowHoverFocusAndVisits)
{
    EXPECT_EQ(link.CurrentColour(), CHyperLink::kNormalColour);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&link, &enter);
    // Hovering changes the colour only with its style bit.
    EXPECT_EQ(link.CurrentColour(), CHyperLink::kNormalColour);
    link.ModifyLinkStyle(0, CHyperLink::kUseHover);
    EXPECT_EQ(link.CurrentColour(), CHyperLink::kHoverColour);
    EXPECT_EQ(link.palette().color(QPalette::WindowText), CHyperLink::kHoverColour);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&link, &leave);
    EXPECT_EQ(link.CurrentColour(), CHyperLink::kNormalColour);

    link.OpenLink();
    EXPECT_EQ(link.CurrentColour(), CHyperLink::kVisitedColour);
    QFocusEvent focusIn(QEvent::FocusIn);
    QApplication::sendEvent(&link, &focusIn);
    EXPECT_EQ(link.CurrentColour(), CHyperLink::kFocusColour);
    link.ModifyLinkStyle(0, CHyperLink::kNoFocusColour);
    EXPECT_EQ(link.CurrentColour(), CHyperLink::kVisitedColour);
}

TEST_F(HyperLinkTest, StyleChangesRefuseOverlapsAndApplyTheUnderline)
{
    EXPECT_FALSE(link.ModifyLinkStyle(CHyperLink::kUnderline, CHyperLink::kUnderline));
    EXPECT_EQ(link.LinkStyle(), CHyperLink::kDefaultStyle);
    EXPECT_TRUE(link.ModifyLinkStyle(CHyperLink::kUnderline, 0));
    EXPECT_FALSE(link.font().underline());
    EXPECT_EQ(link.LinkStyle(), CHyperLink::kAutoSize | CHyperLink::kFocusOnClick);
}

TEST_F(HyperLinkTest, FailureShowsTheTextForTheResultAndStaysUnvisited)
{
    result = CHyperLink::kNoAssociation;
    EXPECT_FALSE(link.OpenLink());
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, "Can't open link:\n\nThere is no application "
                                        "associated\nwith the given filename extension.");
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Exclamation);
    EXPECT_FALSE(link.IsVisited());

    result = 0;
    link.OpenLink();
    EXPECT_EQ(prompts.messages.last().text,
              "Can't open link:\n\nThe operating system is out\nof memory or resources.");
    EXPECT_EQ(CHyperLink::ErrorText(99), "Unknown Error (99) occurred.");
    EXPECT_EQ(CHyperLink::ErrorText(26), "A sharing violation occurred. ");
}

TEST(HyperLinkDesktopTest, MissingFilesMapOntoTheFileAndPathTexts)
{
    CTestEnvironment env;
    EXPECT_EQ(CHyperLink::DesktopOpen(""), CHyperLink::kFileNotFound);
    EXPECT_EQ(CHyperLink::DesktopOpen(env.Root() + "/missing.html"), CHyperLink::kFileNotFound);
    EXPECT_EQ(CHyperLink::DesktopOpen("file://" + env.Root() + "/no/such/dir/page.html"),
              CHyperLink::kPathNotFound);
}

} // namespace
