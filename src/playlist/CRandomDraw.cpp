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

std::optional<SSong> CRandomDraw::DrawOne()
{
    // One step of a Fisher-Yates shuffle over every candidate, however many there are:
    // what was drawn is never drawn again.
    while (m_taken < m_candidates.size()) {
        std::uniform_int_distribution<size_t> pick(m_taken, m_candidates.size() - 1);
        std::swap(m_candidates[m_taken], m_candidates[pick(m_random)]);
        if (std::optional<SSong> song = m_set.FindSongById(m_candidates[m_taken++]))
            return song;
    }
    return std::nullopt;
}

CRandomDraw::EResult CRandomDraw::Draw(const SRandomRequest& request,
                                       const std::function<void()>& clear,
                                       const std::function<void(const SSong&)>& add)
{
    m_candidates = FindCandidates(request);
    m_taken = 0;
    m_drawn = 0;
    if (m_candidates.empty())
        return EResult::NoCandidates;
    clear();
    const auto take = [&](const SSong& song) {
        add(song);
        ++m_drawn;
    };
    if (request.bySongs) {
        while (m_drawn < request.amount) {
            const std::optional<SSong> song = DrawOne();
            if (!song)
                break;
            take(*song);
        }
        return m_drawn < request.amount ? EResult::Short : EResult::Drawn;
    }
    const qint64 wanted = qint64(request.amount) * 60;
    qint64 total = 0;
    int idle = 0;
    while (total < wanted && idle < kMaxIdleDraws) {
        ++idle;
        const std::optional<SSong> song = DrawOne();
        if (!song)
            break;
        if (song->m_DURATION.isEmpty())
            continue;
        take(*song);
        const qint64 seconds = song->m_DURATION.toLongLong();
        if (seconds > 0) {
            total += seconds;
            idle = 0;
        }
    }
    return total < wanted ? EResult::Short : EResult::Drawn;
}
