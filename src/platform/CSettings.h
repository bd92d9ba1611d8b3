#pragma once

#include <QString>
#include <QStringList>

// The per-user settings store. Every read names its own default; every write is
// flushed to disk at once, so nothing waits for a clean exit.
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
    static void WriteInt(const QString& section, const QString& key, int value);
    static void WriteString(const QString& section, const QString& key, const QString& value);
    static bool Contains(const QString& section, const QString& key);
    static void Remove(const QString& section, const QString& key);
    // Keys of a section, decoded back to the names they were written with.
    static QStringList Keys(const QString& section);

    // Shorthands for the "Settings" section.
    static int Int(const QString& key, int def) { return GetInt(kSettings, key, def); }
    static QString String(const QString& key, const QString& def = QString())
    {
        return GetString(kSettings, key, def);
    }
    static void SetInt(const QString& key, int value) { WriteInt(kSettings, key, value); }
    static void SetString(const QString& key, const QString& value)
    {
        WriteString(kSettings, key, value);
    }
    // Adds to a counter of the "Settings" section; it stops at INT_MAX instead of turning
    // negative.
    static void AddToCounter(const QString& key, int amount);

    // Key encoding: session names may hold '/', '\\', '=', spaces and any letter.
    static QString EncodeKey(const QString& name);
    static QString DecodeKey(const QString& key);
};
