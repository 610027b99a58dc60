// Stand-ins for the back ends in page and window tests: a wave output whose devices hand queued
// pieces back only when the test says so, a system volume the test sets, and a power-off
// requester that counts. Devices and the volume write their teardown steps into an event log
// when given one, so that a test can check the order of a window's end.
#pragma once

#include "audio/WaveOutDevice.h"
#include "audio/WaveOutVolume.h"
#include "pages/PowerOff.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quilbo::test {

using EventLog = std::vector<std::string>;

class FakeWaveOut : public WaveOutBackend {
public:
    struct Piece {
        const std::uint8_t* data;
        std::uint32_t length;
    };
    // What the next calls answer; the write result is taken at each open.
    WaveResult queryResult = WaveResult::Ok;
    WaveResult openResult = WaveResult::Ok;
    WaveResult writeResult = WaveResult::Ok;
    EventLog* log = nullptr;  // "open N", "reset N", "close N", devices counted from 1
    WaveFormatExtensible format;  // of the last query or open

    WaveResult queryFormat(const WaveFormatExtensible& format) override;
    std::unique_ptr<WaveOutDevice> open(const WaveFormatExtensible& format, WaveOutRoutine routine,
                                        void* instance, WaveResult* result = nullptr) override;

    // Of the device of the n-th open (from 1; 0 is the latest).
    int opens() const;
    std::vector<Piece> written(int n = 0) const;  // every piece it took, in order
    std::size_t queued(int n = 0) const;          // taken and not yet handed back
    bool isOpen(int n = 0) const;
    // Hands the oldest queued piece back through the routine with no lock held, as the device's
    // own thread would (on the calling thread); false when none is queued.
    bool completeNext(int n = 0);
    int completeAll(int n = 0, int most = 1000);

    struct State;

private:
    std::shared_ptr<State> device(int n) const;
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<State>> m_devices;
};

class FakeVolume : public CWaveOutVolume {
public:
    FakeVolume() : CWaveOutVolume(Detached{}) {}

    VolumeState fakeState = VolumeState::Ready;  // the getters answer -1 unless Ready
    std::uint32_t volume = 65535;
    bool muted = true;
    std::vector<std::uint32_t> writes;  // every SetVolume value, accepted or not
    EventLog* log = nullptr;            // "volume off" when the notices are let go

    bool HasVolumeControl() const override { return fakeState == VolumeState::Ready; }
    void ActivateLine() override { muted = false; }
    void DeactivateLine() override { muted = true; }
    std::uint32_t GetStepCount() const override { return ready(65536); }
    std::uint32_t GetMinimum() const override { return ready(0); }
    std::uint32_t GetMaximum() const override { return ready(65535); }
    std::uint32_t GetVolume() const override { return ready(volume); }
    void SetVolume(std::uint32_t value) override {
        writes.push_back(value);
        if (HasVolumeControl() && value <= 65535) {
            volume = value;
        }
    }
    void SetChangeCallback(VolumeChangeCallback callback, void* context) override {
        if (callback == nullptr && log != nullptr) {
            log->push_back("volume off");
        }
        m_pfnCallback = callback;
        m_pCallbackContext = context;
    }
    VolumeState state() const override { return fakeState; }

    // The volume changed elsewhere: the notice a server would send.
    void changeFromOutside(std::uint32_t value) {
        volume = value;
        OnControlChange();
    }
    bool listening() const { return m_pfnCallback != nullptr; }

private:
    std::uint32_t ready(std::uint32_t value) const { return HasVolumeControl() ? value : kNoValue; }
};

struct FakePowerOff : PowerOffRequester {
    void requestPowerOff() override { ++requests; }
    int requests = 0;
};

}  // namespace quilbo::test
