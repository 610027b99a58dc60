// The recording fake wave output.
#include "tests/support/FakeWaveOut.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>

namespace quilbo::test {

// A device the test can still look at after the player has let it go.
struct FakeWaveOut::Device : WaveOutDevice {
    FakeWaveOut& owner;
    int number;
    WaveOutRoutine routine;
    void* instance;
    std::mutex mutex;
    std::condition_variable idle;
    std::deque<WaveHeader*> queue;
    bool open = true;
    bool failed = false;
    bool announced = false;  // Open told: the device played
    int inFlight = 0;        // pieces on their way back through the routine

    Device(FakeWaveOut& o, int n, WaveOutRoutine r, void* i)
        : owner(o), number(n), routine(r), instance(i) {}
    void note(Op op, const WaveHeader* h) {
        std::lock_guard lock(owner.m_mutex);
        owner.m_calls.push_back({op, h->data, h->bufferLength, number});
    }
    void say(const char* what) {
        if (owner.log != nullptr) {
            owner.log->push_back(what + std::to_string(number));
        }
    }
    WaveResult prepare(WaveHeader*) override { return WaveResult::Ok; }
    WaveResult unprepare(WaveHeader* h) override { return note(Op::Unprepare, h), WaveResult::Ok; }
    WaveResult write(WaveHeader* h) override {
        note(Op::Write, h);
        std::lock_guard lock(mutex);
        owner.writesToClosed += open ? 0 : 1;
        if (owner.writeResult != WaveResult::Ok || !open || failed) {
            return WaveResult::Failed;
        }
        queue.push_back(h);
        return WaveResult::Ok;
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
    // As a real device, reset and close hand every queued piece back before they return,
    // including one that the device's own thread is handing back at that moment.
    void returnAll() {
        while (returnOne()) {
        }
        std::unique_lock lock(mutex);
        idle.wait_for(lock, std::chrono::seconds(10), [this] { return inFlight == 0; });
    }
    WaveResult reset() override {
        say("reset ");
        returnAll();
        return WaveResult::Ok;
    }
    WaveResult close() override {
        if (open) {
            say("close ");
            returnAll();
            std::lock_guard lock(mutex);
            open = false;
        }
        return WaveResult::Ok;
    }
};

namespace {

// The player's handle: closing it leaves the device for the test to look at.
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

WaveResult FakeWaveOut::queryFormat(const WaveFormatExtensible& format, const std::string&) {
    std::lock_guard lock(m_mutex);
    m_format = format;
    return queryResult;
}

std::unique_ptr<WaveOutDevice> FakeWaveOut::open(const WaveFormatExtensible& format,
                                                 WaveOutRoutine routine, void* instance,
                                                 WaveResult* result, const std::string&) {
    std::lock_guard lock(m_mutex);
    m_format = format;
    if (result != nullptr) {
        *result = openResult;
    }
    if (openResult != WaveResult::Ok) {
        return nullptr;
    }
    const int number = static_cast<int>(m_devices.size()) + 1;
    m_devices.push_back(std::make_shared<Device>(*this, number, routine, instance));
    m_devices.back()->say("open ");
    return std::make_unique<Handle>(m_devices.back());
}

std::vector<FakeWaveOut::Call> FakeWaveOut::callsOf(Op op, int device) const {
    std::lock_guard lock(m_mutex);
    std::vector<Call> found;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(found),
                 [&](const Call& c) { return c.op == op && (device == 0 || c.device == device); });
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
    std::lock_guard lock(d ? d->mutex : m_mutex);
    return d ? d->queue.size() : 0;
}

bool FakeWaveOut::deviceOpen(int n) const {
    const auto d = device(n);
    std::lock_guard lock(d ? d->mutex : m_mutex);
    return d && d->open;
}

bool FakeWaveOut::failLate(WaveOutMessage message, int n) {
    const std::shared_ptr<Device> d = device(n);
    if (!d) {
        return false;
    }
    {
        std::lock_guard lock(d->mutex);
        d->failed = true;
    }
    d->routine(d.get(), message, d->instance, nullptr);
    d->returnAll();
    return true;
}

int FakeWaveOut::completeAll(int maxPieces, int n) {
    const auto d = device(n);
    bool announce = false;
    if (d) {
        std::lock_guard lock(d->mutex);
        announce = !d->announced && !d->failed && d->open;
        d->announced = true;
    }
    if (announce) {  // a device that plays has been made: as a server that made the stream
        d->routine(d.get(), WaveOutMessage::Open, d->instance, nullptr);
    }
    int done = 0;
    while (d && done < maxPieces && d->returnOne()) {
        ++done;
    }
    return done;
}

}  // namespace quilbo::test
