#pragma once

#include <QDialog>

class CHyperLink;
class CPrompts;
class QPushButton;

// "About Cratewise": name, version, the web site and the support mail address as links,
// and the credits.
class CAboutDialog : public QDialog
{
    Q_OBJECT
public:
    // `prompts` receives the links' failure messages; null uses the window's own boxes.
    explicit CAboutDialog(QWidget* parent = nullptr, CPrompts* prompts = nullptr);

    // Null when the site is not an http(s) address and is shown as text.
    CHyperLink* WebLink() const { return m_web; }
    CHyperLink* MailLink() const { return m_mail; }
    QPushButton* CreditsButton() const { return m_credits; }

private:
    void ShowCredits();

    CHyperLink* m_web = nullptr;
    CHyperLink* m_mail = nullptr;
    QPushButton* m_credits = nullptr;
};
