#include "platform/CRegularFile.h"
#include "support/CFifo.h"
#include "support/CTestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

constexpr qint64 kBound = 1024 * 1024;

TEST(RegularFileTest, ReadsRegularFilesUpToTheBoundAndRefusesAnythingElseUnread)
{
    CTestEnvironment env;
    const QString text = env.WriteFile(QStringLiteral("a.txt"), "words");
    QFile big(env.WriteFile(QStringLiteral("big.txt"), {}));
    ASSERT_TRUE(big.resize(kBound + 1));
    const CFifo fifo(env.Root() + QStringLiteral("/pipe"));
    const QString zero = env.Root() + QStringLiteral("/zero");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    struct SCase
    {
        QString path;
        QString reason; // empty: read
    };
    const SCase cases[] = {
        {text, {}},
        {big.fileName(), CRegularFile::TooLarge(kBound)},
        {fifo.Path(), CRegularFile::NotRegular()},
        {zero, CRegularFile::NotRegular()},
        {env.Root(), CRegularFile::NotRegular()},
    };
    QElapsedTimer clock;
    clock.start();
    for (const SCase& k : cases) {
        QByteArray bytes;
        QString reason;
        EXPECT_EQ(CRegularFile::Read(k.path, kBound, bytes, reason), k.reason.isEmpty())
            << k.path.toStdString();
        EXPECT_EQ(reason, k.reason) << k.path.toStdString();
        EXPECT_EQ(bytes, k.reason.isEmpty() ? QByteArray("words") : QByteArray());
    }
    EXPECT_LT(clock.elapsed(), 1000) << "something waited for the pipe's writer";
    EXPECT_EQ(CRegularFile::TooLarge(kBound), "The file is larger than 1 MB; it was not read.");

    // A stream (standard input) is cut off at the bound, however much more comes.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], "0123456789", 10), 10);
    ::close(ends[1]);
    QByteArray bytes;
    QString reason;
    EXPECT_FALSE(CRegularFile::ReadAll(ends[0], 9, bytes, reason));
    EXPECT_EQ(reason, CRegularFile::TooLarge(9));
    ::close(ends[0]);
}

} // namespace
