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

bool CRandomDraw::DrawOne(qint64 candidates)
{
    // Every candidate can be drawn, however many there are.
    std::uniform_int_distribution<qint64> position(1, candidates);
    return m_set.SetAbsolutePosition(position(m_random));
}

CRandomDraw::EResult CRandomDraw::Draw(const SRandomRequest& request,
                                       const std::function<void()>& clear,
                                       const std::function<void(CCdlistSet&)>& add)
{
    CUnfilterOnExit restore(m_set);

    const qint64 candidates = FindCandidates(request);
    if (candidates <= 0)
        return EResult::NoCandidates;
    clear();
    if (request.bySongs) {
        for (int i = 0; i < request.amount; ++i) {
            if (DrawOne(candidates))
                add(m_set);
        }
        return EResult::Drawn;
    }
    const qint64 wanted = qint64(request.amount) * 60;
    qint64 total = 0;
    int idle = 0;
    while (total < wanted && idle < kMaxIdleDraws) {
        ++idle;
        if (!DrawOne(candidates) || m_set.m_DURATION.isEmpty())
            continue;
        add(m_set);
        const qint64 seconds = m_set.m_DURATION.toLongLong();
        if (seconds > 0) {
            total += seconds;
            idle = 0;
        }
    }
    return EResult::Drawn;
}
