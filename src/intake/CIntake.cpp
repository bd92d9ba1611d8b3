#include "intake/CIntake.h"

#include "db/CCdlistSet.h"
#include "platform/CCachedFile.h"
#include "platform/CProgress.h"
#include "platform/CText.h"

#include <chrono>

namespace {

std::int64_t Now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

CIntake::CIntake(CCdlistSet& set, const QStringList& namesWithDigits, CSongFromFile& maker)
    : m_set(set), m_namesWithDigits(namesWithDigits), m_maker(maker), m_covers(*set.Database())
{}

bool CIntake::TakeInFile(const QString& directory, const QString& fileName, const QString& session,
                         CProgress* progress)
{
    const QString path = CText::JoinPath(directory, fileName);
    m_skipReason.clear();
    const auto step = [progress] {
        if (progress) {
            progress->Step();
            progress->Pump(true);
        }
    };
    // A file that cannot be opened (a path deeper than PATH_MAX, no right to read it) would
    // be stored as a song that can never be played: it is left out and the reason kept.
    // Opened once: every reader of the song and its cover shares it and what it read.
    CCachedFile file(path, CCachedFile::EReaders::Several);
    if (!file.Opened()) {
        m_skipReason = file.Error();
        step();
        return false;
    }
    // Left behind when reading this file kills the program; the next start names it.
    SetMarker(path);

    const SSong song = m_maker.Make(session, directory, fileName, Rules(), path, step, &file);
    const qint64 id = Store(song, path);
    TakeCover(id, directory, path, file);
    SetMarker(QString());
    ++m_timings.files;
    return true;
}

CIntake::STimings CIntake::Timings() const
{
    STimings timings = m_timings;
    timings.tags = m_maker.Timings().tags;
    timings.probe = m_maker.Timings().probe;
    return timings;
}

qint64 CIntake::Store(const SSong& song, const QString& path)
{
    const std::int64_t start = Now();
    qint64 id = 0;
    try {
        id = m_set.Insert(song);
    } catch (const CDbException& e) {
        m_timings.store += Now() - start;
        SetMarker(QString()); // the file did not end the program
        // A file that cannot be stored ends the scan: going on would report songs as
        // taken in that are not.
        throw CDbException(e.Message() + QStringLiteral("\n") + path);
    }
    m_timings.store += Now() - start;
    return id;
}

const SSongRules& CIntake::Rules()
{
    // Read again only after this process changed a setting (or the names): looking at the
    // settings file for every song would cost a system call each.
    const quint64 generation = CSettings::Generation();
    if (!m_rules || generation != m_rulesGeneration ||
        m_rules->namesWithDigits != m_namesWithDigits) {
        const CSettings::CReadOnce settings; // the rules read a handful of values
        m_rules = SSongRules::FromSettings(m_namesWithDigits);
        m_rulesGeneration = generation;
    }
    return *m_rules;
}

void CIntake::TakeCover(qint64 id, const QString& directory, const QString& path, CCachedFile& file)
{
    const std::int64_t start = Now();
    try {
        m_covers.Take(id, directory, path, file);
    } catch (const CDbException& e) {
        m_timings.covers += Now() - start;
        SetMarker(QString());
        throw CDbException(e.Message() + QStringLiteral("\n") + path);
    }
    m_timings.covers += Now() - start;
}

void CIntake::SetMarker(const QString& path)
{
    const std::int64_t start = Now();
    CSettings::SetString(ESetting::ErrorFile, path);
    m_timings.marker += Now() - start;
}
