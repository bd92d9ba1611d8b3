#include "cli/CCommandLine.h"
#include "cli/CEditingCli.h"
#include "cli/CLibraryCli.h"
#include "cli/CNetCli.h"
#include "cli/CPlayerCli.h"
#include "cli/CPlaylistCli.h"
#include "cli/CPreviewCli.h"
#include "cli/CReportsCli.h"
#include "cli/CSessionCli.h"
#include "cli/CUpgradeCli.h"

// Every subsystem registers its commands here, one line each.
void RegisterAllCommands(CCommandLine& cli)
{
    RegisterAppCommands(cli);
    RegisterSessionCommands(cli);
    RegisterLibraryCommands(cli);
    RegisterPlaylistCommands(cli);
    RegisterPlayerCommands(cli);
    RegisterPreviewCommands(cli);
    RegisterEditingCommands(cli);
    RegisterReportCommands(cli);
    RegisterUpgradeCommands(cli);
    RegisterNetCommands(cli);
}
