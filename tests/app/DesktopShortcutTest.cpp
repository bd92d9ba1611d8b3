#include "app/CDesktopShortcut.h"
#include "support/CTestEnvironment.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

TEST(DesktopShortcutTest, IsAValidLauncherWithTheInstalledIcon)
{
    CTestEnvironment env;
    const QString desktop = env.Root() + QStringLiteral("/Desktop");
    ASSERT_TRUE(CDesktopShortcut::Create(desktop, QStringLiteral("/opt/my \"apps\"/cratewise"),
                                         env.DataDir()));
    const QString path = desktop + QStringLiteral("/Cratewise.desktop");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(entry.contains(QStringLiteral("\nIcon=cratewise\n"))) << entry.toStdString();
    EXPECT_TRUE(entry.contains(QStringLiteral("\nExec=\"/opt/my \\\\\"apps\\\\\"/cratewise\"\n")))
        << entry.toStdString();
    EXPECT_TRUE(QFile::permissions(path) & QFile::ExeOwner);

    // The desktop's own checker, where it is installed.
    const QString validate =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validate.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed";
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(validate, {path});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAll().toStdString();
}

// The window icon comes from these resources; a missing one would leave the generic icon.
TEST(DesktopShortcutTest, TheWindowIconIsBuiltInInEverySize)
{
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QImage image(QStringLiteral(":/icons/%1/cratewise.png").arg(size));
        EXPECT_EQ(image.size(), QSize(size, size)) << size;
    }
}

} // namespace
