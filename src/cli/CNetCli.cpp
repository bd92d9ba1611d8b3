#include "cli/CNetCli.h"

#include "cli/CCommandLine.h"
#include "model/CAppServices.h"
#include "net/CFeedbackMail.h"
#include "net/CNetTexts.h"
#include "net/CUpdateCheck.h"
#include "platform/CText.h"

#include <QFile>

namespace {

const char* const kFeedbackUsage =
    "feedback --name N --email E --message-file F [--password-file P]";

int CheckUpdate(SCliContext& c)
{
    CCommandLine::ExpectArguments(c.args, 0, QStringLiteral("check-update"));
    const CUpdateCheck::SResult result = CUpdateCheck::Run(nullptr, &c.prompts);
    if (!result.answered)
        throw CCliError(result.status);
    c.out << result.status << '\n';
    // What is new, one line each, as What's New? shows it.
    QStringList lines = result.whatsNew.split(QStringLiteral("\r\n"));
    lines.removeLast(); // every line ends with a break, the last one too
    for (const QString& line : lines)
        c.out << CText::Printable(line) << '\n';
    return 0;
}

// The sign-in password: the file's first line, else the keyring's; none when the server
// takes mail without a sign-in.
QString Password(SCliContext& c, const QString& passwordFile)
{
    if (CFeedbackMail::User().isEmpty())
        return {};
    if (!passwordFile.isEmpty()) {
        const QString text = CCommandLine::ReadText(passwordFile);
        QString line = text.left(text.indexOf(u'\n'));
        if (line.endsWith(u'\r'))
            line.chop(1);
        return line;
    }
    const CFeedbackMail::SPassword kept = CFeedbackMail::KeptPassword(c.services.passwords);
    if (!kept.found)
        throw CCliError(kept.error + u' ' + CNetTexts::PasswordFileHint());
    return kept.password;
}

int Feedback(SCliContext& c)
{
    const QString usage = QString::fromLatin1(kFeedbackUsage);
    const QString name = CCommandLine::TakeOption(c.args, QStringLiteral("--name"));
    const QString email = CCommandLine::TakeOption(c.args, QStringLiteral("--email"));
    const QString messageFile = CCommandLine::TakeOption(c.args, QStringLiteral("--message-file"));
    const QString passwordFile =
        CCommandLine::TakeOption(c.args, QStringLiteral("--password-file"));
    CCommandLine::ExpectArguments(c.args, 0, usage);
    if (messageFile.isEmpty())
        throw CCliError(QStringLiteral("usage: cratewise ") + usage);
    const QString message = CCommandLine::ReadText(messageFile);
    const CFeedbackMail::SResult result = CFeedbackMail::Send(
        name, email, message, CNetTexts::FeedbackSubject(), Password(c, passwordFile));
    if (!result.sent)
        throw CCliError(result.error);
    c.out << CNetTexts::MessageSent() << '\n';
    return 0;
}

} // namespace

void RegisterNetCommands(CCommandLine& cli)
{
    cli.Add({.name = QStringLiteral("check-update"),
             .usage = QStringLiteral("check-update"),
             .summary =
                 QStringLiteral("asks the update server for a newer version and prints the answer"),
             .run = CheckUpdate,
             .onlyReads = true,
             .catalogue = SCliCommand::ECatalogue::Unused});
    cli.Add({.name = QStringLiteral("feedback"),
             .usage = QString::fromLatin1(kFeedbackUsage),
             .summary = QStringLiteral("mails the name, e-mail and message file to the support "
                                       "address, signing in with the keyring's password or the "
                                       "file's"),
             .run = Feedback,
             .onlyReads = true,
             .catalogue = SCliCommand::ECatalogue::Unused});
}
