#include "ui/CSessionNameDialog.h"

#include "intake/CSessionTexts.h"
#include "platform/CPrompts.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

CSessionNameDialog::CSessionNameDialog(CPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Enter a Session Name"));
    auto* group = new QGroupBox(QStringLiteral("Session Name"), this);
    auto* inner = new QVBoxLayout(group);
    m_name = new QLineEdit(group);
    m_name->setObjectName(QStringLiteral("sessionName"));
    inner->addWidget(m_name);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSessionNameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSessionNameDialog::reject);
    // Wide enough for the caption in the title bar and a long session name.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) * 2 + 120);
}

void CSessionNameDialog::SetSessionName(const QString& name)
{
    m_name->setText(name);
    m_name->selectAll();
}

QString CSessionNameDialog::SessionName() const
{
    return m_name->text();
}

void CSessionNameDialog::accept()
{
    if (SessionName().isEmpty()) {
        m_prompts.Error(CSessionTexts::EmptyName(), QStringLiteral("Enter a Session Name"));
        return;
    }
    QDialog::accept();
}
