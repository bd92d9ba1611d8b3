#pragma once

#include "platform/CNetCancel.h"

#include <QDialog>
#include <QStringList>

class CPrompts;
struct SAppServices;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Send Feedback/Bug Report": name, e-mail and message mailed to the support mailbox,
// through the mail server (signing in when "MailUser" is set) or handed to the user's own
// mail program. The same form submits names with leading digits.
class CFeedbackDialog : public QDialog
{
    Q_OBJECT
public:
    CFeedbackDialog(const SAppServices& services, QWidget* parent = nullptr);

    // The form as the Help menu opens it.
    static void ShowFeedback(const SAppServices& services, QWidget* parent);
    // The form that mails the given names, one a line.
    static void ShowNameSubmission(const QStringList& names, const SAppServices& services,
                                   QWidget* parent);

    void SetSubject(const QString& subject) { m_subject = subject; }
    QString Subject() const { return m_subject; }
    void SetMessageLabel(const QString& label);
    void SetMessage(const QString& message);

    // Mails the form; closes it when the mail went out, else says why and stays open.
    void Send();
    // Opens a new message in the user's mail program with the form's text; closes when one
    // opened.
    void SendWithMailProgram();
    // Escape and the close box: stop a mail on its way and close.
    void reject() override;

private:
    // Cancel: stops a mail on its way (the form stays, ready to send again), else closes.
    void OnCancel();
    // The sign-in password: typed, else the keyring's; false (and said why) when none.
    bool TakePassword(QString& password);

    const SAppServices& m_services;
    CPrompts& m_prompts;
    QString m_subject;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_email = nullptr;
    QLabel* m_messageLabel = nullptr;
    QPlainTextEdit* m_message = nullptr;
    QLineEdit* m_password = nullptr; // only when "MailUser" names someone
    QPushButton* m_send = nullptr;
    QPushButton* m_cancel = nullptr;
    CNetCancel m_stop;
    bool m_sending = false;
    bool m_closeAfterSending = false;
};
