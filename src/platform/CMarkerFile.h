#pragma once

#include <QString>
#include <QStringList>

// The intake's crash marker (the settings value "ErrorFile") is written before and cleared
// after every file it takes in: thousands of times a minute. Replacing or truncating the
// settings file that often costs a flush per write on ext4, so the marker lives in a small
// file of its own beside it that is only ever overwritten in place, in one write: the text
// and a terminating zero byte (no path contains one). A crash leaves either the old text
// or the new one; whatever follows the zero is the tail of a longer earlier text and is
// ignored. Used by CSettings only.
namespace CMarkerFile {

// The marker kept for the settings file at `settingsPath`; empty when there is none.
QString Read(const QString& settingsPath);
// Returns why the marker was not saved; empty when it was (or when it was to be cleared
// while a living scan holds it).
QString Write(const QString& settingsPath, const QString& value);
// Whether a living scan holds the marker Read returns (it is then no crash's).
bool InUse(const QString& settingsPath);
// The markers of the scans that died while another one held the shared marker, each taken
// once (their files removed).
QStringList TakeLeft(const QString& settingsPath);
// While a hold is taken the file stays open (and locked) between writes: a scan writes it
// twice for every file. The last release clears it.
void Hold();
void Release();

} // namespace CMarkerFile
