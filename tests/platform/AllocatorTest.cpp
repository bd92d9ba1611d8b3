#include <QFile>
#include <gtest/gtest.h>
#include <vector>

namespace {

// The flags of the mapping that holds `address`, as /proc/self/smaps lists them.
QByteArray MappingFlags(const void* address)
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return {};
    const auto at = quintptr(address);
    bool inside = false;
    for (QByteArray line = smaps.readLine(); !line.isEmpty(); line = smaps.readLine()) {
        const qsizetype dash = line.indexOf('-'), space = line.indexOf(' ');
        bool isRange = false;
        const quintptr begin = line.left(dash).toULongLong(&isRange, 16);
        if (isRange && dash > 0 && space > dash)
            inside =
                begin <= at && at < line.mid(dash + 1, space - dash - 1).toULongLong(nullptr, 16);
        else if (inside && line.startsWith("VmFlags:"))
            return line.trimmed();
    }
    return {};
}

// A sort's buffers of tens of megabytes are mapped afresh each time; in huge pages their
// first touch faults once every 2 MB instead of every 4 KB.
TEST(AllocatorTest, ALargeBlockAsksForHugePages)
{
    if (!QFile::exists(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled")))
        GTEST_SKIP() << "the system has no transparent huge pages";
    const std::vector<char> block(size_t(40) << 20);
    const QByteArray flags = MappingFlags(block.data() + block.size() / 2);
    ASSERT_FALSE(flags.isEmpty());
    EXPECT_TRUE(flags.split(' ').contains("hg")) << flags.constData();
}

} // namespace
