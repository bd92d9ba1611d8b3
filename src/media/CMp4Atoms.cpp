#include "media/CMp4Atoms.h"

#include <QtEndian>
#include <algorithm>
#include <functional>
#include <unistd.h>

namespace {

// 0 past the end: no atom has that size, so every walk stops there.
quint32 Be32(const QByteArray& b, qsizetype at)
{
    return at >= 0 && at + 4 <= b.size() ? qFromBigEndian<quint32>(b.constData() + at) : 0;
}

quint64 Be64(const QByteArray& b, qsizetype at)
{
    return at >= 0 && at + 8 <= b.size() ? qFromBigEndian<quint64>(b.constData() + at) : 0;
}

QByteArray Atom(const QByteArray& name, const QByteArray& body)
{
    QByteArray a(4, '\0');
    qToBigEndian(quint32(body.size() + 8), a.data());
    return a + name + body;
}

qint64 AtomSize(const QByteArray& b, qsizetype at)
{
    const quint32 size = Be32(b, at);
    return size != 1 ? qint64(size) : qint64(std::min<quint64>(Be64(b, at + 8), INT64_MAX));
}

QByteArray NameOf(const QByteArray& b, qsizetype at)
{
    return b.mid(at + 4, 4);
}

// Where an atom's children begin: after its header (and a full atom's version).
qsizetype ChildrenAt(const QByteArray& b, qsizetype at)
{
    return at + (Be32(b, at) == 1 ? 16 : 8) + (NameOf(b, at) == "meta" ? 4 : 0);
}

// Calls `visit` with each child of the atom at `parent` that fits it; false when one does
// not, or the children do not end where the parent does.
bool EachChild(const QByteArray& b, qsizetype parent, const std::function<void(qsizetype)>& visit)
{
    const qsizetype end = parent + AtomSize(b, parent);
    qsizetype at = ChildrenAt(b, parent);
    while (at + 8 <= end) {
        const qint64 size = AtomSize(b, at);
        if (size < 8 || size > end - at)
            return false;
        if (visit)
            visit(at);
        at += size;
    }
    return at == end;
}

qsizetype FindChild(const QByteArray& b, qsizetype parent, const char* name)
{
    qsizetype found = -1;
    EachChild(b, parent, [&](qsizetype at) {
        if (found < 0 && NameOf(b, at) == name)
            found = at;
    });
    return found;
}

void AddToSize(QByteArray& b, qsizetype at, qint64 delta)
{
    if (Be32(b, at) == 1)
        qToBigEndian(quint64(AtomSize(b, at) + delta), b.data() + at + 8);
    else
        qToBigEndian(quint32(AtomSize(b, at) + delta), b.data() + at);
}

// ---- Offsets ----

bool IsContainer(const QByteArray& name)
{
    static const QList<QByteArray> kContainers = {"moov", "trak", "mdia", "minf",
                                                  "stbl", "moof", "traf", "mfra"};
    return kContainers.contains(name);
}

// One absolute offset field: where it is and how wide.
struct SField
{
    qsizetype at;
    bool wide;
};

// The fields of one table atom; `sampled` keeps of a chunk-offset table its ends only.
void FieldsOf(const QByteArray& b, qsizetype at, bool sampled, QList<SField>& fields)
{
    const QByteArray name = NameOf(b, at);
    const qint64 size = AtomSize(b, at);
    if ((name == "stco" || name == "co64") && size >= 16) {
        const int width = name == "co64" ? 8 : 4;
        const qint64 count = std::min<qint64>(Be32(b, at + 12), (size - 16) / width);
        constexpr qint64 kEnds = 16;
        for (qint64 i = 0; i < count; ++i) {
            if (sampled && i == kEnds && count > 2 * kEnds)
                i = count - kEnds;
            fields.append({qsizetype(at + 16 + i * width), width == 8});
        }
    } else if (name == "tfhd" && size >= 24 && (Be32(b, at + 8) & 1)) {
        fields.append({at + 16, true}); // base data offset present
    } else if (name == "tfra" && size >= 24) {
        const bool wide = quint8(b[at + 8]) == 1;
        const quint32 sizes = Be32(b, at + 16);
        const qint64 rest = ((sizes >> 4) & 3) + ((sizes >> 2) & 3) + (sizes & 3) + 3;
        const qint64 entry = (wide ? 16 : 8) + rest;
        const qint64 count = std::min<qint64>(Be32(b, at + 20), (size - 24) / entry);
        for (qint64 i = 0; i < count; ++i)
            fields.append({qsizetype(at + 24 + i * entry + (wide ? 8 : 4)), wide});
    }
}

void CollectFields(const QByteArray& b, qsizetype at, bool sampled, QList<SField>& fields)
{
    if (!IsContainer(NameOf(b, at))) {
        FieldsOf(b, at, sampled, fields);
        return;
    }
    EachChild(b, at, [&](qsizetype child) { CollectFields(b, child, sampled, fields); });
}

QList<SField> Fields(const QByteArray& atom, bool sampled)
{
    QList<SField> fields;
    if (atom.size() >= 8 && AtomSize(atom, 0) == atom.size())
        CollectFields(atom, 0, sampled, fields);
    return fields;
}

// ---- Items ----

QByteArray ItemAtom(const char* key, const QString& value)
{
    if (qstrcmp(key, "trkn") == 0) {
        // Implicit type: reserved, track, total, reserved, each 16 bits.
        QByteArray pair(8, '\0');
        qToBigEndian(quint16(value.section(u'/', 0, 0).trimmed().toUInt()), pair.data() + 2);
        qToBigEndian(quint16(value.section(u'/', 1, 1).trimmed().toUInt()), pair.data() + 4);
        return Atom(key, Atom("data", QByteArray(8, '\0') + pair));
    }
    // Type 1: UTF-8 text, no locale.
    return Atom(key, Atom("data", QByteArray("\0\0\0\1\0\0\0\0", 8) + value.toUtf8()));
}

QByteArray EditItems(const QByteArray& ilst, const QList<CMp4Atoms::SItem>& changes)
{
    QList<QByteArray> items;
    EachChild(ilst, 0, [&](qsizetype at) { items << ilst.mid(at, AtomSize(ilst, at)); });
    for (const CMp4Atoms::SItem& change : changes) {
        if (!change.value)
            continue;
        qsizetype first = -1;
        for (qsizetype i = 0; i < items.size();) {
            if (NameOf(items[i], 0) != change.key)
                ++i;
            else if (first < 0)
                first = i++;
            else
                items.removeAt(i);
        }
        if (change.value->isEmpty()) {
            if (first >= 0)
                items.removeAt(first);
        } else if (first >= 0) {
            items[first] = ItemAtom(change.key, *change.value);
        } else {
            items << ItemAtom(change.key, *change.value);
        }
    }
    return Atom("ilst", items.join());
}

} // namespace

