#pragma once

#include <QString>

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
// Returns why the marker was not saved; empty when it was.
QString Write(const QString& settingsPath, const QString& value);
// While a hold is taken the file stays open between writes: a scan writes it twice for
// every file.
void Hold();
void Release();

} // namespace CMarkerFile
