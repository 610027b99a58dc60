// The measurement file format and the folder that holds the files.
#include "measure/MeasurementStore.h"

#include "media/AtomicFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <tuple>

namespace quilbo {
namespace {

constexpr std::string_view kMagic = "quilbo-measurement 2";
constexpr std::string_view kMagicVersion1 = "quilbo-measurement 1";
constexpr std::string_view kMagicPrefix = "quilbo-measurement ";
constexpr std::string_view kExtension = ".qmeas";
constexpr std::size_t kLargestHeader = 64 * 1024;
// Far beyond any real measurement (30 s at 768 kHz is 23 M samples), small enough to allocate.
constexpr std::uint64_t kMostSamples = std::uint64_t{1} << 26;

constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[i] = c;
    }
    return table;
}();

std::uint32_t crc32(std::string_view data) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char byte : data) {
        c = kCrcTable[(c ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

std::string escaped(std::string_view value) {
    std::string out;
    for (const char c : value) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

std::string unescaped(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += value[i];
        }
    }
    return out;
}

std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

void putFloats(std::string& out, const std::vector<float>& values) {
    for (const float value : values) {
        const auto bits = std::bit_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i) {
            out += static_cast<char>((bits >> (8 * i)) & 0xFF);
        }
    }
}

std::vector<float> getFloats(std::string_view& data, std::size_t count) {
    std::vector<float> values(count);
    for (std::size_t n = 0; n < count; ++n) {
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) {
            bits |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(data[4 * n + i]))
                    << (8 * i);
        }
        values[n] = std::bit_cast<float>(bits);
    }
    data.remove_prefix(4 * count);
    return values;
}

std::vector<float> toFloats(const std::vector<double>& values) {
    return {values.begin(), values.end()};
}

// The header's fields, read and checked one by one; the first problem is kept.
class HeaderReader {
public:
    explicit HeaderReader(std::map<std::string, std::string, std::less<>> fields)
        : m_fields(std::move(fields)) {}

    bool has(std::string_view key) const { return m_fields.find(key) != m_fields.end(); }
    std::string text(std::string_view key) {
        const auto found = m_fields.find(key);
        if (found == m_fields.end()) {
            fail(key);
            return {};
        }
        return found->second;
    }
    template <typename T>
    T number(std::string_view key) {
        const std::string value = text(key);
        T result{};
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), result);
        if (error != std::errc() || end != value.data() + value.size()) {
            fail(key);
        }
        return result;
    }
    // The first field missing or wrong, or the first other problem.
    void fail(std::string_view field, MeasureProblem problem = MeasureProblem::StoredField) {
        if (!m_problem.failed()) {
            m_problem = {problem, std::string(field)};
        }
    }
    const MeasureFailure& problem() const { return m_problem; }

private:
    std::map<std::string, std::string, std::less<>> m_fields;
    MeasureFailure m_problem;
};

std::string_view stageText(MeasurementStage stage) {
    switch (stage) {
        case MeasurementStage::Before:
            return "before";
        case MeasurementStage::After:
            return "after";
        case MeasurementStage::None:
            break;
    }
    return "none";
}

// Version 1 kept a run-in's session and stage only in the name it gave: "<session> before,
// channel N". Such a name still makes the pair it made, unless the user has renamed it.
void stageFromVersion1Name(Measurement& m) {
    for (const MeasurementStage stage : {MeasurementStage::Before, MeasurementStage::After}) {
        const std::string words = " " + std::string(stageText(stage)) + ", channel ";
        const std::size_t at = m.name.rfind(words);
        if (at == std::string::npos || at == 0) {
            continue;
        }
        const std::string_view number = std::string_view(m.name).substr(at + words.size());
        int channel = 0;
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), channel);
        if (error == std::errc() && end == number.data() + number.size() && number.size() <= 2 &&
            number.front() != '0' && channel == m.channel) {
            m.session = m.name.substr(0, at);
            m.stage = stage;
            return;
        }
    }
}

bool plainId(const std::string& id) {
    return !id.empty() && id.size() <= 200 && id.front() != '.' &&
           id.find('/') == std::string::npos && id.find('\0') == std::string::npos;
}

}  // namespace

