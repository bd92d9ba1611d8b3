#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class CPrompts;
class CVolumes;
class CWinampRemote;

// What the main window is given from outside: the interfaces that tests replace with
// scripted or fake ones, and the data directory.
struct SAppServices
{
    CPrompts* prompts = nullptr;
    CWinampRemote* winamp = nullptr;
    CVolumes* volumes = nullptr;
    QString dataDir;
    // The current local month, 1 to 12 (the monthly update offer).
    std::function<int()> currentMonth;
    // The user's desktop folder (the shortcut) and temporary folder (copies of songs).
    QString desktopDir;
    QString tempDir;
    // Opens a document or address with the desktop's handler (Documentation, links).
    std::function<bool(const QUrl&)> openUrl;
};
