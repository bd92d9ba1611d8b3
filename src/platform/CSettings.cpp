#include "platform/CSettings.h"

#include "platform/CMarkerFile.h"
#include "platform/CText.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QStandardPaths>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// The store keeps the file's contents in memory and re-reads the file whenever another
// process changed it. Writes go to a temporary file that replaces the old one, under a
// lock, so two processes never lose each other's values and a crash never leaves half
// a file. There is no fsync: the values must survive the program dying (the intake's
// crash marker is written twice per file), not the machine losing power.
//
// A file that exists but cannot be read leaves the store in an error state instead of
// reading as empty: the next write would otherwise replace every value the user has.
namespace {

using Section = QMap<QString, QString>;

struct SStore
{
    std::recursive_mutex mutex;
    QString path;
    QMap<QString, Section> sections;
    bool loaded = false;
    struct timespec mtime = {};
    off_t size = -1;
    ino_t inode = 0;
    int readOnce = 0;       // CReadOnce scopes alive
    bool checked = false;   // the file was looked at within them
    quint64 generation = 0; // changes made by this process, and changes of file
    QString readError;      // set while the file exists but cannot be read
    QString lastWriteError;
    CSettings::FailureListener listener;
    CSettings::WarningListener readListener;
    QSet<QString> warned;        // keys whose stored value was reported this run
    QStringList pendingWarnings; // reported while no one listened
};

SStore& Store()
{
    static SStore store;
    return store;
}

QString DefaultPath()
{
    const QByteArray env = qgetenv("CRATEWISE_CONFIG");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QStringLiteral("/Quillfen/Cratewise .ini");
}

QString EscapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case 0:
            out += QLatin1String("\\0");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString UnescapeValue(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar n = text[++i];
        switch (n.unicode()) {
        case 'n':
            out += u'\n';
            break;
        case 'r':
            out += u'\r';
            break;
        case 't':
            out += u'\t';
            break;
        case '0':
            out += QChar(0);
            break;
        default:
            out += n;
        }
    }
    return out;
}

QString Cause(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString NotSaved(const QString& path, const QString& cause)
{
    return QStringLiteral("The settings could not be saved to \"%1\": %2.").arg(path, cause);
}

bool StatFile(const QString& path, struct stat& st)
{
    return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

bool ChangedOnDisk(const SStore& s, const struct stat& st)
{
    return st.st_mtim.tv_sec != s.mtime.tv_sec || st.st_mtim.tv_nsec != s.mtime.tv_nsec ||
           st.st_size != s.size || st.st_ino != s.inode;
}

void Parse(SStore& s, const QByteArray& bytes)
{
    s.sections.clear();
    Section* current = nullptr;
    const QString text = QString::fromUtf8(bytes);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = &s.sections[line.mid(1, line.size() - 2).toString()];
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || !current)
            continue;
        current->insert(CSettings::DecodeKey(line.left(eq).toString()),
                        UnescapeValue(line.mid(eq + 1)));
    }
}

void Remember(SStore& s, const struct stat& st)
{
    s.mtime = st.st_mtim;
    s.size = st.st_size;
    s.inode = st.st_ino;
}

// Reads to the end, but not beyond `limit` bytes: false with errno EFBIG past it.
bool ReadAll(int fd, QByteArray& bytes, off_t sizeHint, qint64 limit)
{
    bytes.clear();
    bytes.reserve(qsizetype(qBound<off_t>(0, sizeHint, off_t(limit))) + 1);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (bytes.size() + n > limit) {
            errno = EFBIG;
            return false;
        }
        bytes.append(buffer, qsizetype(n));
    }
}

// Opens a file to read only when it is a regular file; never waits on a FIFO or a
// device. -1 with errno set otherwise (EINVAL: not a regular file).
int OpenRegular(const QString& path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st = {};
    const int error = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
    if (error == 0)
        return fd;
    ::close(fd);
    errno = error;
    return -1;
}

