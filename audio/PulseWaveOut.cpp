// The PulseAudio playback back end.
#include "audio/PulseWaveOut.h"

namespace quilbo {

PulseWaveOut::PulseWaveOut() : PulseWaveOut(Options{}) {}

PulseWaveOut::PulseWaveOut(Options options)
    : m_options(options), m_underflows(std::make_shared<std::atomic<std::uint64_t>>(0)) {}

PulseWaveOut::~PulseWaveOut() = default;

WaveResult PulseWaveOut::queryFormat(const WaveFormatExtensible&) {
    return WaveResult::Ok;
}

std::unique_ptr<WaveOutDevice> PulseWaveOut::open(const WaveFormatExtensible&, WaveOutRoutine,
                                                  void*, WaveResult* result) {
    if (result != nullptr) {
        *result = WaveResult::NoDevice;
    }
    return nullptr;
}

}  // namespace quilbo
