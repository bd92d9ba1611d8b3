#include "intake/CDirectoryWalk.h"

#include "media/CAudioFormat.h"
#include "media/CNamingRules.h"
#include "platform/CFileNames.h"
#include "platform/CProgress.h"
#include "platform/CRegularFile.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

#include <QSet>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class EKind
{
    File,
    Directory,
    Skip
};

// What an entry is; for one that is neither file nor folder, why it is left out (nothing
// for a link to a folder, which is not followed on purpose).
EKind KindOf(int dirFd, const dirent* entry, QString& why)
{
    switch (entry->d_type) {
    case DT_REG:
        return EKind::File;
    case DT_DIR:
        return EKind::Directory;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        why = CRegularFile::NotRegular();
        return EKind::Skip;
    }
    struct stat info
    {};
    if (fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        why = QString::fromLocal8Bit(std::strerror(errno)); // gone meanwhile
        return EKind::Skip;
    }
    if (S_ISDIR(info.st_mode))
        return EKind::Directory;
    // A link counts as the file it points to; links to folders are not entered.
    if (S_ISLNK(info.st_mode) && fstatat(dirFd, entry->d_name, &info, 0) != 0) {
        why = QString::fromLocal8Bit(std::strerror(errno)); // broken, or a loop
        return EKind::Skip;
    }
    if (S_ISREG(info.st_mode))
        return EKind::File;
    if (!S_ISDIR(info.st_mode))
        why = CRegularFile::NotRegular();
    return EKind::Skip;
}

struct SDirCloser
{
    void operator()(DIR* dir) const { closedir(dir); }
};

} // namespace

CDirectoryWalk::CDirectoryWalk()
    : m_subDirs(CSettings::Bool(ESetting::SubDir)),
      m_recognized(CSettings::String(ESetting::Recognized))
{}

void CDirectoryWalk::Meet(const QString& folder, const QString& name, bool isFile,
                          const QString& why, const Visitor& visit)
{
    const QString extension = CNamingRules::ExtensionOf(name);
    if (CNamingRules::IsRecognizedType(extension, m_recognized)) {
        if (isFile)
            visit(folder, name);
        else
            m_skippedFiles.append({CText::JoinPath(folder, name), why});
    } else if (isFile && CAudioFormat::IsAudioExtension(extension)) {
        ++m_passedOver[extension.toLower()];
    }
}

int CDirectoryWalk::CountRecognizedFiles(const QString& directory)
{
    int count = 0;
    Walk(directory, [&](const QString&, const QString&) { ++count; }, {});
    return count;
}

int CDirectoryWalk::ScanDirectory(const QString& directory, CProgress* progress,
                                  const FileSink& sink)
{
    if (progress && progress->IsCancelled())
        return 0;
    int stored = 0;
    Walk(
        directory,
        [&](const QString& folder, const QString& fileName) {
            if (sink(folder, fileName))
                ++stored;
        },
        [progress] { return progress && progress->IsCancelled(); });
    return stored;
}

void CDirectoryWalk::Walk(const QString& directory, const Visitor& visit,
                          const std::function<bool()>& cancelled)
{
    m_skippedFolders.clear();
    m_skippedFiles.clear();
    m_passedOver.clear();
    QSet<QPair<quint64, quint64>> visited;
    bool stopped = false;
    // Each folder is opened relative to its parent's handle: a tree deeper than PATH_MAX
    // is still walked, and its files are named by the intake when it cannot open them.
    const std::function<void(int, const QByteArray&, const QString&)> walkOne =
        [&](int parentFd, const QByteArray& entryName, const QString& folder) {
            // The chosen folder may be a link (a mount point's alias); those found inside
            // are never followed.
            const int noFollow = parentFd == AT_FDCWD ? 0 : O_NOFOLLOW;
            const int fd = ::openat(parentFd, entryName.constData(),
                                    O_RDONLY | O_DIRECTORY | noFollow | O_CLOEXEC);
            std::unique_ptr<DIR, SDirCloser> dir(fd < 0 ? nullptr : fdopendir(fd));
            if (!dir) {
                if (fd >= 0)
                    ::close(fd);
                else if (parentFd != AT_FDCWD) // the chosen folder itself is checked earlier
                    m_skippedFolders.append({folder, QString::fromLocal8Bit(std::strerror(errno))});
                return; // unreadable or gone: skipped
            }
            // A bind mount can bring a folder back below itself; walk each folder once.
            struct stat self
            {};
            if (fstat(dirfd(dir.get()), &self) != 0)
                return;
            const QPair<quint64, quint64> identity(self.st_dev, self.st_ino);
            if (visited.contains(identity))
                return;
            visited.insert(identity);
            while (!stopped) {
                const dirent* entry = readdir(dir.get());
                if (!entry)
                    break;
                const char* raw = entry->d_name;
                if (qstrcmp(raw, ".") == 0 || qstrcmp(raw, "..") == 0)
                    continue;
                QString why;
                const EKind kind = KindOf(dirfd(dir.get()), entry, why);
                // Names that are not UTF-8 keep their bytes, so the file can be opened again.
                const QString name = CFileNames::Decode(raw);
                if (kind == EKind::Directory) {
                    if (m_subDirs)
                        walkOne(dirfd(dir.get()), QByteArray(raw), CText::JoinPath(folder, name));
                } else if (kind == EKind::File || !why.isEmpty()) {
                    Meet(folder, name, kind == EKind::File, why, visit);
                }
                stopped = stopped || (cancelled && cancelled());
            }
        };
    walkOne(AT_FDCWD, CFileNames::Encode(directory), directory);
}
