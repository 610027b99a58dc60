// The recording fake wave output back end.
#include "tests/support/FakeWaveOut.h"

#include <condition_variable>

namespace quilbo::test {

struct FakeWaveOut::State {
    mutable std::mutex mutex;
    std::vector<Call> calls;
    std::deque<WaveHeader*> queue;
    WaveResult queryResult = WaveResult::Ok;
    WaveResult openResult = WaveResult::Ok;
    WaveResult writeResult = WaveResult::Ok;
    WaveFormatExtensible format;
    bool open = false;
    int opens = 0;
    WaveOutRoutine routine = nullptr;
    void* instance = nullptr;
    WaveOutDevice* device = nullptr;
    int inFlight = 0;  // pieces taken from the queue whose routine has not returned yet
    std::condition_variable idle;

    void record(Op op, const WaveHeader* header = nullptr) {
        Call call{op, header, nullptr, 0, std::this_thread::get_id()};
        if (header != nullptr) {
            call.data = header->lpData;
            call.length = header->dwBufferLength;
        }
        calls.push_back(call);
    }

    // Hands one piece back with no lock held, as a real device's own thread would.
    bool returnOne() {
        WaveOutRoutine r = nullptr;
        void* inst = nullptr;
        WaveOutDevice* dev = nullptr;
        WaveHeader* header = nullptr;
        {
            std::lock_guard lock(mutex);
            if (queue.empty()) {
                return false;
            }
            header = queue.front();
            queue.pop_front();
            ++inFlight;
            r = routine;
            inst = instance;
            dev = device;
        }
        r(dev, WaveOutMessage::Done, inst, header);
        {
            std::lock_guard lock(mutex);
            --inFlight;
        }
        idle.notify_all();
        return true;
    }

    // A real device returns every piece before reset or close returns, including one that its
    // own thread is handing back at that moment.
    void returnAllAndWait() {
        while (returnOne()) {
        }
        std::unique_lock lock(mutex);
        idle.wait_for(lock, std::chrono::seconds(2), [this] { return inFlight == 0; });
    }
};

class FakeWaveOut::Device : public WaveOutDevice {
public:
    explicit Device(std::shared_ptr<State> state) : m_state(std::move(state)) {}
    ~Device() override { close(); }

    WaveResult prepare(WaveHeader* header) override {
        std::lock_guard lock(m_state->mutex);
        m_state->record(Op::Prepare, header);
        return WaveResult::Ok;
    }
    WaveResult write(WaveHeader* header) override {
        std::lock_guard lock(m_state->mutex);
        m_state->record(Op::Write, header);
        if (m_state->writeResult != WaveResult::Ok || !m_state->open) {
            return WaveResult::Failed;
        }
        m_state->queue.push_back(header);
        return WaveResult::Ok;
    }
    WaveResult unprepare(WaveHeader* header) override {
        std::lock_guard lock(m_state->mutex);
        m_state->record(Op::Unprepare, header);
        return WaveResult::Ok;
    }
    WaveResult reset() override {
        {
            std::lock_guard lock(m_state->mutex);
            m_state->record(Op::Reset);
        }
        m_state->returnAllAndWait();
        return WaveResult::Ok;
    }
    WaveResult close() override {
        {
            std::lock_guard lock(m_state->mutex);
            if (!m_state->open || m_state->device != this) {
                return WaveResult::Ok;
            }
            m_state->record(Op::Close);
        }
        m_state->returnAllAndWait();
        std::lock_guard lock(m_state->mutex);
        m_state->open = false;
        return WaveResult::Ok;
    }

private:
    std::shared_ptr<State> m_state;
};

FakeWaveOut::FakeWaveOut() : m_state(std::make_shared<State>()) {}

FakeWaveOut::~FakeWaveOut() = default;

void FakeWaveOut::setQueryResult(WaveResult result) {
    std::lock_guard lock(m_state->mutex);
    m_state->queryResult = result;
}

void FakeWaveOut::setOpenResult(WaveResult result) {
    std::lock_guard lock(m_state->mutex);
    m_state->openResult = result;
}

void FakeWaveOut::setWriteResult(WaveResult result) {
    std::lock_guard lock(m_state->mutex);
    m_state->writeResult = result;
}

WaveResult FakeWaveOut::queryFormat(const WaveFormatExtensible& format) {
    std::lock_guard lock(m_state->mutex);
    m_state->record(Op::Query);
    m_state->format = format;
    return m_state->queryResult;
}

std::unique_ptr<WaveOutDevice> FakeWaveOut::open(const WaveFormatExtensible& format,
                                                 WaveOutRoutine routine, void* instance,
                                                 WaveResult* result) {
    std::lock_guard lock(m_state->mutex);
    m_state->record(Op::Open);
    m_state->format = format;
    if (result != nullptr) {
        *result = m_state->openResult;
    }
    if (m_state->openResult != WaveResult::Ok || m_state->open) {
        if (result != nullptr && m_state->open) {
            *result = WaveResult::Failed;  // one device at a time, like a busy device
        }
        return nullptr;
    }
    auto device = std::make_unique<Device>(m_state);
    m_state->open = true;
    ++m_state->opens;
    m_state->routine = routine;
    m_state->instance = instance;
    m_state->device = device.get();
    return device;
}

std::vector<FakeWaveOut::Call> FakeWaveOut::calls() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->calls;
}

std::vector<FakeWaveOut::Call> FakeWaveOut::callsOf(Op op) const {
    std::vector<Call> result;
    for (const Call& call : calls()) {
        if (call.op == op) {
            result.push_back(call);
        }
    }
    return result;
}

void FakeWaveOut::clearCalls() {
    std::lock_guard lock(m_state->mutex);
    m_state->calls.clear();
}

std::size_t FakeWaveOut::queued() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->queue.size();
}

bool FakeWaveOut::deviceOpen() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->open;
}

WaveFormatExtensible FakeWaveOut::lastFormat() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->format;
}

int FakeWaveOut::opens() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->opens;
}

bool FakeWaveOut::completeNext() {
    return m_state->returnOne();
}

int FakeWaveOut::completeAll(int maxPieces) {
    int n = 0;
    while (n < maxPieces && m_state->returnOne()) {
        ++n;
    }
    return n;
}

}  // namespace quilbo::test
