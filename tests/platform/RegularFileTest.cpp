#include "platform/CRegularFile.h"
#include "support/CFifo.h"
#include "support/CTestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>
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
        {env.Root() + QStringLiteral("/missing"), QStringLiteral("No such file or directory")},
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
    std::signal(SIGPIPE, SIG_IGN);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::thread writer([&ends] {
        const QByteArray chunk(64 * 1024, 'x');
        for (qint64 sent = 0; sent <= 4 * kBound;) {
            const ssize_t n = ::write(ends[1], chunk.constData(), size_t(chunk.size()));
            if (n <= 0)
                break;
            sent += n;
        }
        ::close(ends[1]);
    });
    QByteArray bytes;
    QString reason;
    EXPECT_FALSE(CRegularFile::ReadAll(ends[0], kBound, bytes, reason));
    EXPECT_EQ(reason, CRegularFile::TooLarge(kBound));
    ::close(ends[0]);
    writer.join();
}

} // namespace
