// Target curves: their shape at any frequency, and target files read strictly, line by line.
#include "measure/CorrectionTarget.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace quilbo {
namespace {

constexpr std::uint64_t kLargestTargetFile = 1 << 20;

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The next blank-separated word of `line`, taken off its front.
std::string_view nextWord(std::string_view& line) {
    std::size_t start = 0;
    while (start < line.size() && blank(line[start])) {
        ++start;
    }
    std::size_t end = start;
    while (end < line.size() && !blank(line[end])) {
        ++end;
    }
    const std::string_view word = line.substr(start, end - start);
    line.remove_prefix(end);
    return word;
}

std::optional<double> targetNumber(std::string_view word) {
    double value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc() || end != word.data() + word.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

double CorrectionTarget::dbAt(double frequency) const {
    switch (kind) {
        case TargetKind::Flat:
            return 0;
        case TargetKind::Tilt:
            return tiltDbPerDecade * std::log10(frequency / 1000);
        case TargetKind::Curve:
            break;
    }
    if (curve.empty()) {
        return 0;
    }
    if (frequency <= curve.front().frequency) {
        return curve.front().db;
    }
    if (frequency >= curve.back().frequency) {
        return curve.back().db;
    }
    const auto above =
        std::upper_bound(curve.begin(), curve.end(), frequency,
                         [](double f, const TargetPoint& point) { return f < point.frequency; });
    const TargetPoint& low = *(above - 1);
    const double t =
        std::log(frequency / low.frequency) / std::log(above->frequency / low.frequency);
    return low.db + t * (above->db - low.db);
}

TargetFileResult parseTargetFile(std::string_view text) {
    CorrectionTarget target;
    target.kind = TargetKind::Curve;
    int lineNumber = 0;
    const auto refuse = [&lineNumber](TargetFileProblem problem) {
        return TargetFileResult{std::nullopt, {problem, lineNumber}};
    };
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t newline = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(std::min(newline + 1, text.size()));
        line = line.substr(0, std::min(line.find('#'), line.size()));
        const std::string_view first = nextWord(line);
        if (first.empty()) {
            continue;
        }
        const std::optional<double> frequency = targetNumber(first);
        const std::optional<double> db = targetNumber(nextWord(line));
        if (!frequency || !db) {
            return refuse(TargetFileProblem::NotNumbers);
        }
        if (*frequency <= 0 || *frequency > 1e6 || std::abs(*db) > 100) {
            return refuse(TargetFileProblem::OutOfRange);
        }
        if (!target.curve.empty() && *frequency <= target.curve.back().frequency) {
            return refuse(TargetFileProblem::NotIncreasing);
        }
        target.curve.push_back({*frequency, *db});
    }
    if (target.curve.size() < 2) {
        return {std::nullopt, {TargetFileProblem::TooFewPoints, 0}};
    }
    return {std::move(target), {}};
}

TargetFileResult loadTargetFile(const std::string& path) {
    const FileRead read = readRegularFile(path, kLargestTargetFile);
    if (!read) {
        return {std::nullopt, {TargetFileProblem::Unreadable, 0, read.error, read.code}};
    }
    return parseTargetFile(read.bytes);
}

std::string describeTargetFileError(const TargetFileError& error) {
    switch (error.problem) {
        case TargetFileProblem::None:
            return "no problem";
        case TargetFileProblem::Unreadable: {
            FileRead read;
            read.error = error.readError;
            read.code = error.readCode;
            return "cannot be read: " + fileReadErrorText(read);
        }
        case TargetFileProblem::NotNumbers:
            return "not a \"frequency dB\" line";
        case TargetFileProblem::OutOfRange:
            return "a frequency not from 0 to 1000000 Hz or a level beyond 100 dB";
        case TargetFileProblem::NotIncreasing:
            return "the frequency is not above the line before's";
        case TargetFileProblem::TooFewPoints:
            return "fewer than two \"frequency dB\" lines";
    }
    return "unknown problem";
}

}  // namespace quilbo
