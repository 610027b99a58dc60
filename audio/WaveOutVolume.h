// The system output volume: the volume and mute switch of the sound server's default sink, which is
// the output the program plays through, with a notice on the creating thread when it changes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quilbo {

// Told of a new volume value; context is the pointer given with the callback.
using VolumeChangeCallback = void (*)(std::uint32_t value, void* context);

// Unavailable: no server or no output; getters answer -1, setters and the line operations do
//   nothing, no notices.
// LineWithoutVolume: an output without a usable volume; getters answer -1, SetVolume does nothing,
//   ActivateLine works.
// Ready: everything works.
enum class VolumeState { Unavailable, LineWithoutVolume, Ready };

class PulseServer;
class PulseVolumeBackend;

// The real object talks to PulseAudio; the operations are virtual so that a page can be tested
// with a stand-in deriving from this class through the protected Detached constructor (which
// connects to nothing and leaves the object Unavailable).
//
// Values: the bounds are 0 and 65535, mapped linearly onto 0..PA_VOLUME_NORM of the sink; a sink
// boosted above PA_VOLUME_NORM reads as 65535.
// GetVolume is the first channel; SetVolume puts every channel at one value and ignores values
// outside the bounds. ActivateLine unmutes the sink (the run-in's noise must be heard).
//
// The object follows the default sink when it changes and reconnects when the server comes back,
// so its state can change during its life. The change callback runs on the thread that created
// the object, from that thread's event loop, whenever the sink's volume changes (a mute change
// alone gives no notice, and neither does the object's own SetVolume). Every operation must be
// called on the creating thread; none of them waits on the server, the constructor included: until
// the server's first reading arrives the object is Unavailable, and that reading comes as a change
// notice. ActivateLine before it is carried out on the first sink. Destroying the object stops
// every notice.
class CWaveOutVolume {
public:
    static constexpr std::uint32_t kNoValue = 0xFFFFFFFFu;  // the "-1" the getters answer

    // On a sound server object of its own, on the default server.
    CWaveOutVolume();
    // On the program's sound server object.
    explicit CWaveOutVolume(std::shared_ptr<PulseServer> server);
    virtual ~CWaveOutVolume();

    CWaveOutVolume(const CWaveOutVolume&) = delete;
    CWaveOutVolume& operator=(const CWaveOutVolume&) = delete;

    virtual bool HasVolumeControl() const;
    virtual void ActivateLine();
    virtual std::uint32_t GetMinimum() const;
    virtual std::uint32_t GetMaximum() const;
    virtual std::uint32_t GetVolume() const;
    virtual void SetVolume(std::uint32_t value);
    // A later call replaces the callback; a null callback stops the notices.
    virtual void SetChangeCallback(VolumeChangeCallback callback, void* context);

    virtual VolumeState state() const;

protected:
    struct Detached {};
    explicit CWaveOutVolume(Detached);

    // A change notice: tells the callback the value GetVolume now answers, if there is one.
    void OnControlChange();

    VolumeChangeCallback m_pfnCallback = nullptr;
    void* m_pCallbackContext = nullptr;

private:
    std::unique_ptr<PulseVolumeBackend> m_backend;
};

}  // namespace quilbo
