#include "library/CCovers.h"

#include "db/CCoverStore.h"
#include "media/CCoverReader.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "model/CDriveLocator.h"

QByteArray CCovers::Thumbnail(qint64 songId)
{
    try {
        return CCoverStore(m_doc.Database()).ThumbnailOfSong(songId);
    } catch (const CDbException&) {
        return {}; // a catalogue another program holds locked shows no cover meanwhile
    }
}

QByteArray CCovers::FullPicture(qint64 songId)
{
    std::optional<SSong> song;
    try {
        song = m_doc.Set().FindSongById(songId);
    } catch (const CDbException&) {
    }
    if (!song || !m_services.volumes || !m_services.prompts)
        return {};
    const QString file = CDriveLocator(*m_services.volumes, *m_services.prompts)
                             .FindNow(song->FilePath(), song->m_CD);
    return file.isEmpty() ? QByteArray() : CCoverReader::FrontCover(file);
}