QString ReadCause(int error)
{
    if (error == EINVAL)
        return QStringLiteral("it is not a regular file");
    if (error == EFBIG)
        return QStringLiteral("it is larger than %1 MiB").arg(CSettings::kMaxFileBytes >> 20);
    return Cause(error);
}

// Nothing is known of the file's values: they read as their defaults and writes are
// refused. The file is tried again at every access, as a change of its permissions alone
// does not show in its time stamp.
void MarkUnreadable(SStore& s, int error)
{
    s.sections.clear();
    s.loaded = false;
    s.size = -1;
    s.readError = QStringLiteral("The settings file \"%1\" cannot be read: %2.")
                      .arg(s.path, ReadCause(error));
}

// Brings the in-memory copy up to date with the file.
void Refresh(SStore& s)
{
    if (s.path.isEmpty())
        s.path = DefaultPath();
    struct stat st = {};
    if (!StatFile(s.path, st)) {
        if (errno != ENOENT && errno != ENOTDIR)
            return MarkUnreadable(s, errno);
        if (!s.loaded || s.size != -1)
            s.sections.clear();
        s.loaded = true;
        s.size = -1;
        s.readError.clear();
        return;
    }
    // Looked at before it is opened: a FIFO would block the open, a device be read forever.
    if (!S_ISREG(st.st_mode))
        return MarkUnreadable(s, EINVAL);
    if (st.st_size > CSettings::kMaxFileBytes)
        return MarkUnreadable(s, EFBIG);
    if (s.loaded && !ChangedOnDisk(s, st))
        return;
    const int fd = OpenRegular(s.path); // it may have been replaced since
    if (fd < 0)
        return MarkUnreadable(s, errno);
    QByteArray bytes;
    const bool read = ReadAll(fd, bytes, st.st_size, CSettings::kMaxFileBytes);
    const int error = errno;
    ::close(fd);
    if (!read)
        return MarkUnreadable(s, error);
    Parse(s, bytes);
    s.loaded = true;
    s.readError.clear();
    Remember(s, st);
}

QByteArray Serialise(const SStore& s)
{
    QString out;
    for (auto sec = s.sections.cbegin(); sec != s.sections.cend(); ++sec) {
        if (sec->isEmpty())
            continue;
        out += u'[' + sec.key() + QLatin1String("]\n");
        for (auto it = sec->cbegin(); it != sec->cend(); ++it)
            out += CSettings::EncodeKey(it.key()) + u'=' + EscapeValue(it.value()) + u'\n';
        out += u'\n';
    }
    return out.toUtf8();
}

class CFileLock
{
public:
    explicit CFileLock(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (m_fd < 0)
            m_error = errno;
        else
            ::flock(m_fd, LOCK_EX);
    }
    // 0 when locked, else why the lock file could not be opened.
    int Error() const { return m_error; }
    ~CFileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

private:
    int m_fd;
    int m_error = 0;
};

bool WriteAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

