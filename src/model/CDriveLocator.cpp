#include "model/CDriveLocator.h"

#include "platform/CFileNames.h"
#include "platform/CProgress.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "platform/CVolumes.h"

#include <QDir>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using EType = SVolume::EType;

bool IsRemovable(EType type)
{
    return type == EType::CdRom || type == EType::Removable;
}

bool Accepts(CDriveLocator::EVariant variant, EType type)
{
    switch (variant) {
    case CDriveLocator::EVariant::General:
        return IsRemovable(type) || type == EType::Fixed || type == EType::Network ||
               type == EType::Ram;
    case CDriveLocator::EVariant::Upgrade:
        return IsRemovable(type) || type == EType::Fixed;
    case CDriveLocator::EVariant::Copy:
        return IsRemovable(type);
    }
    return false;
}

// The part of the path below root ("" for the root itself); false when it is not below.
bool RelativeTo(const QString& path, const QString& root, QString& relative)
{
    if (root.isEmpty())
        return false;
    if (root == u"/") {
        if (!path.startsWith(u'/'))
            return false;
        relative = path.mid(1);
        return true;
    }
    if (path == root) {
        relative.clear();
        return true;
    }
    if (!path.startsWith(root) || path.at(root.size()) != u'/')
        return false;
    relative = path.mid(root.size() + 1);
    return true;
}

// Opened by its exact bytes (see CFileNames), without blocking on a pipe.
bool CanRead(const QString& path)
{
    const int fd = ::open(CFileNames::Encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st = {};
    const bool file = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return file;
}

} // namespace

CDriveLocator::SRecorded CDriveLocator::RecordedFor(const QString& session)
{
    return {quint32(CSettings::GetInt(QLatin1String(CSettings::kCdrecord), session, 0)),
            CSettings::GetString(QLatin1String(CSettings::kCDVolume), session, QString())};
}

bool CDriveLocator::Split(const QString& filePath, const QString& session, QString& root,
                          QString& relative)
{
    // The mount point the session was scanned under; older sessions lack it, so the
    // path's own root stands in.
    root = QDir::cleanPath(
        CSettings::GetString(QLatin1String(CSettings::kCDRoot), session, QString()));
    if (root.isEmpty() || root == u"." || !RelativeTo(filePath, root, relative)) {
        root = m_volumes.RootOf(filePath);
        if (!RelativeTo(filePath, root, relative))
            return false;
    }
    return true;
}

QString CDriveLocator::FindNow(const QString& filePath, const QString& session)
{
    QString root, relative;
    if (!Split(filePath, session, root, relative))
        return CanRead(filePath) ? filePath : QString();
    const SRecorded recorded = RecordedFor(session);
    if (QuickTest(root, recorded, EVariant::General) || (!recorded.Any() && CanRead(filePath)))
        return filePath;
    const QString found = Search(relative, recorded, EVariant::General);
    if (found.isEmpty())
        return {};
    return relative.isEmpty() ? found : CText::JoinPath(found, relative);
}

QString CDriveLocator::LocateCdDrive(const QString& filePath, const QString& session,
                                     EVariant variant, CProgress* progressToHide)
{
    const SRecorded recorded = RecordedFor(session);
    QString root, relative;
    if (!Split(filePath, session, root, relative))
        return filePath;
    const auto moved = [&](const QString& mountPoint) {
        return relative.isEmpty() ? mountPoint : CText::JoinPath(mountPoint, relative);
    };

    if (QuickTest(root, recorded, variant))
        return filePath;

    bool hidden = false;
    const auto giveUp = [&] {
        // The job goes on with its next file, so its Cancel must stay reachable.
        if (hidden)
            progressToHide->Show();
        return QString();
    };
    const int retryLimit = m_prompts.InsertRetryLimit();
    for (int retries = 0;; ++retries) {
        const QString found = Search(relative, recorded, variant);
        if (!found.isEmpty()) {
            if (hidden)
                progressToHide->Show();
            return moved(found);
        }
        if (retryLimit != CPrompts::kNoRetryLimit && retries >= retryLimit)
            return giveUp();
        if (variant == EVariant::Upgrade && progressToHide && !hidden) {
            progressToHide->Hide();
            hidden = true;
        }
        const auto answer = m_prompts.Message(
            QStringLiteral("Insert the disc \"%1\" in any drive.").arg(session),
            QStringLiteral("Insert CD"), CPrompts::EIcon::Question, CPrompts::EButtons::OkCancel);
        if (answer != CPrompts::EAnswer::Ok)
            return giveUp();
    }
}

QString CDriveLocator::LocateSong(const QString& filePath, const QString& session)
{
    QString root, relative;
    if (Split(filePath, session, root, relative) && FolderStillThere(filePath, root))
        return filePath;
    return LocateCdDrive(filePath, session, EVariant::General);
}

bool CDriveLocator::Holds(const QString& mountPoint, const SRecorded& recorded)
{
    // The volume's own name, where recorded, is exact; the serial is 32 bits of it.
    if (!recorded.identity.isEmpty())
        return m_volumes.Identity(mountPoint) == recorded.identity;
    quint32 serial = 0;
    return m_volumes.SerialNumber(mountPoint, serial) && serial == recorded.serial;
}

bool CDriveLocator::FolderStillThere(const QString& filePath, const QString& root)
{
    SVolume volume;
    return m_volumes.VolumeAt(root, volume) && !IsRemovable(volume.type) &&
           QFileInfo(filePath).dir().exists();
}

bool CDriveLocator::QuickTest(const QString& root, const SRecorded& recorded, EVariant variant)
{
    SVolume volume;
    const bool mounted = m_volumes.VolumeAt(root, volume);
    if (variant == EVariant::Copy && mounted && !IsRemovable(volume.type))
        return true;
    return recorded.Any() && mounted && Holds(root, recorded);
}

QString CDriveLocator::Search(const QString& relative, const SRecorded& recorded, EVariant variant)
{
    for (const SVolume& volume : m_volumes.Mounts()) {
        if (!Accepts(variant, volume.type))
            continue;
        if (recorded.Any()) {
            if (Holds(volume.mountPoint, recorded))
                return volume.mountPoint;
        } else if (!relative.isEmpty() && CanRead(CText::JoinPath(volume.mountPoint, relative))) {
            return volume.mountPoint;
        }
    }
    return {};
}
