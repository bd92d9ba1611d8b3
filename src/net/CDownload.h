#pragma once

#include <QString>

// Fetches one file over HTTP into a local file, taking at most the setting "NetTimeout"
// (seconds, default 15) for the whole transfer, so a server that trickles bytes cannot
// hold the program either. Runs a local event loop until done, so the caller's window
// stays painted.
namespace CDownload {

// "YES" when the body was written to localFile, else the text of the error (the local
// file is then removed). A server's error page (404 and the like) is an error.
QString Fetch(const QString& url, const QString& localFile);
// The longest wait for a network reply: the setting "NetTimeout" in seconds (15).
int TimeoutMs();
QString Fetch(const QString& url, const QString& localFile, int timeoutMs);

// The base address of the update server (setting "UpdateServer") joined with a path.
QString UpdateUrl(const QString& path);

} // namespace CDownload
