#include "ui/ProgressWindow.h"

#include "platform/CSettings.h"
#include "support/CTestEnvironment.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ProgressWindowTest : public ::testing::Test
{
protected:
    std::unique_ptr<ProgressWindow> Make(const QString& title = "Getting mp3 info")
    {
        return ProgressWindow::Create(nullptr, title, true);
    }
    static void PostEscape(QObject* target)
    {
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    }

    CTestEnvironment env;
};

TEST_F(ProgressWindowTest, CaptionShowsThePercentageOnlyWhenItChanges)
{
    auto window = Make();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Getting mp3 info");
    window->SetRange(0, 3, 1);
    QStringList titles;
    for (int i = 0; i < 3; ++i) {
        window->Step();
        titles << window->windowTitle();
    }
    EXPECT_EQ(titles, QStringList({"Getting mp3 info [33%]", "Getting mp3 info [66%]",
                                   "Getting mp3 info [100%]"}));
    EXPECT_EQ(window->Position(), 3);

    auto empty = Make("Updating mp3 info");
    empty->SetRange(0, 0, 1);
    empty->Step();
    empty->SetPos(7);
    EXPECT_EQ(empty->windowTitle(), "Updating mp3 info");
}

TEST_F(ProgressWindowTest, EscapeWhilePumpingCancelsAndHides)
{
    auto window = Make();
    window->SetMessage("Cratewise is adding 3 found mp3 files...\n\nPress Cancel to abort.");
    EXPECT_EQ(window->Message(),
              "Cratewise is adding 3 found mp3 files...\n\nPress Cancel to abort.");

    PostEscape(window.get());
    EXPECT_FALSE(window->Pump(false)); // Escape not allowed: the job goes on
    EXPECT_FALSE(window->IsCancelled());

    PostEscape(window.get());
    EXPECT_TRUE(window->Pump(true));
    EXPECT_TRUE(window->IsCancelled());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->Pump(true)); // stays cancelled

    // A job that steps once more shows the window again until it reads the flag.
    window->Step();
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ProgressWindowTest, CancelButtonStopsTheJobAtItsNextPump)
{
    auto window = Make();
    EXPECT_FALSE(window->Pump(true));
    QTest::mouseClick(window->CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->Pump(true));
    EXPECT_EQ(window->CancelButton()->text(), " Cancel ");
}

// Swallows the quit request after the window has seen it, so the test's own event
// loops keep working.
class CQuitBlocker : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Quit; }
};

TEST_F(ProgressWindowTest, AQuittingApplicationStopsTheJob)
{
    CQuitBlocker blocker;
    qApp->installEventFilter(&blocker);
    auto window = Make();
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(qApp, &quit);
    EXPECT_TRUE(window->Pump(false));
    qApp->removeEventFilter(&blocker);
}

TEST_F(ProgressWindowTest, PositionIsRestoredOrCentredWhenOffScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    CSettings::SetInt(ESetting::X, 30);
    CSettings::SetInt(ESetting::Y, 40);
    {
        auto window = Make();
        EXPECT_EQ(window->pos(), QPoint(30, 40));
        window->move(50, 60);
    }
    EXPECT_EQ(CSettings::Int(ESetting::X), 50);
    EXPECT_EQ(CSettings::Int(ESetting::Y), 60);

    for (const QPoint stored : {QPoint(-1, 40), QPoint(screen.width(), 40), QPoint(30, -1),
                                QPoint(30, screen.height())}) {
        CSettings::SetInt(ESetting::X, stored.x());
        CSettings::SetInt(ESetting::Y, stored.y());
        auto window = Make();
        // Within the frame the window system adds once the window shows.
        const QPoint centre = window->frameGeometry().center();
        EXPECT_LE(qAbs(centre.x() - screen.center().x()), 5) << stored.x() << "," << stored.y();
        EXPECT_LE(qAbs(centre.y() - screen.center().y()), 5);
    }
}

TEST_F(ProgressWindowTest, LayOutFitsTheMessageAreaWithTenPixelMargins)
{
    auto window = Make();
    window->LayOut(3, 250);
    EXPECT_EQ(window->width(), 270);
    const QRect button = window->CancelButton()->geometry();
    EXPECT_EQ(button.right(), 259);
    EXPECT_EQ(window->height(), button.bottom() + 11);
    auto* message = window->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->geometry().topLeft(), QPoint(10, 10));

    // A message longer than the laid-out area widens the window to show it whole.
    const QString text("Cratewise is adding 20000 found mp3 files...\n\nPress Cancel to abort.");
    window->SetMessage(text);
    const QSize needed = QFontMetrics(window->font()).boundingRect(QRect(), 0, text).size();
    EXPECT_GE(message->width(), needed.width());
    EXPECT_GE(message->height(), needed.height());
    EXPECT_GE(window->width(), needed.width() + 20);
}

} // namespace
