#include "net/gui/CUpdateDialog.h"

#include "model/CAppServices.h"
#include "net/CNetTexts.h"
#include "net/CUpdateCheck.h"
#include "net/gui/CWhatsNewDialog.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "ui/CHyperLink.h"
#include "ui/CWaitCursor.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

CUpdateDialog::CUpdateDialog(const SAppServices& services, QWidget* parent)
    : QDialog(parent), m_services(services)
{
    setWindowTitle(QStringLiteral("Check for Updates"));
    auto* group = new QGroupBox(QStringLiteral("Update"), this);
    auto* inner = new QVBoxLayout(group);
    m_check = new QPushButton(QStringLiteral("Check for Updates"), group);
    m_check->setObjectName(QStringLiteral("check"));
    m_status = new QLabel(CNetTexts::CheckIdle(), group);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_whatsNewButton = new QPushButton(QStringLiteral("What's New?"), group);
    m_whatsNewButton->setObjectName(QStringLiteral("whatsNew"));
    m_whatsNewButton->setEnabled(false);
    m_download = new QPushButton(QStringLiteral("Download"), group);
    m_download->setObjectName(QStringLiteral("download"));
    m_download->setEnabled(false);
    auto* row = new QHBoxLayout;
    row->addWidget(m_whatsNewButton);
    row->addWidget(m_download);
    inner->addWidget(m_check);
    inner->addWidget(m_status);
    inner->addLayout(row);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("close"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(m_check, &QPushButton::clicked, this, &CUpdateDialog::Check);
    connect(m_whatsNewButton, &QPushButton::clicked, this, &CUpdateDialog::ShowWhatsNew);
    connect(m_download, &QPushButton::clicked, this, &CUpdateDialog::OpenDownloadSite);
    connect(close, &QPushButton::clicked, this, &CUpdateDialog::reject);
    setMinimumWidth(320);
}

QString CUpdateDialog::Status() const
{
    return m_status->text();
}

void CUpdateDialog::Check()
{
    m_status->setText(CNetTexts::Checking());
    m_status->repaint();
    if (m_checking)
        return;
    // Checking again while the download waits would act on a check in flight; Close
    // stops the wait.
    m_check->setEnabled(false);
    m_checking = true;
    m_stop.Reset();
    const CUpdateCheck::SResult result = [this] {
        const CWaitCursor wait;
        return CUpdateCheck::Run(&m_stop, m_services.prompts);
    }();
    m_checking = false;
    m_check->setEnabled(true);
    if (m_closeAfterCheck) {
        QDialog::reject();
        return;
    }
    m_status->setText(result.status);
    if (!result.found)
        return;
    m_whatsNew = result.whatsNew;
    m_download->setEnabled(true);
    m_whatsNewButton->setEnabled(true);
}

void CUpdateDialog::ShowWhatsNew()
{
    CWhatsNewDialog dialog(m_whatsNew, this);
    dialog.exec();
}

void CUpdateDialog::OpenDownloadSite()
{
    const QString site = CSettings::String(ESetting::WebSite);
    if (CSettingsTable::IsWebAddress(site) && m_services.openUrl && m_services.openUrl(QUrl(site)))
        return;
    // Without a browser the button must not look as if it had done something.
    if (m_services.prompts)
        m_services.prompts->Exclaim(CHyperLink::FailureText(CHyperLink::kNoAssociation),
                                    CNetTexts::AppName());
}

void CUpdateDialog::reject()
{
    if (!m_checking) {
        QDialog::reject();
        return;
    }
    m_closeAfterCheck = true;
    m_stop.Cancel();
}
