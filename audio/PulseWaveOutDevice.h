// One open PulseAudio playback device: a stream on the back end's connection, fed by the byte
// pump, its pieces returned by the completion thread once the played position has passed them.
// 8-bit pieces go to the server as 16-bit samples; positions are counted in the pieces' bytes.
// The stream is made on the loop thread, never waited for: pieces written before the server has
// made it wait in the pump, and a stream refused or not made within serverTimeout is a late open
// failure (the OpenFailed message).
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

    // Starts making the stream, on a connection that may still be on its way; false only when
    // it is refused at once.
    bool start();

    WaveResult prepare(WaveHeader* header) override;
    WaveResult write(WaveHeader* header) override;
    WaveResult unprepare(WaveHeader* header) override;
    WaveResult reset() override;
    WaveResult fadeOut() override;
    WaveResult close() override;

private:
    // All of these run on the loop thread or with the loop lock held.
    // Makes the stream now, or once the connection is ready, within serverTimeout.
    bool openStream();
    bool createStream();
    void streamReady();
    void openFailed(const char* why);
    void onConnectionState(pa_context_state_t state);
    // Drops the stream, and the making of one and the requests under way.
    void dropStream();
    // Hands the stream to the connection, which writes a fade over what it holds once the server
    // has said where it is (StopFade), then removes it; a stream that cannot fade is cut.
    void handOverFade();
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
    static void onOpenDeadline(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
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
    // A stream on its way: the server has yet to make it (m_opening), or the connection has yet
    // to be ready for it to be asked for (m_awaitingServer). The deadline bounds both.
    bool m_opening = false;
    bool m_awaitingServer = false;
    pa_time_event* m_openDeadline = nullptr;
    int m_sinkHandler = 0;
    int m_stateWatcher = 0;
    PieceQueue m_pieces;
    StreamTiming m_streamTiming;  // where the stream is, from its reports

    CompletionThread m_completions;
};

}  // namespace quilbo
