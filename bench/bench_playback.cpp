// The external player's one-second poll over the generated catalogue of 1,000,000 songs:
// while the player moves on to the next song every poll, each poll finds the song, raises
// its play count and shows title and artist; the player answers at once (a stand-in, so
// that only Cratewise's own work is timed).
#include "BenchSupport.h"
#include "GenerateLibrary.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "model/CWinampRemote.h"
#include "playback/CWinampOperations.h"

namespace {

constexpr int kSent = 5000;

// A player that plays what it was sent and goes on to the next song at every question.
class CRunningPlayer : public CNoWinampRemote
{
public:
    bool IsRunning() override { return true; }
    bool IsPlaying() override { return true; }
    int TrackLengthSeconds() override { return 200; }
    int TrackPositionMs() override { return 1000; }
    int ListLength() override { return kSent; }
    int ListPosition() override { return m_position++ % kSent; }

private:
    int m_position = 0;
};

void BM_PollCountingEachSong(benchmark::State& state)
{
    CCdlistDoc doc;
    doc.OpenDatabase(GeneratedLibrary(int(state.range(0))));
    CSilentPrompts prompts;
    CRunningPlayer player;
    SAppServices services;
    services.prompts = &prompts;
    services.winamp = &player;
    SSentList sent;
    sent.sent = true;
    for (int i = 0; i < kSent; ++i)
        sent.ids.append(qint64(1 + (qint64(i) * 7919) % state.range(0)));
    CWinampOperations operations(doc, services, sent);
    int started = 0;
    for (auto _ : state)
        started += operations.Poll(-1).songStarted ? 1 : 0;
    state.counters["songs counted"] = started;
    state.counters["messages"] = prompts.messages;
}

BENCHMARK(BM_PollCountingEachSong)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks(argc, argv);
}
