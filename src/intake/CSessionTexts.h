#pragma once

#include "platform/CText.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Messages of the session commands, shared by the window and the command line.
namespace CSessionTexts {

inline QString EmptyName()
{
    return QStringLiteral("Please enter a session name.");
}

inline QString ConfirmMerge(const QString& from, const QString& to)
{
    return QStringLiteral("A session named \"%1\" exists already.\nMerge \"%2\" into it? The "
                          "merged session keeps the songs and folders of both, and Update "
                          "Session scans each folder.")
        .arg(CText::Printable(to), CText::Printable(from));
}
// What deleting a session takes away, named before it is done.
inline QString ConfirmDelete(const QString& name, qint64 songs, int entries)
{
    QString text = QStringLiteral("This will remove the session \"%1\" and its %2 from the "
                                  "catalogue (the files stay).")
                       .arg(CText::Printable(name), CText::Songs(songs));
    if (entries == 1)
        text += QStringLiteral("\n1 playlist entry of its songs goes too.");
    else if (entries > 0)
        text += QStringLiteral("\n%1 playlist entries of its songs go too.").arg(entries);
    return text;
}
inline QString ConfirmAddTo(const QString& name)
{
    return QStringLiteral("A session named \"%1\" exists already.\nAdd the songs of this "
                          "folder to it? (Songs it holds already are not added twice.)")
        .arg(CText::Printable(name));
}
inline QString RenameCaption()
{
    return QStringLiteral("Rename Session");
}
// A scan cut short: what it stored stays, and how to finish it.
inline QString ScanCancelled(int stored, const QString& name)
{
    return QStringLiteral("The scan was cancelled: %1 %2 stored in \"%3\". Update Session "
                          "scans the folder again and finishes the job.")
        .arg(CText::Songs(stored), stored == 1 ? QStringLiteral("was") : QStringLiteral("were"),
             CText::Printable(name));
}
inline QString UpdateCancelled(const QString& name)
{
    return QStringLiteral("The update was cancelled: \"%1\" was left as it was.")
        .arg(CText::Printable(name));
}

// The audio files a scan passed over because "Recognized filetypes" does not name their
// type, by type, and where to add it.
inline QString PassedOver(const QMap<QString, int>& types)
{
    QStringList counts;
    int total = 0;
    for (auto it = types.begin(); it != types.end(); ++it) {
        counts << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
        total += it.value();
    }
    return QStringLiteral("%1 audio %2 of a type not recognized %3 passed over (%4). To take "
                          "them in, add the type to \"Recognized filetypes\" (Options › Song "
                          "Information, or cratewise config Recognized \"…\") and update the "
                          "session.")
        .arg(total)
        .arg(total == 1 ? QStringLiteral("file") : QStringLiteral("files"))
        .arg(total == 1 ? QStringLiteral("was") : QStringLiteral("were"))
        .arg(counts.join(QStringLiteral(", ")));
}

// Shown at the start after the program died while reading a file.
inline QString ScanRunning(const QString& name)
{
    return QStringLiteral("\"%1\" is being scanned by another Cratewise; it was left as it was. "
                          "Try again when that scan is done.")
        .arg(CText::Printable(name));
}

inline QString Crashed(const QString& file)
{
    return QStringLiteral("Cratewise encountered a critical error when trying to add the "
                          "file:\n%1\nRemove it or move it to another location before trying "
                          "to add files again.")
        .arg(file);
}

// After a scan: the files (and folders) it could not take in, the first kNamedSkips by
// name and reason, then how many more. Paths are shown readably (see CText::Printable).
constexpr int kNamedSkips = 20;
template <typename Skipped>
QString SkippedText(const QList<Skipped>& skipped, int found, int stored)
{
    QString text = QStringLiteral("%1 of %2 files found were stored. These could not be "
                                  "taken in:")
                       .arg(stored)
                       .arg(found);
    for (const Skipped& item : skipped.mid(0, kNamedSkips))
        text += QStringLiteral("\n%1%2 (%3)")
                    .arg(item.folder ? QStringLiteral("folder ") : QString(),
                         CText::Printable(item.path), item.reason);
    if (skipped.size() > kNamedSkips)
        text += QStringLiteral("\n(and %1 more)").arg(skipped.size() - kNamedSkips);
    return text;
}

} // namespace CSessionTexts
