#pragma once

#include <QString>
#include <memory>

class CCachedFile;

// Measures bit rate and length of one MPEG audio file through the decoder library.
// One probe is made per intake operation and reused for every file.
class CStreamProbe
{
public:
    // Null when the decoder cannot be set up; *error then says why, for the caller to
    // report (no song could be measured).
    static std::unique_ptr<CStreamProbe> Create(QString* error = nullptr);
    ~CStreamProbe();
    CStreamProbe(const CStreamProbe&) = delete;
    CStreamProbe& operator=(const CStreamProbe&) = delete;

    // Sets m_bitrate (kbit/s, the average for VBR) and m_duration (whole seconds) as
    // decimal text; both are empty when unknown, zero or implausible.
    void Probe(const QString& path);
    // The same for a file already open, shared with its other readers.
    void Probe(CCachedFile& file);
    // The same without the decoder library: only this class's own bounded code reads the
    // headers. False (and no figures) when the file needs the decoder (odd streams, junk,
    // no audio found): Probe(file) then measures it, under whatever guard the caller keeps
    // for code that may die of a file.
    bool ProbeWithoutDecoder(CCachedFile& file);
    // Whether the file holds MPEG audio: frames in a row at its start that go on in its
    // middle, as Probe finds them before measuring. Nothing else takes a tag.
    bool Recognises(const QString& path);

    QString m_bitrate;
    QString m_duration;

    // How the last Probe came to its answer (for tests and measurements).
    enum class EMethod
    {
        None,
        Constant,
        XingHeader,
        VbriHeader,
        FullScan,
        EstimatedFromStart // the start scanned, the rest estimated from its average
    };
    // The most audio a variable stream without an info frame is scanned over.
    static constexpr qint64 kMaxScanBytes = 32 * 1024 * 1024;
    EMethod LastMethod() const { return m_method; }

private:
    CStreamProbe();
    struct SImpl;
    std::unique_ptr<SImpl> d;
    EMethod m_method = EMethod::None;
};
