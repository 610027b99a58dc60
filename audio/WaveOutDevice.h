// The wave output device: what a playback back end offers the player, and how the player opens
// one. A back end is a factory (format check, open); an open device queues pieces in order and
// returns each one through the completion routine named at the open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "media/WaveFormat.h"

namespace quilbo {

// One piece of a sample block (WAVEHDR). The player fills these fields and owns the header; the
// device only reads them and hands the same pointer back through the completion routine.
struct WaveHeader {
    const std::uint8_t* data = nullptr;
    std::uint32_t bufferLength = 0;
    std::uint32_t flags = 0;
    std::uint32_t loops = 0;
};

enum class WaveResult {
    Ok,
    BadFormat,  // the device cannot play this format (the answer of the format check)
    NoDevice,   // no server / device to open
    Failed,     // any other failure, including a device that has gone away
};

// Messages of the completion routine. Back ends send Done once for every written piece: when it
// has been played, or when a reset, a close or the loss of the device returns it unplayed. Lost
// (no header) comes once when the output goes away under an open device (its sink removed, the
// server gone), before the pieces it returns; every later write is refused.
//
// Open (no header) comes once the output is really there to play into: at once from a back end
// whose open waits for the server, when the server has made the stream from one that does not.
// A device that fails before then sends OpenFailed instead.
//
// OpenFailed (no header) is a late open failure: a back end whose open returns before the server
// has answered (so that the caller's thread never waits on it) sends it once when the server then
// refuses the output or does not answer in time. Nothing was heard; as with Lost, it comes before
// the pieces it returns and every later write is refused. A device sends Lost or OpenFailed,
// never both, and neither once it has been reset or closed.
enum class WaveOutMessage { Open, Done, Close, Lost, OpenFailed };

class WaveOutDevice;

// The completion routine (the platform's callback signature, typed): the device it came from,
// the message, the instance value given at the open and, for Done, the returned header.
using WaveOutRoutine = void (*)(WaveOutDevice* device, WaveOutMessage message, void* instance,
                                WaveHeader* header);

// One open output device (m_hWaveOut).
//
// Threads: the routine runs on a thread of the device's own, never on the caller's thread of
// write/reset/close and never with a lock held that those operations need, so it may call
// prepare, write and unprepare itself (the refill). It must not call reset or close: those are
// for the owner's thread. After close returns, the routine is never called again.
class WaveOutDevice {
public:
    virtual ~WaveOutDevice() = default;  // implementations close themselves if still open
    WaveOutDevice() = default;
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    virtual WaveResult prepare(WaveHeader* header) = 0;
    // Queues the piece after those already written. Pieces form one continuous byte stream: a
    // frame may begin in one piece and end in the next. On a result other than Ok the piece is
    // not queued and will not come back through the routine.
    virtual WaveResult write(WaveHeader* header) = 0;
    virtual WaveResult unprepare(WaveHeader* header) = 0;
    // Silences the output at once and returns every queued piece through the routine before it
    // returns (bounded: a stuck routine cannot hang it for long). The device stays open.
    virtual WaveResult reset() = 0;
    // As reset, except that the output ends with a short fade from where it is heard rather than
    // at once: the fade is made of copies, so the pieces may go as soon as this returns, and it
    // plays out after the call (a close that follows does not cut it). A device that cannot fade
    // resets.
    virtual WaveResult fadeOut() { return reset(); }
    // Returns whatever is still queued, then releases the device. Bounded.
    virtual WaveResult close() = 0;
};

// A playback back end: checks formats and opens devices on the system's default output or on a
// named one (an OutputList name; empty: the default, whichever it is at the open).
class WaveOutBackend {
public:
    virtual ~WaveOutBackend() = default;

    // Ok when the device can play the format, BadFormat when it cannot. Opens nothing.
    virtual WaveResult queryFormat(const WaveFormatExtensible& format,
                                   const std::string& sink = {}) = 0;

    // Opens the device for the format; routine and instance as described above. Returns null on
    // failure, with the reason in *result when result is given. A named output that is not
    // there fails (NoDevice or Failed): nothing falls back to another output unasked. A back end
    // may return before the server has made the output: pieces written meanwhile wait, and a
    // refusal that comes later is the OpenFailed message.
    virtual std::unique_ptr<WaveOutDevice> open(const WaveFormatExtensible& format,
                                                WaveOutRoutine routine, void* instance,
                                                WaveResult* result = nullptr,
                                                const std::string& sink = {}) = 0;
};

}  // namespace quilbo
