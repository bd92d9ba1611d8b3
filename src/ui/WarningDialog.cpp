#include "ui/WarningDialog.h"

#include "platform/CPrompts.h"
#include "platform/CSettings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

WarningDialog::WarningDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Warning"));
    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    m_message = new QLabel(this);
    m_message->setTextFormat(Qt::PlainText);
    // A long warning wraps into lines of a readable length instead of one wide line.
    m_message->setWordWrap(true);
    m_message->setMinimumWidth(fontMetrics().averageCharWidth() * 50);
    m_check = new QCheckBox(QStringLiteral("Don't show me this again"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &WarningDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(m_message, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_check);
    layout->addWidget(buttons);
}

void WarningDialog::SetMessage(const QString& text)
{
    m_message->setText(text);
}

void WarningDialog::SetDontShowAgain(int value)
{
    m_dontShowAgain = value;
    m_check->setChecked(value != 0);
}

void WarningDialog::accept()
{
    m_dontShowAgain = m_check->isChecked() ? 1 : 0;
    QDialog::accept();
}
