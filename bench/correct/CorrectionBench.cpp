// Planning a correction for eight channels of ten filters each, from stored measurements of
// loudspeakers with a few resonances and a low roll-off each (one second of impulse at 48 kHz).
#include "measure/Biquad.h"
#include "measure/CorrectionPlan.h"

#include <benchmark/benchmark.h>

namespace quilbo {
namespace {

std::vector<Measurement> eightChannels() {
    std::vector<Measurement> run;
    for (int channel = 1; channel <= 8; ++channel) {
        Measurement m;
        m.channel = channel;
        m.impulse.assign(48000, 0.0F);
        m.impulse[480] = 1;
        Biquad::highPass(48000, 40 + 5 * channel, 0.7071).process(m.impulse);
        Biquad::peaking(48000, 120 * channel, 6, 3).process(m.impulse);
        Biquad::peaking(48000, 2500 + 300 * channel, -8, 2).process(m.impulse);
        Biquad::highShelf(48000, 6000, -3, 0.7071).process(m.impulse);
        m.arrivalSeconds = 0.001 * channel;
        run.push_back(std::move(m));
    }
    return run;
}

void BM_PlanEightChannels(benchmark::State& state) {
    const std::vector<Measurement> run = eightChannels();
    for (auto _ : state) {
        benchmark::DoNotOptimize(planCorrection(run, {}));
    }
}
BENCHMARK(BM_PlanEightChannels)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quilbo

BENCHMARK_MAIN();
