#include "playlist/CPlaylistLoader.h"

#include "db/CCdlistSet.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CWarnings.h"

QString CPlaylistLoader::NotFoundText(const QString& name)
{
    return QStringLiteral("The file ") + name +
           QStringLiteral(" couldn't be found in the database.\nIt want be added to the playlist");
}

bool CPlaylistLoader::Find(const SM3uLine& line)
{
    if (line.foreign)
        return false; // a Windows drive is never a folder here
    const auto find = [this](const QString& folder, const QString& name) {
        // Bound values: apostrophes and any other character compare as they are.
        m_set.SetFilter(CFilter::Equals(ESongColumn::MELODI, name)
                            .And(CFilter::Equals(ESongColumn::PATH, folder)));
        m_set.Requery();
        return !m_set.IsEOF();
    };
    // A line that is not UTF-8 may name the song in either of its readings.
    return find(line.folder, line.name) ||
           (!line.otherName.isEmpty() && find(line.otherFolder, line.otherName));
}

int CPlaylistLoader::Load(const QList<SM3uLine>& lines,
                          const std::function<void(CCdlistSet&)>& found)
{
    CUnfilterOnExit restore(m_set);

    m_set.SetSort(ESongColumn::MELODI);
    int count = 0;
    for (const SM3uLine& line : lines) {
        if (Find(line)) {
            found(m_set);
            ++count;
            continue;
        }
        ShowWarning(m_prompts, ESetting::WarningFound, NotFoundText(line.name));
    }
    return count;
}