std::string serialiseMeasurement(const Measurement& m) {
    std::string data;
    putFloats(data, m.impulse);
    putFloats(data, toFloats(m.response.frequency));
    putFloats(data, toFloats(m.response.db));
    putFloats(data, toFloats(m.response.phaseDeg));

    std::string out = std::string(kMagic) + "\n";
    const auto put = [&out](std::string_view key, std::string_view value) {
        out.append(key).append("=").append(escaped(value)).append("\n");
    };
    put("name", m.name);
    put("date", m.date);
    put("output", m.output);
    put("input", m.input);
    put("channel", std::to_string(m.channel));
    put("rate", std::to_string(m.sweep.rate));
    put("from", numberText(m.sweep.from));
    put("to", numberText(m.sweep.to));
    put("seconds", numberText(m.sweep.seconds));
    put("level", numberText(m.sweep.levelDbfs));
    put("fadeIn", numberText(m.sweep.fadeInSeconds));
    put("fadeOut", numberText(m.sweep.fadeOutSeconds));
    put("calibration", m.calibration);
    put("status", m.ok ? "ok" : "failed");
    put("reason", m.failure);
    put("session", m.session);
    put("stage", stageText(m.stage));
    if (m.arrivalSeconds) {
        put("arrival", numberText(*m.arrivalSeconds));
    }
    put("impulse", std::to_string(m.impulse.size()));
    put("response", std::to_string(m.response.frequency.size()));
    put("crc32", std::to_string(crc32(data)));
    out += "end\n";
    return out + data;
}

LoadResult parseMeasurement(std::string_view bytes) {
    const auto refuse = [](MeasureProblem why, std::string detail = {}) {
        return LoadResult{std::nullopt, {why, std::move(detail)}};
    };
    if (!bytes.starts_with(kMagicPrefix)) {
        return refuse(MeasureProblem::StoredNotMeasurement);
    }
    const std::size_t firstEnd = bytes.find('\n');
    const bool version1 = bytes.substr(0, firstEnd) == kMagicVersion1;
    if (!version1 && bytes.substr(0, firstEnd) != kMagic) {
        return refuse(MeasureProblem::StoredNewer,
                      std::string(bytes.substr(0, std::min<std::size_t>(firstEnd, 40))));
    }
    std::map<std::string, std::string, std::less<>> fields;
    std::size_t at = firstEnd + 1;
    for (;;) {
        const std::size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos || end > kLargestHeader) {
            return refuse(MeasureProblem::StoredHeaderUnended);
        }
        const std::string_view line = bytes.substr(at, end - at);
        at = end + 1;
        if (line == "end") {
            break;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return refuse(MeasureProblem::StoredHeaderLine);
        }
        fields[std::string(line.substr(0, equals))] = unescaped(line.substr(equals + 1));
    }

    HeaderReader header(std::move(fields));
    Measurement m;
    m.name = header.text("name");
    m.date = header.text("date");
    m.output = header.text("output");
    m.input = header.text("input");
    m.channel = header.number<int>("channel");
    m.sweep.rate = header.number<int>("rate");
    m.sweep.from = header.number<double>("from");
    m.sweep.to = header.number<double>("to");
    m.sweep.seconds = header.number<double>("seconds");
    m.sweep.levelDbfs = header.number<double>("level");
    m.sweep.fadeInSeconds = header.number<double>("fadeIn");
    m.sweep.fadeOutSeconds = header.number<double>("fadeOut");
    m.calibration = header.text("calibration");
    const std::string status = header.text("status");
    m.failure = header.text("reason");
    std::string stage = "none";
    if (!version1) {
        m.session = header.text("session");
        stage = header.text("stage");
    }
    if (header.has("arrival")) {
        m.arrivalSeconds = header.number<double>("arrival");
        if (!std::isfinite(*m.arrivalSeconds)) {
            header.fail("arrival");
        }
    }
    const auto impulseCount = header.number<std::uint64_t>("impulse");
    const auto responseCount = header.number<std::uint64_t>("response");
    const auto checksum = header.number<std::uint32_t>("crc32");
    if (m.channel < 1) {
        header.fail("channel");
    }
    if (status != "ok" && status != "failed") {
        header.fail("status");
    }
    if (stage == "before" || stage == "after") {
        m.stage = stage == "before" ? MeasurementStage::Before : MeasurementStage::After;
        if (m.session.empty()) {
            header.fail("session");
        }
    } else if (stage != "none") {
        header.fail("stage");
    }
    if (!header.problem().failed()) {
        if (m.sweep.validate().failed()) {
            header.fail({}, MeasureProblem::StoredSweep);
        } else if (impulseCount > kMostSamples || responseCount > kMostSamples) {
            header.fail({}, MeasureProblem::StoredTooManySamples);
        }
    }
    if (header.problem().failed()) {
        return {std::nullopt, header.problem()};
    }
    m.ok = status == "ok";
    if (version1) {
        stageFromVersion1Name(m);
    }

    std::string_view data = bytes.substr(at);
    const std::uint64_t expected = 4 * (impulseCount + 3 * responseCount);
    if (data.size() < expected) {
        return refuse(MeasureProblem::StoredTruncated, std::to_string(expected - data.size()));
    }
    if (data.size() > expected) {
        return refuse(MeasureProblem::StoredExtraData);
    }
    if (crc32(data) != checksum) {
        return refuse(MeasureProblem::StoredChecksum);
    }
    m.impulse = getFloats(data, impulseCount);
    for (std::vector<double>* column :
         {&m.response.frequency, &m.response.db, &m.response.phaseDeg}) {
        const std::vector<float> values = getFloats(data, responseCount);
        column->assign(values.begin(), values.end());
    }
    return {std::move(m), {}};
}

