#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The per-user settings store. Every read names its own default; every write is
// flushed to disk at once, so nothing waits for a clean exit.
//
// A write that did not reach the file returns false, is kept as LastWriteError() and is
// handed to the write-failure listener, so each face can tell the user. A file that
// exists but cannot be read is an error (ReadError()), never an empty store: while it
// lasts every write is refused, because writing would replace the settings not read.
//
// Sections: "Settings" (options and small state), "CDPath", "Cdrecord" and "CDRoot"
// (one value per session, keyed by the session name).
class CSettings
{
public:
    static constexpr const char* kSettings = "Settings";
    static constexpr const char* kCDPath = "CDPath";
    static constexpr const char* kCdrecord = "Cdrecord";
    static constexpr const char* kCDRoot = "CDRoot";

    // The file in use: $CRATEWISE_CONFIG, else the per-user INI file of
    // organisation "Quillfen", application "Cratewise ".
    static QString FilePath();
    // Points the store at another file (tests, --config); empty restores the default.
    static void SetFilePath(const QString& path);

    static int GetInt(const QString& section, const QString& key, int def);
    static QString GetString(const QString& section, const QString& key, const QString& def);
    static bool WriteInt(const QString& section, const QString& key, int value);
    static bool WriteString(const QString& section, const QString& key, const QString& value);
    static bool Contains(const QString& section, const QString& key);
    static bool Remove(const QString& section, const QString& key);
    // Keys of a section, decoded back to the names they were written with.
    static QStringList Keys(const QString& section);

    // Shorthands for the "Settings" section.
    static int Int(const QString& key, int def) { return GetInt(kSettings, key, def); }
    static QString String(const QString& key, const QString& def = QString())
    {
        return GetString(kSettings, key, def);
    }
    static bool SetInt(const QString& key, int value) { return WriteInt(kSettings, key, value); }
    static bool SetString(const QString& key, const QString& value)
    {
        return WriteString(kSettings, key, value);
    }
    // Adds to a counter of the "Settings" section; it stops at INT_MAX instead of turning
    // negative.
    static bool AddToCounter(const QString& key, int amount);

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
};
