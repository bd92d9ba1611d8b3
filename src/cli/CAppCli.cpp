#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

#include <QJsonArray>
#include <optional>

namespace {

const QString kSessionsUsage = QStringLiteral("sessions [--json]");

int ListSessions(SCliContext& c)
{
    const bool json = CCommandLine::TakeJson(c.args);
    CCommandLine::ExpectArguments(c.args, 0, kSessionsUsage);
    qint64 total = 0;
    const auto sessions = c.set.SessionCounts();
    if (json) {
        QJsonArray list;
        for (const auto& [name, count] : sessions)
            list.append(
                QJsonObject{{QStringLiteral("CD"), name}, {QStringLiteral("songs"), count}});
        CCommandLine::PrintJson(c.out, QJsonDocument(list));
        return 0;
    }
    for (const auto& [name, count] : sessions) {
        c.out << CText::Printable(name) << '\t' << count << '\n';
        total += count;
    }
    c.out << "Total: " << sessions.size() << (sessions.size() == 1 ? " session, " : " sessions, ")
          << total << (total == 1 ? " song" : " songs") << '\n';
    return 0;
}

const QString kConfigUsage = QStringLiteral("config [--defaults | NAME [VALUE]] [--json]");

// A setting as JSON: whole numbers (and 0/1 switches) as numbers, anything else as text.
QJsonValue SettingJson(const SSettingDef& def, const QString& value)
{
    const bool number = def.kind == ESettingKind::Int || def.kind == ESettingKind::Bool;
    return number ? CCommandLine::NumberJson(value) : QJsonValue(value);
}

// Every setting as one object, by name.
void ListSettingsJson(QTextStream& out, bool defaultsOnly)
{
    QJsonObject settings;
    for (const SSettingDef& def : CSettingsTable::All())
        settings.insert(QLatin1String(def.key),
                        SettingJson(def, defaultsOnly ? QString::fromUtf8(def.def)
                                                      : CSettings::String(def.id)));
    CCommandLine::PrintJson(out, QJsonDocument(settings));
}

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
    const bool json = CCommandLine::TakeJson(c.args);
    if (c.args.size() > 2 || (defaultsOnly && !c.args.isEmpty()) || (json && c.args.size() > 1))
        throw CCliError(QStringLiteral("usage: cratewise ") + kConfigUsage);
    if (c.args.isEmpty()) {
        if (json)
            ListSettingsJson(c.out, defaultsOnly);
        else
            ListSettings(c.out, defaultsOnly);
        return 0;
    }
    const SSettingDef& def = NamedSetting(c.args[0]);
    if (c.args.size() == 1) {
        const QString value = CSettings::String(def.id);
        if (json)
            CCommandLine::PrintJson(c.out, QJsonDocument(QJsonObject{
                                               {QLatin1String(def.key), SettingJson(def, value)}}));
        else
            c.out << CText::Printable(value) << '\n';
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
    cli.Add({QStringLiteral("sessions"), kSessionsUsage,
             QStringLiteral("lists every session with its number of songs, then the total "
                            "(--json: an array of {CD, songs})"),
             ListSessions, true});
    cli.Add({.name = QStringLiteral("config"),
             .usage = kConfigUsage,
             .summary = QStringLiteral("lists every setting with its value (--defaults: the "
                                       "defaults), prints one, or sets one after checking its "
                                       "kind and range (--json: one object of names and values)"),
             .run = Config,
             .onlyReads = true,
             .words = SettingNames(),
             .catalogue = SCliCommand::ECatalogue::Unused});
}
