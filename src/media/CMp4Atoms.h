#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The atoms of an MP4 (M4A) file as far as a tag edit needs them: the item list inside the
// movie atom, and every offset elsewhere in the file that points past it, which must
// follow when the movie atom changes its length.
namespace CMp4Atoms {

// An atom at the top level of the file.
struct STop
{
    qint64 at = 0;
    qint64 size = 0;
    QByteArray name;
};

// The top-level atoms of a file of `fileSize` bytes read through `fd`; empty when they
// are fine, else why not (cut short, a size that cannot be).
QString List(int fd, qint64 fileSize, QList<STop>& atoms);

// One item of the list: its key ("\251nam", "trkn") and its new text, empty to remove it.
struct SItem
{
    const char* key;
    std::optional<QString> value;
};
// Sets the items in the movie atom's item list, made where it is missing; every other item
// and atom keeps its bytes. Empty, or why the atom cannot be edited.
QString EditMovie(QByteArray& moov, const QList<SItem>& items);

// Every absolute file offset in `atom` (a movie atom's chunk offsets, a fragment's base
// data offsets, the fragment index's fragment offsets) at or past `from` moves by `delta`.
void ShiftOffsets(QByteArray& atom, qint64 from, qint64 delta);
// The absolute offsets `atom` holds, in order (of each chunk-offset table its first and
// last few): what a check compares before and after an edit.
QList<qint64> Offsets(const QByteArray& atom);

} // namespace CMp4Atoms

namespace CMp4Atoms {
// The item list of a movie atom read leniently, as some writers lay it out: an item's
// first `data` child whatever precedes it (`mean`, `name`), 64-bit sizes, a broken item
// passed over. Each key with its data atom's type and payload.
struct SData
{
    QByteArray key;
    quint32 type = 0;
    QByteArray payload;
};
QList<SData> Items(const QByteArray& moov);
} // namespace CMp4Atoms
