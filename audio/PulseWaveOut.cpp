// The playback back end: format check, and opening devices on the server's connection.
#include "audio/PulseWaveOut.h"

#include <pulse/context.h>

#include "audio/Logging.h"
#include "audio/PulseConnection.h"
#include "audio/PulseFormat.h"
#include "audio/PulseServer.h"
#include "audio/PulseWaveOutDevice.h"

namespace quilbo {

PulseWaveOut::PulseWaveOut() : PulseWaveOut(std::make_shared<PulseServer>()) {}

PulseWaveOut::PulseWaveOut(std::shared_ptr<PulseServer> server)
    : PulseWaveOut(std::move(server), Options{}) {}

PulseWaveOut::PulseWaveOut(std::shared_ptr<PulseServer> server, Options options)
    : m_options(options),
      m_server(std::move(server)),
      m_underflows(std::make_shared<std::atomic<std::uint64_t>>(0)) {}

PulseWaveOut::~PulseWaveOut() = default;

WaveResult PulseWaveOut::queryFormat(const WaveFormatExtensible& format, const std::string&) {
    if (!toPulseFormat(format)) {
        qCWarning(lcAudio) << "refused format: tag" << format.wFormatTag << "rate"
                           << format.nSamplesPerSec << "channels" << format.nChannels << "bits"
                           << format.wBitsPerSample << "valid" << format.wValidBitsPerSample;
        return WaveResult::BadFormat;
    }
    return WaveResult::Ok;
}

std::unique_ptr<WaveOutDevice> PulseWaveOut::open(const WaveFormatExtensible& format,
                                                  WaveOutRoutine routine, void* instance,
                                                  WaveResult* result, const std::string& sink) {
    auto report = [result](WaveResult r) {
        if (result != nullptr) {
            *result = r;
        }
    };
    const auto pulseFormat = toPulseFormat(format);
    if (!pulseFormat) {
        qCWarning(lcAudio) << "cannot open an output for a format libpulse does not take";
        report(WaveResult::BadFormat);
        return nullptr;
    }
    if (routine == nullptr) {
        report(WaveResult::Failed);
        return nullptr;
    }
    // What the model knows is refused now; what only the server can say comes later, as the
    // OpenFailed message. An empty model (not yet read) refuses nothing.
    const Devices devices = m_server->devices().devices();
    if (devices.connected &&
        (sink.empty() ? devices.outputs.empty() : devices.output(sink) == nullptr)) {
        qCWarning(lcAudio) << "cannot open the output" << sink.c_str()
                           << ": the server has no such output";
        report(WaveResult::NoDevice);
        return nullptr;
    }
    auto connected = m_server->connectionWithoutWaiting();
    if (!connected) {
        report(WaveResult::NoDevice);  // no server of our own is ever started
        return nullptr;
    }
    // One fade layout for the player's fades and the device's stop fade alike: the low bits a
    // 20- or 24-bit sample leaves unused stay zero in both.
    auto device = std::make_unique<PulseWaveOutDevice>(std::move(connected), *pulseFormat,
                                                       fadeLayoutOf(format), sink, routine,
                                                       instance, m_options, m_underflows);
    if (!device->start()) {
        report(WaveResult::Failed);
        return nullptr;
    }
    report(WaveResult::Ok);
    return device;
}

}  // namespace quilbo
