#include "intake/gui/CNewSessionDialog.h"

#include "platform/CPrompts.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CNewSessionDialog::CNewSessionDialog(CPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Add a CD or Directory With Mp3 Files"));
    auto* group = new QGroupBox(QStringLiteral("Supply Path and Name"), this);
    auto* grid = new QGridLayout(group);
    m_name = new QLineEdit(group);
    m_name->setObjectName(QStringLiteral("sessionName"));
    auto* nameLabel = new QLabel(QStringLiteral("Session Name:"), group);
    nameLabel->setBuddy(m_name);
    m_pathLabel = new QLabel(group);
    m_pathLabel->setObjectName(QStringLiteral("path"));
    m_pathLabel->setMinimumWidth(260);
    m_pathLabel->setTextFormat(Qt::PlainText);
    auto* browse = new QPushButton(QStringLiteral("&Browse"), group);
    browse->setObjectName(QStringLiteral("browse"));
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 2);
    grid->addWidget(m_pathLabel, 1, 0, 1, 2);
    grid->addWidget(browse, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    connect(browse, &QPushButton::clicked, this, &CNewSessionDialog::Browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNewSessionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNewSessionDialog::reject);
}

QString CNewSessionDialog::SessionName() const
{
    return m_name->text();
}

void CNewSessionDialog::Browse()
{
    const QString folder = m_prompts.ChooseFolder(m_path);
    if (folder.isEmpty())
        return;
    m_path = folder;
    m_pathLabel->setText(folder);
}

void CNewSessionDialog::accept()
{
    const bool noPath = m_path.isEmpty();
    const bool noName = SessionName().isEmpty();
    if (noPath)
        m_prompts.Error(QStringLiteral("Please choose a folder."), QStringLiteral("Error"));
    if (noName)
        m_prompts.Error(QStringLiteral("Please choose a name."), QStringLiteral("Error"));
    if (noPath || noName)
        return;
    QDialog::accept();
}
