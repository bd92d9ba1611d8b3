#include "cli/CCommandLine.h"
#include "cli/CLibraryCli.h"
#include "cli/CNetCli.h"
#include "cli/CPlaylistCli.h"
#include "cli/CSessionCli.h"

// Every subsystem registers its commands here, one line each.
void RegisterAllCommands(CCommandLine& cli)
{
    RegisterAppCommands(cli);
    RegisterSessionCommands(cli);
    RegisterLibraryCommands(cli);
    RegisterPlaylistCommands(cli);
    RegisterNetCommands(cli);
}
