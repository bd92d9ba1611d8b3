#include "cli/CUpgradeCli.h"

#include "cli/CCommandLine.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "upgrade/CUpgrade.h"

#include <optional>

namespace {

const char* const kUsage = "upgrade FILE [--retrieve|--no-retrieve]";

int Upgrade(SCliContext& c)
{
    const bool yes = CCommandLine::TakeFlag(c.args, QStringLiteral("--retrieve"));
    const bool no = CCommandLine::TakeFlag(c.args, QStringLiteral("--no-retrieve"));
    CCommandLine::ExpectArguments(c.args, 1, QString::fromLatin1(kUsage));
    if (yes && no)
        throw CCliError(QStringLiteral("usage: cratewise ") + QString::fromLatin1(kUsage));
    // Without either option the question is answered by --yes / --no.
    const std::optional<bool> retrieve = yes  ? std::optional(true)
                                         : no ? std::optional(false)
                                              : std::nullopt;
    const CUpgrade::SResult result = CUpgrade(c.doc, c.services).Upgrade(c.args[0], retrieve);
    // The window offers no older database again once one was carried over.
    if (result.outcome != CUpgrade::EOutcome::NotOpened)
        CUpgrade::MarkDone();
    // The prompts printed the failures.
    if (result.outcome != CUpgrade::EOutcome::Done)
        return 1;
    if (result.cancelled)
        throw CCliError(QStringLiteral("Cancelled: %1 of %2 songs were carried over.")
                            .arg(result.stored)
                            .arg(result.found));
    c.out << result.stored << (result.stored == 1 ? " song" : " songs") << " carried over from "
          << CText::Printable(c.args[0]) << Qt::endl;
    return 0;
}

} // namespace

void RegisterUpgradeCommands(CCommandLine& cli)
{
    cli.Add({.name = QStringLiteral("upgrade"),
             .usage = QString::fromLatin1(kUsage),
             .summary = QStringLiteral("carries the songs of an older Cratewise database over; "
                                       "--retrieve reads bit rate and length from the files"),
             .run = Upgrade,
             .catalogue = SCliCommand::ECatalogue::MayCreate});
}
