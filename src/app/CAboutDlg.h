#pragma once

#include <QDialog>

struct SAppServices;

// "About Cratewise": name, version, the web site and mail links, and the credits.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    CAboutDlg(const SAppServices& services, QWidget* parent = nullptr);
    static QString VersionText();

private:
    void ShowCredits();
};

// The small credits window.
class CCreditsDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CCreditsDlg(QWidget* parent = nullptr);
};
