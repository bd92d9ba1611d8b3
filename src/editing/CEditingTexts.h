#pragma once

#include "platform/CText.h"

#include <QString>
#include <QStringList>

// What tag saving, renaming and lyrics say, in one place for both faces.
namespace CEditingTexts {

inline QString ReadOnly()
{
    return QStringLiteral(
        "Since the file is on a read-only media,\nchanges will just be made in the database.");
}
// Why a file was left as it was, when it is not a read-only medium's: its record stays as
// it was too, so that the two never disagree.
inline QString NotWrittenBecause(const QString& file, const QString& reason)
{
    return QStringLiteral("The file could not be written, so neither it nor its record was "
                          "changed:\n%1\n(%2)")
        .arg(file, reason);
}
inline QString ProgramFile()
{
    return QStringLiteral("it is one of Cratewise's own files (the catalogue or the settings)");
}
// A file whose content is not what its name says (a picture or a text named like a song).
inline QString NotAudio(const QString& kind)
{
    return QStringLiteral("it does not hold %1 audio").arg(kind);
}
inline QString RenameFailed()
{
    return QStringLiteral("An error occured while trying to rename the file. The file may be on a "
                          "read-only media, contain illegal characters or beeing used by another "
                          "application.");
}
inline QString NoSong()
{
    return QStringLiteral("You have to select a song!");
}
inline QString TooLongToTranslate()
{
    return QStringLiteral("Altavista Babelfish cannot translate text\nlonger than 1900 characters. "
                          "Only the first\n1900 characters will be translated.");
}
inline QString TranslationFailed()
{
    return QStringLiteral("An error occured during translation.");
}
inline QString MultisaveCaption()
{
    return QStringLiteral("Multisave");
}
inline QString Saving(int songs)
{
    return QStringLiteral("Cratewise is saving the tags of %1 %2...\n\nPress Cancel to abort.")
        .arg(songs)
        .arg(CText::SongWord(songs));
}
// The files whose tags stayed as they were, by name (the first twenty).
inline QString NotWritten(const QStringList& files)
{
    constexpr int kShown = 20;
    QString text = files.size() == 1
                       ? QStringLiteral("1 file could not be written; it and its record "
                                        "were left as they were:\n")
                       : QStringLiteral("%1 files could not be written; they and their records "
                                        "were left as they were:\n")
                             .arg(files.size());
    text += files.mid(0, kShown).join(u'\n');
    if (files.size() > kShown)
        text += QStringLiteral("\n... and %1 more.").arg(files.size() - kShown);
    return text;
}

} // namespace CEditingTexts
