// A wave output back end for fast tests: records every call and returns queued pieces through
// the completion routine only when the test says so (on whichever thread calls complete*).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/WaveOutDevice.h"

namespace quilbo::test {

class FakeWaveOut : public WaveOutBackend {
public:
    enum class Op { Query, Open, Prepare, Write, Unprepare, Reset, Close };

    struct Call {
        Op op;
        const WaveHeader* header = nullptr;  // prepare, write, unprepare
        const std::uint8_t* data = nullptr;  // the header's data pointer at the call
        std::uint32_t length = 0;            // the header's length at the call
        std::thread::id thread;
    };

    FakeWaveOut();
    ~FakeWaveOut() override;

    // What the next calls answer.
    void setQueryResult(WaveResult result);
    void setOpenResult(WaveResult result);  // anything but Ok makes open fail
    void setWriteResult(WaveResult result);

    WaveResult queryFormat(const WaveFormatExtensible& format) override;
    std::unique_ptr<WaveOutDevice> open(const WaveFormatExtensible& format, WaveOutRoutine routine,
                                        void* instance, WaveResult* result = nullptr) override;

    std::vector<Call> calls() const;
    std::vector<Call> callsOf(Op op) const;
    void clearCalls();
    std::size_t queued() const;  // pieces written and not yet returned
    bool deviceOpen() const;     // a device is open and not closed
    WaveFormatExtensible lastFormat() const;
    int opens() const;

    // Returns the oldest queued piece through the routine; false when none is queued.
    bool completeNext();
    // Returns pieces until none is queued (a refill queues new ones: bounded by maxPieces).
    int completeAll(int maxPieces = 1000);

private:
    struct State;
    class Device;
    std::shared_ptr<State> m_state;
};

}  // namespace quilbo::test