MeasurementStore::MeasurementStore(std::string folder) : m_folder(std::move(folder)) {}

std::string MeasurementStore::defaultFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') {
        return std::string(dataHome) + "/quilbo/measurements";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/share/quilbo/measurements";
    }
    return {};
}

std::string MeasurementStore::pathOf(const std::string& id) const {
    return m_folder + "/" + id + std::string(kExtension);
}

FileWriteResult MeasurementStore::save(Measurement& m) const {
    if (m_folder.empty()) {
        return {FileWriteError::NoFolder, 0};
    }
    if ((!m.id.empty() && !plainId(m.id)) || m.response.db.size() != m.response.frequency.size() ||
        m.response.phaseDeg.size() != m.response.frequency.size()) {
        return {FileWriteError::UnsupportedFormat, 0};
    }
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    if (error) {
        return {FileWriteError::CreateFailed, error.value()};
    }
    if (m.id.empty()) {
        // Named after the date's digits, numbered when several share a second.
        std::string base;
        std::copy_if(m.date.begin(), m.date.end(), std::back_inserter(base),
                     [](char c) { return c >= '0' && c <= '9'; });
        base = "m" + base.substr(0, 40);
        std::string id = base;
        // A dangling or looping link of that name is taken too: the name stands for it.
        for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(pathOf(id), error));
             ++n) {
            id = base + "-" + std::to_string(n);
        }
        m.id = id;
    }
    return writeFileAtomically(pathOf(m.id), serialiseMeasurement(m));
}

LoadResult MeasurementStore::load(const std::string& id) const {
    if (!plainId(id)) {
        return {std::nullopt, {MeasureProblem::StoredNoSuchId, id}};
    }
    FileRead read = readRegularFile(pathOf(id), kLargestFile);
    if (read) {
        try {
            LoadResult result = parseMeasurement(read.bytes);
            if (result.measurement) {
                result.measurement->id = id;
            }
            return result;
        } catch (const std::bad_alloc&) {
            // No memory for its samples now: unreadable for the moment, and said so.
            read.error = FileReadError::Failed;
            read.code = ENOMEM;
        }
    }
    return {std::nullopt, {MeasureProblem::StoredUnreadable, {}}, read.error, read.code};
}

MeasureFailure MeasurementStore::remove(const std::string& id) const {
    std::error_code error;
    if (!plainId(id)) {
        return {MeasureProblem::StoredNoSuchId, id};
    }
    if (!std::filesystem::remove(pathOf(id), error)) {
        return {MeasureProblem::StoredNotDeleted, error ? error.message() : std::string()};
    }
    return {};
}

std::vector<std::string> MeasurementStore::ids() const {
    std::vector<std::string> ids;
    std::error_code error;
    for (std::filesystem::directory_iterator it(m_folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::filesystem::path& path = it->path();
        const std::string file = path.filename().string();
        if (path.extension() == kExtension && file.front() != '.') {
            ids.push_back(path.stem().string());
        }
    }
    return ids;
}

MeasurementEntry entryOf(const Measurement& measurement) {
    MeasurementEntry entry;
    entry.id = measurement.id;
    entry.name = measurement.name;
    entry.date = measurement.date;
    entry.ok = measurement.ok;
    entry.problem = measurement.failure;
    return entry;
}

MeasurementEntry MeasurementStore::entry(const std::string& id) const {
    MeasurementEntry entry;
    entry.id = id;
    const LoadResult loaded = load(id);
    if (loaded.measurement) {
        entry = entryOf(*loaded.measurement);
    } else {
        entry.refusal = loaded.error;
        entry.readError = loaded.readError;
        entry.readCode = loaded.readCode;
    }
    return entry;
}

std::vector<MeasurementEntry> MeasurementStore::list() const {
    std::vector<MeasurementEntry> entries;
    for (const std::string& id : ids()) {
        entries.push_back(entry(id));
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return std::tie(a.date, a.id) < std::tie(b.date, b.id);
    });
    return entries;
}

}  // namespace quilbo
