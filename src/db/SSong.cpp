#include "db/SSong.h"

#include "platform/CText.h"

namespace {

// The text members by column; null for the two numbers.
QString SSong::*TextMember(ESongColumn column)
{
    switch (column) {
    case ESongColumn::CD:
        return &SSong::m_CD;
    case ESongColumn::LIST:
        return &SSong::m_LIST;
    case ESongColumn::PATH:
        return &SSong::m_PATH;
    case ESongColumn::MELODI:
        return &SSong::m_MELODI;
    case ESongColumn::TITLE:
        return &SSong::m_TITLE;
    case ESongColumn::ARTIST:
        return &SSong::m_ARTIST;
    case ESongColumn::ALBUM:
        return &SSong::m_ALBUM;
    case ESongColumn::GENRE:
        return &SSong::m_GENRE;
    case ESongColumn::YEAR:
        return &SSong::m_YEAR;
    case ESongColumn::LYRICS:
        return &SSong::m_LYRICS;
    case ESongColumn::BITRATE:
        return &SSong::m_BITRATE;
    case ESongColumn::COMMENT:
        return &SSong::m_COMMENT;
    case ESongColumn::DURATION:
        return &SSong::m_DURATION;
    case ESongColumn::EXTENDED1:
        return &SSong::m_EXTENDED1;
    case ESongColumn::EXTENDED2:
        return &SSong::m_EXTENDED2;
    case ESongColumn::TRACK:
        return &SSong::m_TRACK;
    case ESongColumn::ID:
    case ESongColumn::USE:
        break;
    }
    return nullptr;
}

} // namespace

QString SSong::TrackNumber(const QString& track)
{
    bool ok = false;
    const qint64 number = track.section(u'/', 0, 0).trimmed().toLongLong(&ok);
    return ok && number > 0 ? QString::number(number) : QString();
}

QString SSong::FilePath() const
{
    return CText::JoinPath(m_PATH, m_MELODI);
}

void SSong::KeepLengths()
{
    for (int c = 0; c < CSongColumns::kCount; ++c) {
        const ESongColumn column = ESongColumn(c);
        if (const int kept = CSongColumns::KeptLength(column); kept > 0)
            SetText(column, CText::Left(Text(column), kept));
    }
}

QString SSong::Text(ESongColumn column) const
{
    if (column == ESongColumn::ID)
        return QString::number(m_ID);
    if (column == ESongColumn::USE)
        return QString::number(m_USE);
    return this->*TextMember(column);
}

void SSong::SetText(ESongColumn column, const QString& value)
{
    if (column == ESongColumn::ID)
        m_ID = value.toLongLong();
    else if (column == ESongColumn::USE)
        m_USE = value.toLongLong();
    else
        this->*TextMember(column) = value;
}
