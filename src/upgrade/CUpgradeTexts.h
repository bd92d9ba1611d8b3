#pragma once

#include "db/COldSongsSet.h"
#include "platform/CText.h"

#include <QString>

// Messages of carrying over an older database, shared by the window and the command line.
namespace CUpgradeTexts {

// The older database could not be opened: nothing was read from it or changed.
inline QString NotOpened(const QString& file)
{
    return QStringLiteral("Nothing was carried over from\n%1:\nit is not a database of an "
                          "earlier Cratewise, or another program is using it.\nThe catalogue "
                          "is unchanged.")
        .arg(file);
}

inline QString ProgressCaption()
{
    return QStringLiteral("Updating song information");
}

inline QString Progress(qint64 count)
{
    return QStringLiteral("Cratewise is updating %1 %2 found in the old database..."
                          "\n\nPress Cancel to abort.")
        .arg(count)
        .arg(CText::SongWord(count));
}

inline QString RetrieveCaption()
{
    return QStringLiteral("Additional Features");
}

// The two oldest layouts lack bit rate and length; the versions worded the offer
// differently, and each keeps its own words.
inline QString RetrieveQuestion(COldSongsSet::ELayout layout)
{
    if (layout == COldSongsSet::ELayout::Version25)
        return QStringLiteral("The new database has additional features such as bitrate and "
                              "songlength\nDo you want to retrieve this information?\n(You will "
                              "be prompted to insert the appropriate CDs)");
    return QStringLiteral("The new database has additional features such as bitrate and song "
                          "length\nDo you want to retrieve this information?\n(You will be "
                          "prompted to insert the appropriate CD)");
}

} // namespace CUpgradeTexts
