#include "intake/CDriveLocator.h"
#include "intake/CNamingRules.h"
#include "intake/CStreamProbe.h"
#include "intake/CTagReader.h"
#include "playlist/CPlaylistImporter.h"

#include <memory>

SImportTools SImportTools::Standard(CVolumes& volumes, CPrompts& prompts)
{
    SImportTools tools;
    tools.locate = [&volumes, &prompts](const QString& path, const QString& session) {
        CDriveLocator locator(volumes, prompts);
        return locator.LocateCdDrive(path, session, CDriveLocator::EVariant::General);
    };
    tools.readTag = [](const QString& path, STagFields& fields) {
        return CTagReader::ReadTagFields(path, fields);
    };
    tools.applyFormatting = [](const QString& name, const QString& pattern, QString& artist,
                               QString& title, QString& album) {
        return CNamingRules::ApplyFormatting(name, pattern, artist, title, album);
    };
    // One decoder for the whole import, released with the tools.
    std::shared_ptr<CStreamProbe> probe(CStreamProbe::Create().release());
    tools.probe = [probe](const QString& path, QString& bitrate, QString& duration) {
        if (!probe)
            return;
        probe->Probe(path);
        bitrate = probe->m_bitrate;
        duration = probe->m_duration;
    };
    return tools;
}