namespace CMp4Atoms {

QString List(int fd, qint64 fileSize, QList<STop>& atoms)
{
    // A fragmented hour has a few thousand atoms; a count far past that is no song.
    constexpr int kMaxAtoms = 200000;
    for (qint64 at = 0; at + 8 <= fileSize;) {
        QByteArray h(16, '\0');
        const qint64 want = std::min<qint64>(16, fileSize - at);
        if (::pread(fd, h.data(), size_t(want), at) != want)
            return QStringLiteral("its atoms cannot be read");
        h.resize(want);
        qint64 size = Be32(h, 0);
        if (size == 1)
            size = qint64(std::min<quint64>(Be64(h, 8), INT64_MAX));
        else if (size == 0)
            size = fileSize - at;
        if (size < 8 || size > fileSize - at) // cut short: nothing would read it whole
            return QStringLiteral("it ends inside an atom");
        if (atoms.size() >= kMaxAtoms)
            return QStringLiteral("it has too many atoms");
        atoms.append({at, size, h.mid(4, 4)});
        at += size;
    }
    return QString();
}

QString EditMovie(QByteArray& moov, const QList<SItem>& items)
{
    // A movie atom sized "to the end of the file" (or not as long as it says) would take a
    // wrong size from the edit.
    if (AtomSize(moov, 0) != moov.size() || !EachChild(moov, 0, nullptr))
        return QStringLiteral("its movie atom cannot be read");
    // The chain movie › user data › meta › item list, made where it is missing.
    QList<qsizetype> chain{0};
    qsizetype ilst = -1;
    for (const char* name : {"udta", "meta", "ilst"}) {
        const qsizetype found = FindChild(moov, chain.last(), name);
        if (found < 0)
            break;
        if (!EachChild(moov, found, nullptr))
            return QStringLiteral("its movie atom cannot be read");
        chain << found;
        if (qstrcmp(name, "ilst") == 0)
            ilst = found;
    }
    QByteArray oldList = ilst >= 0 ? moov.mid(ilst, AtomSize(moov, ilst)) : Atom("ilst", {});
    QByteArray inserted = EditItems(oldList, items);
    qsizetype at = ilst;
    if (ilst >= 0) {
        chain.removeLast();
    } else {
        // The missing levels wrap the new list; it goes at the end of the deepest one found.
        const QByteArray handler = QByteArray(8, '\0') + "mdirappl" + QByteArray(9, '\0');
        if (chain.size() < 3)
            inserted = Atom("meta", QByteArray(4, '\0') + Atom("hdlr", handler) + inserted);
        if (chain.size() < 2)
            inserted = Atom("udta", inserted);
        at = chain.last() + AtomSize(moov, chain.last());
        oldList.clear();
    }
    const qint64 delta = inserted.size() - oldList.size();
    moov = moov.left(at) + inserted + moov.mid(at + oldList.size());
    for (const qsizetype parent : chain)
        AddToSize(moov, parent, delta);
    return QString();
}

void ShiftOffsets(QByteArray& atom, qint64 from, qint64 delta)
{
    for (const SField& field : Fields(atom, false)) {
        char* p = atom.data() + field.at;
        if (field.wide) {
            const quint64 offset = qFromBigEndian<quint64>(p);
            if (offset >= quint64(from))
                qToBigEndian(quint64(offset + delta), p);
        } else {
            const quint32 offset = qFromBigEndian<quint32>(p);
            if (offset >= quint64(from))
                qToBigEndian(quint32(offset + delta), p);
        }
    }
}

QList<qint64> Offsets(const QByteArray& atom)
{
    QList<qint64> offsets;
    for (const SField& field : Fields(atom, true))
        offsets << (field.wide ? qint64(Be64(atom, field.at)) : qint64(Be32(atom, field.at)));
    return offsets;
}

} // namespace CMp4Atoms

namespace CMp4Atoms {

QList<SData> Items(const QByteArray& moov)
{
    QList<SData> items;
    if (moov.size() < 8 || AtomSize(moov, 0) > moov.size())
        return items;
    qsizetype at = 0;
    for (const char* name : {"udta", "meta", "ilst"}) {
        at = FindChild(moov, at, name);
        if (at < 0)
            return items;
    }
    EachChild(moov, at, [&](qsizetype item) {
        qsizetype data = -1;
        EachChild(moov, item, [&](qsizetype child) {
            if (data < 0 && NameOf(moov, child) == "data")
                data = child;
        });
        const qint64 size = data < 0 ? 0 : AtomSize(moov, data);
        const qsizetype body = data < 0 ? 0 : ChildrenAt(moov, data);
        if (size >= 16 && body + 8 <= data + size)
            items.append({NameOf(moov, item), Be32(moov, body) & 0xffffff,
                          moov.mid(body + 8, data + size - body - 8)});
    });
    return items;
}

} // namespace CMp4Atoms
