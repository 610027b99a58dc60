// The filter-chain texts. How PipeWire 0.3.65's module-filter-chain reads its built-in nodes (and
// what was measured through them):
// - bq_peaking, bq_lowshelf, bq_highshelf: "Freq" in Hz (the node divides it by half the graph's
//   rate), "Gain" in dB, "Q" the cookbook's Q of the peaking filter. 0.3.65's shelves take no Q:
//   their slope is S = 1. Later versions read a Q there, 0 or less meaning S = 1; 1/sqrt(2) is
//   the same shelf in both, so that is what a shelf is given.
// - delay: "Delay (s)" in seconds, cut (not rounded) to whole samples of the graph's rate, and at
//   most "max-delay" (a config key, seconds, 1 by default) less a sample.
// - a plain gain: 0.3.65's mixer plays a single input at unity whatever its "Gain 1" (0.5 and
//   -0.5 both measured at 1), and it has no invert node, so each channel's level and polarity is
//   the convolver with the built-in one-sample impulse "/dirac" scaled by its config's "gain" (a
//   linear factor of either sign), which adds no latency.
// Every channel of the output passes the chain: one the correction leaves alone through a copy.
#include "measure/CorrectionPipeWire.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace quilbo {
namespace {

constexpr double kShelfQ = 0.70710678118654752;  // the cookbook's Q for a shelf slope S = 1
constexpr double kMaxDelaySeconds = 1.0;

std::string jsonNumber(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof(text), value).ptr;
    return std::string(text, end);
}

// A string as SPA's JSON reads it back: quoted, with its quotes and backslashes escaped.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
    }
    return out + "\"";
}

std::vector<std::string> positionsOf(const Correction& correction, const CorrectionOutput& target) {
    if (!target.positions.empty()) {
        return target.positions;
    }
    std::vector<const ChannelCorrection*> channels;
    for (const ChannelCorrection& c : correction.channels) {
        channels.push_back(&c);
    }
    std::stable_sort(channels.begin(), channels.end(),
                     [](const auto* a, const auto* b) { return a->channel < b->channel; });
    std::vector<std::string> positions;
    for (const ChannelCorrection* c : channels) {
        positions.push_back(c->position);
    }
    return positions;
}

// A line of a comment: a name from the server may hold anything, a line break included.
std::string commentLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    return "# " + text + "\n";
}

// Where a channel of the correction plays: an index into the positions (by its position, or by
// its number when it names none), or -1.
int placeOf(const ChannelCorrection& channel, const std::vector<std::string>& positions) {
    if (!channel.position.empty()) {
        const auto it = std::find(positions.begin(), positions.end(), channel.position);
        return it != positions.end() ? static_cast<int>(it - positions.begin()) : -1;
    }
    return channel.channel >= 1 && channel.channel <= static_cast<int>(positions.size())
               ? channel.channel - 1
               : -1;
}

bool inRange(double value, double low, double high) {
    return std::isfinite(value) && value >= low && value <= high;
}

CorrectionChainCheck checkChannel(const ChannelCorrection& c, int rate) {
    for (std::size_t i = 0; i < c.filters.size(); ++i) {
        const CorrectionFilter& f = c.filters[i];
        const bool fine = std::isfinite(f.frequency) && f.frequency > 0 &&
                          f.frequency < rate / 2.0 && inRange(f.gainDb, -120, 20) &&
                          (f.kind != CorrectionFilterKind::Peaking ||
                           (std::isfinite(f.q) && f.q > 0 && f.q <= 10));
        if (!fine) {
            return {CorrectionChainError::BadFilter, c.channel, static_cast<int>(i) + 1};
        }
    }
    if (!inRange(c.delayMs, 0, kMaxDelaySeconds * 1000)) {
        return {CorrectionChainError::BadDelay, c.channel, 0};
    }
    if (!inRange(c.preampDb + c.trimDb, -120, 20)) {
        return {CorrectionChainError::BadLevel, c.channel, 0};
    }
    return {};
}

const char* labelOf(CorrectionFilterKind kind) {
    switch (kind) {
        case CorrectionFilterKind::LowShelf:
            return "bq_lowshelf";
        case CorrectionFilterKind::HighShelf:
            return "bq_highshelf";
        case CorrectionFilterKind::Peaking:
            break;
    }
    return "bq_peaking";
}

