#pragma once

#include <QString>

class CNetCancel;
class CPrompts;

// Asks the update server whether a newer Cratewise exists: the first line of
// "/version.txt" is the newest version times 100, the other lines say what is new.
namespace CUpdateCheck {

constexpr int kOwnVersion = 293;

struct SResult
{
    QString status; // the status line: an error text, "No update was found" or "Update found!"
    bool answered = false; // the version file was read; else status is the error
    bool found = false;
    QString whatsNew; // the remaining lines, each ended by CR LF (only when found)
};

// Fetches the version file and reads it; with `cancel` the user may stop the wait. An
// http:// server is named to `prompts` once as unencrypted.
SResult Run(CNetCancel* cancel = nullptr, CPrompts* prompts = nullptr);
// Reads the version file's bytes.
SResult Read(const QByteArray& file);

} // namespace CUpdateCheck
