#pragma once

class CCommandLine;

// player send, status, play, pause, stop, next, previous and volume on the command line.
void RegisterPlayerCommands(CCommandLine& cli);
