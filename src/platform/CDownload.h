#pragma once

#include <QByteArray>
#include <QString>

class CNetCancel;
class CPrompts;

// Fetches one small file over HTTP (the version file, the shared list of names), taking at
// most the setting "NetTimeout" (seconds, default 15) for the whole transfer, so a server
// that trickles bytes cannot hold the program either, and at most kMaxBytes, so one that
// sends without end cannot fill the memory. Runs a local event loop until done, so the
// caller's window stays painted. The body stays in memory: no temporary file is left
// behind when the program is killed meanwhile.
namespace CDownload {

constexpr qint64 kMaxBytes = 1024 * 1024;

// "YES" with the body, else the text of the error (at most 254 characters). A server's
// error page (404 and the like) is an error, and so is a redirect from https to http.
// With `cancel`, the user may stop the wait ("Cancelled." is then the error).
QString Get(const QString& url, QByteArray& body, CNetCancel* cancel = nullptr);
QString Get(const QString& url, QByteArray& body, int timeoutMs, CNetCancel* cancel = nullptr);
// The longest wait for a network exchange: the setting "NetTimeout" in seconds (15).
int TimeoutMs();

// The base address of the update server (setting "UpdateServer") joined with a path.
QString UpdateUrl(const QString& path);

// Tells the user once (per address, for good) that an http:// address is not encrypted:
// a stored one keeps working, but its answers can be changed on the way.
void NameIfUnencrypted(const QString& url, CPrompts* prompts);

} // namespace CDownload
