#include "model/CFileCopier.h"

#include "platform/CFileNames.h"
#include "platform/CRegularFile.h"
#include "platform/CSafeTarget.h"

#include <QFile>
#include <QSaveFile>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The target file, written in full before it takes the target's name. QSaveFile serves
// every name Qt can spell; a name with bytes that are not UTF-8 (see CFileNames) is
// written to a temporary file of its folder and renamed onto its exact bytes.
class CTargetFile
{
public:
    explicit CTargetFile(const QString& target)
        : m_native(CFileNames::Encode(target)), m_raw(m_native != target.toUtf8()), m_save(target)
    {}
    ~CTargetFile()
    {
        if (m_raw)
            Cancel(); // QSaveFile drops an uncommitted file by itself
    }

    bool Open(QString& error)
    {
        if (!m_raw) {
            if (m_save.open(QIODevice::WriteOnly))
                return true;
            error = m_save.errorString();
            return false;
        }
        const qsizetype slash = m_native.lastIndexOf('/');
        m_temp = (slash < 0 ? QByteArray() : m_native.left(slash + 1)) + ".cratewise-XXXXXX";
        const int fd = mkostemp(m_temp.data(), O_CLOEXEC);
        if (fd < 0 || !m_file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
            error = SystemError();
            if (fd >= 0)
                ::close(fd);
            m_temp.clear();
            return false;
        }
        return true;
    }
    QIODevice& Device() { return m_raw ? static_cast<QIODevice&>(m_file) : m_save; }
    QString ErrorString() const { return m_raw ? m_file.errorString() : m_save.errorString(); }

    bool Commit(QString& error)
    {
        if (!m_raw) {
            if (m_save.commit())
                return true;
            error = m_save.errorString();
            return false;
        }
        m_file.close();
        if (m_file.error() != QFileDevice::NoError) {
            error = m_file.errorString();
            Cancel();
            return false;
        }
        // Permissions as a newly created file would have them, not mkstemp's 0600.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(m_temp.constData(), 0666 & ~mask);
        if (::rename(m_temp.constData(), m_native.constData()) != 0) {
            error = SystemError();
            Cancel();
            return false;
        }
        m_temp.clear();
        return true;
    }

    void Cancel()
    {
        if (!m_raw) {
            m_save.cancelWriting();
            return;
        }
        m_file.close();
        if (!m_temp.isEmpty())
            ::unlink(m_temp.constData());
        m_temp.clear();
    }

private:
    QByteArray m_native;
    bool m_raw;
    QSaveFile m_save;
    QFile m_file;
    QByteArray m_temp;
};

} // namespace

bool CFileCopier::Copy(const QString& source, const QString& target,
                       const std::function<void(qint64, qint64)>& progress, QString& error,
                       const QStringList& protectedFiles)
{
    // Opened by the name's exact bytes: a song named in Latin-1 is copied too. A pipe or a
    // device in its place would be waited on or read without end.
    QFile in;
    QString reason;
    const int fd = CRegularFile::OpenForReading(source, reason);
    if (fd < 0 || !in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        error = CSafeTarget::FileError(source, fd < 0 ? reason : in.errorString());
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    // Copying a file onto itself would empty it.
    struct stat from = {}, to = {};
    if (::fstat(fd, &from) == 0 && ::stat(CFileNames::Encode(target).constData(), &to) == 0 &&
        from.st_dev == to.st_dev && from.st_ino == to.st_ino)
        return true;
    const QString refusal = CSafeTarget::Refusal(target, protectedFiles);
    if (!refusal.isEmpty()) {
        error = CSafeTarget::FileError(target, refusal);
        return false;
    }

    CTargetFile out(target);
    if (!out.Open(reason)) {
        error = CSafeTarget::FileError(target, reason);
        return false;
    }
    const qint64 total = in.size();
    std::array<char, kBlockSize> buffer;
    qint64 done = 0;
    for (;;) {
        const qint64 read = in.read(buffer.data(), kBlockSize);
        if (read < 0) {
            error = CSafeTarget::FileError(source, in.errorString());
            out.Cancel();
            return false;
        }
        if (read == 0)
            break;
        if (out.Device().write(buffer.data(), read) != read) {
            error = CSafeTarget::FileError(target, out.ErrorString());
            out.Cancel();
            return false;
        }
        done += read;
        if (progress)
            progress(done, total);
    }
    if (!out.Commit(reason)) {
        error = CSafeTarget::FileError(target, reason);
        return false;
    }
    return true;
}
