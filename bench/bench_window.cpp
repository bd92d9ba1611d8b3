// The main window over the 1,000,000-song search library, every optional column shown: an
// empty search (every song listed), then for each heading a first click on the fresh list
// and a second click (the other direction), each timed from the command to the list's next
// paint, then the window's memory. Run it on a real X server:
// xvfb-run -a env QT_QPA_PLATFORM=xcb build/bench_window [SONGS] [RUNS] [PAUSE_MS]

#include "BenchSupport.h"
#include "GenerateLibrary.h"
#include "app/CCdlistView.h"
#include "app/CMainFrame.h"
#include "cli/CSystemServices.h"
#include "library/gui/CLibraryListCtrl.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTest>
#include <algorithm>
#include <cstdio>

namespace {

// Counts the paints of one widget.
class CPaintCounter : public QObject
{
public:
    explicit CPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

// Milliseconds from `act` to the next paint of the counted widget.
double TimeToPaint(CPaintCounter& counter, const std::function<void()>& act)
{
    const int before = counter.paints;
    QElapsedTimer clock;
    clock.start();
    act();
    while (counter.paints == before && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return double(clock.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    CAllocator::Tune();
    QApplication app(argc, argv);
    const int songs = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    const int pauseMs = argc > 3 ? std::atoi(argv[3]) : 1000; // before the first click
    QTemporaryDir home;
    CSettings::SetFilePath(home.path() + QStringLiteral("/settings.ini"));
    for (const ESetting s :
         {ESetting::LibTrack, ESetting::LibYear, ESetting::LibGenre, ESetting::LibType,
          ESetting::LibPath, ESetting::LibBitrate, ESetting::LibLength, ESetting::LibComment})
        CSettings::SetBool(s, true);
    const QString library = SearchLibrary(songs);

    CSilentPrompts prompts(CPrompts::EAnswer::No);
    const double startMB = MemoryMB();
    CCdlistDoc doc;
    doc.OpenDatabase(library);
    CSystemServices system(prompts, home.path());
    SAppServices& services = system.Services();
    services.currentMonth = [] { return 6; };
    auto* view = new CCdlistView(doc, services);
    CMainFrame frame(view);
    frame.FitToForm();
    frame.show();
    view->OnInitialUpdate();
    if (!QTest::qWaitForWindowExposed(&frame)) {
        std::fprintf(stderr, "bench_window: the window was not shown\n");
        return 1;
    }
    CLibraryListCtrl* list = view->SongList();
    CPaintCounter counter(list->viewport());
    QHeaderView* header = list->horizontalHeader();
    const auto clickHeading = [header](int section) {
        const QPoint at(header->sectionViewportPosition(section) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };

    std::vector<double> listed;
    std::vector<std::vector<double>> sorted(size_t(list->ColumnCount())),
        reversed(size_t(list->ColumnCount()));
    std::vector<double> peak(size_t(list->ColumnCount())); // the most resident during a sort
    for (int run = 0; run < runs; ++run) {
        for (int column = 0; column < list->ColumnCount(); ++column) {
            listed.push_back(TimeToPaint(counter, [view] { view->Action(ID_SEARCH)->trigger(); }));
            list->scrollTo(list->model()->index(0, column)); // its heading in sight
            // The user looks at the list for a moment, while its total length is summed.
            QTest::qWait(pauseMs);
            ResetPeakMemory();
            sorted[size_t(column)].push_back(TimeToPaint(counter, [&] { clickHeading(column); }));
            peak[size_t(column)] = std::max(peak[size_t(column)], PeakMemoryMB());
            reversed[size_t(column)].push_back(TimeToPaint(counter, [&] { clickHeading(column); }));
        }
    }
    QCoreApplication::processEvents();
    std::printf("window over %d songs (%s), %d runs, first clicks %d ms after the list, "
                "medians:\n",
                list->RowCount(), qPrintable(QGuiApplication::platformName()), runs, pauseMs);
    std::printf("  list everything (empty search) to paint: %8.1f ms\n", Median(listed));
    for (int column = 0; column < list->ColumnCount(); ++column)
        std::printf(
            "  sort by %-8s to paint: %8.1f ms, clicked again: %6.1f ms, at most %4.0f MB\n",
            qPrintable(list->Headings()[column]), Median(sorted[size_t(column)]),
            Median(reversed[size_t(column)]), peak[size_t(column)]);
    std::printf("  memory: %.0f MB resident, %.0f MB at most (%.0f MB before the catalogue "
                "opened)\n",
                MemoryMB(), PeakMemoryMB(), startMB);
    // The list gives back what the sorts freed once it has stood still that long.
    QTest::qWait(CAllocator::kKeepMs + 1000);
    std::printf("  memory %d s later: %.0f MB resident\n", CAllocator::kKeepMs / 1000 + 1,
                MemoryMB());
    return 0;
}
