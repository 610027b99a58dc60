// The equaliser text, its numbers written with std::to_chars, which no locale touches.
#include "measure/CorrectionText.h"

#include "media/AtomicFile.h"

#include <charconv>
#include <cmath>

namespace quilbo {
namespace {

std::string decimalText(double value, int decimals) {
    char text[64];
    // -0.0 would read "-0.0": the sum with +0.0 makes it plain 0.
    const double rounded = std::round(value * std::pow(10, decimals)) / std::pow(10, decimals);
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, rounded + 0.0, std::chars_format::fixed, decimals);
    return error == std::errc() ? std::string(text, end) : std::string("0");
}

}  // namespace

const char* correctionFilterType(CorrectionFilterKind kind) {
    switch (kind) {
        case CorrectionFilterKind::LowShelf:
            return "LSC";
        case CorrectionFilterKind::HighShelf:
            return "HSC";
        case CorrectionFilterKind::Peaking:
            break;
    }
    return "PK";
}

std::string correctionText(const ChannelCorrection& channel) {
    // Rounded down, so that the rounding never takes the level above full scale.
    const double preamp = std::floor((channel.preampDb + channel.trimDb) * 10 + 1e-6) / 10;
    std::string out = "Preamp: " + decimalText(preamp, 1) + " dB\n";
    int number = 0;
    for (const CorrectionFilter& f : channel.filters) {
        const double q = f.kind == CorrectionFilterKind::Peaking ? f.q : std::sqrt(0.5);
        out += "Filter " + std::to_string(++number) + ": ON " + correctionFilterType(f.kind) +
               " Fc " + decimalText(f.frequency, 0) + " Hz Gain " + decimalText(f.gainDb, 1) +
               " dB Q " + decimalText(q, 2) + "\n";
    }
    return out;
}

FileWriteResult exportCorrectionText(const std::string& path, const ChannelCorrection& channel) {
    return writeFileAtomically(path, correctionText(channel));
}

namespace {

std::string plainFileName(const std::string& name) {
    std::string file = name.empty() ? std::string("correction") : name;
    for (char& c : file) {
        c = c == '/' ? '-' : c;
    }
    if (file.front() == '.') {
        file.front() = '_';
    }
    return file;
}

}  // namespace

std::string correctionTextFileName(const std::string& name, const std::string& position) {
    return plainFileName(name) + "." + position + ".txt";
}

std::string correctionFragmentFileName(const std::string& name) {
    return plainFileName(name) + ".conf";
}

}  // namespace quilbo
