#include "model/CTagFormModel.h"

#include "db/CGenres.h"
#include "media/CTaggedFile.h"
#include "platform/CText.h"
#include "platform/CVolumes.h"

namespace {

// The genre name a stored genre shows: "(17)" shows "Rock"; a number outside the table and
// a text the table does not name ("Chiptune Wave") show none.
QString GenreShown(const QString& stored)
{
    if (stored.size() < 3 || stored.front() != u'(' || !stored.at(1).isDigit())
        return QString();
    return CGenres::Name(CGenres::NumberOf(stored));
}

} // namespace

int CTagFormModel::MaxLength(EField field)
{
    switch (field) {
    case EField::Year:
        return 4;
    case EField::Track:
        return 7; // "123/456"
    default:      // shown whole: the catalogue keeps it whole
        return 0;
    }
}

void CTagFormModel::Show(const SSong& song)
{
    m_id = song.m_ID;
    m_path = song.m_ID == -1 ? QString() : song.FilePath();
    STagFields values;
    values.title = song.m_TITLE;
    values.artist = song.m_ARTIST;
    values.album = song.m_ALBUM;
    values.genre = GenreShown(song.m_GENRE);
    values.year = song.m_YEAR;
    values.comment = song.m_COMMENT;
    values.track = TrackOf(m_path);
    for (int i = 0; i < kFields; ++i) {
        const int max = MaxLength(EField(i));
        const QString& value = values[EField(i)];
        m_shown[size_t(i)] = max > 0 ? CText::Left(value, max) : value;
    }
    m_texts = m_shown;
    m_hasLyrics = !song.m_LYRICS.isEmpty();
    Q_EMIT SongShown();
    Q_EMIT ChangedFieldsChanged();
    Q_EMIT LyricsShownChanged(m_hasLyrics);
}

QString CTagFormModel::TrackOf(const QString& path) const
{
    if (path.isEmpty() || (m_volumes && m_volumes->TypeOf(path) == SVolume::EType::CdRom))
        return {};
    STagFields fields;
    CTaggedFile::Read(path, fields); // bounded; a file that is gone shows none
    return fields.track;
}

void CTagFormModel::Clear()
{
    SSong none;
    none.m_ID = -1;
    Show(none);
}

void CTagFormModel::SetHasLyrics(bool has)
{
    m_hasLyrics = has;
    Q_EMIT LyricsShownChanged(has);
}

void CTagFormModel::Edit(EField field, const QString& text)
{
    const bool was = IsChanged(field);
    m_texts[size_t(field)] = text;
    if (IsChanged(field) != was)
        Q_EMIT ChangedFieldsChanged();
}

bool CTagFormModel::IsChanged(EField field) const
{
    return m_texts[size_t(field)] != m_shown[size_t(field)];
}

std::map<CTagFormModel::EField, QString> CTagFormModel::Changes() const
{
    std::map<EField, QString> changes;
    for (int i = 0; i < kFields; ++i) {
        if (IsChanged(EField(i)))
            changes[EField(i)] = m_texts[size_t(i)];
    }
    return changes;
}
