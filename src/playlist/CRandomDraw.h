#pragma once

#include "db/SSong.h"

#include <QString>
#include <functional>
#include <optional>
#include <random>
#include <vector>

class CCdlistSet;

// What the "Random" dialog asks for.
struct SRandomRequest
{
    QString session;      // empty: the entire database
    QString genre;        // stored form "(n)"; empty: any genre
    bool bySongs = false; // true: `amount` songs; false: `amount` minutes of playing time
    int amount = 50;
};

// Draws songs at random from a session or the whole database, by number or by playing
// time, each song at most once.
class CRandomDraw
{
public:
    enum class EResult
    {
        Drawn,
        Short, // every candidate was drawn, yet fewer songs or less time than asked
        NoCandidates
    };

    // Draws in a row that add no playing time before the playing-time mode gives up:
    // without it a selection whose songs have no length would never end.
    static constexpr int kMaxIdleDraws = 1000;

    explicit CRandomDraw(CCdlistSet& set) : m_set(set), m_random(std::random_device{}()) {}

    // Finds the candidates; when there are some, calls `clear` once and then `add` with
    // each drawn song. Drawn() and Candidates() say how many afterwards.
    EResult Draw(const SRandomRequest& request, const std::function<void()>& clear,
                 const std::function<void(const SSong&)>& add);

    int Drawn() const { return m_drawn; }
    qint64 Candidates() const { return qint64(m_candidates.size()); }

private:
    std::vector<qint64> FindCandidates(const SRandomRequest& request);
    // A candidate not drawn before; nullopt when none is left.
    std::optional<SSong> DrawOne();

    CCdlistSet& m_set;
    std::mt19937 m_random;
    // Shuffled as far as drawn: the first m_taken IDs are the ones drawn so far.
    std::vector<qint64> m_candidates;
    size_t m_taken = 0;
    int m_drawn = 0;
};
