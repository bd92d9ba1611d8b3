#include "playlist/CPlaylistLoader.h"

#include "db/CCdlistSet.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CWarnings.h"

QString CPlaylistLoader::NotFoundText(const QString& name)
{
    return QStringLiteral("The file ") + name +
           QStringLiteral(
               " couldn't be found in the database.\nIt won't be added to the playlist.");
}

std::optional<SSong> CPlaylistLoader::Find(const SM3uLine& line)
{
    if (line.foreign)
        return std::nullopt; // a Windows drive is never a folder here
    const auto find = [this](const QString& folder, const QString& name) {
        // Bound values: apostrophes and any other character compare as they are.
        return m_set.FindFirst(CFilter::Equals(ESongColumn::MELODI, name)
                                   .And(CFilter::Equals(ESongColumn::PATH, folder)),
                               ESongColumn::MELODI);
    };
    // A line that is not UTF-8 may name the song in either of its readings.
    std::optional<SSong> song = find(line.folder, line.name);
    if (!song && !line.otherName.isEmpty())
        song = find(line.otherFolder, line.otherName);
    return song;
}

int CPlaylistLoader::Load(const QList<SM3uLine>& lines,
                          const std::function<void(const SSong&)>& found)
{
    int count = 0;
    for (const SM3uLine& line : lines) {
        if (const std::optional<SSong> song = Find(line)) {
            found(*song);
            ++count;
            continue;
        }
        ShowWarning(m_prompts, ESetting::WarningFound, NotFoundText(line.name));
    }
    return count;
}
