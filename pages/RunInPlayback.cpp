// The run-in session's sound: five seconds of opposite-phase pink noise, or one period of
// power-test noise in the session's band, looped by the player.
#include "RunInPage.h"

#include "synth/StandardSignals.h"
#include "synth/Synthesis.h"

namespace quilbo {

namespace {
constexpr std::int32_t kSeconds = 5;
constexpr std::uint32_t kSampleRate = 44100;
constexpr int kChannels = 2;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr double kHalfScale = 0.5;  // -6 dB
constexpr std::uint32_t kFrameBytes = kChannels * (kBitsPerSample / 8);
}  // namespace

static_assert(CRunInPage::RUN_IN_BLOCK_BYTES ==
              kSeconds * kSampleRate * kChannels * (kBitsPerSample / 8));

void CRunInPage::StartRunInPlayback() {
    if (isPlaying()) {
        return;
    }
    m_nTime = kSeconds;
    // The power-test noise loops whole periods, so that the loop has no seam.
    const std::int32_t blockBytes =
        m_powerNoiseBand
            ? static_cast<std::int32_t>(powerNoisePeriodFrames(kSampleRate) * kFrameBytes)
            : RUN_IN_BLOCK_BYTES;
    SampleBlock block = SampleBlock::allocate(static_cast<std::size_t>(blockBytes));
    if (!block) {
        showMessage(tr("Could not get %1 bytes of memory for the run-in noise.").arg(blockBytes));
        return;
    }
    std::uint8_t* bytes = block.data();
    const auto size = static_cast<std::uint32_t>(blockBytes);
    bool rendered = true;
    // The render reports sample values, two bytes each.
    if (!renderWithProgress(size / (kBitsPerSample / 8), [&] {
            if (!m_powerNoiseBand) {
                SynthesizeNoise(bytes, size, kSampleRate, kOppositePhasePair, kBitsPerSample,
                                kWavePinkNoise, kHalfScale, ReportRenderProgress);
                return;
            }
            StandardSignal signal;
            signal.waveform = kWavePowerNoise;
            signal.lowHz = m_powerNoiseBand->first;
            signal.highHz = m_powerNoiseBand->second;
            rendered =
                SynthesizeStandard(bytes, size, kSampleRate, kOppositePhasePair, kBitsPerSample,
                                   signal, kHalfScale, ReportRenderProgress) == 1;
        })) {
        return;
    }
    if (!rendered) {
        showMessage(tr("Could not get memory to work out the power-test noise."));
        return;
    }
    // Looped, and faded so that a session starts and ends without a click.
    playBlock(std::move(block), blockBytes, buildWaveFormat(kChannels, kSampleRate, kBitsPerSample),
              true, true);
}

}  // namespace quilbo
