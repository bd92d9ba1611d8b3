#include "playlist/gui/CCopyFilesDialog.h"

#include "model/CFileCopier.h"
#include "platform/CPrompts.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
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
    m_target = new QLabel(m_job.targetFolder, this);
    m_target->setObjectName(QStringLiteral("copyTarget"));
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("copySummary"));
    m_summary->setWordWrap(true);
    layout->addWidget(new QLabel(QStringLiteral("To: "), this), 0, 0);
    layout->addWidget(m_target, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Copying: "), this), 1, 0);
    layout->addWidget(m_file, 1, 1);
    layout->addWidget(m_fileBar, 2, 0, 1, 2);
    layout->addWidget(m_jobBar, 3, 0, 1, 2);
    layout->addWidget(m_summary, 4, 0, 1, 2);
    // Until Start the window can be left without copying anything.
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_start, &QPushButton::clicked, cancel, &QWidget::hide);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 5, 0, 1, 2);
    m_file->setMinimumWidth(300);
    // Bars that show their count from the start, not empty boxes that look like fields.
    m_fileBar->setAccessibleName(QStringLiteral("This file"));
    m_fileBar->setValue(0);
    m_jobBar->setAccessibleName(QStringLiteral("All songs"));
    m_jobBar->setRange(0, std::max(1, m_job.entries));
    m_jobBar->setFormat(QStringLiteral("%v of %m songs"));
    m_jobBar->setValue(0);
    connect(m_start, &QPushButton::clicked, this, [this] {
        if (m_done)
            accept();
        else
            Start();
    });
}

bool CCopyFilesDialog::Start()
{
    m_start->setEnabled(false);
    m_jobBar->setRange(0, m_job.entries);
    m_jobBar->setValue(0);
    m_done = false;
    m_copied = m_skipped = 0;
    m_renamed.clear();
    CCopyNames names(m_job.targetFolder);
    int handled = 0;
    for (const SSessionGroup& group : m_job.groups) {
        for (const QString& path : group.paths) {
            if (!CopyOne(path, group.session, names)) {
                ShowSummary();
                m_start->setEnabled(true);
                return false;
            }
            m_jobBar->setValue(qMin(++handled, m_job.entries));
        }
    }
    ShowSummary();
    m_file->clear();
    // The counts stay readable until the user closes the window.
    m_done = true;
    m_start->setText(QStringLiteral("Close"));
    m_start->setEnabled(true);
    return true;
}

void CCopyFilesDialog::ShowSummary()
{
    QString text = QStringLiteral("%1 copied, %2 skipped, %3 renamed.")
                       .arg(m_copied)
                       .arg(m_skipped)
                       .arg(m_renamed.size());
    if (!m_renamed.isEmpty()) {
        // A long list is cut after a screenful of names, saying how many more there are.
        constexpr qsizetype kShown = 20;
        text += QStringLiteral("\nRenamed (another file had the name): ") +
                m_renamed.mid(0, kShown).join(QStringLiteral(", "));
        if (m_renamed.size() > kShown)
            text += QStringLiteral(" and %1 more").arg(m_renamed.size() - kShown);
    }
    m_summary->setText(text);
    // The window grows to show the whole summary.
    layout()->activate();
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height())
        resize(width(), needed);
}

bool CCopyFilesDialog::CopyOne(const QString& path, const QString& session, CCopyNames& names)
{
    const QString source = m_job.locate ? m_job.locate(path, session) : path;
    const CCopyNames::STarget named =
        source.isEmpty() ? CCopyNames::STarget{} : names.TargetFor(source);
    if (named.path.isEmpty()) {
        ++m_skipped; // the disc was not inserted, or the song was copied already
        return true;
    }
    const QString& target = named.path;
    const QString name = target.mid(target.lastIndexOf(u'/') + 1);
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
    if (!copied) {
        m_prompts.Error(QStringLiteral("The file could not be copied:\n") + error,
                        QStringLiteral("Copy Files"));
        return false;
    }
    ++m_copied;
    if (named.renamed)
        m_renamed << name;
    return true;
}
