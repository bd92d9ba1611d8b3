#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <random>

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
    void Seed(unsigned seed) { m_random.seed(seed); }

    // Finds the candidates; when there are some, calls `clear` once and then `add` with the
    // set standing on each drawn song. The set is left unfiltered and sorted by ID.
    // Drawn() and Candidates() say how many afterwards.
    EResult Draw(const SRandomRequest& request, const std::function<void()>& clear,
                 const std::function<void(CCdlistSet&)>& add);

    int Drawn() const { return m_drawn; }
    qint64 Candidates() const { return m_candidates; }

private:
    qint64 FindCandidates(const SRandomRequest& request);
    // Stands the set on a candidate not drawn before; false when none is left.
    bool DrawOne();

    CCdlistSet& m_set;
    std::mt19937 m_random;
    qint64 m_candidates = 0;
    qint64 m_taken = 0;
    // A shuffle of the positions 1 … candidates done as far as drawn: a position moved
    // out of the way lives here, every other one is in its own place.
    QHash<qint64, qint64> m_moved;
    int m_drawn = 0;
};
