#include "model/CCoverIntake.h"

#include "db/CCoverStore.h"
#include "media/CCoverReader.h"
#include "platform/CCachedFile.h"

void CCoverIntake::Take(qint64 songId, const QString& folder, const QString& path)
{
    Apply(songId, PlanFound(folder, CCoverReader::EmbeddedCover(path)));
}

CCoverIntake::SPlan CCoverIntake::Plan(const QString& folder, const QString& path,
                                       CCachedFile& file)
{
    return PlanFound(folder, CCoverReader::EmbeddedCover(path, file));
}

void CCoverIntake::Apply(qint64 songId, const SPlan& plan)
{
    if (plan.key.isEmpty())
        return;
    CCoverStore store(m_db);
    if (!plan.thumbnail.isEmpty())
        store.Add(plan.key, plan.thumbnail);
    store.SetSongCover(songId, plan.key);
}

CCoverIntake::SPlan CCoverIntake::PlanFound(const QString& folder, const QByteArray& embedded)
{
    SPlan plan;
    plan.key = Known(embedded, plan);
    if (plan.key.isEmpty()) {
        auto found = m_folderKeys.find(folder);
        if (found == m_folderKeys.end())
            found = m_folderKeys.insert(folder, Known(CCoverReader::FolderCover(folder), plan));
        plan.key = *found;
    }
    return plan;
}

QString CCoverIntake::Known(const QByteArray& picture, SPlan& plan)
{
    if (picture.isEmpty())
        return {};
    const QString key = CCoverStore::KeyOf(picture);
    if (m_stored.contains(key))
        return key;
    if (m_noPictures.contains(key))
        return {};
    if (!CCoverStore(m_db).Has(key)) {
        plan.thumbnail = CCoverReader::Thumbnail(picture);
        if (plan.thumbnail.isEmpty()) {
            m_noPictures.insert(key);
            return {};
        }
    }
    m_stored.insert(key);
    return key;
}
