#include "app/CAboutDlg.h"

#include "app/CAppServices.h"
#include "app/CSettings.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(const SAppServices& services, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Cratewise"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(48, 48));
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    auto* name = new QLabel(QStringLiteral("<b>Cratewise</b>"), this);
    name->setObjectName(QStringLiteral("name"));
    text->addWidget(name);
    auto* version = new QLabel(VersionText(), this);
    version->setObjectName(QStringLiteral("version"));
    text->addWidget(version);
    text->addWidget(
        new QLabel(QStringLiteral("A catalogue of your MP3 files on CDs and in folders."), this));
    const QString site =
        CSettings::String(QStringLiteral("WebSite"), QStringLiteral("https://cratewise.example"));
    const QString mail = CSettings::String(QStringLiteral("SupportAddress"),
                                           QStringLiteral("support@cratewise.example"));
    auto* siteLink = new QLabel(site, this);
    siteLink->setObjectName(QStringLiteral("site"));
    siteLink->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->addWidget(siteLink);
    auto* mailLink = new QLabel(mail, this);
    mailLink->setObjectName(QStringLiteral("mail"));
    mailLink->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->addWidget(mailLink);
    top->addLayout(text);
    layout->addLayout(top);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* credits =
        buttons->addButton(QStringLiteral("&Credits"), QDialogButtonBox::ActionRole);
    connect(credits, &QPushButton::clicked, this, &CAboutDlg::ShowCredits);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    Q_UNUSED(services);
}

QString CAboutDlg::VersionText()
{
    return QStringLiteral("Version %1").arg(QLatin1String(CRATEWISE_VERSION));
}

void CAboutDlg::ShowCredits()
{
    CCreditsDlg credits(this);
    credits.exec();
}

CCreditsDlg::CCreditsDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Credits"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Cratewise is built with Qt, SQLite, TagLib, mpg123 and libmpdclient.\n"
                       "Thanks to everyone who sent names, bug reports and ideas."),
        this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
