// Streaming capture on the program's sound server: an input's audio handed on in blocks as it
// arrives, through a lock-free ring, to a consumer thread of its own (an analyser, a level
// meter). Each block says where it lies in the stream, how often input was lost so far, and
// what the server's latest timing report said.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/PulseConnection.h"
#include "audio/SpscRing.h"

namespace quilbo {

class PulseServer;

struct CaptureRequest {
    std::string source;  // empty: the default input
    unsigned rate = 48000;
    unsigned channels = 0;                      // 0: the input's own
    std::chrono::milliseconds blockLength{20};  // the longest block handed on
    std::size_t blocksHeld = 100;               // how many blocks may wait for a slow consumer
};

struct CaptureBlock {
    std::uint64_t firstFrame = 0;  // since the capture began; a gap is input that was lost
    std::size_t frames = 0;
    unsigned channels = 0;
    const float* samples = nullptr;   // interleaved; valid during the call only
    std::uint64_t overruns = 0;       // so far: times the server dropped input we had not read
    std::uint64_t droppedFrames = 0;  // so far: frames the consumer was too slow to take
    // The server's latest timing report before the block: what the input still held then
    // (the time from the microphone to the stream), and the report's own time (microseconds of
    // the monotonic clock). 0 and 0 until the first report.
    std::uint64_t sourceDelayUsec = 0;
    std::uint64_t reportedAtUsec = 0;
};

enum class CaptureResult { Ok, NoServer, NoSource, BadFormat, Failed };

class PulseCapture {
public:
    // Runs on the capture's consumer thread, one block at a time, in the stream's order.
    using BlockHandler = std::function<void(const CaptureBlock&)>;

    explicit PulseCapture(std::shared_ptr<PulseServer> server);
    // Stops a capture still running.
    ~PulseCapture();
    PulseCapture(const PulseCapture&) = delete;
    PulseCapture& operator=(const PulseCapture&) = delete;

    // Opens the record stream and the consumer thread; waits (bounded) for the server, so
    // never on the window thread. A capture running already is stopped first.
    CaptureResult start(const CaptureRequest& request, BlockHandler onBlock);
    // The stream goes, then every block still held is handed on before this returns.
    void stop();
    // The input or the server went away: no more blocks come.
    bool lost() const { return m_lost.load(); }

private:
    struct Slot {
        CaptureBlock block;
        std::vector<float> samples;
    };

    // Loop thread.
    void onReadable();
    void deliver(const float* data, std::size_t frames);
    void skip(std::size_t frames);
    void consume();

    std::shared_ptr<PulseServer> m_server;
    std::shared_ptr<PulseConnection> m_connection;
    BlockHandler m_onBlock;
    std::unique_ptr<SpscRing<Slot>> m_ring;
    std::thread m_consumer;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_lost{false};

    // Under the loop lock.
    StreamPtr m_stream;
    int m_eventHandler = 0;
    unsigned m_channels = 0;
    std::size_t m_blockFrames = 0;
    std::uint64_t m_nextFrame = 0;
    std::uint64_t m_overruns = 0;
    std::uint64_t m_dropped = 0;
};

}  // namespace quilbo