struct Graph {
    std::string nodes, links, inputs, outputs;
};

// One channel's nodes: its level and polarity, its filters, its delay, linked in that order.
void addChannel(Graph& graph, const std::string& prefix, const ChannelCorrection& c, int rate) {
    std::vector<std::string> stages = {prefix + "level"};
    const double level = (c.invert ? -1.0 : 1.0) * std::pow(10.0, (c.preampDb + c.trimDb) / 20.0);
    graph.nodes +=
        "      { type = builtin name = " + stages.back() +
        " label = convolver config = { filename = \"/dirac\" gain = " + jsonNumber(level) +
        " } }\n";
    for (const CorrectionFilter& f : c.filters) {
        stages.push_back(prefix + "f" + std::to_string(stages.size()));
        const double q = f.kind == CorrectionFilterKind::Peaking ? f.q : kShelfQ;
        graph.nodes +=
            "      { type = builtin name = " + stages.back() + " label = " + labelOf(f.kind) +
            " control = { \"Freq\" = " + jsonNumber(f.frequency) + " \"Q\" = " + jsonNumber(q) +
            " \"Gain\" = " + jsonNumber(f.gainDb) + " } }\n";
    }
    if (c.delayMs > 0) {
        // Half a sample more: the node cuts the product of seconds and rate to whole samples,
        // which float rounding could otherwise take to the sample before.
        const double seconds = c.delayMs / 1000.0 + 0.5 / rate;
        stages.push_back(prefix + "delay");
        graph.nodes +=
            "      { type = builtin name = " + stages.back() +
            " label = delay config = { \"max-delay\" = " + jsonNumber(std::ceil(seconds) + 1) +
            " } control = { \"Delay (s)\" = " + jsonNumber(seconds) + " } }\n";
    }
    for (std::size_t k = 1; k < stages.size(); ++k) {
        graph.links +=
            "      { output = \"" + stages[k - 1] + ":Out\" input = \"" + stages[k] + ":In\" }\n";
    }
    graph.inputs += " \"" + stages.front() + ":In\"";
    graph.outputs += " \"" + stages.back() + ":Out\"";
}

}  // namespace

std::string correctionSinkName(const std::string& output) {
    return "quilbo_correction." + output;
}

std::string correctionSinkDescription(const CorrectionOutput& target) {
    const std::string& name = target.description.empty() ? target.name : target.description;
    return name.empty() ? "Quilbo correction" : "Quilbo correction (" + name + ")";
}

CorrectionChainCheck checkCorrectionChain(const Correction& correction,
                                          const CorrectionOutput& target) {
    if (correction.rate < 1000 || correction.rate > 768000) {
        return {CorrectionChainError::BadRate, 0, 0};
    }
    if (correction.channels.empty()) {
        return {CorrectionChainError::NoChannels, 0, 0};
    }
    const std::vector<std::string> positions = positionsOf(correction, target);
    std::vector<bool> taken(positions.size(), false);
    for (const ChannelCorrection& c : correction.channels) {
        const int place = placeOf(c, positions);
        if (place < 0 || positions[place].empty()) {
            return {CorrectionChainError::UnknownChannel, c.channel, 0};
        }
        if (taken[place]) {
            return {CorrectionChainError::RepeatedChannel, c.channel, 0};
        }
        taken[place] = true;
        if (const CorrectionChainCheck check = checkChannel(c, correction.rate); !check) {
            return check;
        }
    }
    return {};
}

std::string describeCorrectionChain(const CorrectionChainCheck& check) {
    const char* why = "no error";
    switch (check.error) {
        case CorrectionChainError::NoChannels:
            why = "the correction corrects no channel";
            break;
        case CorrectionChainError::UnknownChannel:
            why = "the output has no such channel";
            break;
        case CorrectionChainError::RepeatedChannel:
            why = "the output's channel is corrected twice";
            break;
        case CorrectionChainError::BadFilter:
            why =
                "a frequency below half the rate, a Q up to 10 and a gain from -120 to +20 dB "
                "are needed";
            break;
        case CorrectionChainError::BadDelay:
            why = "the delay must be from 0 to 1000 ms";
            break;
        case CorrectionChainError::BadLevel:
            why = "the preamp and trim together must be from -120 to +20 dB";
            break;
        case CorrectionChainError::BadRate:
            why = "the correction's rate is no sample rate";
            break;
        case CorrectionChainError::None:
            break;
    }
    std::string where;
    if (check.channel > 0) {
        where = "channel " + std::to_string(check.channel) +
                (check.filter > 0 ? ", filter " + std::to_string(check.filter) : "") + ": ";
    }
    return where + why;
}

