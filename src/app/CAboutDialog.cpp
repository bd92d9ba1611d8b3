#include "app/CAboutDialog.h"

#include "platform/CSettings.h"
#include "ui/CHyperLink.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDialog::CAboutDialog(QWidget* parent, CPrompts* prompts) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Cratewise"));
    // Wide enough that a window manager need not shorten the title.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 160);
    auto* name = new QLabel(QStringLiteral("Cratewise Version %1").arg(CRATEWISE_VERSION), this);

    // The site's link opens its own text; the mail link opens as soon as it is pressed.
    // An address that is not http(s) is only shown: it must never run or open a file.
    const QString site = CSettings::String(ESetting::WebSite);
    QLabel* web = nullptr;
    if (CSettingsTable::IsWebAddress(site)) {
        m_web = new CHyperLink(site, this);
        m_web->SetPrompts(prompts);
        web = m_web;
    } else {
        web = new QLabel(site, this);
        web->setTextFormat(Qt::PlainText);
    }
    const QString address = CSettings::String(ESetting::SupportAddress);
    m_mail = new CHyperLink(address, this, QStringLiteral("mailto:") + address);
    m_mail->ModifyLinkStyle(0, CHyperLink::kOpenOnPress);
    m_mail->SetPrompts(prompts);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    m_credits = buttons->addButton(QStringLiteral("Credits"), QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_credits, &QPushButton::clicked, this, &CAboutDialog::ShowCredits);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(web);
    layout->addWidget(m_mail);
    layout->addWidget(buttons);
}

void CAboutDialog::ShowCredits()
{
    QDialog credits(this);
    credits.setWindowTitle(QStringLiteral("Credits"));
    auto* text = new QLabel(QStringLiteral("Cratewise is built with Qt, SQLite, TagLib, "
                                           "mpg123 and libmpdclient.\nThanks to their authors."),
                            &credits);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &credits);
    connect(buttons, &QDialogButtonBox::accepted, &credits, &QDialog::accept);
    auto* layout = new QVBoxLayout(&credits);
    layout->addWidget(text);
    layout->addWidget(buttons);
    credits.exec();
}
