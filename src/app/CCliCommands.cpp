#include "app/CCommandLine.h"
#include "intake/CSessionCli.h"
#include "library/CLibraryCommands.h"
#include "playlist/CPlaylistCommands.h"

// Every subsystem registers its commands here, one line each.
void RegisterAllCommands(CCommandLine& cli)
{
    RegisterAppCommands(cli);
    RegisterSessionCommands(cli);
    RegisterLibraryCommands(cli);
    RegisterPlaylistCommands(cli);
}
