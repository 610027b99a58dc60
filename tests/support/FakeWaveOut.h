// Fake back ends: a wave output that records the pieces written and hands them back when the test
// says so, each open a device of its own (numbered from 1); a system volume the test sets; a
// power-off requester that counts. Devices and the volume can log their teardown steps.
#pragma once

#include "audio/WaveOutDevice.h"
#include "audio/WaveOutVolume.h"
#include "system/PowerOff.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quilbo::test {

using EventLog = std::vector<std::string>;

class FakeWaveOut : public WaveOutBackend {
public:
    enum class Op { Write, Unprepare };
    struct Call {
        Op op;
        const std::uint8_t* data;  // a piece's data and length at the call
        std::uint32_t length;
        int device;
    };
    struct Device;
    EventLog* log = nullptr;  // "open N", "reset N", "close N"
    std::atomic<WaveResult> queryResult = WaveResult::Ok, openResult = WaveResult::Ok,
                            writeResult = WaveResult::Ok;
    std::atomic<int> writesToClosed = 0;

    WaveResult queryFormat(const WaveFormatExtensible& format,
                           const std::string& sink = {}) override;
    std::unique_ptr<WaveOutDevice> open(const WaveFormatExtensible& format, WaveOutRoutine routine,
                                        void* instance, WaveResult* result = nullptr,
                                        const std::string& sink = {}) override;

    std::vector<Call> callsOf(Op op, int device = 0) const;  // device 0: any
    void clearCalls();
    int opens() const;
    WaveFormatExtensible lastFormat() const;
    // Of the device of the n-th open (0: the latest).
    std::size_t queued(int n = 0) const;  // written and not yet handed back
    bool deviceOpen(int n = 0) const;
    // Hands queued pieces back through the routine, oldest first, on the calling thread as if it
    // were the device's own; a device's first call tells Open before them. How many.
    int completeAll(int maxPieces = 1000, int n = 0);
    bool completeNext(int n = 0) { return completeAll(1, n) == 1; }
    // As a real device whose output goes (Lost) or whose open the server refuses late
    // (OpenFailed): the notice, every queued piece handed back, every later write refused.
    // False without such a device.
    bool failLate(WaveOutMessage message, int n = 0);

private:
    std::shared_ptr<Device> device(int n) const;

    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::vector<std::shared_ptr<Device>> m_devices;
    WaveFormatExtensible m_format;
};

class FakeWaveOutVolume : public CWaveOutVolume {
public:
    FakeWaveOutVolume() : CWaveOutVolume(Detached{}) {}

    VolumeState fakeState = VolumeState::Ready;  // the getters answer -1 unless Ready
    std::uint32_t volume = 65535;
    bool muted = true;
    std::vector<std::uint32_t> writes;  // every SetVolume value, accepted or not
    EventLog* log = nullptr;            // "volume off" when the notices are let go

    bool HasVolumeControl() const override { return fakeState == VolumeState::Ready; }
    void ActivateLine() override { muted = false; }
    std::uint32_t GetMinimum() const override { return ready(0); }
    std::uint32_t GetMaximum() const override { return ready(65535); }
    std::uint32_t GetVolume() const override { return ready(volume); }
    void SetVolume(std::uint32_t value) override {
        writes.push_back(value);
        volume = HasVolumeControl() && value <= 65535 ? value : volume;
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

private:
    std::uint32_t ready(std::uint32_t value) const { return HasVolumeControl() ? value : kNoValue; }
};

struct FakePowerOff : PowerOffRequester {
    void requestPowerOff() override { ++requests; }
    int requests = 0;
};

}  // namespace quilbo::test
