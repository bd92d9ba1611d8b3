#pragma once

#include <QSet>
#include <QString>

// The names one copy run gives its files. A name already given in this run gets a number
// ("a (2).mp3"), so songs of the same name from different folders all arrive; a file
// left from an earlier run is replaced as before.
class CCopyNames
{
public:
    explicit CCopyNames(QString folder) : m_folder(std::move(folder)) {}

    struct STarget
    {
        QString path;         // empty: this source was already copied in this run
        bool renamed = false; // the path carries a number
    };
    STarget TargetFor(const QString& source);

private:
    QString m_folder;
    QSet<QString> m_sources;
    // Folded to lower case: a stick formatted FAT holds "A.mp3" and "a.mp3" as one file.
    QSet<QString> m_names;
};
