#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

#include <optional>

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

const QString kConfigUsage = QStringLiteral("config [--defaults | NAME [VALUE]]");

// Every setting on a line of its own, grouped as in Options under a "# Page" line: the
// name, the value and, where it differs, the default.
void ListSettings(QTextStream& out, bool defaultsOnly)
{
    std::optional<ESettingGroup> group;
    for (const SSettingDef& def : CSettingsTable::All()) {
        if (def.group != group) {
            out << (group ? "\n# " : "# ") << CSettingsTable::GroupName(def.group) << '\n';
            group = def.group;
        }
        const QString fallback = QString::fromUtf8(def.def);
        const QString value = defaultsOnly ? fallback : CSettings::String(def.id);
        out << def.key << '\t' << CText::Printable(value);
        if (value != fallback)
            out << "\t(default: " << CText::Printable(fallback) << ')';
        out << '\n';
    }
}

const SSettingDef& NamedSetting(const QString& name)
{
    if (const SSettingDef* def = CSettingsTable::FindIgnoringCase(name))
        return *def;
    throw CCliError(QStringLiteral("\"%1\" is not a setting (cratewise config lists them all)")
                        .arg(CText::Printable(name)));
}

int Config(SCliContext& c)
{
    const bool defaultsOnly = CCommandLine::TakeFlag(c.args, QStringLiteral("--defaults"));
    if (c.args.size() > 2 || (defaultsOnly && !c.args.isEmpty()))
        throw CCliError(QStringLiteral("usage: cratewise ") + kConfigUsage);
    if (c.args.isEmpty()) {
        ListSettings(c.out, defaultsOnly);
        return 0;
    }
    const SSettingDef& def = NamedSetting(c.args[0]);
    if (c.args.size() == 1) {
        c.out << CText::Printable(CSettings::String(def.id)) << '\n';
        return 0;
    }
    const std::optional<QString> value = CSettingsTable::Normalise(def, c.args[1]);
    if (!value)
        throw CCliError(QStringLiteral("%1 takes %2, not \"%3\"; nothing was stored")
                            .arg(QLatin1String(def.key), CSettingsTable::KindText(def),
                                 CText::Printable(c.args[1])));
    if (!CSettings::SetString(def.id, *value))
        throw CCliError(CSettings::LastWriteError());
    return 0;
}

QStringList SettingNames()
{
    QStringList names;
    for (const SSettingDef& def : CSettingsTable::All())
        names << QLatin1String(def.key);
    return names;
}

} // namespace

void RegisterAppCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("sessions"), QStringLiteral("sessions"),
             QStringLiteral("lists every session with its number of songs, then the total"),
             ListSessions, true});
    cli.Add({QStringLiteral("config"), kConfigUsage,
             QStringLiteral("lists every setting with its value (--defaults: the defaults), "
                            "prints one, or sets one after checking its kind and range"),
             Config, true, SettingNames()});
}
