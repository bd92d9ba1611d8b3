#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

namespace {

int ListSessions(SCliContext& c)
{
    CCommandLine::ExpectArguments(c.args, 0, QStringLiteral("sessions"));
    qint64 total = 0;
    const auto sessions = c.set.SessionCounts();
    for (const auto& [name, count] : sessions) {
        c.out << CText::Printable(name) << '\t' << count << '\n';
        total += count;
    }
    c.out << "Total: " << sessions.size() << (sessions.size() == 1 ? " session, " : " sessions, ")
          << total << (total == 1 ? " song" : " songs") << '\n';
    return 0;
}

int Config(SCliContext& c)
{
    if (c.args.size() > 2)
        throw CCliError(QStringLiteral("usage: cratewise config [NAME [VALUE]]"));
    if (c.args.isEmpty()) {
        for (const QString& key : CSettings::Keys(QString::fromLatin1(CSettings::kSettings)))
            c.out << CText::Printable(key) << '=' << CText::Printable(CSettings::String(key))
                  << '\n';
        return 0;
    }
    const QString& name = c.args[0];
    if (c.args.size() == 1) {
        if (!CSettings::Contains(QString::fromLatin1(CSettings::kSettings), name))
            throw CCliError(QStringLiteral("\"%1\" is not set").arg(name));
        c.out << CText::Printable(CSettings::String(name)) << '\n';
        return 0;
    }
    if (!CSettings::SetString(name, c.args[1]))
        throw CCliError(CSettings::LastWriteError());
    return 0;
}

} // namespace

void RegisterAppCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("sessions"), QStringLiteral("sessions"),
             QStringLiteral("lists every session with its number of songs, then the total"),
             ListSessions, true});
    cli.Add({QStringLiteral("config"), QStringLiteral("config [NAME [VALUE]]"),
             QStringLiteral("lists the options, prints one, or sets one"), Config, true});
}
