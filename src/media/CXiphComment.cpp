#include "media/CXiphComment.h"

#include <QtEndian>
#include <taglib/xiphcomment.h>

namespace {

QByteArray Le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// Removes every entry of `key` but the first, whose place is returned (-1 for none).
qsizetype KeepFirst(QList<QByteArray>& entries, const char* key)
{
    qsizetype first = -1;
    for (qsizetype i = 0; i < entries.size();) {
        if (SXiphComment::KeyOf(entries[i]) != key)
            ++i;
        else if (first < 0)
            first = i++;
        else
            entries.removeAt(i);
    }
    return first;
}

} // namespace

QByteArray SXiphComment::KeyOf(const QByteArray& entry)
{
    return entry.left(entry.indexOf('=')).toUpper();
}

bool SXiphComment::Parse(const QByteArray& body)
{
    const auto u32 = [&](qsizetype at) {
        return qFromLittleEndian<quint32>(body.constData() + at);
    };
    if (body.size() < 8)
        return false;
    qsizetype at = 4 + qsizetype(u32(0));
    if (at + 4 > body.size() || at < 4)
        return false;
    vendor = body.left(at);
    const quint32 count = u32(at);
    at += 4;
    entries.clear();
    for (quint32 i = 0; i < count; ++i) {
        if (at + 4 > body.size() || qsizetype(u32(at)) > body.size() - at - 4)
            return false;
        entries << body.mid(at + 4, u32(at));
        at += 4 + u32(at);
    }
    rest = body.mid(at);
    return true;
}

QByteArray SXiphComment::Render() const
{
    QByteArray body = vendor + Le32(quint32(entries.size()));
    for (const QByteArray& entry : entries)
        body += Le32(quint32(entry.size())) + entry;
    return body + rest;
}

bool SXiphComment::Has(const char* key) const
{
    for (const QByteArray& entry : entries)
        if (key && KeyOf(entry) == key)
            return true;
    return false;
}

QString SXiphComment::Value(const char* const (&keys)[2]) const
{
    for (const char* key : keys) {
        for (const QByteArray& entry : entries) {
            if (key && KeyOf(entry) == key && entry.size() > entry.indexOf('=') + 1)
                return QString::fromUtf8(entry.mid(entry.indexOf('=') + 1));
        }
    }
    return QString();
}

void SXiphComment::Remove(const char* const (&keys)[2])
{
    for (const char* key : keys)
        if (key)
            entries.removeIf([key](const QByteArray& e) { return KeyOf(e) == key; });
}

void SXiphComment::Set(const char* const (&keys)[2], const std::optional<QString>& value)
{
    if (!value)
        return;
    if (value->isEmpty()) {
        // Emptied: no key of the field is left to be read instead.
        Remove(keys);
        return;
    }
    const char* key = keys[1] && !Has(keys[0]) && Has(keys[1]) ? keys[1] : keys[0];
    const qsizetype first = KeepFirst(entries, key);
    // The key keeps the spelling the file gave it.
    const QByteArray spelled =
        first >= 0 ? entries[first].left(entries[first].indexOf('=')) : QByteArray(key);
    const QByteArray entry = spelled + '=' + value->toUtf8();
    if (first >= 0)
        entries[first] = entry;
    else
        entries << entry;
}

namespace CXiphFields {

void Read(const TagLib::Ogg::XiphComment& tag, STagFields& fields)
{
    const TagLib::Ogg::FieldListMap& map = tag.fieldListMap();
    for (int f = 0; f < kTagFieldCount; ++f) {
        for (const char* key : kKeys[f]) {
            const auto it = key ? map.find(key) : map.end();
            if (it == map.end() || it->second.isEmpty())
                continue;
            const TagLib::String& value = it->second.front();
            fields[ETagField(f)] = QString::fromWCharArray(value.toCWString(), value.size());
            break;
        }
    }
}

void Read(const SXiphComment& comment, STagFields& fields)
{
    for (int f = 0; f < kTagFieldCount; ++f)
        fields[ETagField(f)] = comment.Value(kKeys[f]);
}

QString Edit(QByteArray& body, const std::array<std::optional<QString>, kTagFieldCount>& texts)
{
    SXiphComment comment;
    if (!comment.Parse(body))
        return QStringLiteral("its comment cannot be read");
    for (int f = 0; f < kTagFieldCount; ++f)
        comment.Set(kKeys[f], texts[size_t(f)]);
    body = comment.Render();
    return QString();
}

} // namespace CXiphFields
