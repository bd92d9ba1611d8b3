#include "model/CDriveLocator.h"

#include "platform/CFileNames.h"
#include "platform/CProgress.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "platform/CVolumes.h"

#include <QDir>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using EType = SVolume::EType;

bool Accepts(CDriveLocator::EVariant variant, EType type)
{
    switch (variant) {
    case CDriveLocator::EVariant::General:
        return type == EType::CdRom || type == EType::Fixed || type == EType::Network ||
               type == EType::Ram;
    case CDriveLocator::EVariant::Upgrade:
        return type == EType::CdRom || type == EType::Fixed;
    case CDriveLocator::EVariant::Copy:
        return type == EType::CdRom;
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

QString CDriveLocator::LocateCdDrive(const QString& filePath, const QString& session,
                                     EVariant variant, CProgress* progressToHide)
{
    const quint32 recorded =
        quint32(CSettings::GetInt(QLatin1String(CSettings::kCdrecord), session, 0));
    // The mount point the session was scanned under; older sessions lack it, so the
    // path's own root stands in.
    QString root = QDir::cleanPath(
        CSettings::GetString(QLatin1String(CSettings::kCDRoot), session, QString()));
    QString relative;
    if (root.isEmpty() || root == u"." || !RelativeTo(filePath, root, relative)) {
        root = m_volumes.RootOf(filePath);
        if (!RelativeTo(filePath, root, relative))
            return filePath;
    }
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
            QStringLiteral("Please, insert ") + session + QStringLiteral(" in any drive."),
            QStringLiteral("Insert CD"), CPrompts::EIcon::Question, CPrompts::EButtons::OkCancel);
        if (answer != CPrompts::EAnswer::Ok)
            return giveUp();
    }
}

bool CDriveLocator::QuickTest(const QString& root, quint32 recorded, EVariant variant)
{
    SVolume volume;
    const bool mounted = m_volumes.VolumeAt(root, volume);
    if (variant == EVariant::Copy && mounted && volume.type != EType::CdRom)
        return true;
    if (recorded == 0 || !mounted)
        return false;
    quint32 serial = 0;
    return m_volumes.SerialNumber(root, serial) && serial == recorded;
}

QString CDriveLocator::Search(const QString& relative, quint32 recorded, EVariant variant)
{
    for (const SVolume& volume : m_volumes.Mounts()) {
        if (!Accepts(variant, volume.type))
            continue;
        if (recorded != 0) {
            quint32 serial = 0;
            if (m_volumes.SerialNumber(volume.mountPoint, serial) && serial == recorded)
                return volume.mountPoint;
        } else if (!relative.isEmpty() && CanRead(CText::JoinPath(volume.mountPoint, relative))) {
            return volume.mountPoint;
        }
    }
    return {};
}
