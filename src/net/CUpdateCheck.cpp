#include "net/CUpdateCheck.h"

#include "net/CNetTexts.h"
#include "platform/CDownload.h"
#include "platform/CText.h"

#include <QList>

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

CUpdateCheck::SResult CUpdateCheck::Run(CNetCancel* cancel, CPrompts* prompts)
{
    const QString url = CDownload::UpdateUrl(QStringLiteral("/version.txt"));
    CDownload::NameIfUnencrypted(url, prompts);
    QByteArray file;
    const QString outcome = CDownload::Get(url, file, cancel);
    if (outcome != u"YES")
        return Failed(outcome);
    return Read(file);
}
