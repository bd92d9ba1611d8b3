#pragma once

class CCommandLine;

// export-m3u, load-m3u, import-m3u and random on the command line.
void RegisterPlaylistCommands(CCommandLine& cli);
