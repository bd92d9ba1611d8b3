#include "playlist/CFileCopier.h"

#include "platform/CSafeTarget.h"
#include "playlist/CM3uFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <array>

bool CFileCopier::Copy(const QString& source, const QString& target,
                       const std::function<void(qint64, qint64)>& progress, QString& error,
                       const QStringList& protectedFiles)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        error = CM3uFile::FileErrorText(source, in.errorString());
        return false;
    }
    // Copying a file onto itself would empty it.
    const QFileInfo from(source);
    const QFileInfo to(target);
    if (to.exists() && from.canonicalFilePath() == to.canonicalFilePath())
        return true;
    const QString refusal = CSafeTarget::Refusal(target, protectedFiles);
    if (!refusal.isEmpty()) {
        error = CM3uFile::FileErrorText(target, refusal);
        return false;
    }

    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        error = CM3uFile::FileErrorText(target, out.errorString());
        return false;
    }
    const qint64 total = in.size();
    std::array<char, kBlockSize> buffer;
    qint64 done = 0;
    for (;;) {
        const qint64 read = in.read(buffer.data(), kBlockSize);
        if (read < 0) {
            error = CM3uFile::FileErrorText(source, in.errorString());
            out.cancelWriting();
            return false;
        }
        if (read == 0)
            break;
        if (out.write(buffer.data(), read) != read) {
            error = CM3uFile::FileErrorText(target, out.errorString());
            out.cancelWriting();
            return false;
        }
        done += read;
        if (progress)
            progress(done, total);
    }
    if (!out.commit()) {
        error = CM3uFile::FileErrorText(target, out.errorString());
        return false;
    }
    return true;
}
