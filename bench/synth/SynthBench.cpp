// Frames per second of the synthesis entry points, per waveform and depth, with and without a
// progress callback, into a reused block and into a freshly mapped one; and the largest block the
// pages render, on every core against one thread, side by side.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "media/SampleBlock.h"
#include "synth/BlockSize.h"
#include "synth/Synthesis.h"

namespace {

using namespace quilbo;

constexpr std::uint32_t kRate = 192000;
constexpr std::uint32_t kSeconds = 1;

std::uint32_t g_samplesWritten = 0;

// What the pages do: store the count (they repaint only when the visible value changes).
void storeProgress(std::uint32_t samplesWritten) {
    g_samplesWritten = samplesWritten;
}

std::int32_t renderInto(std::uint8_t* block, std::uint32_t size, std::uint16_t bits,
                        std::int32_t waveform, std::int64_t sweep, ProgressCallback progress) {
    if (waveform >= 3) {
        return SynthesizeNoiseSeeded(1, block, size, kRate, 2, bits, waveform, 0.5, progress);
    }
    if (sweep == 2) {
        return SynthesizeLogSweep(block, size, kRate, 2, bits, waveform, 20.0, 20000.0, 0.5,
                                  progress);
    }
    if (sweep == 1) {
        return SynthesizeSweep(block, size, kRate, 2, bits, waveform, 20.0, 20000.0, 0.5, progress);
    }
    return SynthesizeTone(block, size, kRate, 2, bits, waveform, 1000.0, 0.5, progress);
}

// Args: bits, waveform, sweep (0 none, 1 linear, 2 logarithmic), progress (0 null / 1 storing
// callback).
void renderReused(benchmark::State& state) {
    const auto bits = static_cast<std::uint16_t>(state.range(0));
    const auto waveform = static_cast<std::int32_t>(state.range(1));
    const std::int64_t sweep = state.range(2);
    const ProgressCallback progress = state.range(3) != 0 ? storeProgress : nullptr;
    const std::uint32_t frames = kSeconds * kRate;
    const std::uint32_t size = frames * 2 * sampleContainerBytes(bits);
    quilbo::SampleBlock block = quilbo::SampleBlock::allocate(size);
    renderInto(block.data(), size, bits, waveform, sweep, progress);  // touch every page once
    for (auto _ : state) {
        benchmark::DoNotOptimize(renderInto(block.data(), size, bits, waveform, sweep, progress));
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] =
        benchmark::Counter(frames, benchmark::Counter::kIsIterationInvariantRate);
}

// The whole render as quilbo-render does it: map a fresh block, render, release.
void renderFresh(benchmark::State& state) {
    const auto bits = static_cast<std::uint16_t>(state.range(0));
    const auto waveform = static_cast<std::int32_t>(state.range(1));
    const std::int64_t sweep = state.range(2);
    const ProgressCallback progress = state.range(3) != 0 ? storeProgress : nullptr;
    const std::uint32_t frames = 60 * kRate;  // the block bench/vs-sox renders
    const std::uint32_t size = frames * 2 * sampleContainerBytes(bits);
    for (auto _ : state) {
        quilbo::SampleBlock block = quilbo::SampleBlock::allocate(size);
        benchmark::DoNotOptimize(renderInto(block.data(), size, bits, waveform, sweep, progress));
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] =
        benchmark::Counter(frames, benchmark::Counter::kIsIterationInvariantRate);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The largest block (300 s, 192000 Hz, 6 channels, 32 bits: 1.38 GB) rendered as the Frequency
// page renders it, with the storing progress callback: in every iteration once on one thread
// (QUILBO_RENDER_THREADS=1) and once on every core, in alternating order. The counters are the
// medians of the two times and of their ratio per iteration. Args: waveform, fresh (1: into a
// freshly mapped block, as the page does, which adds the kernel's page allocation; 0: into one
// block whose pages are already in place, the render alone).
void largestBlock(benchmark::State& state) {
    const auto waveform = static_cast<std::int32_t>(state.range(0));
    const bool fresh = state.range(1) != 0;
    constexpr std::uint32_t kSize = 300u * kRate * 6u * 4u;
    quilbo::SampleBlock reused = quilbo::SampleBlock::allocate(fresh ? 0 : kSize);
    auto render = [&](std::uint8_t* block) {
        return waveform >= 3 ? SynthesizeNoiseSeeded(1, block, kSize, kRate, 6, 32, waveform, 0.5,
                                                     storeProgress)
                             : SynthesizeTone(block, kSize, kRate, 6, 32, waveform, 1000.0, 1.0,
                                              storeProgress);
    };
    if (!fresh) {
        render(reused.data());  // every page in place
    }
    std::vector<double> single, threaded, ratios;
    auto timeOne = [&](bool oneThread) {
        if (oneThread) {
            setenv("QUILBO_RENDER_THREADS", "1", 1);
        }
        const auto start = std::chrono::steady_clock::now();
        if (fresh) {
            quilbo::SampleBlock block = quilbo::SampleBlock::allocate(kSize);
            benchmark::DoNotOptimize(render(block.data()));
            benchmark::ClobberMemory();
        } else {
            benchmark::DoNotOptimize(render(reused.data()));
            benchmark::ClobberMemory();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        unsetenv("QUILBO_RENDER_THREADS");
        return took.count();
    };
    for (auto _ : state) {
        double one = 0.0, all = 0.0;
        if (single.size() % 2 == 0) {
            one = timeOne(true);
            all = timeOne(false);
        } else {
            all = timeOne(false);
            one = timeOne(true);
        }
        single.push_back(one);
        threaded.push_back(all);
        ratios.push_back(one / all);
        state.SetIterationTime(one + all);
    }
    state.counters["1 thread ms"] = median(single) * 1e3;
    state.counters["all cores ms"] = median(threaded) * 1e3;
    state.counters["speed-up"] = median(ratios);
}

void everyWaveformAndDepth(benchmark::internal::Benchmark* b) {
    b->ArgNames({"bits", "waveform", "sweep", "progress"});
    for (int bits : {8, 16, 20, 24, 32}) {
        for (int waveform = 0; waveform <= 5; ++waveform) {
            b->Args({bits, waveform, 0, 1});
            if (waveform <= 2) {
                b->Args({bits, waveform, 1, 1});
                b->Args({bits, waveform, 2, 1});
            }
        }
    }
}

void progressCost(benchmark::internal::Benchmark* b) {
    b->ArgNames({"bits", "waveform", "sweep", "progress"});
    for (int waveform = 0; waveform <= 5; ++waveform) {
        b->Args({16, waveform, 0, 0});
        b->Args({16, waveform, 0, 1});
    }
    b->Args({16, 0, 1, 0});
    b->Args({16, 0, 1, 1});
}

}  // namespace

BENCHMARK(renderReused)->Apply(everyWaveformAndDepth)->Unit(benchmark::kMillisecond);
BENCHMARK(renderReused)->Name("progressCost")->Apply(progressCost)->Unit(benchmark::kMillisecond);
BENCHMARK(renderFresh)->Apply(progressCost)->Unit(benchmark::kMillisecond);

BENCHMARK(largestBlock)
    ->ArgNames({"waveform", "fresh"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0}})
    ->Args({0, 1})
    ->Args({4, 1})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
