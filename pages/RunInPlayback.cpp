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
    g_pRenderPage = this;
    m_nTime = kSeconds;
    m_bRepeat = true;
    m_fade = true;  // a session starts and ends without a click
    m_nBlockSize = RUN_IN_BLOCK_BYTES;
    m_pBlock = SampleBlock::allocate(RUN_IN_BLOCK_BYTES);
    if (!m_pBlock) {
        showMessage(
            tr("Could not get %1 bytes of memory for the run-in noise.").arg(RUN_IN_BLOCK_BYTES));
        return;
    }

    // The render reports sample values, two bytes each.
    beginRenderProgress(RUN_IN_BLOCK_BYTES / (kBitsPerSample / 8));
    SynthesizeNoise(m_pBlock.data(), RUN_IN_BLOCK_BYTES, kSampleRate, kOppositePhasePair,
                    kBitsPerSample, kWavePinkNoise, kHalfScale, ReportRenderProgress);
    const WaveFormatExtensible format = buildWaveFormat(kChannels, kSampleRate, kBitsPerSample);
    endRenderProgress();
    startPlayback(format);
}

}  // namespace quilbo
