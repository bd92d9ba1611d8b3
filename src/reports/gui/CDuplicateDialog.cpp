#include "reports/gui/CDuplicateDialog.h"

#include "db/CDatabase.h"
#include "platform/CPrompts.h"
#include "reports/CReportTexts.h"
#include "ui/CShowField.h"
#include "ui/CWaitCursor.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
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
    MakeShowField(m_name, QStringLiteral("Duplicates of"));
    m_search = new QPushButton(QStringLiteral("Search"), this);
    m_search->setObjectName(QStringLiteral("1076"));
    m_search->setDefault(true);
    m_delete = new QPushButton(QStringLiteral("Delete"), this);
    m_delete->setObjectName(QStringLiteral("1025"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("1181"));
    m_progress->setRange(0, std::max(1, m_finder.Total()));
    m_progress->setValue(0);
    // Said in words, the bar looks like progress even before the first search.
    m_progress->setFormat(QStringLiteral("%v of %m songs checked"));
    m_progress->setAccessibleName(QStringLiteral("Songs checked"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("1"));
    connect(m_search, &QPushButton::clicked, this, &CDuplicateDialog::OnSearch);
    connect(m_delete, &QPushButton::clicked, this, &CDuplicateDialog::OnDelete);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    // Labels that name the fields beside them, to the eye and to screen readers.
    const auto label = [this](const QString& text, QWidget* buddy) {
        auto* label = new QLabel(text, this);
        label->setBuddy(buddy);
        return label;
    };
    auto* grid = new QGridLayout(this);
    grid->addWidget(label(QStringLiteral("Duplicates of:"), m_name), 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 3);
    grid->addWidget(m_list, 1, 0, 1, 4);
    grid->addWidget(label(QStringLiteral("Progress:"), m_progress), 2, 0);
    grid->addWidget(m_progress, 2, 1, 1, 3);
    grid->setColumnStretch(1, 1); // the labels as wide as their words
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_search, m_delete, close})
        buttons->addWidget(button);
    grid->addLayout(buttons, 3, 0, 1, 4);
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
