// The sound server's outputs and inputs as the program last heard of them: names, descriptions,
// channel maps, rates, volumes, and which are the defaults. The server object keeps it current
// from the server's events; anyone reads it at once, without asking the server.
#pragma once

#include <QObject>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "audio/Inbox.h"
#include "audio/OutputList.h"
#include "audio/SinkLayout.h"
#include "audio/SweepRecorder.h"

namespace quilbo {

struct DeviceInfo {
    std::uint32_t index = 0;    // the server's index of the device
    std::string name;           // what a stream is opened on
    std::string description;    // the server's description, or the name when it has none
    std::vector<int> channels;  // libpulse channel positions, in the device's channel order
    unsigned rate = 0;
    bool monitor = false;  // an input that records what an output plays
    bool muted = false;
    std::vector<std::uint32_t> volumes;  // server volumes per channel; empty: no usable volume
    bool operator==(const DeviceInfo&) const = default;
};

struct Devices {
    bool connected = false;  // a server answers; every list below is empty otherwise
    bool pipeWire = false;   // the server is PipeWire's pulse service
    std::vector<DeviceInfo> outputs;
    std::vector<DeviceInfo> inputs;
    std::string defaultOutput;  // names; empty when there is none
    std::string defaultInput;
    bool operator==(const Devices&) const = default;

    const DeviceInfo* output(const std::string& name) const;  // empty name: the default
    const DeviceInfo* input(const std::string& name) const;
};

// Threads: the server's loop thread publishes; every reader, on any thread, gets a copy under a
// lock held only for the copy. changed() is emitted on the model's own thread, once for however
// many changes came since the last (through an inbox);
// the OutputList handler runs on the publishing thread, as that interface says.
class DeviceModel : public QObject, public OutputList, public SinkLayoutSource {
    Q_OBJECT

public:
    explicit DeviceModel(QObject* parent = nullptr);

    Devices devices() const;
    std::vector<SourceInfo> inputs() const;
    std::string defaultInputName() const;

    std::vector<OutputInfo> outputs() override;
    std::string defaultOutputName() override;
    void setChangeHandler(ChangeHandler handler) override;
    std::optional<SinkLayout> defaultSinkLayout() override;
    std::optional<SinkLayout> sinkLayout(const std::string& sink) override;

    // The server object's side: the state just read from the server.
    void publish(Devices devices);

Q_SIGNALS:
    void changed();

private:
    mutable std::mutex m_mutex;
    Devices m_devices;
    // Its own lock, held while it runs, so that once a new handler is set no old one runs again.
    std::mutex m_handlerMutex;
    ChangeHandler m_handler;
    struct Change {};
    Inbox<Change>* const m_changes;  // made before any publish
};

// Speaker position of a libpulse channel position; Other for those a check layout does not use.
SpeakerPosition speakerPosition(int pulsePosition);
// PipeWire's name of a libpulse channel position (FL, FR, FC, LFE, RL, RR, SL, SR, AUX0, ...);
// empty for one it has no name for.
std::string pipeWirePosition(int pulsePosition);

}  // namespace quilbo
