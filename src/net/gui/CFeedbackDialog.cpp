#include "net/gui/CFeedbackDialog.h"

#include "model/CAppServices.h"
#include "net/CFeedbackMail.h"
#include "net/CNetTexts.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "ui/CWaitCursor.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CFeedbackDialog::CFeedbackDialog(const SAppServices& services, QWidget* parent)
    : QDialog(parent), m_services(services), m_prompts(*services.prompts),
      m_subject(CNetTexts::FeedbackSubject())
{
    setWindowTitle(CNetTexts::FeedbackCaption());
    auto* group = new QGroupBox(QStringLiteral("Information"), this);
    auto* form = new QFormLayout(group);
    m_name = new QLineEdit(group);
    m_name->setObjectName(QStringLiteral("name"));
    m_email = new QLineEdit(group);
    m_email->setObjectName(QStringLiteral("email"));
    m_messageLabel = new QLabel(QStringLiteral("Message:"), group);
    m_messageLabel->setObjectName(QStringLiteral("messageLabel"));
    m_message = new QPlainTextEdit(group);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setTabChangesFocus(true);
    form->addRow(QStringLiteral("Name:"), m_name);
    form->addRow(QStringLiteral("E-mail:"), m_email);
    form->addRow(m_messageLabel, m_message);
    if (const QString user = CFeedbackMail::User(); !user.isEmpty()) {
        m_password = new QLineEdit(group);
        m_password->setObjectName(QStringLiteral("password"));
        m_password->setEchoMode(QLineEdit::Password);
        m_password->setPlaceholderText(QStringLiteral("kept in the desktop keyring"));
        form->addRow(QStringLiteral("Password:"), m_password);
        auto* note = new QLabel(CNetTexts::SignInNote(user), group);
        note->setWordWrap(true);
        form->addRow(note);
    }

    m_send = new QPushButton(QStringLiteral("Send"), this);
    m_send->setObjectName(QStringLiteral("send"));
    m_send->setDefault(true);
    auto* mailProgram = new QPushButton(QStringLiteral("Send with my mail program"), this);
    mailProgram->setObjectName(QStringLiteral("mailProgram"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(mailProgram);
    buttons->addStretch();
    buttons->addWidget(m_send);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    connect(m_send, &QPushButton::clicked, this, &CFeedbackDialog::Send);
    connect(mailProgram, &QPushButton::clicked, this, &CFeedbackDialog::SendWithMailProgram);
    connect(m_cancel, &QPushButton::clicked, this, &CFeedbackDialog::OnCancel);
    resize(420, 320);
}

void CFeedbackDialog::ShowFeedback(const SAppServices& services, QWidget* parent)
{
    CFeedbackDialog dialog(services, parent);
    dialog.exec();
}

void CFeedbackDialog::ShowNameSubmission(const QStringList& names, const SAppServices& services,
                                         QWidget* parent)
{
    CFeedbackDialog dialog(services, parent);
    dialog.setWindowTitle(CNetTexts::NamesCaption());
    dialog.SetSubject(CNetTexts::NamesSubject());
    dialog.SetMessageLabel(QStringLiteral("Name(s):"));
    QString message;
    for (const QString& name : names)
        message += name + QStringLiteral("\r\n");
    dialog.SetMessage(message);
    dialog.exec();
}

void CFeedbackDialog::SetMessageLabel(const QString& label)
{
    m_messageLabel->setText(label);
}

void CFeedbackDialog::SetMessage(const QString& message)
{
    m_message->setPlainText(message);
}

void CFeedbackDialog::Send()
{
    if (m_sending)
        return;
    QString password;
    if (!TakePassword(password))
        return;
    m_prompts.Inform(CNetTexts::ConnectReminder(CSettings::String(ESetting::MailServer),
                                                CSettings::Int(ESetting::MailPort)),
                     CNetTexts::ConnectReminderCaption());
    // The mail waits on the network with the window painted; a second Send meanwhile
    // would act on a form that is still sending, while Cancel stops the wait.
    m_send->setEnabled(false);
    m_sending = true;
    m_stop.Reset();
    const CFeedbackMail::SResult result = [this, &password] {
        const CWaitCursor wait;
        return CFeedbackMail::Send(m_name->text(), m_email->text(), m_message->toPlainText(),
                                   m_subject, password, &m_stop);
    }();
    m_sending = false;
    m_send->setEnabled(true);
    if (m_closeAfterSending) {
        QDialog::reject();
        return;
    }
    if (m_stop.IsCancelled())
        return;
    if (!result.sent) {
        m_prompts.Error(result.error, CNetTexts::AppName());
        return;
    }
    // Kept only once the server took it: a mistyped password is not remembered.
    if (m_password && !m_password->text().isEmpty()) {
        const QString notKept = CFeedbackMail::KeepPassword(m_services.passwords, password);
        if (!notKept.isEmpty())
            m_prompts.Exclaim(CNetTexts::PasswordNotKept(notKept), CNetTexts::AppName());
    }
    m_prompts.Inform(CNetTexts::MessageSent(), CNetTexts::AppName());
    accept();
}

bool CFeedbackDialog::TakePassword(QString& password)
{
    if (!m_password)
        return true;
    password = m_password->text();
    if (!password.isEmpty())
        return true;
    const CFeedbackMail::SPassword kept = CFeedbackMail::KeptPassword(m_services.passwords);
    if (kept.found) {
        password = kept.password;
        return true;
    }
    m_prompts.Error(kept.error + QStringLiteral("\n\n") + CNetTexts::TypePasswordHint(),
                    CNetTexts::AppName());
    m_password->setFocus();
    return false;
}

void CFeedbackDialog::SendWithMailProgram()
{
    if (m_sending)
        return;
    const QUrl address =
        CFeedbackMail::MailProgramAddress(m_name->text(), m_message->toPlainText(), m_subject);
    if (address.isEmpty())
        return m_prompts.Error(CNetTexts::MessageTooLongForMailProgram(), CNetTexts::AppName());
    if (!m_services.openUrl || !m_services.openUrl(address))
        return m_prompts.Error(CNetTexts::NoMailProgram().arg(CFeedbackMail::SupportAddress()),
                               CNetTexts::AppName());
    accept();
}

void CFeedbackDialog::OnCancel()
{
    if (m_sending)
        m_stop.Cancel();
    else
        QDialog::reject();
}

void CFeedbackDialog::reject()
{
    if (!m_sending) {
        QDialog::reject();
        return;
    }
    m_closeAfterSending = true;
    m_stop.Cancel();
}
