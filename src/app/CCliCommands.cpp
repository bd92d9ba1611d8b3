#include "app/CCommandLine.h"
#include "intake/CSessionCli.h"
#include "playlist/CPlaylistCommands.h"

// Every subsystem registers its commands here, one line each.
void RegisterAllCommands(CCommandLine& cli)
{
    RegisterAppCommands(cli);
    RegisterSessionCommands(cli);
    RegisterPlaylistCommands(cli);
}
