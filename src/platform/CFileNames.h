#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names as the disk keeps them: bytes, usually UTF-8, but old discs carry Latin-1
// and other code pages. Qt would turn every byte that is not UTF-8 into U+FFFD and the
// file could never be opened again, so names are decoded here instead, reversibly:
// valid UTF-8 reads as usual, and each byte that is not part of it becomes the private-use
// character U+F700 + byte (U+F780..U+F7FF; only bytes 0x80..0xFF can be invalid). A valid
// UTF-8 character that itself lies in that range is kept as its three escaped bytes, so
// every byte string maps back to exactly itself.
namespace CFileNames {

constexpr char16_t kFirstByte = 0xF780; // stands for byte 0x80
constexpr char16_t kLastByte = 0xF7FF;  // stands for byte 0xFF

// True for a character that stands for one raw byte.
constexpr bool IsRawByte(char16_t c)
{
    return c >= kFirstByte && c <= kLastByte;
}

// The byte a raw-byte character stands for.
constexpr unsigned char RawByte(char16_t c)
{
    return static_cast<unsigned char>(c - 0xF700);
}

// The text of a name or path read from the disk (a dirent name, an argument, a playlist
// line).
QString Decode(QByteArrayView bytes);

// The exact bytes to hand to the system for a decoded name or path.
QByteArray Encode(QStringView text);

} // namespace CFileNames
