#include "intake/CIntake.h"

#include "db/CCdlistSet.h"
#include "db/CSongColumns.h"
#include "platform/CCachedFile.h"
#include "platform/CProgress.h"
#include "platform/CRegularFile.h"
#include "platform/CText.h"

#include <QScopeGuard>
#include <chrono>
#include <new>

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
{
    m_maker.LeaveMeasurement(true);
}

CIntake::~CIntake()
{
    m_maker.LeaveMeasurement(false);
}

bool CIntake::TakeInFile(const QString& directory, const QString& fileName, const QString& session,
                         CProgress* progress, qint64 replacing)
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
    // be stored as a song that can never be played: it is left out and the reason kept, as
    // is a name that became a pipe or a folder since the walk saw a file there.
    // Opened once: every reader of the song and its cover shares it and what it read.
    auto file = std::make_unique<CCachedFile>(path, CCachedFile::EReaders::Several);
    if (file->OutOfHandles()) {
        // The songs waiting to be stored hold their files open: those go first.
        m_queue.Finish();
        file = std::make_unique<CCachedFile>(path, CCachedFile::EReaders::Several);
    }
    if (!file->Opened() || !file->IsRegular()) {
        m_skipReason = file->Opened() ? CRegularFile::NotRegular() : file->Error();
        step();
        return false;
    }
    auto taken = std::make_shared<SStored>();
    taken->path = path;
    taken->replacing = replacing;
    try {
        const std::lock_guard reading(m_reading);
        // Left behind when reading this file kills the program; the next start names it.
        SetMarker(path);
        const auto unmark = qScopeGuard([this] { SetMarker(QString()); });
        taken->song = m_maker.Make(session, directory, fileName, Rules(), path, step, file.get());
        taken->cover = PlanCover(directory, path, *file);
    } catch (const std::bad_alloc&) {
        // Memory the system refused is this file's fault to report, not the scan's end.
        m_skipReason = QStringLiteral("there was not enough memory to read it");
        step();
        return false;
    }
    taken->measure = m_maker.MeasureLeft();
    taken->file = std::move(file);
    if (taken->measure && m_queue.Behind()) {
        m_readerProbeTime += Measure(*taken, m_readerProbe);
        taken->measure = false;
    }
    ++m_timings.files;
    m_queue.Post([this, taken] { StoreTaken(*taken); }, Weight(*taken));
    return true;
}

CIntake::STimings CIntake::Timings() const
{
    STimings timings = m_timings;
    timings.tags = m_maker.Timings().tags;
    timings.probe += m_readerProbeTime;
    return timings;
}

qint64 CIntake::Weight(const SStored& taken)
{
    qint64 bytes = taken.file->KeptBytes() + taken.cover.thumbnail.size();
    for (int c = 0; c < CSongColumns::kCount; ++c)
        bytes += taken.song.Text(ESongColumn(c)).size() * qint64(sizeof(QChar));
    return bytes;
}

void CIntake::StoreTaken(SStored& taken)
{
    if (taken.measure)
        m_timings.probe += Measure(taken, m_probe);
    const qint64 id = Store(taken.song, taken.path, taken.replacing);
    StoreCover(id, taken.cover, taken.path);
    try {
        if (m_afterStore)
            m_afterStore();
    } catch (const CDbException& e) {
        // The batch's commit (a full disk, another writer's lock) ends the scan at this file.
        throw e.Naming(taken.path);
    }
}

std::int64_t CIntake::Measure(SStored& taken, std::unique_ptr<CStreamProbe>& probe)
{
    const std::int64_t start = Now();
    if (!probe)
        probe = CStreamProbe::Create();
    try {
        if (probe && !probe->ProbeWithoutDecoder(*taken.file) && !taken.file->Cut()) {
            // The decoder may die of the file: the marker names it meanwhile.
            const std::lock_guard reading(m_reading);
            SetMarker(taken.path);
            const auto unmark = qScopeGuard([this] { SetMarker(QString()); });
            probe->Probe(*taken.file);
        }
    } catch (const std::bad_alloc&) {
        return Now() - start; // stored unmeasured, as a song whose length cannot be told
    }
    // A file cut since its tag was read would be measured by what was kept of it.
    if (probe && !taken.file->Cut()) {
        taken.song.m_BITRATE = probe->m_bitrate;
        taken.song.m_DURATION = probe->m_duration;
        taken.song.KeepLengths();
    }
    return Now() - start;
}

qint64 CIntake::Store(const SSong& song, const QString& path, qint64 replacing)
{
    const std::int64_t start = Now();
    qint64 id = replacing;
    try {
        if (replacing >= 0) {
            // Every column the file gives; the ID and the play count stay.
            SSongChanges all;
            for (int c = 0; c < CSongColumns::kCount; ++c)
                if (ESongColumn(c) != ESongColumn::ID && ESongColumn(c) != ESongColumn::USE)
                    all.Set(ESongColumn(c), song.Text(ESongColumn(c)));
            m_set.Update(replacing, all);
        } else {
            id = m_set.Insert(song);
        }
    } catch (const CDbException& e) {
        m_timings.store += Now() - start;
        // A file that cannot be stored ends the scan: going on would report songs as
        // taken in that are not.
        throw e.Naming(path);
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

CCoverIntake::SPlan CIntake::PlanCover(const QString& directory, const QString& path,
                                       CCachedFile& file)
{
    const std::int64_t start = Now();
    try {
        CCoverIntake::SPlan plan = m_covers.Plan(directory, path, file);
        m_timings.covers += Now() - start;
        return plan;
    } catch (const CDbException& e) {
        m_timings.covers += Now() - start;
        SetMarker(QString()); // the file did not end the program
        throw e.Naming(path);
    }
}

void CIntake::StoreCover(qint64 id, const CCoverIntake::SPlan& cover, const QString& path)
{
    const std::int64_t start = Now();
    try {
        m_covers.Apply(id, cover);
    } catch (const CDbException& e) {
        m_timings.store += Now() - start;
        throw e.Naming(path);
    }
    m_timings.store += Now() - start;
}

void CIntake::SetMarker(const QString& path)
{
    const std::int64_t start = Now();
    CSettings::SetString(ESetting::ErrorFile, path);
    m_timings.marker += Now() - start;
}
