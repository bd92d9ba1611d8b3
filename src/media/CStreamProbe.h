#pragma once

#include <QString>
#include <memory>
#include <optional>

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
    // Whether the file holds MPEG audio: frames in a row at its start that go on in its
    // middle, as Probe finds them before measuring. Nothing else takes a tag.
    bool Recognises(const QString& path);

    QString m_bitrate;
    QString m_duration;

    // A variable stream without an info frame is measured by counting its frames, which
    // reads the whole file. A probe told to defer such counts notes here what the count
    // needs and gives no figures; Count does it later, on any thread: it reads frame headers
    // only, no decoder.
    struct SPendingCount
    {
        qint64 firstPos = 0; // the first frame
        qint64 end = 0;      // where the audio ends
        long rate = 0;
        int layer = 0;
        int version = 0;
        bool mono = false;
        bool infoFrame = false; // the first frame is an info frame, not audio
        qint64 infoSize = 0;
    };
    void DeferCounts(bool defer) { m_deferCounts = defer; }
    // The count the last Probe left, if any.
    const std::optional<SPendingCount>& Pending() const { return m_pending; }
    // Counts the frames and sets bitrate and duration as Probe would; false when the
    // headers break off: Probe then measures the file with the decoder.
    static bool Count(CCachedFile& file, const SPendingCount& pending, QString& bitrate,
                      QString& duration);

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
    bool m_deferCounts = false;
    std::optional<SPendingCount> m_pending;
};
