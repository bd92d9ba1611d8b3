#include "platform/CFileNames.h"

namespace {

// The length of the well-formed UTF-8 sequence at bytes[i] (Unicode table 3-7), or 0:
// overlong forms, surrogates and code points past U+10FFFF are not well-formed.
int SequenceLength(QByteArrayView bytes, qsizetype i, char32_t& code)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char b0 = at(i);
    const qsizetype left = bytes.size() - i;
    const auto trail = [&](qsizetype k, unsigned char low, unsigned char high) {
        return k < left && at(i + k) >= low && at(i + k) <= high;
    };
    if (b0 < 0x80) {
        code = b0;
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF && trail(1, 0x80, 0xBF)) {
        code = (char32_t(b0 & 0x1F) << 6) | (at(i + 1) & 0x3F);
        return 2;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        const unsigned char low = b0 == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = b0 == 0xED ? 0x9F : 0xBF;
        if (!trail(1, low, high) || !trail(2, 0x80, 0xBF))
            return 0;
        code = (char32_t(b0 & 0x0F) << 12) | (char32_t(at(i + 1) & 0x3F) << 6) | (at(i + 2) & 0x3F);
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        const unsigned char low = b0 == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = b0 == 0xF4 ? 0x8F : 0xBF;
        if (!trail(1, low, high) || !trail(2, 0x80, 0xBF) || !trail(3, 0x80, 0xBF))
            return 0;
        code = (char32_t(b0 & 0x07) << 18) | (char32_t(at(i + 1) & 0x3F) << 12) |
               (char32_t(at(i + 2) & 0x3F) << 6) | (at(i + 3) & 0x3F);
        return 4;
    }
    return 0;
}

} // namespace

QString CFileNames::Decode(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t code = 0;
        const int length = SequenceLength(bytes, i, code);
        if (length == 0 || IsRawByte(char16_t(code < 0x10000 ? code : 0))) {
            // A stray byte, or a character that would read back as raw bytes: each of
            // its bytes is escaped.
            const int escaped = length == 0 ? 1 : length;
            for (int k = 0; k < escaped; ++k)
                text += QChar(char16_t(0xF700 + static_cast<unsigned char>(bytes[i + k])));
            i += escaped;
            continue;
        }
        if (code < 0x10000) {
            text += QChar(char16_t(code));
        } else {
            const char32_t pair[1] = {code};
            text += QString::fromUcs4(pair, 1);
        }
        i += length;
    }
    return text;
}

QByteArray CFileNames::Encode(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype runStart = 0;
    const auto flush = [&](qsizetype end) {
        if (end > runStart)
            bytes += text.mid(runStart, end - runStart).toUtf8();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!IsRawByte(c))
            continue;
        flush(i);
        bytes += char(RawByte(c));
        runStart = i + 1;
    }
    flush(text.size());
    return bytes;
}
