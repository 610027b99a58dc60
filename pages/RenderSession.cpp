// The render session: progress pacing, the application event filter and the held work.
#include "pages/RenderSession.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressBar>
#include <QTimerEvent>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace quilbo {

namespace {

// The session that renders now: the progress callback is a plain function and finds it here.
RenderSession* s_pRenderSession = nullptr;

// The clock is read about this many times per render, and at least every kMaxStride sample
// values (well under a millisecond of rendering), however long the render is.
constexpr std::uint32_t kReadings = 2000;
constexpr std::uint32_t kMaxStride = 1u << 16;

void handleEvents() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

RenderSession::RenderSession(QObject* parent)
    : QObject(parent), m_clock([] { return std::chrono::steady_clock::now(); }) {}

RenderSession::~RenderSession() {
    if (s_pRenderSession == this) {
        s_pRenderSession = nullptr;
    }
}

void RenderSession::setClock(Clock clock) {
    m_clock = std::move(clock);
}

bool RenderSession::rendering() {
    return s_pRenderSession != nullptr;
}

void RenderSession::whenNotRendering(QObject* context, std::function<void()> task) {
    if (s_pRenderSession != nullptr) {
        s_pRenderSession->m_held.emplace_back(context, std::move(task));
    } else if (context != nullptr) {
        task();
    }
}

bool RenderSession::render(QProgressBar* bar, std::uint32_t range,
                           const std::function<void()>& render) {
    if (s_pRenderSession != nullptr) {
        return false;
    }
    s_pRenderSession = this;
    QCoreApplication::instance()->installEventFilter(this);
    m_bar = bar;
    m_range = range;
    m_next = std::numeric_limits<std::uint32_t>::max();
    if (range != 0) {
        m_stride = std::clamp(range / kReadings, 1u, kMaxStride);
        m_next = m_stride;
        m_lastPaint = m_clock();
        if (m_bar != nullptr) {
            m_bar->setRange(0, static_cast<int>(std::min<std::uint32_t>(
                                   range, std::numeric_limits<int>::max())));
            m_bar->setValue(0);
            m_bar->show();
        }
        handleEvents();
    }
    render();
    if (m_bar != nullptr) {
        m_bar->setValue(0);
        m_bar->hide();
    }
    m_bar = nullptr;
    QCoreApplication::instance()->removeEventFilter(this);
    s_pRenderSession = nullptr;
    releaseHeld();
    return true;
}

void RenderSession::advance(std::uint32_t count) {
    if (count < m_next) {
        return;
    }
    const std::uint64_t next = std::uint64_t{count} + m_stride;
    m_next = next < m_range ? static_cast<std::uint32_t>(next)
                            : std::numeric_limits<std::uint32_t>::max();
    const auto now = m_clock();
    if (now - m_lastPaint < kPaintInterval) {
        return;
    }
    m_lastPaint = now;
    if (m_bar != nullptr) {
        m_bar->setValue(static_cast<int>(std::min(count, m_range)));
    }
    handleEvents();
}

bool RenderSession::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Timer: {
            // A tick may end a session or the program: it comes again after the render, once.
            const int id = static_cast<QTimerEvent*>(event)->timerId();
            if (m_heldTimers.emplace(watched, id).second) {
                m_held.emplace_back(watched, [watched, id] {
                    QCoreApplication::postEvent(watched, new QTimerEvent(id));
                });
            }
            return true;
        }
        case QEvent::Close: {
            auto* window = qobject_cast<QWidget*>(watched);
            if (window == nullptr || !window->isWindow()) {
                break;
            }
            event->ignore();
            m_held.emplace_back(window, [window] { window->close(); });
            return true;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void RenderSession::releaseHeld() {
    m_heldTimers.clear();
    for (auto& [context, task] : std::exchange(m_held, {})) {
        if (context) {
            QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
        }
    }
}

void ReportRenderProgress(std::uint32_t count) {
    if (s_pRenderSession != nullptr) {
        s_pRenderSession->advance(count);
    }
}

}  // namespace quilbo

#include "moc_RenderSession.cpp"