// Read-modify-write under the lock, then atomic replacement of the file. Returns why the
// change did not reach the file; empty when it did. A change that was not saved still
// holds in memory for this run, unless the file could not be read.
template <typename Change> QString Modify(Change&& change)
{
    SStore& s = Store();
    std::lock_guard guard(s.mutex);
    if (s.path.isEmpty())
        s.path = DefaultPath();
    QDir().mkpath(QFileInfo(s.path).absolutePath());
    const QString lockPath = s.path + QStringLiteral(".lock");
    CFileLock lock(lockPath);
    Refresh(s);
    if (!s.readError.isEmpty())
        return s.readError + QStringLiteral(" Nothing was saved, so as not to replace it.");
    change(s);
    ++s.generation;
    if (lock.Error() != 0)
        return NotSaved(
            s.path,
            QStringLiteral("\"%1\" cannot be opened: %2").arg(lockPath, Cause(lock.Error())));
    const QByteArray path = QFile::encodeName(s.path);
    // Renaming would replace a file made read-only, so its mode is asked first.
    if (s.size != -1 && ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0 &&
        errno != ENOENT)
        return NotSaved(s.path, Cause(errno));
    const QByteArray data = Serialise(s);
    const QByteArray tmp = QFile::encodeName(s.path + QStringLiteral(".tmp"));
    // Not blocking: a FIFO left in its place fails the write instead of hanging it.
    const int fd =
        ::open(tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0)
        return NotSaved(s.path, Cause(errno));
    bool written = WriteAll(fd, data);
    int error = errno;
    // close() reports a delayed write error on some file systems (NFS, quotas).
    if (::close(fd) != 0 && written && errno != EINTR) {
        written = false;
        error = errno;
    }
    if (written && ::rename(tmp.constData(), path.constData()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(tmp.constData());
        return NotSaved(s.path, Cause(error));
    }
    struct stat st = {};
    if (StatFile(s.path, st))
        Remember(s, st);
    return {};
}

// The intake's crash marker lives in a file of its own (CMarkerFile).
bool IsMarker(const QString& section, const QString& key)
{
    return key == CSettingsTable::Key(ESetting::ErrorFile) &&
           section == QLatin1String(CSettings::kSettings);
}

QString CurrentPath()
{
    SStore& s = Store();
    std::lock_guard guard(s.mutex);
    if (s.path.isEmpty())
        s.path = DefaultPath();
    return s.path;
}

// The marker is refused too while the settings file cannot be read: nothing of that
// store is written. Checked in memory, as the marker is on the intake's hot path.
QString WriteMarker(const QString& value)
{
    SStore& s = Store();
    std::lock_guard guard(s.mutex);
    if (!s.readError.isEmpty())
        return s.readError + QStringLiteral(" Nothing was saved, so as not to replace it.");
    if (s.path.isEmpty())
        s.path = DefaultPath();
    return CMarkerFile::Write(s.path, value);
}

// Records a failed write and tells the listener, outside the lock so that it may show a
// message (and pump events) without blocking the store. True when nothing failed.
bool Report(const QString& failure)
{
    if (failure.isEmpty())
        return true;
    CSettings::FailureListener listener;
    {
        SStore& s = Store();
        std::lock_guard guard(s.mutex);
        s.lastWriteError = failure;
        listener = s.listener;
    }
    if (listener)
        listener(failure);
    return false;
}

template <typename Read> auto Inspect(Read&& read)
{
    SStore& s = Store();
    std::lock_guard guard(s.mutex);
    // Within a CReadOnce scope the file is looked at by the first read only; writes
    // always look, under the file's lock.
    if (s.readOnce == 0 || !s.checked)
        Refresh(s);
    s.checked = s.readOnce > 0;
    return read(s);
}

} // namespace

CSettings::CReadOnce::CReadOnce()
{
    SStore& s = Store();
    std::lock_guard guard(s.mutex);
    if (s.readOnce++ == 0)
        s.checked = false;
}

CSettings::CReadOnce::~CReadOnce()
{
    SStore& s = Store();
    std::lock_guard guard(s.mutex);
    --s.readOnce;
}

bool CSettings::MarkerInUse()
{
    return CMarkerFile::InUse(CurrentPath());
}

QStringList CSettings::TakeLeftMarkers()
{
    return CMarkerFile::TakeLeft(CurrentPath());
}

CSettings::CMarkerHold::CMarkerHold()
{
    CMarkerFile::Hold();
}

CSettings::CMarkerHold::~CMarkerHold()
{
    CMarkerFile::Release();
}

quint64 CSettings::Generation()
{
    SStore& s = Store();
    std::lock_guard guard(s.mutex);
    return s.generation;
}

QString CSettings::FilePath()
{
    SStore& s = Store();
    std::lock_guard guard(s.mutex);
    return s.path.isEmpty() ? DefaultPath() : s.path;
}

void CSettings::SetFilePath(const QString& path)
{
    SStore& s = Store();
    std::lock_guard guard(s.mutex);
    s.path = path.isEmpty() ? DefaultPath() : path;
    ++s.generation;
    s.loaded = false;
    s.sections.clear();
    s.size = -1;
    s.readError.clear();
    s.warned.clear(); // a new file, as at a new start
    s.pendingWarnings.clear();
}

