#pragma once

#include <QString>
#include <memory>

// Measures bit rate and length of one MPEG audio file through the decoder library.
// One probe is made per intake operation and reused for every file.
class CStreamProbe
{
public:
    // Null (with the library's error text in *error) when the decoder cannot be set up.
    static std::unique_ptr<CStreamProbe> Create(QString* error = nullptr);
    ~CStreamProbe();
    CStreamProbe(const CStreamProbe&) = delete;
    CStreamProbe& operator=(const CStreamProbe&) = delete;

    // Sets m_bitrate (kbit/s, the average for VBR) and m_duration (whole seconds) as
    // decimal text; each is empty when unknown, zero or implausible.
    void Probe(const QString& path);

    QString m_bitrate;
    QString m_duration;

private:
    CStreamProbe();
    struct SImpl;
    std::unique_ptr<SImpl> d;
};
