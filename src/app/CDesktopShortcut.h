#pragma once

#include <QString>

class CPrompts;
struct SAppServices;

// The desktop entry that starts the program in its data directory.
namespace CDesktopShortcut {
// Asks "Do you want to create a shortcut…" and creates it on Yes.
void Offer(CPrompts& prompts, const SAppServices& services);
// Writes <desktopDir>/Cratewise.desktop; false when it cannot be written.
bool Create(const QString& desktopDir, const QString& program, const QString& workingDir);
// Asks the desktop to trust the launcher (gio metadata::trusted); never fails.
void MarkTrusted(const QString& file);
// Quotes a path for the Exec key of a desktop entry.
QString QuoteExec(const QString& path);
} // namespace CDesktopShortcut
