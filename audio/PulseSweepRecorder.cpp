// The libpulse sweep recorder: the connection, the questions asked of the server before a run
// (does the output exist and how many channels has it, does the input exist), and the list of
// inputs.
#include "audio/PulseSweepRecorder.h"

#include <pulse/introspect.h>

#include <optional>
#include <type_traits>

#include "audio/PulseConnection.h"
#include "audio/PulseRecordRun.h"
#include "audio/SweepPlan.h"

namespace quilbo {

namespace {

struct DeviceFound {
    std::string name;
    pa_channel_map map;
    std::uint32_t rate = 0;  // the device's own
    bool monitor = false;
};

// What an introspection callback leaves for the waiting thread; under the loop lock.
template <typename Item>
struct Query {
    PulseConnection* connection = nullptr;
    bool done = false;
    std::vector<Item> items;
};

template <typename Info>
void collectDevice(pa_context*, const Info* info, int eol, void* userdata) {
    auto* query = static_cast<Query<DeviceFound>*>(userdata);
    if (eol == 0 && info != nullptr) {
        DeviceFound found{info->name != nullptr ? info->name : "", info->channel_map,
                          info->sample_spec.rate};
        if constexpr (std::is_same_v<Info, pa_source_info>) {
            found.monitor = info->monitor_of_sink != PA_INVALID_INDEX;
        }
        query->items.push_back(std::move(found));
        return;
    }
    query->done = true;
    query->connection->signal();
}

void collectSource(pa_context*, const pa_source_info* info, int eol, void* userdata) {
    auto* query = static_cast<Query<SourceInfo>*>(userdata);
    if (eol == 0 && info != nullptr) {
        const std::string name = info->name != nullptr ? info->name : "";
        query->items.push_back({name,
                                info->description != nullptr && info->description[0] != '\0'
                                    ? info->description
                                    : name,
                                info->monitor_of_sink != PA_INVALID_INDEX});
        return;
    }
    query->done = true;
    query->connection->signal();
}

// The default source's name, then the server's.
void collectServer(pa_context*, const pa_server_info* info, void* userdata) {
    auto* query = static_cast<Query<std::string>*>(userdata);
    if (info != nullptr) {
        query->items = {info->default_source_name != nullptr ? info->default_source_name : "",
                        info->server_name != nullptr ? info->server_name : ""};
    }
    query->done = true;
    query->connection->signal();
}

// Runs one introspection request to its end (bounded); the loop lock is held. Nothing when the
// server did not answer in time.
template <typename Item, typename Start>
std::optional<std::vector<Item>> ask(PulseConnection& connection, std::chrono::milliseconds timeout,
                                     Start start) {
    Query<Item> query;
    query.connection = &connection;
    OperationPtr operation(start(&query));
    if (!connection.awaitQuery(
            operation, [&] { return query.done; }, timeout)) {
        return std::nullopt;
    }
    return std::move(query.items);
}

}  // namespace

PulseSweepRecorder::PulseSweepRecorder() : PulseSweepRecorder(Options{}) {}

PulseSweepRecorder::PulseSweepRecorder(Options options) : m_options(options) {}

PulseSweepRecorder::~PulseSweepRecorder() {
    std::lock_guard lock(m_mutex);
    if (m_connection) {
        m_connection->settle(m_options.linger, m_options.serverTimeout);
    }
}

std::shared_ptr<PulseConnection> PulseSweepRecorder::connection() {
    std::lock_guard lock(m_mutex);
    if (m_connection) {
        LoopLock loopLock(m_connection->loop());
        if (m_connection->ready()) {
            return m_connection;
        }
    }
    m_connection.reset();
    auto connection = std::make_shared<PulseConnection>();
    if (!connection->connect({}, m_options.applicationName, nullptr) || !connection->startLoop()) {
        return nullptr;
    }
    LoopLock loopLock(connection->loop());
    connection->waitFor(
        [&] {
            return !PA_CONTEXT_IS_GOOD(pa_context_get_state(connection->context())) ||
                   connection->ready();
        },
        m_options.serverTimeout);
    if (!connection->ready()) {
        return nullptr;
    }
    m_connection = connection;
    return connection;
}

Recording PulseSweepRecorder::record(const RecordRequest& request, const Progress& progress) {
    Recording out;
    out.rate = request.rate;
    const auto failed = [&](RecordResult result, std::string message) {
        m_cancelled = false;
        out.result = result;
        out.message = std::move(message);
        return out;
    };
    auto connected = connection();
    if (!connected) {
        return failed(RecordResult::NoServer, "no sound server answered");
    }
    PulseConnection& c = *connected;
    RecordTarget target;
    std::optional<std::vector<DeviceFound>> sink, source;
    std::optional<std::vector<std::string>> server;
    {
        LoopLock lock(c.loop());
        const std::string sinkName = request.sink.empty() ? "@DEFAULT_SINK@" : request.sink;
        const std::string sourceName = request.source.empty() ? "@DEFAULT_SOURCE@" : request.source;
        sink = ask<DeviceFound>(c, m_options.serverTimeout, [&](auto* query) {
            return pa_context_get_sink_info_by_name(c.context(), sinkName.c_str(),
                                                    &collectDevice<pa_sink_info>, query);
        });
        source = ask<DeviceFound>(c, m_options.serverTimeout, [&](auto* query) {
            return pa_context_get_source_info_by_name(c.context(), sourceName.c_str(),
                                                      &collectDevice<pa_source_info>, query);
        });
        server = ask<std::string>(c, m_options.serverTimeout, [&](auto* query) {
            return pa_context_get_server_info(c.context(), &collectServer, query);
        });
    }
    if (!sink || !source || !server) {
        return failed(RecordResult::NoServer, "the sound server does not answer");
    }
    if (sink->empty()) {
        return failed(RecordResult::NoSink, request.sink.empty()
                                                ? "there is no default output"
                                                : "there is no output named " + request.sink);
    }
    if (source->empty()) {
        return failed(RecordResult::NoSource, request.source.empty()
                                                  ? "there is no default input"
                                                  : "there is no input named " + request.source);
    }
    target.sink = sink->front().name;
    target.sinkMap = sink->front().map;
    target.sinkRate = sink->front().rate;
    target.sourceRate = source->front().rate;
    target.source = source->front().name;
    target.sourceMap = source->front().map;
    target.sourceIsMonitor = source->front().monitor;
    target.pipeWire = server->size() > 1 && (*server)[1].find("PipeWire") != std::string::npos;
    std::string error;
    const unsigned channels =
        request.sinkChannels != 0 ? request.sinkChannels : target.sinkMap.channels;
    const auto plan = SweepPlan::make(request, channels, &error);
    if (!plan) {
        return failed(RecordResult::BadRequest, error);
    }
    PulseRecordRun run(c, *plan, request, target, m_options.serverTimeout);
    out = run.run(progress, m_cancelled);
    m_cancelled = false;
    return out;
}

std::vector<SourceInfo> PulseSweepRecorder::sources() {
    auto connected = connection();
    if (!connected) {
        return {};
    }
    LoopLock lock(connected->loop());
    return ask<SourceInfo>(*connected, m_options.serverTimeout,
                           [&](auto* query) {
                               return pa_context_get_source_info_list(connected->context(),
                                                                      &collectSource, query);
                           })
        .value_or(std::vector<SourceInfo>{});
}

std::string PulseSweepRecorder::defaultSource() {
    auto connected = connection();
    if (!connected) {
        return {};
    }
    LoopLock lock(connected->loop());
    const auto names = ask<std::string>(*connected, m_options.serverTimeout, [&](auto* query) {
        return pa_context_get_server_info(connected->context(), &collectServer, query);
    });
    return names && !names->empty() ? names->front() : std::string{};
}

}  // namespace quilbo
