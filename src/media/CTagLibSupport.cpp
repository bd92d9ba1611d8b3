#include "media/CTagLibSupport.h"

#include "platform/CCachedFile.h"

#include <algorithm>
#include <mutex>
#include <taglib/tdebuglistener.h>

namespace {

class CSilentListener : public TagLib::DebugListener
{
public:
    void printMessage(const TagLib::String&) override {}
};

} // namespace

void SilenceTagLib()
{
    static std::once_flag once;
    static CSilentListener listener;
    std::call_once(once, [] { TagLib::setDebugListener(&listener); });
}

qint64 ReadUnkept(CCachedFile& file, qint64 offset, char* out, qint64 length)
{
    qint64 got = 0;
    while (got < length) {
        const qint64 some = file.ReadSome(offset + got, out + got, length - got);
        if (some <= 0)
            break;
        got += some;
    }
    return got;
}

CCachedStream::CCachedStream(CCachedFile& file, qint64 budget) : m_file(file), m_left(budget) {}

TagLib::ByteVector CCachedStream::readBlock(unsigned long length)
{
    // The buffer is zeroed whole before the read: sized by the claim, it would cost what
    // an atom claims, not what the file holds.
    const qint64 available = std::max<qint64>(0, m_file.Size() - m_pos);
    const qint64 allowed = std::min({std::max<qint64>(m_left, 0), qint64(length), available});
    TagLib::ByteVector data(unsigned(allowed), 0);
    const qint64 got = m_read + allowed <= kKept ? m_file.Read(m_pos, data.data(), allowed)
                                                 : ReadUnkept(m_file, m_pos, data.data(), allowed);
    data.resize(unsigned(std::max<qint64>(0, got)));
    m_pos += long(data.size());
    m_left -= data.size();
    m_read += data.size();
    return data;
}

bool CCachedStream::isOpen() const
{
    return m_file.IsRegular();
}

void CCachedStream::seek(long offset, Position p)
{
    const long base = p == Beginning ? 0 : p == Current ? m_pos : long(m_file.Size());
    m_pos = std::max(0L, base + offset);
}

long CCachedStream::length()
{
    return long(m_file.Size());
}
