#include "playlist/CCopyNames.h"

#include "platform/CText.h"

CCopyNames::STarget CCopyNames::TargetFor(const QString& source)
{
    STarget target;
    // A song listed twice is one file: a second copy would only be a numbered duplicate.
    if (m_sources.contains(source))
        return target;
    m_sources.insert(source);
    const QString name = source.mid(source.lastIndexOf(u'/') + 1);
    QString chosen = name;
    if (m_names.contains(name.toLower())) {
        const qsizetype dot = name.lastIndexOf(u'.');
        const QString stem = dot > 0 ? name.left(dot) : name;
        const QString extension = dot > 0 ? name.mid(dot) : QString();
        for (int n = 2;; ++n) {
            chosen = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(extension);
            if (!m_names.contains(chosen.toLower()))
                break;
        }
        target.renamed = true;
    }
    m_names.insert(chosen.toLower());
    target.path = CText::JoinPath(m_folder, chosen);
    return target;
}
