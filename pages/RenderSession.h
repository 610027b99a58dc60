// The render session: a block rendered on the window thread with its progress bar, while the
// window goes on answering the desktop and everything that must wait for the render is held.
#pragma once

#include <QObject>
#include <QPointer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <utility>
#include <vector>

class QProgressBar;

namespace quilbo {

// A long render would leave the window silent for seconds, and desktops offer to force-quit a
// window that does not answer their ping. So the render handles every event but user input from
// time to time: pings, paints and queued calls run inside it. What could end the program or tear
// down a page must not: while a render runs, the session filters the application's events and
// holds every timer tick and every window close, and the pages' notices from other threads
// (WindowTasks) are held. Clicks and keys stay queued until the render has returned. Held work
// runs at the window thread's next event handling after the render, in the order it came.
//
// One render runs at a time in the program: a second one asked for meanwhile (no user can ask,
// but a program could) is refused.
class RenderSession : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // The bar moves, and the window handles its events, at most this often during a render.
    static constexpr std::chrono::milliseconds kPaintInterval{40};

    explicit RenderSession(QObject* parent = nullptr);
    ~RenderSession() override;

    void setClock(Clock clock);

    // Shows bar (may be null) for a render of range sample values, calls render, which reports
    // its progress through ReportRenderProgress, then hides the bar and releases what was held.
    // False, with nothing done, while another render runs.
    bool render(QProgressBar* bar, std::uint32_t range, const std::function<void()>& render);

    // True while any render runs.
    static bool rendering();
    // Runs task now, or once the running render has returned; dropped if context is gone then.
    static void whenNotRendering(QObject* context, std::function<void()> task);

    // The progress callback's work: most calls cost one comparison.
    void advance(std::uint32_t count);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void releaseHeld();

    Clock m_clock;
    QProgressBar* m_bar = nullptr;
    std::uint32_t m_range = 0;
    std::uint32_t m_next = 0;  // the count at which the clock is read next
    std::uint32_t m_stride = 1;
    std::chrono::steady_clock::time_point m_lastPaint;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> m_held;
    std::set<std::pair<QObject*, int>> m_heldTimers;  // deduplicated, replayed as held work
};

// The render's progress callback: moves the running session's bar to count sample values and
// lets the window handle its events.
void ReportRenderProgress(std::uint32_t count);

}  // namespace quilbo
