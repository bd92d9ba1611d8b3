#pragma once

#include "platform/CSettingsTable.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The per-user settings store. A value of the "Settings" section is read by its name in
// the settings table, which gives its kind, default and range: a missing value reads as
// the default, and so does one out of range or of the wrong kind (a hand-edited file),
// with one warning per value and run through the read-warning listener. Every write is
// flushed to disk at once, so nothing waits for a clean exit.
//
// A write that did not reach the file returns false, is kept as LastWriteError() and is
// handed to the write-failure listener, so each face can tell the user. A file that
// exists but cannot be read is an error (ReadError()), never an empty store: while it
// lasts every write is refused, because writing would replace the settings not read.
// Neither is anything but a regular file of at most kMaxFileBytes: a FIFO would hang
// every start, a link to a device would be read without end.
//
// Sections: "Settings" (options and small state), "CDPath", "Cdrecord", "CDRoot" and
// "MergedPaths" and "CDVolume" (one value per session, keyed by the session name; MergedPaths
// holds the other folders of a merged session, separated by NUL, which no path holds).
class CSettings
{
public:
    static constexpr const char* kSettings = "Settings";
    static constexpr const char* kCDPath = "CDPath";
    static constexpr const char* kCdrecord = "Cdrecord";
    static constexpr const char* kCDRoot = "CDRoot";
    static constexpr const char* kMergedPaths = "MergedPaths";
    // The volume's UUID or label ("UUID=…", "LABEL=…"), when it has one.
    static constexpr const char* kCDVolume = "CDVolume";
    // Thousands of sessions and a saved playlist of the largest size take about 2 MiB.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

    // The file in use: $CRATEWISE_CONFIG, else the per-user INI file of
    // organisation "Quillfen", application "Cratewise ".
    static QString FilePath();
    // Points the store at another file (tests, --config); empty restores the default.
    static void SetFilePath(const QString& path);

    // The "Settings" section, through the table. Int() serves the Int and Bool kinds,
    // String() every kind (an Int as its digits).
    static int Int(ESetting id);
    static bool Bool(ESetting id) { return Int(id) != 0; }
    static QString String(ESetting id);
    static bool SetInt(ESetting id, int value);
    static bool SetBool(ESetting id, bool on) { return SetInt(id, on ? 1 : 0); }
    static bool SetString(ESetting id, const QString& value);
    // Adds to a counter; it stops at INT_MAX instead of turning negative.
    static bool AddToCounter(ESetting id, int amount);
    // The text as the file holds it; nothing when the value is not stored.
    static std::optional<QString> Stored(ESetting id);
    // Told once per value and run of a stored value that reads as the default because it
    // is out of range or of the wrong kind. Warnings found while no listener is set wait
    // for the next one. Returns the listener it replaces.
    using WarningListener = std::function<void(const QString& message)>;
    static WarningListener SetReadWarningListener(WarningListener listener);

    // Keyed access. A key of the "Settings" section that the table names reads through the
    // table: the caller's default is not used (tests pass sentinels such as -1 to see
    // whether a text value was written). Other keys and the per-session sections read with
    // the caller's default.
    static int GetInt(const QString& section, const QString& key, int def);
    static QString GetString(const QString& section, const QString& key, const QString& def);
    static bool WriteInt(const QString& section, const QString& key, int value);
    static bool WriteString(const QString& section, const QString& key, const QString& value);
    static bool Contains(const QString& section, const QString& key);
    static bool Remove(const QString& section, const QString& key);
    // Keys of a section, decoded back to the names they were written with.
    static QStringList Keys(const QString& section);

    // Why the settings file cannot be read, naming the file and the cause; empty when it
    // can be read or does not exist.
    static QString ReadError();
    // The message of the last write that did not reach its file.
    static QString LastWriteError();
    // Told of every write that did not reach its file (with the message), outside the
    // store's lock. Returns the listener it replaces.
    using FailureListener = std::function<void(const QString& message)>;
    static FailureListener SetWriteFailureListener(FailureListener listener);

    // Key encoding: session names may hold '/', '\\', '=', spaces and any letter.
    static QString EncodeKey(const QString& name);
    static QString DecodeKey(const QString& key);

    // While one is alive, reads look at the file once, not at every read: for a step
    // that reads many values at once (the intake's rules for one file).
    class CReadOnce
    {
    public:
        CReadOnce();
        ~CReadOnce();
        CReadOnce(const CReadOnce&) = delete;
        CReadOnce& operator=(const CReadOnce&) = delete;
    };

    // Whether a living scan holds the crash marker that ErrorFile reads.
    static bool MarkerInUse();
    // The crash markers of scans that died while another scan held the one ErrorFile reads,
    // each taken once.
    static QStringList TakeLeftMarkers();

    // While one is alive, the crash marker's file stays open between writes: a scan
    // writes it twice for every file.
    class CMarkerHold
    {
    public:
        CMarkerHold();
        ~CMarkerHold();
        CMarkerHold(const CMarkerHold&) = delete;
        CMarkerHold& operator=(const CMarkerHold&) = delete;
    };

    // Grows with every change this process makes to the settings and with every change of
    // file: values read at one count hold as long as it stays (unless another process
    // changes the file). For a job that reads the same values for each of many files.
    static quint64 Generation();
};
