// The playback back end: format check, the shared connection, and opening devices on it.
//
// One connection for every stream rather than one per stream: a PulseAudio 16 server shares a
// stream's audio blocks with whoever records the sink's monitor, and aborts when the client
// those blocks came from disconnects while its sink thread still holds some. Streams are
// stopped at every Stop; the connection goes only with the back end, after a pause.
#include "audio/PulseWaveOut.h"

#include <pulse/context.h>

#include "audio/PulseConnection.h"
#include "audio/PulseFormat.h"
#include "audio/PulseWaveOutDevice.h"

namespace quilbo {

PulseWaveOut::PulseWaveOut() : PulseWaveOut(Options{}) {}

PulseWaveOut::PulseWaveOut(Options options)
    : m_options(options), m_underflows(std::make_shared<std::atomic<std::uint64_t>>(0)) {}

PulseWaveOut::~PulseWaveOut() {
    std::lock_guard lock(m_mutex);
    if (m_connection) {
        m_connection->settle(m_options.linger, m_options.serverTimeout);
    }
}

WaveResult PulseWaveOut::queryFormat(const WaveFormatExtensible& format) {
    return toPulseFormat(format) ? WaveResult::Ok : WaveResult::BadFormat;
}

std::shared_ptr<PulseConnection> PulseWaveOut::connection() {
    std::lock_guard lock(m_mutex);
    if (m_connection) {
        LoopLock loopLock(m_connection->loop());
        if (m_connection->ready()) {
            return m_connection;
        }
    }
    m_connection.reset();  // devices still open keep theirs until they close
    // Connecting before the loop thread runs, as the volume back end does: what libpulse sets
    // up on the way is then plainly there before that thread starts.
    auto connection = std::make_shared<PulseConnection>();
    if (!connection->connect({}, m_options.applicationName, nullptr) || !connection->startLoop()) {
        return nullptr;
    }
    LoopLock loopLock(connection->loop());
    const bool settled = connection->waitFor(
        [&] {
            return !PA_CONTEXT_IS_GOOD(pa_context_get_state(connection->context())) ||
                   connection->ready();
        },
        m_options.serverTimeout);
    if (!settled || !connection->ready()) {
        return nullptr;
    }
    m_connection = connection;
    return connection;
}

std::unique_ptr<WaveOutDevice> PulseWaveOut::open(const WaveFormatExtensible& format,
                                                  WaveOutRoutine routine, void* instance,
                                                  WaveResult* result) {
    auto report = [result](WaveResult r) {
        if (result != nullptr) {
            *result = r;
        }
    };
    const auto pulseFormat = toPulseFormat(format);
    if (!pulseFormat) {
        report(WaveResult::BadFormat);
        return nullptr;
    }
    if (routine == nullptr) {
        report(WaveResult::Failed);
        return nullptr;
    }
    auto connected = connection();
    if (!connected) {
        report(WaveResult::NoDevice);  // no server of our own is ever started
        return nullptr;
    }
    auto device = std::make_unique<PulseWaveOutDevice>(std::move(connected), *pulseFormat, routine,
                                                       instance, m_options, m_underflows);
    if (!device->start()) {
        report(WaveResult::Failed);
        return nullptr;
    }
    report(WaveResult::Ok);
    return device;
}

}  // namespace quilbo
