// The fake wave output's devices.
#include "tests/support/Fakes.h"

#include <chrono>
#include <condition_variable>
#include <deque>

namespace quilbo::test {

struct FakeWaveOut::State {
    std::mutex mutex;
    std::condition_variable idle;
    std::string name;
    EventLog* log;
    WaveResult writeResult;
    WaveOutRoutine routine;
    void* instance;
    WaveOutDevice* device = nullptr;
    std::vector<Piece> written;
    std::deque<WaveHeader*> queue;
    bool open = true;
    int inFlight = 0;  // pieces on their way back through the routine

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
        routine(device, WaveOutMessage::Done, instance, header);
        std::lock_guard lock(mutex);
        --inFlight;
        idle.notify_all();
        return true;
    }
    // A real device hands back every piece before reset or close returns, including one that
    // its own thread is handing back at that moment.
    void returnAll(const char* step) {
        if (log != nullptr) {
            log->push_back(step + name);
        }
        while (returnOne()) {
        }
        std::unique_lock lock(mutex);
        idle.wait_for(lock, std::chrono::seconds(5), [this] { return inFlight == 0; });
    }
};

namespace {

class Device : public WaveOutDevice {
public:
    explicit Device(std::shared_ptr<FakeWaveOut::State> state) : m_state(std::move(state)) {
        m_state->device = this;
    }
    ~Device() override { close(); }
    WaveResult prepare(WaveHeader*) override { return WaveResult::Ok; }
    WaveResult unprepare(WaveHeader*) override { return WaveResult::Ok; }
    WaveResult write(WaveHeader* header) override {
        std::lock_guard lock(m_state->mutex);
        if (m_state->writeResult != WaveResult::Ok || !m_state->open) {
            return WaveResult::Failed;
        }
        m_state->written.push_back({header->lpData, header->dwBufferLength});
        m_state->queue.push_back(header);
        return WaveResult::Ok;
    }
    WaveResult reset() override {
        m_state->returnAll("reset ");
        return WaveResult::Ok;
    }
    WaveResult close() override {
        if (m_state->open) {
            m_state->returnAll("close ");
            std::lock_guard lock(m_state->mutex);
            m_state->open = false;
        }
        return WaveResult::Ok;
    }

private:
    std::shared_ptr<FakeWaveOut::State> m_state;
};

}  // namespace

WaveResult FakeWaveOut::queryFormat(const WaveFormatExtensible& asked) {
    format = asked;
    return queryResult;
}

std::unique_ptr<WaveOutDevice> FakeWaveOut::open(const WaveFormatExtensible& asked,
                                                 WaveOutRoutine routine, void* instance,
                                                 WaveResult* result) {
    format = asked;
    if (result != nullptr) {
        *result = openResult;
    }
    if (openResult != WaveResult::Ok) {
        return nullptr;
    }
    std::lock_guard lock(m_mutex);
    auto state = std::make_shared<State>();
    state->name = std::to_string(m_devices.size() + 1);
    state->log = log;
    state->writeResult = writeResult;
    state->routine = routine;
    state->instance = instance;
    m_devices.push_back(state);
    if (log != nullptr) {
        log->push_back("open " + state->name);
    }
    return std::make_unique<Device>(state);
}

std::shared_ptr<FakeWaveOut::State> FakeWaveOut::device(int n) const {
    std::lock_guard lock(m_mutex);
    if (m_devices.empty()) {
        auto none = std::make_shared<State>();
        none->open = false;
        return none;
    }
    return m_devices.at(n == 0 ? m_devices.size() - 1 : static_cast<std::size_t>(n - 1));
}

int FakeWaveOut::opens() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_devices.size());
}

std::vector<FakeWaveOut::Piece> FakeWaveOut::written(int n) const {
    const auto d = device(n);
    std::lock_guard lock(d->mutex);
    return d->written;
}

std::size_t FakeWaveOut::queued(int n) const {
    const auto d = device(n);
    std::lock_guard lock(d->mutex);
    return d->queue.size();
}

bool FakeWaveOut::isOpen(int n) const {
    const auto d = device(n);
    std::lock_guard lock(d->mutex);
    return d->open;
}

bool FakeWaveOut::completeNext(int n) {
    return device(n)->returnOne();
}

int FakeWaveOut::completeAll(int n, int most) {
    int done = 0;
    while (done < most && completeNext(n)) {
        ++done;
    }
    return done;
}

}  // namespace quilbo::test
