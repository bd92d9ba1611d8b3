#pragma once

#include <QString>

class CPrompts;
class CProgress;
class CVolumes;

// Finds where a session's disc is mounted now and asks for it by name
// ("Please, insert " + session + " in any drive.") until it is found, the user gives up or
// the prompts' retry limit is reached.
class CDriveLocator
{
public:
    enum class EVariant
    {
        General, // playback, preview, playlist import: CD-ROM, fixed, network, RAM
        Upgrade, // carrying over older databases: CD-ROM, fixed; hides the progress
        Copy,    // copying files: own root unless on a CD-ROM; searches CD-ROMs only
    };

    CDriveLocator(CVolumes& volumes, CPrompts& prompts) : m_volumes(volumes), m_prompts(prompts) {}

    // The path where the stored file is now: the stored path moved from the session's
    // recorded root (setting section "CDRoot") onto the mount point found. Empty when the
    // user gave up. The Upgrade variant hides progressToHide while it asks and shows it
    // again afterwards.
    QString LocateCdDrive(const QString& filePath, const QString& session, EVariant variant,
                          CProgress* progressToHide = nullptr);

private:
    // The recorded root still holds the disc (or, when copying, is no CD-ROM at all).
    bool QuickTest(const QString& root, quint32 recorded, EVariant variant);
    // The first mount of an accepted type holding the disc; empty when none does.
    QString Search(const QString& relative, quint32 recorded, EVariant variant);

    CVolumes& m_volumes;
    CPrompts& m_prompts;
};
