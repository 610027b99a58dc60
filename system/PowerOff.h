// Asking the system to power the computer off, as a run-in session's "Shut down" end action does.
#pragma once

#include <QString>

#include <functional>
#include <utility>

namespace quilbo {

// Why the system did not power off.
struct PowerOffRefusal {
    enum class Kind {
        NoSystemBus,  // no system bus to ask
        NoService,    // nothing on the bus answers for power-off
        NotAllowed,   // the user may not power the computer off without a password
        Other,
    };
    Kind kind = Kind::Other;
    QString detail;  // the system's own words, untranslated
};

// One request to power off, forcing running applications to close. The request never blocks the
// caller; a refused or unanswered request changes nothing, and the page simply asks again at its
// next tick. A refusal is told to the refusal handler, on the caller's thread, when it is known.
class PowerOffRequester {
public:
    using RefusalHandler = std::function<void(const PowerOffRefusal& refusal)>;

    virtual ~PowerOffRequester() = default;
    virtual void requestPowerOff() = 0;

    void setRefusalHandler(RefusalHandler handler) { m_onRefused = std::move(handler); }

protected:
    void refused(const PowerOffRefusal& refusal) const {
        if (m_onRefused) {
            m_onRefused(refusal);
        }
    }

private:
    RefusalHandler m_onRefused;
};

}  // namespace quilbo
