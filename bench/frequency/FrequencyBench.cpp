// Play click to player start for the default request and a 300 s, 96000 Hz request, and the
// progress callback's share of the render time. Plays into a private PulseAudio null sink.
#include "audio/PulseWaveOut.h"
#include "pages/FrequencyPage.h"
#include "res/ResourceInit.h"
#include "synth/Synthesis.h"
#include "tests/support/SoundServer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace quilbo {
namespace {

using Clock = std::chrono::steady_clock;

struct Setup {
    test::SoundServer server;
    std::unique_ptr<PulseWaveOut> backend;
    bool serverUp = false;

    Setup() {
        serverUp = server.start();
        if (!serverUp) {
            std::fprintf(stderr, "no private PulseAudio server: %s\n", server.log().c_str());
        }
        backend = std::make_unique<PulseWaveOut>();
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void configure(CFrequencyPage& page, const char* seconds, const char* rate) {
    qobject_cast<QLineEdit*>(page.control(CFrequencyPage::IDC_TIME))->setText(seconds);
    qobject_cast<QComboBox*>(page.control(CFrequencyPage::IDC_SAMPLE_RATE))->setEditText(rate);
}

void playToStart(benchmark::State& state, const char* seconds, const char* rate) {
    if (!setup().serverUp) {
        state.SkipWithError("no PulseAudio server");
        return;
    }
    CFrequencyPage page(setup().backend.get());
    page.setMessagePresenter([&state](QWidget*, const QString& text) {
        state.SkipWithError(text.toStdString().c_str());
    });
    page.show();
    configure(page, seconds, rate);
    auto* play = qobject_cast<QAbstractButton*>(page.control(CFrequencyPage::IDC_PLAY));
    for (auto _ : state) {
        const auto start = Clock::now();
        play->click();
        const auto started = Clock::now();
        if (!page.isPlaying()) {
            state.SkipWithError("the player did not start");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(started - start).count());
        page.OnStop();
        QApplication::processEvents();
    }
}

void BM_PlayToStartDefault(benchmark::State& state) {
    playToStart(state, "5", "44100");
}
BENCHMARK(BM_PlayToStartDefault)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_PlayToStart300s96k(benchmark::State& state) {
    playToStart(state, "300", "96000");
}
BENCHMARK(BM_PlayToStart300s96k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void ignoreProgress(std::uint32_t) {}

// Renders of 300 s at 96000 Hz stereo 16 bits with the page's progress callback and bar, with a
// callback that does nothing (the cost of being called once per frame), and with none. The
// share is the difference over the time with the page's callback.
void BM_ProgressShare300s96k(benchmark::State& state) {
    constexpr std::uint32_t kBytes = 300u * 2 * 16 * 96000 / 8;
    CFrequencyPage page(nullptr);
    page.show();
    RenderSession session;
    SampleBlock block = SampleBlock::allocate(kBytes);
    double with = 0;
    double empty = 0;
    double without = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        SynthesizeTone(block.data(), kBytes, 96000, 2, 16, 0, 1000.0, 0.5, nullptr);
        without += std::chrono::duration<double>(Clock::now() - start).count();

        start = Clock::now();
        SynthesizeTone(block.data(), kBytes, 96000, 2, 16, 0, 1000.0, 0.5, ignoreProgress);
        empty += std::chrono::duration<double>(Clock::now() - start).count();

        session.render(page.m_progress, kBytes / 2, [&] {
            start = Clock::now();
            SynthesizeTone(block.data(), kBytes, 96000, 2, 16, 0, 1000.0, 0.5,
                           ReportRenderProgress);
            with += std::chrono::duration<double>(Clock::now() - start).count();
        });
    }
    state.counters["render_s"] = with / state.iterations();
    state.counters["bare_render_s"] = without / state.iterations();
    state.counters["progress_share_pct"] = 100.0 * (with - without) / with;
    state.counters["call_only_share_pct"] = 100.0 * (empty - without) / with;
}
BENCHMARK(BM_ProgressShare300s96k)->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace
}  // namespace quilbo

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    quilbo::initResources();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
