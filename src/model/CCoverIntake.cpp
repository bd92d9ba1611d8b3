#include "model/CCoverIntake.h"

#include "db/CCoverStore.h"
#include "media/CCoverReader.h"

void CCoverIntake::Take(qint64 songId, const QString& folder, const QString& path)
{
    QString key = Stored(CCoverReader::EmbeddedCover(path));
    if (key.isEmpty()) {
        if (folder != m_folder) {
            m_folder = folder;
            m_folderKey = Stored(CCoverReader::FolderCover(folder));
        }
        key = m_folderKey;
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
