// The run-in session's sound: five seconds of opposite-phase pink noise, looped by the player.
#include "RunInPage.h"

#include "synth/Synthesis.h"

namespace quilbo {

namespace {
constexpr std::int32_t kSeconds = 5;
constexpr std::uint32_t kSampleRate = 44100;
constexpr int kChannels = 2;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr double kHalfScale = 0.5;  // -6 dB
}  // namespace

static_assert(CRunInPage::RUN_IN_BLOCK_BYTES ==
              kSeconds * kSampleRate * kChannels * (kBitsPerSample / 8));

void CRunInPage::StartRunInPlayback() {
    if (isPlaying()) {
        return;
    }
    m_nTime = kSeconds;
    SampleBlock block = SampleBlock::allocate(RUN_IN_BLOCK_BYTES);
    if (!block) {
        showMessage(
            tr("Could not get %1 bytes of memory for the run-in noise.").arg(RUN_IN_BLOCK_BYTES));
        return;
    }
    std::uint8_t* bytes = block.data();
    // The render reports sample values, two bytes each.
    if (!renderWithProgress(RUN_IN_BLOCK_BYTES / (kBitsPerSample / 8), [bytes] {
            SynthesizeNoise(bytes, RUN_IN_BLOCK_BYTES, kSampleRate, kOppositePhasePair,
                            kBitsPerSample, kWavePinkNoise, kHalfScale, ReportRenderProgress);
        })) {
        return;
    }
    // Looped, and faded so that a session starts and ends without a click.
    playBlock(std::move(block), RUN_IN_BLOCK_BYTES,
              buildWaveFormat(kChannels, kSampleRate, kBitsPerSample), true, true);
}

}  // namespace quilbo
