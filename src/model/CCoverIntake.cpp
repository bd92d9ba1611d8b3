#include "model/CCoverIntake.h"

#include "db/CCoverStore.h"
#include "media/CCoverReader.h"
#include "platform/CCachedFile.h"

void CCoverIntake::Take(qint64 songId, const QString& folder, const QString& path)
{
    TakeFound(songId, folder, CCoverReader::EmbeddedCover(path));
}

void CCoverIntake::Take(qint64 songId, const QString& folder, const QString& path,
                        CCachedFile& file)
{
    TakeFound(songId, folder, CCoverReader::EmbeddedCover(path, file));
}

void CCoverIntake::TakeFound(qint64 songId, const QString& folder, const QByteArray& embedded)
{
    QString key = Stored(embedded);
    if (key.isEmpty()) {
        auto found = m_folderKeys.find(folder);
        if (found == m_folderKeys.end())
            found = m_folderKeys.insert(folder, Stored(CCoverReader::FolderCover(folder)));
        key = *found;
    }
    if (!key.isEmpty())
        CCoverStore(m_db).SetSongCover(songId, key);
}

QString CCoverIntake::Stored(const QByteArray& picture)
{
    if (picture.isEmpty())
        return {};
    const QString key = CCoverStore::KeyOf(picture);
    if (m_stored.contains(key))
        return key;
    if (m_noPictures.contains(key))
        return {};
    CCoverStore store(m_db);
    if (!store.Has(key)) {
        const QByteArray thumbnail = CCoverReader::Thumbnail(picture);
        if (thumbnail.isEmpty()) {
            m_noPictures.insert(key);
            return {};
        }
        store.Add(key, thumbnail);
    }
    m_stored.insert(key);
    return key;
}
