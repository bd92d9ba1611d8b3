// Library figures over generated libraries of 100,000 and 1,000,000 songs: listing a
// session, full and fast search, listing everything and sorting it.
#include "GenerateLibrary.h"
#include "db/CCdlistSet.h"
#include "library/gui/CLibraryController.h"
#include "library/gui/CLibraryListCtrl.h"
#include "library/gui/CSearchController.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <random>

namespace {

constexpr int kSessionSize = 2000;

class CSilentPrompts : public CPrompts
{
public:
    EAnswer Message(const QString&, const QString&, EIcon, EButtons) override
    {
        return EAnswer::No;
    }
    QString OpenFile(const SFileDialog&) override { return {}; }
    QString SaveFile(const SFileDialog&) override { return {}; }
    QString ChooseFolder(const QString&) override { return {}; }
    int Warning(const QString&) override { return 0; }
};

QString Word(int n)
{
    static const char* const kSyllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "to", "vi",
                                             "be", "da", "fo", "gu", "hi", "jo", "pe", "zu"};
    QString w;
    do {
        w += QLatin1String(kSyllables[n % 16]);
        n /= 16;
    } while (n);
    return w;
}

// One library per size, built once: bulk insert in one transaction, indexes afterwards.
struct SLibrary
{
    QTemporaryDir dir;
    CDatabase db;
    CCdlistSet set;

    explicit SLibrary(int songs)
    {
        const QString path = dir.path() + QStringLiteral("/songs3.mdb");
        db.Open(path);
        db.Exec("DROP INDEX SongsBySession; DROP INDEX SongsByFile; DROP INDEX SongsByTitle; "
                "DROP INDEX SongsByArtist; DROP INDEX SongsByAlbum; DROP INDEX SongsByGenre;");
        std::mt19937 rng(42);
        std::uniform_int_distribution<int> word(0, 999), genre(0, 125), seconds(30, 600);
        {
            CDatabase::CTransaction transaction(db);
            CStatement insert(
                db,
                QStringLiteral("INSERT INTO Songs(CD, LIST, PATH, MELODI, TITLE, ARTIST, ALBUM, "
                               "GENRE, YEAR, BITRATE, DURATION) VALUES(?,?,?,?,?,?,?,?,?,?,?)"));
            for (int i = 0; i < songs; ++i) {
                const QString session =
                    QStringLiteral("Session %1").arg(i / kSessionSize, 4, 10, QLatin1Char('0'));
                const QString title = Word(word(rng)) + u' ' + Word(word(rng));
                const QString artist = Word(word(rng)) + QStringLiteral(" Band");
                const QString album = Word(word(rng)) + QStringLiteral(" Album");
                const QString file =
                    artist + QStringLiteral(" - ") + title + QStringLiteral(".mp3");
                insert.BindText(1, session).BindText(2, title);
                insert.BindText(3, QStringLiteral("/media/cdrom/") + session).BindText(4, file);
                insert.BindText(5, title).BindText(6, artist).BindText(7, album);
                insert.BindText(8, QStringLiteral("(%1)").arg(genre(rng)));
                insert.BindText(9, QStringLiteral("1999")).BindText(10, QStringLiteral("128"));
                insert.BindText(11, QString::number(seconds(rng)));
                insert.Step();
                insert.Reset();
            }
            transaction.Commit();
        }
        db.Close();
        db.Open(path); // creates the indexes
        set.Open(db);
    }
};

// The shared generated library: titles from a small word list that holds non-ASCII
// words, so that case folding takes its slow path on some rows.
struct SSharedLibrary
{
    CDatabase db;
    CCdlistSet set;
    explicit SSharedLibrary(int songs)
    {
        db.Open(GeneratedLibrary(songs));
        set.Open(db);
    }
};

CCdlistSet& SharedLibrary(int songs)
{
    static std::map<int, std::unique_ptr<SSharedLibrary>> libraries;
    auto& library = libraries[songs];
    if (!library)
        library = std::make_unique<SSharedLibrary>(songs);
    return library->set;
}

