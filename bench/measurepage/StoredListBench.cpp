// The Measure page's start with none and with 400 stored measurements of a 10 s sweep's impulse
// response at 48 kHz: the time to a shown page (which must not grow with the folder) and, as a
// counter, the time until the list is whole.
#include "measure/MeasurementStore.h"
#include "pages/MeasurePage.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace quilbo {
namespace {

using Clock = std::chrono::steady_clock;

void BM_MeasurePageShown(benchmark::State& state) {
    QTemporaryDir data;
    const MeasurementStore store(data.path().toStdString());
    for (int i = 0; i < state.range(0); ++i) {
        Measurement m;
        m.name = "Measurement " + std::to_string(i);
        m.date = "2026-01-01T00:00:00Z";
        m.impulse.assign(480000, 0.25F);
        if (!store.save(m)) {
            state.SkipWithError("cannot store the measurements");
            return;
        }
    }
    double whole = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        CMeasurePage page(nullptr);
        page.setStoreFolder(store.folder());
        page.show();
        QApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        while (page.isListingStored()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        whole += std::chrono::duration<double>(Clock::now() - start).count();
    }
    state.counters["listed_s"] = whole / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MeasurePageShown)
    ->Arg(0)
    ->Arg(400)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace quilbo

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
