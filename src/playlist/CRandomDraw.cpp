#include "playlist/CRandomDraw.h"

#include "db/CCdlistSet.h"

std::vector<qint64> CRandomDraw::FindCandidates(const SRandomRequest& request)
{
    CFilter filter;
    if (!request.session.isEmpty())
        filter = CFilter::Exactly(ESongColumn::CD, request.session);
    if (!request.genre.isEmpty()) {
        const CFilter genre = CFilter::Equals(ESongColumn::GENRE, request.genre);
        filter = filter.IsEmpty() ? genre : filter.And(genre);
    }
    return m_set.Ids(filter);
}

std::optional<SSong> CRandomDraw::DrawOne(const std::vector<qint64>& candidates)
{
    // Every candidate can be drawn, however many there are.
    std::uniform_int_distribution<size_t> position(0, candidates.size() - 1);
    return m_set.FindSongById(candidates[position(m_random)]);
}

CRandomDraw::EResult CRandomDraw::Draw(const SRandomRequest& request,
                                       const std::function<void()>& clear,
                                       const std::function<void(const SSong&)>& add)
{
    const std::vector<qint64> candidates = FindCandidates(request);
    if (candidates.empty())
        return EResult::NoCandidates;
    clear();
    if (request.bySongs) {
        for (int i = 0; i < request.amount; ++i) {
            if (const std::optional<SSong> song = DrawOne(candidates))
                add(*song);
        }
        return EResult::Drawn;
    }
    const qint64 wanted = qint64(request.amount) * 60;
    qint64 total = 0;
    int idle = 0;
    while (total < wanted && idle < kMaxIdleDraws) {
        ++idle;
        const std::optional<SSong> song = DrawOne(candidates);
        if (!song || song->m_DURATION.isEmpty())
            continue;
        add(*song);
        const qint64 seconds = song->m_DURATION.toLongLong();
        if (seconds > 0) {
            total += seconds;
            idle = 0;
        }
    }
    return EResult::Drawn;
}
