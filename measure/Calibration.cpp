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

CalibrationResult refuse(int line, MeasureProblem problem, std::string detail = {}) {
    return {std::nullopt, {line, {problem, std::move(detail)}}};
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
                    return refuse(number, MeasureProblem::CalibrationSensFactor);
                }
                calibration.sensitivityDb = *sensitivity;
            }
            continue;
        }
        const auto fields = fieldsOf(line);
        if (fields.size() < 2 || fields.size() > 3) {
            return refuse(number, MeasureProblem::CalibrationFields, std::to_string(fields.size()));
        }
        std::optional<double> values[3];
        for (std::size_t i = 0; i < fields.size(); ++i) {
            values[i] = numberOf(fields[i]);
            if (!values[i]) {
                return refuse(number, MeasureProblem::CalibrationNotNumber, std::string(fields[i]));
            }
        }
        if (*values[0] <= 0) {
            return refuse(number, MeasureProblem::CalibrationFrequency);
        }
        if (!calibration.frequency.empty() && *values[0] <= calibration.frequency.back()) {
            return refuse(number, MeasureProblem::CalibrationOrder);
        }
        if (std::fabs(*values[1]) > 100) {
            return refuse(number, MeasureProblem::CalibrationDeviation);
        }
        const bool hasPhase = fields.size() == 3;
        if (!calibration.frequency.empty() && hasPhase != !calibration.phaseDeg.empty()) {
            return refuse(number, MeasureProblem::CalibrationPhase);
        }
        calibration.frequency.push_back(*values[0]);
        calibration.db.push_back(*values[1]);
        if (hasPhase) {
            calibration.phaseDeg.push_back(*values[2]);
        }
    }
    if (calibration.frequency.empty()) {
        return refuse(0, MeasureProblem::CalibrationEmpty);
    }
    return {std::move(calibration), {}};
}

CalibrationResult loadCalibration(const std::string& path) {
    constexpr std::uint64_t kLargest = 4 << 20;
    const FileRead read = readRegularFile(path, kLargest);
    if (read.error == FileReadError::TooLarge) {
        return refuse(0, MeasureProblem::CalibrationTooLarge);
    }
    if (!read) {
        CalibrationResult refused = refuse(0, MeasureProblem::CalibrationUnreadable);
        refused.error.readError = read.error;
        refused.error.readCode = read.code;
        return refused;
    }
    return parseCalibration(read.bytes);
}

std::string describeCalibrationError(const CalibrationError& error) {
    std::string text = describeMeasureFailure(error.failure);
    if (error.failure.code == MeasureProblem::CalibrationUnreadable) {
        FileRead read;
        read.error = error.readError;
        read.code = error.readCode;
        text += ": " + fileReadErrorText(read);
    }
    return text;
}

}  // namespace quilbo
