// One run of the libpulse sweep recorder: the record stream on the input, the playback stream on
// the output fed from the plan, the pairs of timing reports that align the two, the fade at a
// cancel, and the clean-up.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/PulseConnection.h"
#include "audio/RealtimeKit.h"
#include "audio/StreamTiming.h"
#include "audio/SweepPlan.h"
#include "audio/SweepRecorder.h"

namespace quilbo {

struct RecordTarget {
    std::string sink;  // the server's own names, found beforehand
    std::string source;
    pa_channel_map sinkMap;
    pa_channel_map sourceMap;  // recorded as it is; its first channel is kept
    bool sourceIsMonitor = false;
    std::uint32_t sinkRate = 0;  // the devices' own rates, 0 when not known
    std::uint32_t sourceRate = 0;
    bool pipeWire = false;  // PipeWire's pulse service rather than PulseAudio
};

class PulseRecordRun {
public:
    PulseRecordRun(PulseConnection& connection, const SweepPlan& plan, const RecordRequest& request,
                   RecordTarget target, std::chrono::milliseconds serverTimeout);
    // Hands both streams to the connection to remove (a faded playback after its fade).
    ~PulseRecordRun();
    PulseRecordRun(const PulseRecordRun&) = delete;
    PulseRecordRun& operator=(const PulseRecordRun&) = delete;

    // On the caller's thread, without the loop lock.
    Recording run(const SweepRecorder::Progress& progress, const std::atomic<bool>& cancelled);

private:
    // The rest runs with the loop lock held (the callbacks on the loop thread).
    bool openRecord(Recording& out);
    bool openPlayback(Recording& out);
    bool waitReady(pa_stream* stream);
    bool uncork();
    void requestTiming();
    void takeTiming();
    void feed(std::size_t bytes);
    void fadeOut();
    void release();
    bool fail(Recording& out, RecordResult result, RecordProblem problem = RecordProblem::None,
              std::string detail = {});
    std::int64_t alignment() const;

    static void onRecordState(pa_stream* stream, void* self);
    static void onPlaybackState(pa_stream* stream, void* self);
    static void onReadable(pa_stream* stream, size_t bytes, void* self);
    static void onWritable(pa_stream* stream, size_t bytes, void* self);
    static void onUnderflow(pa_stream* stream, void* self);
    static void onOverflow(pa_stream* stream, void* self);
    static void onTimingAnswer(pa_stream* stream, int success, void* self);

    PulseConnection& m_connection;
    const SweepPlan& m_plan;
    const RecordTarget m_target;
    const unsigned m_rate;
    const std::int64_t m_startMargin;  // frames the start is taken early when a rate is converted
    const std::uint64_t m_tailFrames;
    const std::chrono::milliseconds m_serverTimeout;
    const std::size_t m_frameBytes;
    const bool m_keepLoopback;  // the input's second channel as well

    // Under the loop lock.
    StreamPtr m_record, m_playback;
    OperationPtr m_recordTiming, m_playbackTiming, m_cork;
    int m_timingAnswers = 0;
    bool m_corkDone = false;
    bool m_sourceLost = false, m_sinkLost = false;
    std::vector<float> m_samples;
    std::vector<float> m_loopback;
    std::uint64_t m_written = 0;  // playback frames sent
    std::uint64_t m_underflows = 0;
    std::uint64_t m_overflows = 0;
    bool m_priorityAsked = false;
    RealtimeKitRequest m_priorityRequest;  // answered while the run goes on
    std::int64_t m_recordedAtStart = -1;   // samples recorded when the playback was started
    StreamAlignment m_alignment;
    StreamTiming m_playbackTimingInfo;  // where the playback is, for a cancel's fade
    pa_usec_t m_fadePlaysFor = 0;
};

}  // namespace quilbo