std::string filterChainArguments(const Correction& correction, const CorrectionOutput& target) {
    if (!checkCorrectionChain(correction, target)) {
        return {};
    }
    const std::vector<std::string> positions = positionsOf(correction, target);
    Graph graph;
    std::string positionList;
    for (std::size_t k = 0; k < positions.size(); ++k) {
        const std::string prefix = "ch" + std::to_string(k + 1) + "_";
        const auto it =
            std::find_if(correction.channels.begin(), correction.channels.end(),
                         [&](auto& c) { return placeOf(c, positions) == static_cast<int>(k); });
        if (it != correction.channels.end()) {
            addChannel(graph, prefix, *it, correction.rate);
        } else {
            graph.nodes += "      { type = builtin name = " + prefix + "copy label = copy }\n";
            graph.inputs += " \"" + prefix + "copy:In\"";
            graph.outputs += " \"" + prefix + "copy:Out\"";
        }
        positionList += " " + quoted(positions[k]);
    }
    const std::string sink =
        target.name.empty() ? std::string("quilbo_correction") : correctionSinkName(target.name);
    const std::string description = quoted(correctionSinkDescription(target));
    const std::string channels = std::to_string(positions.size());
    return "{\n"
           "  node.description = " +
           description + "\n  media.name = " + description +
           "\n"
           "  filter.graph = {\n"
           "    nodes = [\n" +
           graph.nodes + "    ]\n    links = [\n" + graph.links + "    ]\n    inputs = [" +
           graph.inputs + " ]\n    outputs = [" + graph.outputs +
           " ]\n"
           "  }\n"
           "  capture.props = {\n"
           "    node.name = " +
           quoted(sink) +
           "\n"
           "    media.class = Audio/Sink\n"
           "    audio.channels = " +
           channels + "\n    audio.position = [" + positionList +
           " ]\n"
           "  }\n"
           "  playback.props = {\n"
           "    node.name = " +
           quoted(sink + ".out") +
           "\n"
           "    node.passive = true\n"
           "    audio.channels = " +
           channels + "\n    audio.position = [" + positionList + " ]\n" +
           (target.name.empty() ? "" : "    target.object = " + quoted(target.name) + "\n") +
           "  }\n"
           "}";
}

std::string filterChainProcessConfig(const Correction& correction, const CorrectionOutput& target) {
    const std::string arguments = filterChainArguments(correction, target);
    if (arguments.empty()) {
        return {};
    }
    // The chain's data thread at the priority the server's own get, where the system allows it:
    // a busy machine would otherwise make it miss cycles, heard as drop-outs.
    return commentLine(correctionSinkDescription(target) +
                       ": run by `pipewire -c` beside the sound server.") +
           "context.properties = { log.level = 2 }\n"
           "context.spa-libs = {\n"
           "  audio.convert.* = audioconvert/libspa-audioconvert\n"
           "  support.* = support/libspa-support\n"
           "}\n"
           "context.modules = [\n"
           "{ name = libpipewire-module-rt\n"
           "  args = { nice.level = -11 rt.prio = 88 }\n"
           "  flags = [ ifexists nofail ] }\n"
           "{ name = libpipewire-module-protocol-native }\n"
           "{ name = libpipewire-module-client-node }\n"
           "{ name = libpipewire-module-adapter }\n"
           "{ name = libpipewire-module-filter-chain\n"
           "  args = " +
           arguments + " }\n]\n";
}

std::string filterChainFragment(const Correction& correction, const CorrectionOutput& target) {
    const std::string arguments = filterChainArguments(correction, target);
    if (arguments.empty()) {
        return {};
    }
    return commentLine(correctionSinkDescription(target)) +
           "# In ~/.config/pipewire/pipewire.conf.d/, the sound server makes this output at its\n"
           "# next start.\n"
           "context.modules = [\n"
           "{ name = libpipewire-module-filter-chain\n"
           "  args = " +
           arguments + " }\n]\n";
}

}  // namespace quilbo
