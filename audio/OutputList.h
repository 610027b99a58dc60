// The outputs a user may play to (the "Output" list): their names and descriptions, which one is
// the system's default, and a notice when that changes. The pages see only this interface; the
// PulseAudio back end answers it, a fake answers it in tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quilbo {

struct OutputInfo {
    std::string name;         // what open() and sinkLayout() take
    std::string description;  // what the list shows: the server's description, or the name
    bool operator==(const OutputInfo&) const = default;
};

class OutputList {
public:
    // Threads: called on the back end's own thread (the sound server client's), never on the
    // window thread and with back-end locks held. It must not call back into the back end nor
    // touch a widget: a page posts it to the window thread (a queued call) and asks for the new
    // list there.
    using ChangeHandler = std::function<void()>;

    virtual ~OutputList() = default;

    // Every output, in the server's order; empty when no server answers. At once.
    virtual std::vector<OutputInfo> outputs() = 0;
    // The name of the system's default output; empty when there is none or no server. At once.
    virtual std::string defaultOutputName() = 0;
    // The handler is told when an output comes or goes, the default changes, or the server is
    // lost. An empty handler ends the notices; once it returns no earlier handler runs again.
    // The lists are the sound server object's device model: they never wait on the server.
    virtual void setChangeHandler(ChangeHandler handler) = 0;
};

}  // namespace quilbo
