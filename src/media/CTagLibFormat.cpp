#include "media/CTagLibFormat.h"

#include "db/CGenres.h"
#include "media/CTagLibSupport.h"
#include "platform/CCachedFile.h"
#include "platform/CFileNames.h"
#include "platform/CText.h"

#include <QScopeGuard>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Measure(const TagLib::File& file, SStreamFigures& figures)
{
    const TagLib::AudioProperties* properties = file.audioProperties();
    if (!properties)
        return;
    const long seconds = std::lround(properties->lengthInMilliseconds() / 1000.0);
    if (seconds < 1 || properties->bitrate() <= 0)
        return;
    figures.bitrate = QString::number(properties->bitrate());
    figures.duration = QString::number(seconds);
}

// The fields in the forms the catalogue keeps.
void Normalise(STagFields& fields)
{
    fields.genre = CGenres::StoredFormOfTag(fields.genre);
    fields.lyrics = CText::Left(fields.lyrics, STagFields::kMaxLyrics);
}

} // namespace

QString CTagLibFormat::ToQt(const TagLib::String& s)
{
    return QString::fromWCharArray(s.toCWString(), qsizetype(s.size()));
}

CTagLibFormat::FieldTexts CTagLibFormat::FileTexts(const STagChanges& changes)
{
    FieldTexts texts;
    for (int f = 0; f < kTagFieldCount; ++f)
        texts[size_t(f)] = changes[ETagField(f)];
    if (changes.genre && changes.genreNumber >= 0)
        texts[size_t(ETagField::Genre)] = CGenres::Name(changes.genreNumber);
    return texts;
}

QString CTagLibFormat::WithRegularFile(const QString& path,
                                       const std::function<QString(int fd, qint64 size)>& work)
{
    const int fd = ::open(CFileNames::Encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return CSafeCopy::Reason();
    const auto closer = qScopeGuard([fd] { ::close(fd); });
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    return work(fd, st.st_size);
}

void CTagLibFormat::FillEmpty(STagFields& fields, STagFields found)
{
    Normalise(found);
    for (int f = 0; f < kTagFieldCount; ++f) {
        QString& field = fields[ETagField(f)];
        if (field.isEmpty())
            field = std::move(found[ETagField(f)]);
    }
}

bool CTagLibFormat::Read(CCachedFile& file, STagFields* fields, SStreamFigures* figures,
                         qint64* bytesRead) const
{
    return ReadAs(file, fields, figures, bytesRead, true);
}

bool CTagLibFormat::ReadStrictly(const QString& path, STagFields* fields) const
{
    CCachedFile file(path, CCachedFile::EReaders::Several); // the library reads in small pieces
    return ReadAs(file, fields, nullptr, nullptr, false);
}

bool CTagLibFormat::HoldsAudio(const QString& path) const
{
    return ReadStrictly(path, nullptr);
}

bool CTagLibFormat::ReadAs(CCachedFile& opened, STagFields* fields, SStreamFigures* figures,
                           qint64* bytesRead, bool lenient) const
{
    if (fields)
        *fields = STagFields();
    if (figures)
        *figures = SStreamFigures();
    SilenceTagLib();
    if (!opened.IsRegular())
        return false;
    try {
        CCachedStream counted(opened, STagFields::kMaxRead);
        const auto count = qScopeGuard([&] {
            if (bytesRead)
                *bytesRead += counted.BytesRead();
        });
        const std::unique_ptr<TagLib::File> file = Open(&counted, figures != nullptr);
        const bool valid = file && file->isValid();
        if (valid && figures)
            Measure(*file, *figures);
        if (valid && fields) {
            TakeFields(*file, *fields);
            Normalise(*fields);
        }
        return lenient && fields ? Complete(opened, valid, *fields) : valid;
    } catch (...) {
        if (fields)
            *fields = STagFields();
        return false;
    }
}

QString CTagLibFormat::Write(const QString& path, const STagChanges& changes,
                             STagBefore* before) const
{
    return AsFileError([&] {
        // What the tag library cannot read now, an edit must not touch: whatever were
        // written into it would not be read back either.
        if (STagFields now; !ReadStrictly(path, &now))
            return QStringLiteral("its tag cannot be read");
        STagBefore original;
        if (QString error = WriteEdit(path, changes, &original.original); !error.isEmpty())
            return error;
        // A file built in a way the writer does not foresee may hide the edit from
        // readers: it is put back as it was rather than reported as written.
        if (!ReadsBack(path, changes)) {
            const QString undone = Restore(path, original);
            return NotReadBack(undone);
        }
        if (before)
            *before = std::move(original);
        return QString();
    });
}

QString CTagLibFormat::Restore(const QString& path, const STagBefore& before) const
{
    const CSafeCopy::POriginalFile& original = before.original;
    if (!original)
        return QStringLiteral("nothing to put back");
    return AsFileError([&] {
        struct stat st = {};
        if (::fstat(original->Fd(), &st) != 0)
            return CSafeCopy::Reason();
        return CSafeCopy::ReplaceWithCopy(path, [&](int, qint64, int to) {
            qint64 written = 0;
            return CSafeCopy::CopyBytes(original->Fd(), to, 0, st.st_size, written)
                       ? QString()
                       : CSafeCopy::Reason();
        });
    });
}

// The texts the edit set, as the tag library reads them now.
bool CTagLibFormat::ReadsBack(const QString& path, const STagChanges& changes) const
{
    STagFields now;
    return ReadStrictly(path, &now) && changes.ReadBackIn(now);
}
