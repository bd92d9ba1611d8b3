#pragma once

#include "db/SSong.h"
#include "media/CAudioFormat.h"
#include "media/CStreamProbe.h"
#include "media/CTagReader.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CCachedFile;

// The rules that turn a file into a song, as the settings give them at the start of a
// job. They were written for the session scan; a playlist import leaves out the two that
// clean names up.
struct SSongRules
{
    bool readTags = true;        // "NoID3" 0
    QString formatting;          // "Formatting" (the pattern); empty: names are not split
    int folderAs = 0;            // "Folder": 1 the folder names the artist, 2 the album
    bool underscores = false;    // "UnderScore": "_" becomes a blank
    bool trackNumbers = false;   // "RemTrack": leading track numbers go
    bool titleAsList = true;     // "ID3" 0: the list shows the title when there is one
    QStringList namesWithDigits; // the names that keep their leading digits

    static SSongRules FromSettings(const QStringList& namesWithDigits);
    // The import's: neither underscores nor track numbers are touched.
    static SSongRules ForImport();
};

// A song from a music file, written once for the scan, the playlist import and the
// upgrade: the tag's fields, the file-name rules, bit rate and length, and the lengths the
// catalogue keeps. One is made per job: it holds the decoder.
class CSongFromFile
{
public:
    // Time spent so far, in nanoseconds.
    struct STimings
    {
        std::int64_t tags = 0;
        std::int64_t probe = 0;
    };

    // None when the decoder cannot be set up; `error` then says why.
    static std::unique_ptr<CSongFromFile> Create(QString* error = nullptr);

    // The song of `name` in `folder` for a session. `file` is what is read (the folder and
    // name joined when empty); `beforeProbe` runs between the name rules and the
    // measurement (the scan shows its progress there). `opened`, when given, is that file
    // already open: every reader shares it and what it read.
    SSong Make(const QString& session, const QString& folder, const QString& name,
               const SSongRules& rules, const QString& file = QString(),
               const std::function<void()>& beforeProbe = {}, CCachedFile* opened = nullptr);
    // What an older catalogue's row lacks, from its file (now at `file`): the lyrics and
    // the comment when it has none, bit rate and length.
    void Complete(const QString& file, SSong& song);

    const STimings& Timings() const { return m_timings; }

    // Leaves the measurement of an MPEG stream to the caller (Make gives the song without
    // bit rate and length; MeasureLeft says so), who measures it elsewhere with a probe of
    // its own.
    void LeaveMeasurement(bool leave) { m_leaveMeasurement = leave; }
    bool MeasureLeft() const { return m_measureLeft; }

private:
    explicit CSongFromFile(std::unique_ptr<CStreamProbe> probe) : m_probe(std::move(probe)) {}
    void ReadTag(CCachedFile& file, SSong& song);
    static void TakeFields(const STagFields& tag, SSong& song);
    void Measure(CCachedFile& file, EAudioFormat format, SSong& song);

    std::unique_ptr<CStreamProbe> m_probe;
    STimings m_timings;
    bool m_leaveMeasurement = false;
    bool m_measureLeft = false;
};
