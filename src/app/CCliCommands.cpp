#include "app/CCommandLine.h"

// Every subsystem registers its commands here, one line each.
void RegisterAllCommands(CCommandLine& cli)
{
    RegisterAppCommands(cli);
    RegisterLibraryCommands(cli);
}
