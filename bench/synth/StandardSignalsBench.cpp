// Each signal from the standards rendered against pink noise, the described noise it stands
// beside: the same block (60 s at 48 kHz, the opposite-phase pair, 24 bits, storing progress as
// the pages do), both timed in every iteration, and the median of their ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "media/SampleBlock.h"
#include "synth/StandardSignals.h"
#include "synth/Synthesis.h"

namespace {

using namespace quilbo;

constexpr std::uint32_t kRate = 48000;
constexpr std::uint32_t kSize = 60 * kRate * 2 * 4;

std::uint32_t g_samplesWritten = 0;

void storeProgress(std::uint32_t samplesWritten) {
    g_samplesWritten = samplesWritten;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Args: the standard signal's waveform index.
void againstPink(benchmark::State& state) {
    StandardSignal signal;
    signal.waveform = static_cast<std::int32_t>(state.range(0));
    signal.frequency = 40.0;
    SampleBlock block = SampleBlock::allocate(kSize);
    auto timed = [&](bool pink) {
        const auto start = std::chrono::steady_clock::now();
        if (pink) {
            SynthesizeNoiseSeeded(1, block.data(), kSize, kRate, kOppositePhasePair, 24,
                                  kWavePinkNoise, 0.5, storeProgress);
        } else {
            SynthesizeStandard(block.data(), kSize, kRate, kOppositePhasePair, 24, signal, 0.5,
                               storeProgress);
        }
        benchmark::ClobberMemory();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    timed(true);  // every page in place before the first timing
    std::vector<double> own, pink, ratios;
    for (auto _ : state) {
        own.push_back(timed(false));
        pink.push_back(timed(true));
        ratios.push_back(own.back() / pink.back());
        state.SetIterationTime(own.back() + pink.back());
    }
    state.counters["signal ms"] = median(own) * 1e3;
    state.counters["pink ms"] = median(pink) * 1e3;
    state.counters["ratio"] = median(ratios);
}

}  // namespace

BENCHMARK(againstPink)
    ->ArgName("waveform")
    ->DenseRange(kWaveSt2095Pink, kWavePeriodicPink)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
