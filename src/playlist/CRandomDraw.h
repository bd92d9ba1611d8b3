#pragma once

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
// time. The same song may be drawn more than once.
class CRandomDraw
{
public:
    enum class EResult
    {
        Drawn,
        NoCandidates
    };

    // Draws in a row that add no playing time before the playing-time mode gives up:
    // without it a selection whose songs have no length would never end.
    static constexpr int kMaxIdleDraws = 1000;

    explicit CRandomDraw(CCdlistSet& set) : m_set(set), m_random(std::random_device{}()) {}
    void Seed(unsigned seed) { m_random.seed(seed); }

    // Finds the candidates; when there are some, calls `clear` once and then `add` with the
    // set standing on each drawn song. The set is left unfiltered and sorted by ID.
    EResult Draw(const SRandomRequest& request, const std::function<void()>& clear,
                 const std::function<void(CCdlistSet&)>& add);

private:
    qint64 FindCandidates(const SRandomRequest& request);
    bool DrawOne(qint64 candidates);

    CCdlistSet& m_set;
    std::mt19937 m_random;
};