namespace {

// A key of the "Settings" section that the table names; null otherwise.
const SSettingDef* TableEntry(const QString& section, const QString& key)
{
    return section == QLatin1String(CSettings::kSettings) ? CSettingsTable::Find(key) : nullptr;
}

QString InvalidValueText(const SSettingDef& def, const QString& path, const QString& stored)
{
    constexpr qsizetype kShown = 60;
    const QString shown = stored.size() > kShown ? CText::Left(stored, kShown) + u'…' : stored;
    return QStringLiteral("The setting \"%1\" in \"%2\" holds \"%3\", which is not %4; "
                          "Cratewise uses the default, \"%5\", instead.")
        .arg(QLatin1String(def.key), path, CText::Printable(shown), CSettingsTable::KindText(def),
             QString::fromUtf8(def.def));
}

// Tells the listener of a stored value that reads as the default, once per key and run.
void WarnOnce(const SSettingDef& def, const QString& stored)
{
    CSettings::WarningListener listener;
    QString message;
    {
        SStore& s = Store();
        std::lock_guard guard(s.mutex);
        const QString key = QLatin1String(def.key);
        if (s.warned.contains(key))
            return;
        s.warned.insert(key);
        message = InvalidValueText(def, s.path, stored);
        if (!s.readListener) {
            s.pendingWarnings << message;
            return;
        }
        listener = s.readListener;
    }
    listener(message);
}

} // namespace

std::optional<QString> CSettings::Stored(ESetting id)
{
    const QString key = CSettingsTable::Key(id);
    const QString section = QLatin1String(kSettings);
    if (IsMarker(section, key)) {
        QString marker = CMarkerFile::Read(CurrentPath());
        return marker.isEmpty() ? std::nullopt : std::optional<QString>(std::move(marker));
    }
    return Inspect([&](SStore& s) -> std::optional<QString> {
        const auto sec = s.sections.constFind(section);
        if (sec == s.sections.cend())
            return std::nullopt;
        const auto it = sec->constFind(key);
        if (it == sec->cend())
            return std::nullopt;
        return *it;
    });
}

QString CSettings::String(ESetting id)
{
    const SSettingDef& def = CSettingsTable::Def(id);
    const std::optional<QString> stored = Stored(id);
    if (!stored)
        return QString::fromUtf8(def.def);
    if (std::optional<QString> value = CSettingsTable::Normalise(def, *stored))
        return *std::move(value);
    WarnOnce(def, *stored);
    return QString::fromUtf8(def.def);
}

int CSettings::Int(ESetting id)
{
    Q_ASSERT(CSettingsTable::Def(id).kind == ESettingKind::Int ||
             CSettingsTable::Def(id).kind == ESettingKind::Bool);
    return String(id).toInt();
}

bool CSettings::SetInt(ESetting id, int value)
{
    return SetString(id, QString::number(value));
}

bool CSettings::SetString(ESetting id, const QString& value)
{
    Q_ASSERT_X(CSettingsTable::Normalise(CSettingsTable::Def(id), value).has_value(),
               CSettingsTable::Def(id).key, "a value outside the setting's range");
    // The file is not written again for what it already holds (panes and columns are
    // kept at every change the user makes).
    const QString key = CSettingsTable::Key(id);
    if (!IsMarker(QLatin1String(kSettings), key) && Stored(id) == value)
        return true;
    return WriteString(QLatin1String(kSettings), key, value);
}

bool CSettings::AddToCounter(ESetting id, int amount)
{
    // A negative count overflowed before counters stopped at the top: no value to warn of.
    const std::optional<QString> stored = Stored(id);
    bool ok = false;
    const qint64 raw = stored ? stored->trimmed().toLongLong(&ok) : 0;
    const qint64 count = ok && raw < 0 ? qint64(INT_MAX) : qint64(Int(id));
    return SetInt(id, int(qBound(qint64(0), count + amount, qint64(INT_MAX))));
}

