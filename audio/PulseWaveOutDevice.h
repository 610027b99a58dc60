// One open PulseAudio playback device: a stream on the back end's connection, fed by the byte
// pump, its pieces returned by the completion thread once the played position has passed them.
// 8-bit pieces go to the server as 16-bit samples; positions are counted in the pieces' bytes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/CompletionThread.h"
#include "audio/Fade.h"
#include "audio/PieceQueue.h"
#include "audio/PulseConnection.h"
#include "audio/PulseFormat.h"
#include "audio/PulseWaveOut.h"
#include "audio/StreamTiming.h"

namespace quilbo {

class PulseWaveOutDevice : public WaveOutDevice {
public:
    PulseWaveOutDevice(std::shared_ptr<PulseConnection> connection, const PulseFormat& format,
                       const FadeLayout& fadeLayout, std::string sink, WaveOutRoutine routine,
                       void* instance, const PulseWaveOut::Options& options,
                       std::shared_ptr<std::atomic<std::uint64_t>> underflows);
    ~PulseWaveOutDevice() override;

    // Creates the stream; false when the server refuses it or does not answer in time.
    bool start();

    WaveResult prepare(WaveHeader* header) override;
    WaveResult write(WaveHeader* header) override;
    WaveResult unprepare(WaveHeader* header) override;
    WaveResult reset() override;
    WaveResult fadeOut() override;
    WaveResult close() override;

private:
    // All of these run on the loop thread or with the loop lock held.
    bool createStream();
    void dropStream(pa_usec_t playFor = 0);
    // Overwrites what the stream holds from shortly after where it is heard with a fade of that
    // audio and silence; how long until the fade has played out, or 0 when it could not be done.
    pa_usec_t writeFade();
    void feed();
    void requestDrain();
    void requestTiming();
    void onTiming();
    void armTimer(pa_usec_t delay);
    void fail(const char* why);
    void onSinkEvent(pa_subscription_event_type_t type, std::uint32_t index);

    static void onStreamState(pa_stream* stream, void* self);
    static void onWritable(pa_stream* stream, size_t bytes, void* self);
    static void onUnderflow(pa_stream* stream, void* self);
    static void onTimingInfo(pa_stream* stream, int success, void* self);
    static void onDrained(pa_stream* stream, int success, void* self);
    static void onTimer(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                        void* self);

    const std::shared_ptr<PulseConnection> m_connection;
    const PulseFormat m_format;       // of the pieces
    const pa_sample_spec m_wireSpec;  // of the stream: 16-bit where the pieces are 8-bit
    const std::size_t m_widen;        // stream bytes per piece byte
    const std::string m_sink;         // empty: the server's default
    const PulseWaveOut::Options m_options;
    const FadeLayout m_fadeLayout;
    const WaveOutRoutine m_routine;
    void* const m_instance;
    std::shared_ptr<std::atomic<std::uint64_t>> m_underflows;

    // Under the loop lock.
    StreamPtr m_stream;
    OperationPtr m_timing;  // a timing update on its way
    OperationPtr m_drain;   // a drain request on its way
    pa_time_event* m_timer = nullptr;
    bool m_timerArmed = false;
    bool m_failed = false;
    bool m_closed = false;
    int m_sinkHandler = 0;
    PieceQueue m_pieces;
    StreamTiming m_streamTiming;  // where the stream is, from its reports

    CompletionThread m_completions;
};

}  // namespace quilbo
