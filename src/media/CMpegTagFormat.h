#pragma once

#include "media/CTagFormat.h"

// MP3 and MP2: ID3v2, APE and ID3v1 tags around the MPEG stream, read by CTagReader and
// written by CTagFile; the stream is measured by the stream probe, not here.
class CMpegTagFormat : public CTagFormat
{
public:
    EAudioFormat Format() const override { return EAudioFormat::Mpeg; }
    bool Read(CCachedFile& file, STagFields* fields, SStreamFigures* figures,
              qint64* bytesRead = nullptr) const override;
    bool ReadsFigures() const override { return false; }
    bool HoldsAudio(const QString& path) const override;
    QString Write(const QString& path, const STagChanges& changes,
                  STagBefore* before = nullptr) const override;
    QString Restore(const QString& path, const STagBefore& before) const override;
};
