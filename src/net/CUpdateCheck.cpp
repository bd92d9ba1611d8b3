#include "net/CUpdateCheck.h"

#include "net/CDownload.h"
#include "net/CNetTexts.h"
#include "platform/CText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QTemporaryFile>

namespace {

CUpdateCheck::SResult Failed(const QString& error)
{
    CUpdateCheck::SResult result;
    result.status = error;
    return result;
}

} // namespace

CUpdateCheck::SResult CUpdateCheck::Read(const QByteArray& file)
{
    QList<QByteArray> lines = file.split('\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not a line
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    SResult result;
    result.answered = true;
    if (CText::LeadingInteger(lines.value(0).toStdString()) <= kOwnVersion) {
        result.status = CNetTexts::NoUpdate();
        return result;
    }
    result.status = CNetTexts::UpdateFound();
    result.found = true;
    for (qsizetype i = 1; i < lines.size(); ++i)
        result.whatsNew += QString::fromUtf8(lines[i]) + QStringLiteral("\r\n");
    return result;
}

CUpdateCheck::SResult CUpdateCheck::Run(const QString& tempDir)
{
    // A name of our own: a fixed name in a shared folder could be planted.
    // The program's folder exists only once something was copied into it.
    const QString folder =
        !tempDir.isEmpty() && QFileInfo(tempDir).isDir() ? tempDir : QDir::tempPath();
    QTemporaryFile reserved(folder + QStringLiteral("/updverin-XXXXXX.tmp"));
    if (!reserved.open())
        return Failed(
            QStringLiteral("Cannot create a file in %1: %2").arg(folder, reserved.errorString()));
    const QString path = reserved.fileName();
    reserved.close();
    const QString outcome =
        CDownload::Fetch(CDownload::UpdateUrl(QStringLiteral("/version.txt")), path);
    if (outcome != u"YES")
        return Failed(outcome);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(file.errorString());
    return Read(file.readAll());
}
