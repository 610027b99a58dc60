// Strict parsing of quilbo-render's arguments: a malformed number is an error, never a guess.
#include "tools/render/CommandLine.h"

#include <cerrno>
#include <cstdlib>

#include "synth/StandardSignals.h"

namespace quilbo::render {

std::optional<std::uint32_t> parseUnsigned(const std::string& text) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<double> parseDouble(const std::string& text) {
    if (text.empty() || text.front() == ' ' || text.front() == '\t' || text.front() == '\n') {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) {
        return std::nullopt;
    }
    return value;  // out-of-range values arrive as +-inf or 0, which the synthesis accepts
}

namespace {

// The standards' signals: 24-bit, their values in the order the usage gives them.
std::optional<RenderRequest> parseStandard(RenderRequest request, const std::string& kind,
                                           const std::vector<std::string>& values,
                                           std::string& error) {
    const std::size_t expected = kind == "periodicpink" ? 2 : kind == "powernoise" ? 4 : 3;
    if (values.size() != expected) {
        error = "'" + kind + "' takes " + std::to_string(expected) + " values";
        return std::nullopt;
    }
    auto whole = [&](std::size_t at, const char* name) {
        const auto value = parseUnsigned(values[at]);
        if (!value || *value == 0) {
            error = std::string(name) + " '" + values[at] + "' is not a positive whole number";
        }
        return value.value_or(0);
    };
    auto real = [&](std::size_t at) {
        const auto value = parseDouble(values[at]);
        if (!value) {
            error = "'" + values[at] + "' is not a number";
        }
        return value.value_or(0.0);
    };
    request.signal = Signal::Standard;
    request.bits = 24;
    request.channelCode = 1;
    request.amplitude = 1.0;
    std::uint64_t seconds = 0;
    if (kind == "burst") {
        request.waveform = kWaveToneBurst;
        request.frequency = real(0);
        seconds = whole(1, "COUNT");
        request.sampleRate = whole(2, "RATE");
    } else {
        seconds = whole(0, "SECONDS");
        request.sampleRate = whole(1, "RATE");
        if (kind == "st2095") {
            request.waveform = kWaveSt2095Pink;
            request.channelCode = whole(2, "CHANNELS");
        } else if (kind == "powernoise") {
            request.waveform = kWavePowerNoise;
            request.lowHz = real(2);
            request.highHz = real(3);
        } else {
            request.waveform = kWavePeriodicPink;
        }
    }
    if (!error.empty()) {
        return std::nullopt;
    }
    if (request.waveform == kWaveToneBurst &&
        !isToneBurstFrequency(request.frequency, request.sampleRate)) {
        error = "a burst's FREQ must be at least 6.5 Hz (a burst a second) and below RATE / 2";
        return std::nullopt;
    }
    if (request.waveform == kWavePowerNoise &&
        !isPowerNoiseBand(request.lowHz, request.highHz, request.sampleRate)) {
        error = "the band needs 0 < F0 < F1 < RATE / 2";
        return std::nullopt;
    }
    const std::uint64_t bytes = seconds * request.sampleRate * request.channelCode * 4;
    if (request.channelCode > 32 || bytes > 0xFFFFFFFFu) {
        error = "the signal needs more than 4 GiB (at most 32 channels)";
        return std::nullopt;
    }
    request.blockSize = static_cast<std::uint32_t>(bytes);
    return request;
}

}  // namespace

std::optional<RenderRequest> parseCommandLine(const std::vector<std::string>& args,
                                              std::string& error) {
    RenderRequest request;
    std::size_t at = 0;
    while (at < args.size() && (args[at] == "--seed" || args[at] == "--wav")) {
        const bool seed = args[at] == "--seed";
        if (seed ? request.seed.has_value() : request.wavPath.has_value()) {
            error = args[at] + " is given twice";
            return std::nullopt;
        }
        if (seed && (at + 1 >= args.size() || !(request.seed = parseUnsigned(args[at + 1])))) {
            error = "--seed needs a decimal unsigned 32-bit number";
            return std::nullopt;
        }
        if (!seed) {
            if (at + 1 >= args.size() || args[at + 1].empty()) {
                error = "--wav needs a file name";
                return std::nullopt;
            }
            request.wavPath = args[at + 1];
        }
        at += 2;
    }
    if (at >= args.size()) {
        error = "no signal given";
        return std::nullopt;
    }
    const std::string& kind = args[at++];
    std::size_t doubles = 0;
    if (kind == "tone") {
        request.signal = Signal::Tone;
        doubles = 2;
    } else if (kind == "sweep") {
        request.signal = Signal::Sweep;
        doubles = 3;
    } else if (kind == "logsweep") {
        request.signal = Signal::LogSweep;
        doubles = 3;
    } else if (kind == "noise") {
        request.signal = Signal::Noise;
        doubles = 1;
    } else if (kind == "st2095" || kind == "burst" || kind == "powernoise" ||
               kind == "periodicpink") {
        return parseStandard(request, kind,
                             {args.begin() + static_cast<std::ptrdiff_t>(at), args.end()}, error);
    } else {
        error = "unknown signal '" + kind +
                "' (tone, sweep, logsweep, noise, st2095, burst, powernoise or periodicpink)";
        return std::nullopt;
    }
    if (args.size() - at != 5 + doubles) {
        error = "'" + kind + "' takes " + std::to_string(5 + doubles) + " values";
        return std::nullopt;
    }

    const char* const integerNames[] = {"BLOCKSIZE", "RATE", "CHANNELCODE", "BITS", "WAVEFORM"};
    std::uint32_t* const integers[] = {&request.blockSize, &request.sampleRate,
                                       &request.channelCode, &request.bits, &request.waveform};
    for (std::size_t k = 0; k < 5; ++k, ++at) {
        const auto value = parseUnsigned(args[at]);
        if (!value) {
            error = std::string(integerNames[k]) + " '" + args[at] +
                    "' is not a decimal unsigned 32-bit number";
            return std::nullopt;
        }
        *integers[k] = *value;
    }
    double* reals[] = {&request.frequency, &request.endFrequency, &request.amplitude};
    std::size_t first = 0;
    if (doubles == 1) {
        first = 2;  // noise: amplitude only
    } else if (doubles == 2) {
        reals[1] = &request.amplitude;  // tone: frequency, amplitude
    }
    for (std::size_t k = 0; k < doubles; ++k, ++at) {
        const auto value = parseDouble(args[at]);
        if (!value) {
            error = "'" + args[at] + "' is not a number";
            return std::nullopt;
        }
        *reals[first + k] = *value;
    }
    return request;
}

}  // namespace quilbo::render
