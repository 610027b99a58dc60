// An output's own speaker layout (the default's, or a named one's), as the sound server describes
// it: what the Speakers page compares its chosen layout with.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quilbo {

// The speaker positions a check layout uses; every other position a server names is Other.
enum class SpeakerPosition { FrontLeft, FrontRight, RearLeft, RearRight, FrontCenter, Lfe, Other };

struct SinkLayout {
    std::string description;                 // the sink's description, or its name when it has none
    std::vector<SpeakerPosition> positions;  // one per channel, in the sink's channel order
};

class SinkLayoutSource {
public:
    virtual ~SinkLayoutSource() = default;
    // The default sink's layout; nullopt when no server answers or it has no default sink.
    virtual std::optional<SinkLayout> defaultSinkLayout() = 0;
    // The layout of the output of that name (an OutputList name); empty name: the default's.
    // nullopt as above, or when no output has that name. A source that knows only the default
    // answers for it alone.
    virtual std::optional<SinkLayout> sinkLayout(const std::string& sink) {
        return sink.empty() ? defaultSinkLayout() : std::nullopt;
    }
};

}  // namespace quilbo
