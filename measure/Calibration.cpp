// Reading calibration files line by line, and log-frequency interpolation of their points.
#include "measure/Calibration.h"

#include "measure/FileRead.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace quilbo {
namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// A whole number token (from_chars takes neither a leading '+' nor trailing junk).
std::optional<double> numberOf(std::string_view token) {
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(" \t", at)) != std::string_view::npos) {
        const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
        fields.push_back(line.substr(at, end - at));
        at = end;
    }
    return fields;
}

// "Sens Factor =-.7dB, SERNO: 1234": the number after '=' up to "dB".
std::optional<double> sensitivityOf(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view value = trimmed(line.substr(equals + 1));
    const auto unit = value.find_first_of("dD,");
    return numberOf(trimmed(value.substr(0, unit)));
}

double interpolate(const std::vector<double>& frequency, const std::vector<double>& value,
                   double at) {
    if (frequency.empty() || value.size() != frequency.size()) {
        return 0.0;
    }
    if (at <= frequency.front()) {
        return value.front();
    }
    if (at >= frequency.back()) {
        return value.back();
    }
    const auto upper = static_cast<std::size_t>(
        std::upper_bound(frequency.begin(), frequency.end(), at) - frequency.begin());
    const std::size_t lower = upper - 1;
    const double t =
        std::log(at / frequency[lower]) / std::log(frequency[upper] / frequency[lower]);
    return value[lower] + t * (value[upper] - value[lower]);
}

CalibrationResult refuse(int line, std::string reason) {
    return {std::nullopt, {line, std::move(reason)}};
}

}  // namespace

double Calibration::dbAt(double at) const {
    return interpolate(frequency, db, at);
}

double Calibration::phaseAt(double at) const {
    return phaseDeg.empty() ? 0.0 : interpolate(frequency, phaseDeg, at);
}

void Calibration::removeFrom(Response& response) const {
    const std::size_t points =
        std::min({response.frequency.size(), response.db.size(), response.phaseDeg.size()});
    for (std::size_t i = 0; i < points; ++i) {
        response.db[i] -= dbAt(response.frequency[i]);
        if (!phaseDeg.empty()) {
            const double phase = response.phaseDeg[i] - phaseAt(response.frequency[i]);
            response.phaseDeg[i] = phase - 360.0 * std::ceil((phase - 180.0) / 360.0);
        }
    }
}

CalibrationResult parseCalibration(std::string_view text) {
    Calibration calibration;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    int number = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = trimmed(text.substr(at, end - at));
        at = end + 1;
        ++number;
        if (line.empty()) {
            continue;
        }
        const bool comment = line.front() == '*' || line.front() == '"';
        if (comment || startsWithNoCase(line, "Sens Factor")) {
            const std::string_view inner = comment ? trimmed(line.substr(1)) : line;
            if (startsWithNoCase(inner, "Sens Factor")) {
                const auto sensitivity = sensitivityOf(inner);
                if (!sensitivity) {
                    return refuse(number, "the Sens Factor has no number of dB after '='");
                }
                calibration.sensitivityDb = *sensitivity;
            }
            continue;
        }
        const auto fields = fieldsOf(line);
        if (fields.size() < 2 || fields.size() > 3) {
            return refuse(number, "expected \"frequency dB\" or \"frequency dB phase\", found " +
                                      std::to_string(fields.size()) + " values");
        }
        std::optional<double> values[3];
        for (std::size_t i = 0; i < fields.size(); ++i) {
            values[i] = numberOf(fields[i]);
            if (!values[i]) {
                std::string reason = "\"";
                reason.append(fields[i]).append("\" is not a number");
                return refuse(number, std::move(reason));
            }
        }
        if (*values[0] <= 0) {
            return refuse(number, "the frequency must be above 0 Hz");
        }
        if (!calibration.frequency.empty() && *values[0] <= calibration.frequency.back()) {
            return refuse(number, "the frequencies must rise from line to line");
        }
        if (std::fabs(*values[1]) > 100) {
            return refuse(number, "a deviation beyond 100 dB is not a microphone's");
        }
        const bool hasPhase = fields.size() == 3;
        if (!calibration.frequency.empty() && hasPhase != !calibration.phaseDeg.empty()) {
            return refuse(number, "some lines give a phase and others do not");
        }
        calibration.frequency.push_back(*values[0]);
        calibration.db.push_back(*values[1]);
        if (hasPhase) {
            calibration.phaseDeg.push_back(*values[2]);
        }
    }
    if (calibration.frequency.empty()) {
        return refuse(0, "the file holds no calibration points");
    }
    return {std::move(calibration), {}};
}

CalibrationResult loadCalibration(const std::string& path) {
    constexpr std::uint64_t kLargest = 4 << 20;
    const FileRead read = readRegularFile(path, kLargest);
    if (read.error == FileReadError::TooLarge) {
        return refuse(0, "the file is larger than 4 MiB, too large for a calibration file");
    }
    if (!read) {
        return refuse(0, "the file cannot be read: " + fileReadErrorText(read));
    }
    return parseCalibration(read.bytes);
}

}  // namespace quilbo
