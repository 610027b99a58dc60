// The recording fake wave output.
#include "tests/support/FakeWaveOut.h"

#include <chrono>
#include <condition_variable>
#include <deque>

namespace quilbo::test {

struct FakeWaveOut::Device : WaveOutDevice {
    FakeWaveOut* owner;
    int number;
    WaveOutRoutine routine;
    void* instance;
    std::mutex mutex;
    std::condition_variable idle;
    std::deque<WaveHeader*> queue;
    bool open = true;
    int inFlight = 0;  // pieces on their way back through the routine

    Device(FakeWaveOut* o, int n, WaveOutRoutine r, void* i)
        : owner(o), number(n), routine(r), instance(i) {}
    ~Device() override { close(); }
    void note(Op op, const WaveHeader* h = nullptr) {
        owner->record({op, h, h ? h->lpData : nullptr, h ? h->dwBufferLength : 0u, number});
        if ((op == Op::Reset || op == Op::Close) && owner->log != nullptr) {
            owner->log->push_back((op == Op::Reset ? "reset " : "close ") + std::to_string(number));
        }
    }
    WaveResult prepare(WaveHeader* h) override { return note(Op::Prepare, h), WaveResult::Ok; }
    WaveResult unprepare(WaveHeader* h) override { return note(Op::Unprepare, h), WaveResult::Ok; }
    WaveResult write(WaveHeader* h) override {
        note(Op::Write, h);
        const WaveResult result = [this] {
            std::lock_guard lock(owner->m_mutex);
            return owner->m_write;
        }();
        std::lock_guard lock(mutex);
        if (result != WaveResult::Ok || !open) {
            return WaveResult::Failed;
        }
        queue.push_back(h);
        return WaveResult::Ok;
    }
    // As a real device, reset and close hand every queued piece back before they return,
    // including one that the device's own thread is handing back at that moment.
    void returnAll() {
        while (returnOne()) {
        }
        std::unique_lock lock(mutex);
        idle.wait_for(lock, std::chrono::seconds(10), [this] { return inFlight == 0; });
    }
    WaveResult reset() override {
        note(Op::Reset);
        returnAll();
        return WaveResult::Ok;
    }
    WaveResult close() override {
        if (open) {
            note(Op::Close);
            returnAll();
            std::lock_guard lock(mutex);
            open = false;
        }
        return WaveResult::Ok;
    }
    template <typename F>
    auto locked(F f) {
        std::lock_guard lock(mutex);
        return f();
    }
    bool returnOne() {
        WaveHeader* header = nullptr;
        {
            std::lock_guard lock(mutex);
            if (queue.empty()) {
                return false;
            }
            header = queue.front();
            queue.pop_front();
            ++inFlight;
        }
        routine(this, WaveOutMessage::Done, instance, header);
        std::lock_guard lock(mutex);
        --inFlight;
        idle.notify_all();
        return true;
    }
};

namespace {

// The player's handle on a device; the device itself stays for the test to look at.
struct Handle : WaveOutDevice {
    std::shared_ptr<FakeWaveOut::Device> d;
    explicit Handle(std::shared_ptr<FakeWaveOut::Device> device) : d(std::move(device)) {}
    ~Handle() override { d->close(); }
    WaveResult prepare(WaveHeader* h) override { return d->prepare(h); }
    WaveResult write(WaveHeader* h) override { return d->write(h); }
    WaveResult unprepare(WaveHeader* h) override { return d->unprepare(h); }
    WaveResult reset() override { return d->reset(); }
    WaveResult close() override { return d->close(); }
};

}  // namespace

void FakeWaveOut::record(Call call) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(call);
}

WaveResult FakeWaveOut::queryFormat(const WaveFormatExtensible& format) {
    record({Op::Query});
    std::lock_guard lock(m_mutex);
    m_format = format;
    return m_query;
}

std::unique_ptr<WaveOutDevice> FakeWaveOut::open(const WaveFormatExtensible& format,
                                                 WaveOutRoutine routine, void* instance,
                                                 WaveResult* result) {
    record({Op::Open});
    std::lock_guard lock(m_mutex);
    m_format = format;
    if (result != nullptr) {
        *result = m_open;
    }
    if (m_open != WaveResult::Ok) {
        return nullptr;
    }
    const int number = static_cast<int>(m_devices.size()) + 1;
    m_devices.push_back(std::make_shared<Device>(this, number, routine, instance));
    if (log != nullptr) {
        log->push_back("open " + std::to_string(number));
    }
    return std::make_unique<Handle>(m_devices.back());
}

std::vector<FakeWaveOut::Call> FakeWaveOut::calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<FakeWaveOut::Call> FakeWaveOut::callsOf(Op op, int device) const {
    std::vector<Call> found;
    for (const Call& call : calls()) {
        if (call.op == op && (device == 0 || call.device == device)) {
            found.push_back(call);
        }
    }
    return found;
}

void FakeWaveOut::clearCalls() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

int FakeWaveOut::opens() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_devices.size());
}

WaveFormatExtensible FakeWaveOut::lastFormat() const {
    std::lock_guard lock(m_mutex);
    return m_format;
}

std::shared_ptr<FakeWaveOut::Device> FakeWaveOut::device(int n) const {
    std::lock_guard lock(m_mutex);
    const std::size_t size = m_devices.size();
    return size == 0 ? nullptr : m_devices.at(n == 0 ? size - 1 : std::size_t(n - 1));
}

std::size_t FakeWaveOut::queued(int n) const {
    const auto d = device(n);
    return d ? d->locked([&] { return d->queue.size(); }) : 0;
}

bool FakeWaveOut::deviceOpen(int n) const {
    const auto d = device(n);
    return d && d->locked([&] { return d->open; });
}

int FakeWaveOut::completeAll(int maxPieces, int n) {
    const auto d = device(n);
    int done = 0;
    while (d && done < maxPieces && d->returnOne()) {
        ++done;
    }
    return done;
}

}  // namespace quilbo::test
