#include "intake/gui/CExcludedNamesDialog.h"

#include "db/CExceptSet.h"
#include "platform/CDownload.h"
#include "platform/CPrompts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

const QString CExcludedNamesDialog::kHelpText = QStringLiteral(
    "If the option 'Remove Tracknumbers' is selected, all leading digits\nwill disapear. If an "
    "artistname or titlename starts with a digit it will be\nremoved as well. In order to avoid "
    "this problem you can add those specific\nnames to this list.\n\nTo check if there are any "
    "new names available, press 'Download Names'.\nYou can also send me names that are not in "
    "the list so that I can add them\nfor other users to download.");

namespace {

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CExcludedNamesDialog::CExcludedNamesDialog(CExceptSet& names, CPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_names(names), m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Names With Leading Digits"));
    auto* group = new QGroupBox(QStringLiteral("Names"), this);
    auto* grid = new QGridLayout(group);
    m_edit = new QLineEdit(group);
    m_edit->setObjectName(QStringLiteral("name"));
    auto* add = MakeButton(QStringLiteral("Add"), "add", group);
    m_list = new QListWidget(group);
    m_list->setObjectName(QStringLiteral("names"));
    m_list->setSortingEnabled(true);
    grid->addWidget(m_edit, 0, 0);
    grid->addWidget(add, 0, 1);
    grid->addWidget(m_list, 1, 0, 1, 2);

    auto* save = MakeButton(QStringLiteral("Save"), "save", this);
    save->setDefault(true);
    auto* cancel = MakeButton(QStringLiteral("Cancel"), "cancel", this);
    auto* download = MakeButton(QStringLiteral("Download New Names"), "download", this);
    auto* submit = MakeButton(QStringLiteral("Submit New Names"), "submit", this);
    auto* help = MakeButton(QStringLiteral("What's This?"), "help", this);
    auto* column = new QVBoxLayout;
    for (QPushButton* button : {save, cancel, download, submit, help})
        column->addWidget(button);
    column->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(column);

    connect(add, &QPushButton::clicked, this, &CExcludedNamesDialog::Add);
    connect(m_edit, &QLineEdit::returnPressed, this, &CExcludedNamesDialog::Add);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CExcludedNamesDialog::Remove);
    connect(save, &QPushButton::clicked, this, &CExcludedNamesDialog::Save);
    connect(cancel, &QPushButton::clicked, this, &CExcludedNamesDialog::reject);
    connect(download, &QPushButton::clicked, this, &CExcludedNamesDialog::DownloadNewNames);
    connect(help, &QPushButton::clicked, this, &CExcludedNamesDialog::WhatsThis);
    connect(submit, &QPushButton::clicked, this, &CExcludedNamesDialog::SubmitNewNames);

    m_list->addItems(m_names.Names());
}

QStringList CExcludedNamesDialog::Names() const
{
    QStringList names;
    for (int i = 0; i < m_list->count(); ++i)
        names << m_list->item(i)->text();
    return names;
}

void CExcludedNamesDialog::Add()
{
    m_list->addItem(m_edit->text());
    m_edit->clear();
}

void CExcludedNamesDialog::Remove(QListWidgetItem* item)
{
    delete item;
}

bool CExcludedNamesDialog::Listed(const QString& name) const
{
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->text().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

int CExcludedNamesDialog::AddNewLines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not an empty line
    int added = 0;
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QString name = QString::fromUtf8(line);
        if (!Listed(name)) {
            m_list->addItem(name);
            ++added;
        }
    }
    return added;
}

void CExcludedNamesDialog::DownloadNewNames()
{
    QByteArray names;
    const QString url = CDownload::UpdateUrl(QStringLiteral("/excepted.txt"));
    CDownload::NameIfUnencrypted(url, &m_prompts);
    const QString result = CDownload::Get(url, names);
    if (result != u"YES")
        return m_prompts.Error(
            QStringLiteral("An error occured while trying to get the updates.\n"
                           "Please make sure that you are connected to the Internet."),
            QStringLiteral("Error"));
    const int added = AddNewLines(names);
    if (added == 0)
        m_prompts.Inform(QStringLiteral("No updates was found."), QStringLiteral("Update Info"));
    else
        m_prompts.Inform(QString::number(added) +
                             QStringLiteral(" new artist or titlename was added to the list."),
                         QStringLiteral("Update Info"));
}

void CExcludedNamesDialog::SubmitNewNames()
{
    Q_EMIT SubmitNamesRequested(Names());
}

void CExcludedNamesDialog::WhatsThis()
{
    m_prompts.Inform(kHelpText, QStringLiteral("Help"));
}

void CExcludedNamesDialog::Save()
{
    // Stored from the last name to the first, as the list has always been written.
    QStringList names = Names();
    std::reverse(names.begin(), names.end());
    try {
        m_names.ReplaceAll(names);
    } catch (const CDbException& e) {
        m_prompts.Error(e.Message(), QStringLiteral("Error"));
        return;
    }
    accept();
}
