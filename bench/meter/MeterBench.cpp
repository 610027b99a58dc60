// The live meter and band analyser on one second of 48 kHz input fed in 20 ms blocks: the sound
// level meter, and 1/48-octave bands (and 1/3 for comparison) ten times a second, each reported
// as a share of one core (the counter "ofCore": 0.05 is 5 %).
#include "measure/LiveAnalysis.h"
#include "synth/StandardSignals.h"

#include <benchmark/benchmark.h>

namespace quilbo {
namespace {

constexpr int kRate = 48000;
constexpr std::size_t kBlock = kRate / 50;

void live(benchmark::State& state) {
    LiveSettings settings;
    settings.rate = kRate;
    settings.bands.rate = kRate;
    settings.bands.bandsPerOctave = static_cast<int>(state.range(0));
    settings.bands.frameLength = defaultFrameLength(kRate);
    settings.spectraPerSecond = 10;
    LiveAnalysis analysis(settings);
    // A second of periodic pink noise, looped.
    const std::vector<float> pink = periodicPinkNoise(kPeriodicPinkFrames, 5);
    for (auto _ : state) {
        for (std::size_t at = 0; at + kBlock <= static_cast<std::size_t>(kRate); at += kBlock) {
            analysis.feed(pink.data() + at, kBlock, 1);
        }
        benchmark::DoNotOptimize(analysis.snapshot());
    }
    state.counters["ofCore"] = benchmark::Counter(
        1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The meter alone (A, Fast, with the C peak beside it), no bands.
void meterOnly(benchmark::State& state) {
    LiveSettings settings;
    settings.bands.bandsPerOctave = 0;
    LiveAnalysis analysis(settings);
    const std::vector<float> pink = periodicPinkNoise(kPeriodicPinkFrames, 5);
    for (auto _ : state) {
        for (std::size_t at = 0; at + kBlock <= static_cast<std::size_t>(kRate); at += kBlock) {
            analysis.feed(pink.data() + at, kBlock, 1);
        }
        benchmark::DoNotOptimize(analysis.snapshot());
    }
    state.counters["ofCore"] = benchmark::Counter(
        1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(live)->Arg(48)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(meterOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quilbo

BENCHMARK_MAIN();
