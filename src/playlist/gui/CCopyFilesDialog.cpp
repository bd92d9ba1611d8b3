#include "playlist/gui/CCopyFilesDialog.h"

#include "platform/CPrompts.h"
#include "platform/CText.h"
#include "playlist/CFileCopier.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <climits>

namespace {

// Bars count in whole kilobytes beyond 2 GB so that their int range holds any file.
int BarValue(qint64 bytes, qint64 total)
{
    return total > INT_MAX ? int(bytes / 1024) : int(bytes);
}

} // namespace

CCopyFilesDialog::CCopyFilesDialog(SCopyJob job, CPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_job(std::move(job)), m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Copy Files"));
    auto* layout = new QGridLayout(this);
    m_file = new QLabel(this);
    m_file->setObjectName(QStringLiteral("1056"));
    m_fileBar = new QProgressBar(this);
    m_fileBar->setObjectName(QStringLiteral("1055"));
    m_jobBar = new QProgressBar(this);
    m_jobBar->setObjectName(QStringLiteral("1054"));
    m_start = new QPushButton(QStringLiteral("Start"), this);
    m_start->setObjectName(QStringLiteral("1002"));
    layout->addWidget(new QLabel(QStringLiteral("Copying: "), this), 0, 0);
    layout->addWidget(m_file, 0, 1);
    layout->addWidget(m_fileBar, 1, 0, 1, 2);
    layout->addWidget(m_jobBar, 2, 0, 1, 2);
    layout->addWidget(m_start, 3, 1, Qt::AlignRight);
    m_file->setMinimumWidth(300);
    connect(m_start, &QPushButton::clicked, this, [this] { Start(); });
}

bool CCopyFilesDialog::Start()
{
    m_start->setEnabled(false);
    m_jobBar->setRange(0, m_job.entries);
    m_jobBar->setValue(0);
    int handled = 0;
    for (const SSessionGroup& group : m_job.groups) {
        for (const QString& path : group.paths) {
            if (!CopyOne(path, group.session)) {
                m_start->setEnabled(true);
                return false;
            }
            m_jobBar->setValue(qMin(++handled, m_job.entries));
        }
    }
    accept();
    return true;
}

bool CCopyFilesDialog::CopyOne(const QString& path, const QString& session)
{
    const QString source = m_job.locate ? m_job.locate(path, session) : path;
    if (source.isEmpty())
        return true; // the user did not insert the disc: skip the file
    const QString name = source.mid(source.lastIndexOf(u'/') + 1);
    const QString target = CText::JoinPath(m_job.targetFolder, name);
    m_file->setText(name);
    m_fileBar->setValue(0);
    QString error;
    const bool copied = CFileCopier::Copy(
        source, target,
        [this](qint64 done, qint64 total) {
            m_fileBar->setRange(0, qMax(1, BarValue(total, total)));
            m_fileBar->setValue(BarValue(done, total));
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        },
        error, m_job.protectedFiles);
    if (!copied)
        m_prompts.Error(QStringLiteral("The file could not be copied:\n") + error,
                        QStringLiteral("Copy Files"));
    return copied;
}
