// The render guard: keeps the window answering the desktop while a page renders a block on the
// window thread, and holds back the work that must wait until the render has returned.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <functional>
#include <utility>
#include <vector>

namespace quilbo {

// A long render would leave the window silent for seconds, and desktops offer to force-quit a
// window that does not answer their ping. So the render handles every event but user input from
// time to time: pings, paints, timers and queued calls run inside it, clicks and keys wait for its
// end. Whatever could end the program, start or stop a player or tear down a page must not run
// there: its handler asks holdDuringRender (FrequencyPage.h) first, and the rendering page's guard
// keeps the work until the render ends.
class RenderGuard {
public:
    bool active() const { return m_active; }

    void begin() { m_active = true; }

    // Queues what was held, in the order it came, to run at the window thread's next event
    // handling after the render: in the event loop once the page's handler has returned, or in a
    // message box that handler opens (each held handler copes with that, as it would outside a
    // render). Work for an object that is gone by then is dropped.
    void end() {
        m_active = false;
        for (auto& [context, task] : std::exchange(m_held, {})) {
            if (context) {
                QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
            }
        }
    }

    void hold(QObject* context, std::function<void()> task) {
        m_held.emplace_back(context, std::move(task));
    }

    // Handles what is pending for the window thread, except user input.
    static void handleEvents() {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

private:
    bool m_active = false;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> m_held;
};

}  // namespace quilbo
