// Analysis time of a 10 s sweep at 48 kHz and 192 kHz, whole and by stage, each reported as a
// share of the sweep's own duration (the counter "ofSweep": 0.05 is 5 %).
#include "measure/Analysis.h"
#include "measure/Biquad.h"
#include "measure/Deconvolution.h"
#include "measure/Distortion.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace quilbo {
namespace {

// Half a second of quiet, the sweep through a mildly nonlinear resonant system, a second of tail.
struct Case {
    AnalysisSettings settings;
    std::vector<float> recording;

    explicit Case(int rate) {
        settings.sweep.rate = rate;
        settings.sweep.seconds = 10;
        settings.sweepStart = static_cast<std::size_t>(rate / 2);
        settings.smoothing = Smoothing::Octave6;
        recording.assign(settings.sweepStart, 0.0f);
        for (const float x : generateSweep(settings.sweep)) {
            recording.push_back(x + 0.01f * x * x);
        }
        recording.resize(recording.size() + static_cast<std::size_t>(rate), 0.0f);
        Biquad::peaking(rate, 1000, 6, 1.4).process(recording);
    }
};

void reportShareOfSweep(benchmark::State& state, const Case& c) {
    const double seconds =
        static_cast<double>(sweepFrames(c.settings.sweep)) / c.settings.sweep.rate;
    state.counters["ofSweep"] = benchmark::Counter(
        seconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void analysis(benchmark::State& state) {
    const Case c(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(analyse(c.recording, c.settings));
    }
    reportShareOfSweep(state, c);
}

void deconvolution(benchmark::State& state) {
    const Case c(static_cast<int>(state.range(0)));
    const auto segment = std::span<const float>(c.recording);
    for (auto _ : state) {
        benchmark::DoNotOptimize(deconvolve(c.settings.sweep, segment, c.settings.sweepStart));
    }
    reportShareOfSweep(state, c);
}

void smoothing(benchmark::State& state) {
    const Case c(static_cast<int>(state.range(0)));
    const Analysis done = analyse(c.recording, c.settings);
    const auto axis = logFrequencies(c.settings.sweep.from, c.settings.sweep.to, 48);
    for (auto _ : state) {
        benchmark::DoNotOptimize(responseOf(done.spectrum, axis, Smoothing::Octave6));
    }
    reportShareOfSweep(state, c);
}

void distortion(benchmark::State& state) {
    const Case c(static_cast<int>(state.range(0)));
    const Analysis done = analyse(c.recording, c.settings);
    const Deconvolution h = deconvolve(c.settings.sweep, c.recording, c.settings.sweepStart);
    const auto axis = logFrequencies(c.settings.sweep.from, c.settings.sweep.to, 48);
    const double peak = done.delaySeconds * c.settings.sweep.rate;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            measureDistortion(h, c.settings.sweep, peak, axis, Smoothing::Octave6));
    }
    reportShareOfSweep(state, c);
}

BENCHMARK(analysis)->Arg(48000)->Arg(192000)->Unit(benchmark::kMillisecond);
BENCHMARK(deconvolution)->Arg(48000)->Arg(192000)->Unit(benchmark::kMillisecond);
BENCHMARK(smoothing)->Arg(48000)->Arg(192000)->Unit(benchmark::kMillisecond);
BENCHMARK(distortion)->Arg(48000)->Arg(192000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quilbo

BENCHMARK_MAIN();
