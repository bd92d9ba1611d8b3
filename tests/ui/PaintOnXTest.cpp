#include "platform/CSettings.h"
#include "support/CTestEnvironment.h"
#include "support/gui/CViewFixture.h"
#include "ui/CommandIds.h"
#include "ui/ProgressWindow.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// What a real X server shows of a widget: its pixels grabbed from the screen.
QImage OnScreen(const QWidget* widget)
{
    const QPoint at = widget->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), widget->width(), widget->height())
        .toImage();
}

// Pixels that are neither black nor the colour of the first one: something was drawn.
int DrawnPixels(const QImage& image)
{
    int drawn = 0;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            drawn += image.pixel(x, y) != first && qGray(image.pixel(x, y)) > 16 ? 1 : 0;
    return drawn;
}

int Differing(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return count;
}

// The offscreen platform paints into memory only; this runs on an X server (see the
// build's xvfb test), where a window that is shown but never drawn stays black.
TEST(PaintOnXTest, TheProgressWindowIsDrawnAtOnceAndFollowsItsBar)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server";
    CTestEnvironment env;
    auto window = ProgressWindow::Create(nullptr, "Updating Session", false);
    window->LayOut(3, 250);
    window->SetRange(0, 100, 1);
    window->SetMessage("Cratewise is adding 100 found mp3 files...\n\nPress Cancel to abort.");
    QElapsedTimer clock;
    clock.start();
    int drawn = 0;
    while (clock.elapsed() < 200 && drawn < window->width() * window->height() / 20) {
        window->Pump(true);
        drawn = DrawnPixels(OnScreen(window.get()));
    }
    EXPECT_GT(drawn, window->width() * window->height() / 20) << "not drawn within 200 ms";

    const auto* bar = window->findChild<QProgressBar*>();
    ASSERT_NE(bar, nullptr);
    const QImage empty = OnScreen(bar);
    for (int i = 0; i < 60; ++i)
        window->Step();
    for (int i = 0; i < 20; ++i)
        window->Pump(true);
    EXPECT_GT(Differing(empty, OnScreen(bar)), bar->width() * bar->height() / 10)
        << "the bar was not redrawn as it moved";
}

// A window that comes back at a larger size is laid out for it from its first paint: the
// bottom-right button is drawn in the window's corner, not where the design put it.
TEST(PaintOnXTest, ARestoredWindowIsLaidOutForItsSizeFromTheFirstPaint)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server";
    CViewFixture f;
    f.SkipStartQuestions();
    {
        QWidget earlier;
        earlier.resize(1150, 740);
        CSettings::SetString(ESetting::WindowGeometry,
                             QString::fromLatin1(earlier.saveGeometry().toBase64()));
    }
    f.Start();
    f.Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Frame()));
    const QWidget* preview = f.View().Control(ID_PREVIEW);
    const QPoint corner = preview->mapToGlobal(QPoint(0, 0));
    const QImage drawn =
        QGuiApplication::primaryScreen()
            ->grabWindow(0, corner.x(), corner.y(), preview->width(), preview->height())
            .toImage();
    EXPECT_GE(preview->mapTo(&f.View(), QPoint(preview->width(), 0)).x(),
              f.View().width() * 95 / 100);
    EXPECT_GT(DrawnPixels(drawn), preview->width() * preview->height() / 20)
        << "the button is not painted where the layout puts it";
}

} // namespace
