#pragma once

#include <QString>

class CPrompts;
class CProgress;
class CVolumes;

// Finds where a session's disc is mounted now and asks for it by name
// ("Insert the disc \"NAME\" in any drive.") until it is found, the user gives up or
// the prompts' retry limit is reached.
class CDriveLocator
{
public:
    enum class EVariant
    {
        General, // playback, preview, playlist import: removable, fixed, network, RAM
        Upgrade, // carrying over older databases: removable, fixed; hides the progress
        Copy,    // copying files: own root unless on removable media; searches those only
    };

    CDriveLocator(CVolumes& volumes, CPrompts& prompts) : m_volumes(volumes), m_prompts(prompts) {}

    // The path where the stored file is now: the stored path moved from the session's
    // recorded root (setting section "CDRoot") onto the mount point found. Empty when the
    // user gave up. The Upgrade variant hides progressToHide while it asks and shows it
    // again afterwards.
    QString LocateCdDrive(const QString& filePath, const QString& session, EVariant variant,
                          CProgress* progressToHide = nullptr);
    // The file of one song the user chose to play. A folder session whose folder is still
    // where it was gives the stored path even when the file is gone or unreadable: whoever
    // opens it says why, instead of asking for a disc. Else as LocateCdDrive (General).
    QString LocateSong(const QString& filePath, const QString& session);
    // Where the stored file is now, without asking for its disc: empty when no drive holds
    // it (the general variant's search, once).
    QString FindNow(const QString& filePath, const QString& session);

private:
    // What the session recorded of its volume.
    struct SRecorded
    {
        quint32 serial = 0;
        QString identity; // UUID or label; empty for older sessions and unnamed volumes
        bool Any() const { return serial != 0 || !identity.isEmpty(); }
    };
    // The stored path split at the session's root: false when it lies under no root.
    bool Split(const QString& filePath, const QString& session, QString& root, QString& relative);
    bool Holds(const QString& mountPoint, const SRecorded& recorded);
    // The recorded root still holds the disc (or, when copying, is no removable drive).
    bool QuickTest(const QString& root, const SRecorded& recorded, EVariant variant);
    // A folder session: its drive is no removable one and the song's folder is where it
    // was.
    bool FolderStillThere(const QString& filePath, const QString& root);
    // The first mount of an accepted type holding the disc; empty when none does.
    QString Search(const QString& relative, const SRecorded& recorded, EVariant variant);
    static SRecorded RecordedFor(const QString& session);

    CVolumes& m_volumes;
    CPrompts& m_prompts;
};
