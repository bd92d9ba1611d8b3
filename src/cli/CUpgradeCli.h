#pragma once

class CCommandLine;

// upgrade on the command line.
void RegisterUpgradeCommands(CCommandLine& cli);