CSettings::WarningListener CSettings::SetReadWarningListener(WarningListener listener)
{
    QStringList pending;
    WarningListener current;
    {
        SStore& s = Store();
        std::lock_guard guard(s.mutex);
        std::swap(s.readListener, listener);
        current = s.readListener;
        if (current)
            pending.swap(s.pendingWarnings);
    }
    for (const QString& message : std::as_const(pending))
        current(message);
    return listener;
}

int CSettings::GetInt(const QString& section, const QString& key, int def)
{
    if (const SSettingDef* entry = TableEntry(section, key);
        entry && (entry->kind == ESettingKind::Int || entry->kind == ESettingKind::Bool)) {
        return Int(entry->id);
    }
    return Inspect([&](SStore& s) {
        const auto sec = s.sections.constFind(section);
        if (sec == s.sections.cend())
            return def;
        const auto it = sec->constFind(key);
        if (it == sec->cend())
            return def;
        bool ok = false;
        const int v = it->trimmed().toInt(&ok);
        return ok ? v : def;
    });
}

QString CSettings::GetString(const QString& section, const QString& key, const QString& def)
{
    if (const SSettingDef* entry = TableEntry(section, key))
        return String(entry->id);
    return Inspect([&](SStore& s) {
        const auto sec = s.sections.constFind(section);
        if (sec == s.sections.cend())
            return def;
        return sec->value(key, def);
    });
}

bool CSettings::WriteInt(const QString& section, const QString& key, int value)
{
    return WriteString(section, key, QString::number(value));
}

bool CSettings::WriteString(const QString& section, const QString& key, const QString& value)
{
    if (IsMarker(section, key))
        return Report(WriteMarker(value));
    return Report(Modify([&](SStore& s) { s.sections[section][key] = value; }));
}

bool CSettings::Contains(const QString& section, const QString& key)
{
    if (IsMarker(section, key))
        return !CMarkerFile::Read(CurrentPath()).isEmpty();
    return Inspect([&](SStore& s) { return s.sections.value(section).contains(key); });
}

bool CSettings::Remove(const QString& section, const QString& key)
{
    if (IsMarker(section, key))
        return Report(WriteMarker(QString()));
    return Report(Modify([&](SStore& s) { s.sections[section].remove(key); }));
}

QString CSettings::ReadError()
{
    return Inspect([](SStore& s) { return s.readError; });
}

QString CSettings::LastWriteError()
{
    SStore& s = Store();
    std::lock_guard guard(s.mutex);
    return s.lastWriteError;
}

CSettings::FailureListener CSettings::SetWriteFailureListener(FailureListener listener)
{
    SStore& s = Store();
    std::lock_guard guard(s.mutex);
    std::swap(s.listener, listener);
    return listener;
}

QStringList CSettings::Keys(const QString& section)
{
    QStringList keys = Inspect([&](SStore& s) { return s.sections.value(section).keys(); });
    const QString marker = CSettingsTable::Key(ESetting::ErrorFile);
    if (IsMarker(section, marker) && !CMarkerFile::Read(CurrentPath()).isEmpty())
        keys.append(marker);
    return keys;
}

QString CSettings::EncodeKey(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool edge = i == 0 || i == name.size() - 1;
        const bool special = c == u'%' || c == u'=' || c.unicode() < 0x20 || c.unicode() == 0x7f ||
                             (edge && c.isSpace()) ||
                             (i == 0 && (c == u'[' || c == u';' || c == u'#'));
        if (!special) {
            out += c;
            continue;
        }
        for (char byte : QString(c).toUtf8())
            out += QStringLiteral("%%1").arg(uchar(byte), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString CSettings::DecodeKey(const QString& key)
{
    if (!key.contains(u'%'))
        return key;
    return QString::fromUtf8(QByteArray::fromPercentEncoding(key.toUtf8()));
}
