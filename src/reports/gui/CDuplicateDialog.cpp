#include "reports/gui/CDuplicateDialog.h"

#include "db/CDatabase.h"
#include "platform/CPrompts.h"
#include "reports/CReportTexts.h"
#include "ui/CWaitCursor.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

namespace {

// A size as people read it ("4.2 MB"); "Unknown" stays as it is.
QString ReadableSize(const QString& bytes)
{
    bool ok = false;
    const qint64 value = bytes.toLongLong(&ok);
    return ok ? QLocale::system().formattedDataSize(value, value < 1024 * 1024 ? 0 : 1,
                                                    QLocale::DataSizeTraditionalFormat)
              : bytes;
}

// Reading a million names takes a moment.
CDuplicateFinder LoadFinder(CCdlistDoc& doc)
{
    const CWaitCursor wait;
    return CDuplicateFinder(doc);
}

} // namespace

CDuplicateDialog::CDuplicateDialog(CCdlistDoc& doc, CPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_finder(LoadFinder(doc))
{
    setWindowTitle(QStringLiteral("Find Duplicates"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("1176"));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("1177"));
    m_name->setReadOnly(true);
    m_search = new QPushButton(QStringLiteral("Search"), this);
    m_search->setObjectName(QStringLiteral("1076"));
    m_search->setDefault(true);
    m_delete = new QPushButton(QStringLiteral("Delete"), this);
    m_delete->setObjectName(QStringLiteral("1025"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("1181"));
    m_progress->setRange(0, std::max(1, m_finder.Total()));
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("1"));
    connect(m_search, &QPushButton::clicked, this, &CDuplicateDialog::OnSearch);
    connect(m_delete, &QPushButton::clicked, this, &CDuplicateDialog::OnDelete);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_name, 0, 0, 1, 3);
    grid->addWidget(m_list, 1, 0, 1, 3);
    grid->addWidget(m_progress, 2, 0, 1, 3);
    grid->addWidget(m_search, 3, 0);
    grid->addWidget(m_delete, 3, 1);
    grid->addWidget(close, 3, 2);
    resize(560, 300);
}

void CDuplicateDialog::OnSearch()
{
    CDuplicateFinder::EStep step;
    {
        const CWaitCursor wait;
        m_progress->setValue(m_finder.NextIndex());
        m_list->clear();
        try {
            step = m_finder.Next();
        } catch (const CDbException& e) {
            m_prompts.Error(e.Message(), CReportTexts::Error());
            return;
        }
    }
    if (step == CDuplicateFinder::EStep::Finished) {
        m_prompts.Inform(CReportTexts::NoDuplicates(), CReportTexts::Finished());
        m_list->clear();
        m_name->clear();
        m_search->setText(QStringLiteral("Search"));
        m_progress->setValue(0);
        return;
    }
    m_search->setText(QStringLiteral("Next"));
    m_progress->setValue(m_finder.NextIndex());
    ShowGroup();
}

void CDuplicateDialog::ShowGroup()
{
    m_name->setText(m_finder.CurrentName());
    m_list->clear();
    for (const CDuplicateFinder::SEntry& entry : m_finder.Group()) {
        auto* item = new QListWidgetItem(
            entry.file + QStringLiteral(" (") + ReadableSize(entry.size) + u')', m_list);
        item->setData(Qt::UserRole, entry.id);
    }
}

void CDuplicateDialog::OnDelete()
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    try {
        if (m_finder.Delete(item->data(Qt::UserRole).toLongLong(), m_prompts))
            delete m_list->takeItem(m_list->row(item));
    } catch (const CDbException& e) {
        m_prompts.Error(e.Message(), CReportTexts::Error());
    }
    if (m_list->count() <= 1)
        OnSearch();
}
