#include "db/CGenres.h"

#include <algorithm>

namespace {

constexpr const char* kNames[CGenres::kNamed] = {
    "Blues",
    "Classic Rock",
    "Country",
    "Dance",
    "Disco",
    "Funk",
    "Grunge",
    "Hip-Hop",
    "Jazz",
    "Metal",
    "New Age",
    "Oldies",
    "Other",
    "Pop",
    "R&B",
    "Rap",
    "Reggae",
    "Rock",
    "Techno",
    "Industrial",
    "Alternative",
    "Ska",
    "Death Metal",
    "Pranks",
    "Soundtrack",
    "Euro-Techno",
    "Ambient",
    "Trip-Hop",
    "Vocal",
    "Jazz+Funk",
    "Fusion",
    "Trance",
    "Classical",
    "Instrumental",
    "Acid",
    "House",
    "Game",
    "Sound Clip",
    "Gospel",
    "Noise",
    "AlternRock",
    "Bass",
    "Soul",
    "Punk",
    "Space",
    "Meditative",
    "Instrumental Pop",
    "Instrumental Rock",
    "Ethnic",
    "Gothic",
    "Darkwave",
    "Techno-Industrial",
    "Electronic",
    "Pop-Folk",
    "Eurodance",
    "Dream",
    "Southern Rock",
    "Comedy",
    "Cult",
    "Gangsta",
    "Top 40",
    "Christian Rap",
    "Pop/Funk",
    "Jungle",
    "Native American",
    "Cabaret",
    "New Wave",
    "Psychadelic",
    "Rave",
    "Showtunes",
    "Trailer",
    "Lo-Fi",
    "Tribal",
    "Acid Punk",
    "Acid Jazz",
    "Polka",
    "Retro",
    "Musical",
    "Rock & Roll",
    "Hard Rock",
    "Folk",
    "Folk-Rock",
    "National Folk",
    "Swing",
    "Fast Fusion",
    "Bebob",
    "Latin",
    "Revival",
    "Celtic",
    "Bluegrass",
    "Avantgarde",
    "Gothic Rock",
    "Progressive Rock",
    "Psychedelic Rock",
    "Symphonic Rock",
    "Slow Rock",
    "Big Band",
    "Chorus",
    "Easy Listening",
    "Acoustic",
    "Humour",
    "Speech",
    "Chanson",
    "Opera",
    "Chamber Music",
    "Sonata",
    "Symphony",
    "Booty Bass",
    "Primus",
    "Porn Groove",
    "Satire",
    "Slow Jam",
    "Club",
    "Tango",
    "Samba",
    "Folklore",
    "Ballad",
    "Power Ballad",
    "Rhythmic Soul",
    "Freestyle",
    "Duet",
    "Punk Rock",
    "Drum Solo",
    "A capella",
    "Euro-House",
    "Dance Hall",
};

} // namespace

QString CGenres::Name(int n)
{
    return (n >= 0 && n < kNamed) ? QString::fromLatin1(kNames[n]) : QString();
}

QStringList CGenres::Names()
{
    QStringList names;
    names.reserve(kNamed);
    for (const char* name : kNames)
        names << QString::fromLatin1(name);
    return names;
}

int CGenres::IndexOf(const QString& name)
{
    for (int i = 0; i < kNamed; ++i) {
        if (name == QLatin1String(kNames[i]))
            return i;
    }
    return -1;
}

QString CGenres::StoredForm(const QString& name)
{
    const int n = name.isEmpty() ? -1 : IndexOf(name);
    return n < 0 ? QString() : QStringLiteral("(%1)").arg(n);
}

QString CGenres::StoredFormOfTag(const QString& genre)
{
    const QString trimmed = genre.trimmed();
    for (int i = 0; i < kNamed; ++i) {
        // Case-insensitive equality maps character to character: other lengths never match,
        // and the length test spares the intake a comparison call per name and file.
        const QLatin1String name(kNames[i]);
        if (name.size() == trimmed.size() && trimmed.compare(name, Qt::CaseInsensitive) == 0)
            return QStringLiteral("(%1)").arg(i);
    }
    return genre;
}

int CGenres::NumberOf(const QString& stored)
{
    const QString inner = stored.mid(1, stored.size() - 2);
    if (inner.isEmpty())
        return -1;
    int n = 0;
    for (const QChar c : inner) {
        if (c < u'0' || c > u'9')
            break;
        n = n * 10 + (c.unicode() - u'0');
        if (n > 100000)
            break; // far outside the table already
    }
    return n;
}

QStringList CGenres::SortedNames(bool withNone)
{
    QStringList names = Names();
    if (withNone)
        names << QLatin1String(kNone);
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}