SLibrary& Library(int songs)
{
    static std::map<int, std::unique_ptr<SLibrary>> libraries;
    auto& library = libraries[songs];
    if (!library)
        library = std::make_unique<SLibrary>(songs);
    return *library;
}

// The library's widgets without the main form.
struct SForm
{
    CSilentPrompts prompts;
    QListWidget sessions;
    CLibraryListCtrl songs;
    QLineEdit title, artist, album, year, all, criteriaTitle, criteriaArtist, criteriaAlbum, file;
    QComboBox tagGenre, searchGenre;
    QPushButton lyrics;
    QAction search{nullptr};
    std::unique_ptr<CLibraryController> library;
    std::unique_ptr<CSearchController> searcher;
    int count = 0;
    qint32 current = -1;

    explicit SForm(CCdlistSet& set)
    {
        SLibraryParts p{&set,    &prompts, &sessions, &songs,    &title,
                        &artist, &album,   &year,     &tagGenre, &lyrics};
        p.songCount = [this] { return count; };
        p.setSongCount = [this](int n) { count = n; };
        p.currentSong = [this] { return current; };
        p.setCurrentSong = [this](qint32 id) { current = id; };
        p.addPlaylistEntry = [](const QString&, qint32) {};
        p.setPlaylistChanged = [](bool) {};
        library = std::make_unique<CLibraryController>(std::move(p), nullptr);
        SSearchParts s{&set,           &prompts,        &songs,         &all,
                       &criteriaTitle, &criteriaArtist, &criteriaAlbum, &file,
                       &searchGenre,   &search};
        s.addPlaylistEntry = [](const QString&, qint32) {};
        s.setPlaylistChanged = [](bool) {};
        searcher = std::make_unique<CSearchController>(std::move(s), nullptr);
        songs.RebuildColumns();
        songs.resize(800, 600);
    }
};

void BM_SelectSession(benchmark::State& state)
{
    SLibrary& lib = Library(int(state.range(0)));
    SForm form(lib.set);
    const QString session = QStringLiteral("Session 0007");
    for (auto _ : state)
        form.library->ShowSession(session);
    state.counters["rows"] = form.songs.RowCount();
}

void Search(benchmark::State& state, bool fast, const QString& title, const QString& all)
{
    SLibrary& lib = Library(int(state.range(0)));
    SForm form(lib.set);
    CSettings::SetInt(QStringLiteral("FastSearch"), fast ? 1 : 0);
    form.criteriaTitle.setText(title);
    form.all.setText(all);
    for (auto _ : state)
        form.searcher->OnSearch();
    state.counters["rows"] = form.songs.RowCount();
}

void BM_FullSearchTitle(benchmark::State& state)
{
    Search(state, false, Word(123), {});
}
void BM_FullSearchAll(benchmark::State& state)
{
    Search(state, false, {}, QStringLiteral("KAMI"));
}
void BM_FastSearchTitle(benchmark::State& state)
{
    Search(state, true, Word(123) + u' ', {});
}
void BM_FastSearchAll(benchmark::State& state)
{
    Search(state, true, {}, Word(456) + u' ');
}

void BM_FullSearchMixedText(benchmark::State& state)
{
    SForm form(SharedLibrary(int(state.range(0))));
    CSettings::SetInt(QStringLiteral("FastSearch"), 0);
    form.all.setText(QStringLiteral("RIVER LOVE"));
    for (auto _ : state)
        form.searcher->OnSearch();
    state.counters["rows"] = form.songs.RowCount();
}

void BM_ListAllAndSort(benchmark::State& state)
{
    SLibrary& lib = Library(int(state.range(0)));
    SForm form(lib.set);
    CSettings::SetInt(QStringLiteral("FastSearch"), 0);
    for (auto _ : state) {
        form.searcher->OnSearch(); // no criteria: every song
        form.songs.SortByHeading(1);
    }
    state.counters["rows"] = form.songs.RowCount();
}

BENCHMARK(BM_SelectSession)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSearchTitle)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSearchAll)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FastSearchTitle)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FastSearchAll)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSearchMixedText)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListAllAndSort)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir settings;
    CSettings::SetFilePath(settings.path() + QStringLiteral("/settings.ini"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
