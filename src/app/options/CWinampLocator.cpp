#include "app/options/CWinampLocator.h"

#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CVolumes.h"
#include "ui/CEventPump.h"
#include "ui/CWaitCursor.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <sys/stat.h>

namespace {

const QString kQuestion = QStringLiteral("Question");

bool NodeOf(const QString& path, std::pair<quint64, quint64>& node)
{
    struct stat info
    {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    node = {static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
    return true;
}

} // namespace

CWinampLocator::CWinampLocator(CPrompts& prompts, CVolumes& volumes)
    : m_prompts(prompts), m_volumes(volumes), m_pump(std::make_unique<CEventPump>())
{}

CWinampLocator::~CWinampLocator() = default;

void CWinampLocator::Run()
{
    if (m_prompts.AskYesNo(
            QStringLiteral("Do you want Cratewise to try to locate\nMPD automatically?"),
            kQuestion)) {
        CWaitCursor wait;
        if (SearchPath() || SearchDisks() || m_pump->QuitRequested())
            return;
    }
    Browse();
}

bool CWinampLocator::SearchPath()
{
    const QStringList folders = qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts);
    for (const QString& folder : folders) {
        if (!KeepGoing())
            return false;
        const QFileInfo file(QDir(folder).filePath(QLatin1String(kProgram)));
        if (IsCandidate(file) && Offer(file))
            return true;
    }
    return false;
}

bool CWinampLocator::SearchDisks()
{
    const QList<SVolume> mounts = m_volumes.Mounts();
    for (const SVolume& volume : mounts) {
        if (volume.type != SVolume::EType::Fixed)
            m_otherMounts.insert(QDir::cleanPath(volume.mountPoint));
    }
    for (const SVolume& volume : mounts) {
        if (volume.type == SVolume::EType::Fixed && SearchFolder(volume.mountPoint))
            return true;
        if (m_stopped)
            return false;
    }
    return false;
}

bool CWinampLocator::SearchFolder(const QString& folder)
{
    SNodeId node;
    if (!KeepGoing() || !NodeOf(folder, node) || m_visited.contains(node))
        return false;
    m_visited.insert(node);
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() && entry.isDir())
            continue; // a link may lead back up the tree
        if (entry.isDir()) {
            if (!m_otherMounts.contains(entry.absoluteFilePath()) &&
                SearchFolder(entry.absoluteFilePath()))
                return true;
        } else if (IsCandidate(entry) && Offer(entry)) {
            return true;
        }
        if (m_stopped)
            return false;
    }
    return false;
}

bool CWinampLocator::IsCandidate(const QFileInfo& file) const
{
    return file.fileName().toLower() == QLatin1String(kProgram) && file.isFile() &&
           file.isExecutable();
}

bool CWinampLocator::Offer(const QFileInfo& file)
{
    SNodeId node;
    // /bin and /usr/bin are often one folder: ask about each program only once.
    if (NodeOf(file.absoluteFilePath(), node)) {
        if (m_offered.contains(node))
            return false;
        m_offered.insert(node);
    }
    const QString path = file.absoluteFilePath();
    CWaitCursor normal(Qt::ArrowCursor);
    if (!m_prompts.AskYesNo(QStringLiteral("Is this the correct location of MPD?\n") + path,
                            kQuestion))
        return false;
    CSettings::SetString(ESetting::Winamp, path);
    return true;
}

bool CWinampLocator::KeepGoing()
{
    // Listing a folder is quick; letting events through every few dozen keeps the window
    // alive without slowing the walk.
    if (++m_sincePump >= 32) {
        m_sincePump = 0;
        m_pump->Pump(true);
        if (m_pump->EscapePressed() || m_pump->QuitRequested())
            m_stopped = true;
    }
    return !m_stopped;
}

void CWinampLocator::Browse()
{
    CPrompts::SFileDialog dialog;
    dialog.title = QStringLiteral("Locate the MPD Player");
    dialog.filter = QStringLiteral("MPD (mpd)|mpd|All Files (*.*)|*.*||");
    const QString path = m_prompts.OpenFile(dialog);
    if (!path.isEmpty())
        CSettings::SetString(ESetting::Winamp, path);
}
