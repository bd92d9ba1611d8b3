#pragma once

#include "media/CTagLibFormat.h"

// Ogg Vorbis and Opus: the Xiph comment in the stream's second packet. An edit sets the
// packet and lets the tag library page it into a copy; the packets after it stay as they
// were.
class COggTagFormat : public CTagLibFormat
{
public:
    // OggVorbis or Opus.
    explicit COggTagFormat(EAudioFormat codec) : m_codec(codec) {}
    EAudioFormat Format() const override { return m_codec; }

protected:
    std::unique_ptr<TagLib::File> Open(TagLib::IOStream* stream, bool measure) const override;
    void TakeFields(TagLib::File& file, STagFields& fields) const override;
    QString WriteEdit(const QString& path, const STagChanges& changes,
                      CSafeCopy::POriginalFile* original) const override;

private:
    QString EditPacket(TagLib::ByteVector& packet, const STagChanges& changes) const;

    EAudioFormat m_codec;
};
