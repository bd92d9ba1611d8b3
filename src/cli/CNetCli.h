#pragma once

class CCommandLine;

// check-update and feedback on the command line.
void RegisterNetCommands(CCommandLine& cli);
