#include "net/gui/CWhatsNewDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CWhatsNewDialog::CWhatsNewDialog(const QString& text, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("What's new?"));
    auto* group = new QGroupBox(QStringLiteral("New Features"), this);
    auto* inner = new QVBoxLayout(group);
    auto* edit = new QPlainTextEdit(group);
    edit->setObjectName(QStringLiteral("features"));
    edit->setReadOnly(true);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    inner->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &CWhatsNewDialog::reject);
    resize(400, 300);
}
