// A stand-in for the system volume in page tests: bounds, value and state are set by the test,
// the page's calls are recorded, and the test fires the change notice when it likes.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/WaveOutVolume.h"

namespace quilbo::test {

class FakeWaveOutVolume : public CWaveOutVolume {
public:
    FakeWaveOutVolume() : CWaveOutVolume(Detached{}) {}

    // What the test sets. The getters answer -1 unless the state is Ready, as the real one does.
    VolumeState fakeState = VolumeState::Ready;
    std::uint32_t minimum = 0;
    std::uint32_t maximum = 65535;
    std::uint32_t steps = 65536;
    std::uint32_t volume = 65535;
    bool muted = false;

    // What the page did.
    std::vector<std::uint32_t> setVolumeCalls;  // every SetVolume value, accepted or not
    int activateCalls = 0;
    int deactivateCalls = 0;
    int callbackRegistrations = 0;

    bool HasVolumeControl() const override { return fakeState == VolumeState::Ready; }
    void ActivateLine() override {
        ++activateCalls;
        if (fakeState != VolumeState::Unavailable) {
            muted = false;
        }
    }
    void DeactivateLine() override {
        ++deactivateCalls;
        if (fakeState != VolumeState::Unavailable) {
            muted = true;
        }
    }
    std::uint32_t GetStepCount() const override { return ready(steps); }
    std::uint32_t GetMinimum() const override { return ready(minimum); }
    std::uint32_t GetMaximum() const override { return ready(maximum); }
    std::uint32_t GetVolume() const override { return ready(volume); }
    void SetVolume(std::uint32_t value) override {
        setVolumeCalls.push_back(value);
        if (HasVolumeControl() && value >= minimum && value <= maximum) {
            volume = value;
        }
    }
    void SetChangeCallback(VolumeChangeCallback callback, void* context) override {
        ++callbackRegistrations;
        m_pfnCallback = callback;
        m_pCallbackContext = context;
    }
    VolumeState state() const override { return fakeState; }

    // The volume changed elsewhere: takes the new value and tells the callback, as a server
    // notice would.
    void changeFromOutside(std::uint32_t value) {
        volume = value;
        OnControlChange();
    }
    bool hasCallback() const { return m_pfnCallback != nullptr; }
    void* callbackContext() const { return m_pCallbackContext; }

private:
    std::uint32_t ready(std::uint32_t value) const { return HasVolumeControl() ? value : kNoValue; }
};

}  // namespace quilbo::test
