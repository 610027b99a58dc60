// The system output volume over the PulseAudio default sink.
#include "audio/WaveOutVolume.h"

#include "audio/PulseServer.h"
#include "audio/PulseVolumeBackend.h"
#include "audio/VolumeScale.h"

namespace quilbo {

CWaveOutVolume::CWaveOutVolume() : CWaveOutVolume(std::make_shared<PulseServer>()) {}

CWaveOutVolume::CWaveOutVolume(std::shared_ptr<PulseServer> server)
    : m_backend(
          std::make_unique<PulseVolumeBackend>(std::move(server), [this] { OnControlChange(); })) {}

CWaveOutVolume::CWaveOutVolume(Detached) {}

CWaveOutVolume::~CWaveOutVolume() {
    // The backend goes first (in member order it would go last), so no notice can arrive while
    // the rest of the object is being taken apart.
    m_backend.reset();
}

VolumeState CWaveOutVolume::state() const {
    if (!m_backend) {
        return VolumeState::Unavailable;
    }
    const SinkReading reading = m_backend->reading();
    if (!reading.hasSink) {
        return VolumeState::Unavailable;
    }
    return reading.channels == 0 ? VolumeState::LineWithoutVolume : VolumeState::Ready;
}

bool CWaveOutVolume::HasVolumeControl() const {
    return state() == VolumeState::Ready;
}

void CWaveOutVolume::ActivateLine() {
    if (m_backend) {
        m_backend->setMute(false);
    }
}

std::uint32_t CWaveOutVolume::GetMinimum() const {
    return HasVolumeControl() ? 0 : kNoValue;
}

std::uint32_t CWaveOutVolume::GetMaximum() const {
    return HasVolumeControl() ? kVolumeScaleMax : kNoValue;
}

std::uint32_t CWaveOutVolume::GetVolume() const {
    if (!m_backend) {
        return kNoValue;
    }
    const SinkReading reading = m_backend->reading();
    if (!reading.hasSink || reading.channels == 0) {
        return kNoValue;
    }
    return fromServerVolume(reading.volumes[0]);
}

void CWaveOutVolume::SetVolume(std::uint32_t value) {
    if (!m_backend || value > kVolumeScaleMax || !HasVolumeControl()) {
        return;
    }
    m_backend->setVolume(toServerVolume(value));
}

void CWaveOutVolume::SetChangeCallback(VolumeChangeCallback callback, void* context) {
    m_pfnCallback = callback;
    m_pCallbackContext = context;
}

void CWaveOutVolume::OnControlChange() {
    const std::uint32_t value = GetVolume();
    if (value != kNoValue && m_pfnCallback != nullptr) {
        m_pfnCallback(value, m_pCallbackContext);
    }
}

}  // namespace quilbo
