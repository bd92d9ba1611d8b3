#pragma once

#include "platform/CNetCancel.h"

#include <QDialog>

class QLabel;
class QPushButton;
struct SAppServices;

// "Check for Updates": asks the update server for a newer version and, when there is
// one, shows what is new and opens the product's site.
class CUpdateDialog : public QDialog
{
    Q_OBJECT
public:
    CUpdateDialog(const SAppServices& services, QWidget* parent = nullptr);

    void Check();
    void ShowWhatsNew();
    void OpenDownloadSite();

    QString Status() const;
    // Close, Escape and the close box: stop a check on its way and close.
    void reject() override;

private:
    const SAppServices& m_services;
    QString m_whatsNew;
    QLabel* m_status = nullptr;
    QPushButton* m_check = nullptr;
    QPushButton* m_whatsNewButton = nullptr;
    QPushButton* m_download = nullptr;
    CNetCancel m_stop;
    bool m_checking = false;
    bool m_closeAfterCheck = false;
};
