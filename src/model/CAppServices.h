#pragma once

#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class CPasswordStore;
class CPrompts;
class CProgress;
class CVolumes;
class CWinampRemote;
class QWidget;

// What the operations are given from outside: the interfaces that the window, the
// command line and the tests each fill in their own way.
struct SAppServices
{
    CPrompts* prompts = nullptr;
    CWinampRemote* winamp = nullptr;
    CVolumes* volumes = nullptr;
    QString dataDir;
    // A progress display for one long job: caption, lines and width of its message.
    std::function<std::unique_ptr<CProgress>(const QString& caption, int lines, int width)>
        createProgress;
    // The current local month, 1 to 12 (the monthly update offer).
    std::function<int()> currentMonth;
    // The user's desktop folder (the shortcut) and temporary folder (copies of songs).
    QString desktopDir;
    QString tempDir;
    // The installed documentation (cratewise.html, readme.txt), for F1 when the data
    // directory's readme cannot be shown.
    QString docDir;
    // Opens a document or address with the desktop's handler (Documentation, links).
    std::function<bool(const QUrl&)> openUrl;
    // Where the mail password is kept (the desktop keyring); none: it is typed each time.
    CPasswordStore* passwords = nullptr;
    // The owner of dialogs; none on the command line.
    QWidget* dialogParent = nullptr;
};
