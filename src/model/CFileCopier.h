#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Copies one file through a single buffer of 10000 bytes, so memory use does not depend
// on the file's size.
namespace CFileCopier {

constexpr qint64 kBlockSize = 10000;

// Copies source to target, replacing a file of that name. The target is replaced only
// once the copy is complete: a full disk leaves the old target (or none) behind.
// `protectedFiles` and targets that are not regular files are refused (see CSafeTarget).
// `progress(done, total)` follows each block. On failure `error` names the file.
bool Copy(const QString& source, const QString& target,
          const std::function<void(qint64 done, qint64 total)>& progress, QString& error,
          const QStringList& protectedFiles = {});

} // namespace CFileCopier
