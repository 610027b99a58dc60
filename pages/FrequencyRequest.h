// The Frequency page's request: the values of its fields checked the way Play and Save check
// them, with the message for the first refusal, and the render of a request that passed.
#pragma once

#include "media/WaveFormat.h"

#include <QCoreApplication>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace quilbo {

// What the page's controls hold once they have passed the data exchange's own range checks.
struct FrequencyFields {
    int waveform = -1;  // the selected list entry; -1 when the text was typed by hand
    QString precision;
    QString sampleRate;
    QString channels;
    std::int32_t scanFrom = 0;
    std::int32_t scanTo = 0;
    std::int32_t seconds = 0;
    std::int32_t frequency = 0;
    std::int32_t testType = 0;  // 0 Simple, 1 Scan
    bool logarithmic = false;
    int levelPosition = 0;
};

class FrequencyRequest {
    Q_DECLARE_TR_FUNCTIONS(FrequencyRequest)

public:
    // The device's format check; true when the device refuses the format.
    using FormatRefusal = std::function<bool(const WaveFormatExtensible& format)>;

    struct Checked;
    // Checks fields as Play does before anything is rendered: a waveform from the list, a format
    // something can play (refusesFormat, when given, asks the device), a block within blockLimit.
    static Checked check(const FrequencyFields& fields, std::int64_t blockLimit,
                         const FormatRefusal& refusesFormat = {});

    // The largest block the page renders by default: a quarter of the physical memory, at most
    // what a block can address.
    static std::int64_t defaultBlockLimit();

    // Renders the request into bytes (blockBytes of them), reporting progress through
    // ReportRenderProgress. False when a signal made in the frequency domain found no memory
    // for its working (the block then holds silence).
    bool render(std::uint8_t* bytes) const;
    // The line the page shows under the Wave list for a waveform index; empty for none.
    static QString waveformNote(int waveform);
    // The number of sample values the render reports at its end.
    std::uint32_t progressRange() const;
    // A file name for a save of this request: the waveform's name and its frequencies.
    QString suggestedFileName(const QString& waveformName) const;

    FrequencyFields fields;
    std::int32_t rate = 0;
    std::int32_t precision = 0;
    std::int32_t channelCode = 0;
    std::int32_t channelCount = 0;
    std::int32_t blockBytes = 0;
    double gain = 0.0;
    WaveFormatExtensible format;
};

struct FrequencyRequest::Checked {
    std::optional<FrequencyRequest> request;
    QString refusal;               // the message when there is no request
    bool waveformMissing = false;  // the refusal is about the waveform list
};

}  // namespace quilbo
