// The command line of quilbo-render: one signal request, parsed strictly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quilbo::render {

enum class Signal { Tone, Sweep, LogSweep, Noise, Standard };

struct RenderRequest {
    Signal signal = Signal::Tone;
    std::optional<std::uint32_t> seed;
    std::optional<std::string> wavPath;  // a WAV file instead of the raw block on stdout
    std::uint32_t blockSize = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t channelCode = 0;
    std::uint32_t bits = 0;  // passed on as given; the entry point keeps the low 16 bits
    std::uint32_t waveform = 0;
    double frequency = 0.0;  // tone, or sweep start
    double endFrequency = 0.0;
    double amplitude = 0.0;
    double lowHz = 0.0;  // the power-test noise's band
    double highHz = 0.0;
};

inline constexpr const char* kUsage =
    "usage: quilbo-render --help\n"
    "       quilbo-render [OPTIONS] tone     BLOCKSIZE RATE CHANNELCODE BITS WAVEFORM FREQ "
    "AMPLITUDE\n"
    "       quilbo-render [OPTIONS] sweep    BLOCKSIZE RATE CHANNELCODE BITS WAVEFORM F0 F1 "
    "AMPLITUDE\n"
    "       quilbo-render [OPTIONS] logsweep BLOCKSIZE RATE CHANNELCODE BITS WAVEFORM F0 F1 "
    "AMPLITUDE\n"
    "       quilbo-render [OPTIONS] noise    BLOCKSIZE RATE CHANNELCODE BITS WAVEFORM AMPLITUDE\n"
    "       quilbo-render [OPTIONS] st2095       SECONDS RATE CHANNELS\n"
    "       quilbo-render [OPTIONS] burst        FREQ COUNT RATE\n"
    "       quilbo-render [OPTIONS] powernoise   SECONDS RATE F0 F1\n"
    "       quilbo-render [OPTIONS] periodicpink SECONDS RATE\n"
    "signals from the standards, 24-bit: st2095 is SMPTE ST 2095-1 pink noise at its own level\n"
    "  on CHANNELS identical channels; burst is COUNT CEA-2010 tone bursts (6.5 cycles of FREQ\n"
    "  Hz, Hann window, one a second, peak at full scale); powernoise is power-test noise, pink\n"
    "  from F0 to F1 Hz with 12 dB/octave slopes and a 6 dB crest factor, peak at full scale;\n"
    "  periodicpink repeats a 65536-sample pink period. The last three are one channel.\n"
    "options: --seed N     the noise's seed instead of the calendar clock's second (0 for\n"
    "                      powernoise and periodicpink)\n"
    "         --wav FILE   write a WAV file of the block's whole frames instead of the raw block\n"
    "                      on standard output (a FILE that exists must be a regular file or\n"
    "                      a link to one: exit 4 otherwise)\n";

// Empty when the arguments (without the program name) are malformed; `error` then says why.
std::optional<RenderRequest> parseCommandLine(const std::vector<std::string>& args,
                                              std::string& error);

// Decimal unsigned 32-bit: digits only, no sign, no spaces, no overflow.
std::optional<std::uint32_t> parseUnsigned(const std::string& text);
// A whole string that reads as a double (as strtod reads it, including nan and inf).
std::optional<double> parseDouble(const std::string& text);

}  // namespace quilbo::render
