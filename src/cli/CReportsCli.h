#pragma once

class CCommandLine;

// export-html, stats and duplicates on the command line.
void RegisterReportCommands(CCommandLine& cli);
