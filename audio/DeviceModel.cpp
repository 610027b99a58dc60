// The device model: copies handed out under a short lock, and the notices of a change.
#include "audio/DeviceModel.h"

#include <pulse/channelmap.h>

#include <algorithm>

namespace quilbo {

namespace {

const DeviceInfo* findDevice(const std::vector<DeviceInfo>& list, const std::string& name) {
    const auto it =
        std::find_if(list.begin(), list.end(), [&](const DeviceInfo& d) { return d.name == name; });
    return it != list.end() ? &*it : nullptr;
}

}  // namespace

const DeviceInfo* Devices::output(const std::string& name) const {
    return findDevice(outputs, name.empty() ? defaultOutput : name);
}

const DeviceInfo* Devices::input(const std::string& name) const {
    return findDevice(inputs, name.empty() ? defaultInput : name);
}

SpeakerPosition speakerPosition(int pulsePosition) {
    switch (pulsePosition) {
        case PA_CHANNEL_POSITION_FRONT_LEFT:
            return SpeakerPosition::FrontLeft;
        case PA_CHANNEL_POSITION_FRONT_RIGHT:
            return SpeakerPosition::FrontRight;
        case PA_CHANNEL_POSITION_REAR_LEFT:
            return SpeakerPosition::RearLeft;
        case PA_CHANNEL_POSITION_REAR_RIGHT:
            return SpeakerPosition::RearRight;
        case PA_CHANNEL_POSITION_FRONT_CENTER:
            return SpeakerPosition::FrontCenter;
        case PA_CHANNEL_POSITION_LFE:
            return SpeakerPosition::Lfe;
        default:
            return SpeakerPosition::Other;
    }
}

std::string pipeWirePosition(int pulsePosition) {
    // In libpulse's order, from PA_CHANNEL_POSITION_MONO (0) to TOP_REAR_CENTER, the auxiliary
    // channels AUX0 to AUX31 between SIDE_RIGHT and TOP_CENTER.
    static const char* const kNames[] = {"MONO", "FL",  "FR",  "FC",  "RC", "RL",
                                         "RR",   "LFE", "FLC", "FRC", "SL", "SR"};
    static const char* const kTop[] = {"TC", "TFL", "TFR", "TFC", "TRL", "TRR", "TRC"};
    if (pulsePosition >= PA_CHANNEL_POSITION_MONO && pulsePosition < PA_CHANNEL_POSITION_AUX0) {
        return kNames[pulsePosition - PA_CHANNEL_POSITION_MONO];
    }
    if (pulsePosition >= PA_CHANNEL_POSITION_AUX0 && pulsePosition <= PA_CHANNEL_POSITION_AUX31) {
        return "AUX" + std::to_string(pulsePosition - PA_CHANNEL_POSITION_AUX0);
    }
    if (pulsePosition >= PA_CHANNEL_POSITION_TOP_CENTER &&
        pulsePosition <= PA_CHANNEL_POSITION_TOP_REAR_CENTER) {
        return kTop[pulsePosition - PA_CHANNEL_POSITION_TOP_CENTER];
    }
    return {};
}

DeviceModel::DeviceModel(QObject* parent)
    : QObject(parent),
      m_changes(new Inbox<Change>(this, [this](std::vector<Change>&&) { Q_EMIT changed(); })) {}

Devices DeviceModel::devices() const {
    std::lock_guard lock(m_mutex);
    return m_devices;
}

std::vector<SourceInfo> DeviceModel::inputs() const {
    std::vector<SourceInfo> list;
    for (const DeviceInfo& input : devices().inputs) {
        list.push_back({input.name, input.description, input.monitor});
    }
    return list;
}

std::string DeviceModel::defaultInputName() const {
    std::lock_guard lock(m_mutex);
    return m_devices.defaultInput;
}

std::vector<OutputInfo> DeviceModel::outputs() {
    std::vector<OutputInfo> list;
    for (const DeviceInfo& output : devices().outputs) {
        list.push_back({output.name, output.description});
    }
    return list;
}

std::string DeviceModel::defaultOutputName() {
    std::lock_guard lock(m_mutex);
    return m_devices.defaultOutput;
}

void DeviceModel::setChangeHandler(ChangeHandler handler) {
    std::lock_guard lock(m_handlerMutex);
    m_handler = std::move(handler);
}

std::optional<SinkLayout> DeviceModel::defaultSinkLayout() {
    return sinkLayout({});
}

std::optional<SinkLayout> DeviceModel::sinkLayout(const std::string& sink) {
    std::lock_guard lock(m_mutex);
    const DeviceInfo* output = m_devices.output(sink);
    if (output == nullptr) {
        return std::nullopt;
    }
    SinkLayout layout{output->description, {}};
    for (const int position : output->channels) {
        layout.positions.push_back(speakerPosition(position));
    }
    return layout;
}

void DeviceModel::publish(Devices devices) {
    bool listsChanged = false;
    {
        std::lock_guard lock(m_mutex);
        if (devices == m_devices) {
            return;
        }
        // A volume or mute change alone is no change of what the lists show.
        auto withoutLevels = [](Devices d) {
            for (auto* list : {&d.outputs, &d.inputs}) {
                for (DeviceInfo& device : *list) {
                    device.volumes.clear();
                    device.muted = false;
                }
            }
            return d;
        };
        listsChanged = withoutLevels(devices) != withoutLevels(m_devices);
        m_devices = std::move(devices);
    }
    if (listsChanged) {
        std::lock_guard lock(m_handlerMutex);
        if (m_handler) {
            m_handler();
        }
    }
    m_changes->post({});
}

}  // namespace quilbo

#include "moc_DeviceModel.cpp"
