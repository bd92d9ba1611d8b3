#pragma once

class CCommandLine;

// add-session, update-session, rename-session, delete-session and songs.
void RegisterSessionCommands(CCommandLine& cli);
