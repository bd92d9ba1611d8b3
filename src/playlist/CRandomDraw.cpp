#include "playlist/CRandomDraw.h"

#include "db/CCdlistSet.h"

qint64 CRandomDraw::FindCandidates(const SRandomRequest& request)
{
    CFilter filter;
    if (!request.session.isEmpty())
        filter = CFilter::Exactly(ESongColumn::CD, request.session);
    if (!request.genre.isEmpty()) {
        const CFilter genre = CFilter::Equals(ESongColumn::GENRE, request.genre);
        filter = filter.IsEmpty() ? genre : filter.And(genre);
    }
    m_set.SetSort(ESongColumn::ID);
    m_set.SetFilter(filter);
    m_set.Requery();
    return m_set.IsEOF() ? 0 : m_set.GetRecordCount();
}

bool CRandomDraw::DrawOne()
{
    // One step of a Fisher-Yates shuffle over every candidate, however many there are:
    // what was drawn is never drawn again.
    if (m_taken >= m_candidates)
        return false;
    const qint64 first = m_taken + 1;
    std::uniform_int_distribution<qint64> pick(first, m_candidates);
    const qint64 at = pick(m_random);
    const qint64 position = m_moved.value(at, at);
    m_moved.insert(at, m_moved.value(first, first));
    m_moved.remove(first);
    ++m_taken;
    return m_set.SetAbsolutePosition(position);
}

CRandomDraw::EResult CRandomDraw::Draw(const SRandomRequest& request,
                                       const std::function<void()>& clear,
                                       const std::function<void(CCdlistSet&)>& add)
{
    CUnfilterOnExit restore(m_set);

    m_candidates = FindCandidates(request);
    m_taken = 0;
    m_moved.clear();
    m_drawn = 0;
    if (m_candidates <= 0)
        return EResult::NoCandidates;
    clear();
    const auto take = [&] {
        add(m_set);
        ++m_drawn;
    };
    if (request.bySongs) {
        while (m_drawn < request.amount && DrawOne())
            take();
        return m_drawn < request.amount ? EResult::Short : EResult::Drawn;
    }
    const qint64 wanted = qint64(request.amount) * 60;
    qint64 total = 0;
    int idle = 0;
    while (total < wanted && idle < kMaxIdleDraws) {
        ++idle;
        if (!DrawOne())
            break;
        if (m_set.m_DURATION.isEmpty())
            continue;
        take();
        const qint64 seconds = m_set.m_DURATION.toLongLong();
        if (seconds > 0) {
            total += seconds;
            idle = 0;
        }
    }
    return total < wanted ? EResult::Short : EResult::Drawn;
}
