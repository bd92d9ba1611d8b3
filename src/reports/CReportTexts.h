#pragma once

#include <QString>

// Messages of the reports (HTML list, statistics, duplicates), shown in the window and
// printed on the command line.
namespace CReportTexts {
inline QString Empty()
{
    return QStringLiteral("Empty");
}
inline QString EmptyStatistics()
{
    return QStringLiteral("Cannot display statistics for an empty database.");
}
inline QString EmptyDuplicates()
{
    return QStringLiteral("Cannot check for duplicates because the database is empty.");
}
inline QString NoDuplicates()
{
    return QStringLiteral("No duplicates found.");
}
inline QString Finished()
{
    return QStringLiteral("Finished");
}
inline QString ConfirmDelete(const QString& file)
{
    return QStringLiteral("Are you sure that you want to delete the file:\n") + file;
}
inline QString ConfirmRemoval()
{
    return QStringLiteral("Confirm Removal");
}
inline QString DeleteFailed()
{
    return QStringLiteral("An error occurred while trying to remove the file.");
}
inline QString Error()
{
    return QStringLiteral("Error");
}
inline QString NoSessionSelected()
{
    return QStringLiteral("There is no session selected!");
}
inline QString Incomplete()
{
    return QStringLiteral("Incomplete information");
}
inline QString NoHeadline()
{
    return QStringLiteral("Please type a headline in the Headline field.");
}
inline QString NoName()
{
    return QStringLiteral("Please type your name in the Name field.");
}
inline QString NoBackgroundFile()
{
    return QStringLiteral("Please choose a background picture with Browse.");
}
inline QString Unknown()
{
    return QStringLiteral("Unknown");
}
} // namespace CReportTexts
