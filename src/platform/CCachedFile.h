#pragma once

#include <QByteArray>
#include <QString>

// One file opened once for all who read it (format detection, tags, measurement, cover):
// each reads with its own bound, and what was read of the file's start and end is kept,
// so that the next reader takes it from memory instead of the disk. A name that leads to
// anything but a regular file (a pipe, a device, a folder) opens but reads nothing, as
// every reader refuses it on its own: it could be read without end or wait for a writer.
class CCachedFile
{
public:
    // Who reads it: one reader reads what it asks for; for several, the first read of
    // each end takes what the next ones will ask for too (kFirstHead, kFirstTail).
    enum class EReaders
    {
        One,
        Several
    };
    // Opened without ever waiting for a writer; symbolic links are followed.
    explicit CCachedFile(const QString& path, EReaders readers = EReaders::One);
    ~CCachedFile();
    CCachedFile(const CCachedFile&) = delete;
    CCachedFile& operator=(const CCachedFile&) = delete;

    // False when the name could not be opened; Error() then says why, as the system does.
    bool Opened() const { return m_error.isEmpty(); }
    const QString& Error() const { return m_error; }
    // Not opened only because the process has as many files open as it may.
    bool OutOfHandles() const { return m_outOfHandles; }
    // A regular file, open for reading.
    bool IsRegular() const { return m_fd >= 0; }
    qint64 Size() const { return m_size; }

    // Up to `length` bytes from `offset` on into `out`: fewer at the end of the file or on
    // an error. A read that joins the kept start or end is kept with it.
    qint64 Read(qint64 offset, char* out, qint64 length);
    QByteArray Read(qint64 offset, qint64 length);
    // For a reader that streams through the file: what is kept from `offset` on (up to
    // `length` bytes, possibly fewer than asked), else one read from the file that is not
    // kept. 0 at the end of the file, -1 on an error.
    qint64 ReadSome(qint64 offset, char* out, qint64 length);

    // A read found less than the file held when it was opened: it was cut meanwhile (or
    // the disk failed), and what was kept of it no longer tells what it holds.
    bool Cut() const { return m_cut; }

    // What was read from the file so far (tests, measurements).
    qint64 BytesRead() const { return m_bytesRead; }
    // The memory its kept start and end take.
    qint64 KeptBytes() const { return m_head.size() + m_tail.size(); }

    // With several readers, the first read of the start takes this much (a usual tag and
    // the first frames of its stream), and the kept start grows by at least kGrowHead (the
    // first dozen frames of a usual stream), also over a gap of up to that size: the frame
    // headers behind a long tag are read with one call. A file of at most kWhole bytes is
    // read whole at once.
    static constexpr qint64 kFirstHead = 8 * 1024;
    static constexpr qint64 kGrowHead = 6 * 1024;
    static constexpr qint64 kFirstTail = 4 * 1024;
    static constexpr qint64 kWhole = kFirstHead + kFirstTail;
    // Neither end is kept past this (a tag may take 16 MiB); reads beyond go to the disk.
    static constexpr qint64 kMaxKept = 32 * 1024 * 1024;

private:
    qint64 ReadFromDisk(qint64 offset, char* out, qint64 length);
    void GrowHead(qint64 end);
    void GrowTail(qint64 start);

    int m_fd = -1;
    bool m_readAhead = false;
    qint64 m_size = 0;
    QString m_error;
    bool m_outOfHandles = false;
    QByteArray m_head;      // the file's bytes [0, m_head.size())
    QByteArray m_tail;      // the file's bytes [m_tailStart, m_size)
    qint64 m_tailStart = 0; // m_size while no end is kept
    qint64 m_bytesRead = 0;
    bool m_cut = false;
};
