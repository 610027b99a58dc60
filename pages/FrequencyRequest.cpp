// The Frequency page's request: checks, sizes and the render dispatch.
#include "pages/FrequencyRequest.h"

#include "pages/LeadingNumber.h"
#include "pages/LevelGain.h"
#include "pages/PlayerMessages.h"
#include "pages/RenderSession.h"
#include "synth/BlockSize.h"
#include "synth/StandardSignals.h"
#include "synth/Synthesis.h"

#include <unistd.h>

#include <algorithm>
#include <limits>

namespace quilbo {

namespace {

// Channel counts a speaker mask and the sound servers can describe.
constexpr std::int32_t kMaxChannels = 32;

bool isSupportedPrecision(std::int32_t precision) {
    return precision == 8 || precision == 16 || precision == 20 || precision == 24 ||
           precision == 32;
}

}  // namespace

FrequencyRequest::Checked FrequencyRequest::check(const FrequencyFields& fields,
                                                  std::int64_t blockLimit,
                                                  const FormatRefusal& refusesFormat) {
    if (fields.waveform < 0) {
        return {std::nullopt, tr("Please choose a waveform from the list."), true};
    }
    FrequencyRequest request;
    request.fields = fields;
    request.rate = leadingNumber(fields.sampleRate);
    request.precision = leadingNumber(fields.precision);
    request.channelCode = leadingNumber(fields.channels);
    request.channelCount = static_cast<std::int32_t>(blockChannels(request.channelCode));

    // A format nobody can play is refused before anything is rendered: a precision the encoders
    // do not write would otherwise leave the block as allocated and play it.
    request.format = buildWaveFormat(request.channelCount, request.rate, request.precision);
    if (!isSupportedPrecision(request.precision) || request.rate <= 0 || request.channelCode < 0 ||
        request.channelCode > kMaxChannels || (refusesFormat && refusesFormat(request.format))) {
        return {std::nullopt, PlayerMessages::unsupportedFormat(), false};
    }

    // The standards' signals take their frequency or band from the Simple and Scan fields.
    const auto rate = static_cast<std::uint32_t>(request.rate);
    if (fields.waveform == kWaveToneBurst &&
        !isToneBurstFrequency(static_cast<double>(fields.frequency), rate)) {
        return {std::nullopt,
                tr("A tone burst's frequency must be below half the sample rate (%1 Hz).")
                    .arg(request.rate / 2),
                false};
    }
    if (fields.waveform == kWavePowerNoise &&
        !isPowerNoiseBand(fields.scanFrom, fields.scanTo, rate)) {
        return {std::nullopt,
                tr("The power-test noise's band runs from Scan From to Scan To: the first must "
                   "be below the second, and both below half the sample rate (%1 Hz).")
                    .arg(request.rate / 2),
                false};
    }

    request.gain = levelGain(fields.levelPosition);
    const BlockSize size =
        computeBlockSize(fields.seconds, request.channelCount, request.precision, request.rate);
    if (!size.fits || size.requestedBytes > blockLimit) {
        const QString bytes = QString::number(size.requestedBytes);
        return {std::nullopt,
                size.saturated
                    ? tr("This signal needs more than %1 bytes of memory. Choose a shorter "
                         "time, a lower sample rate or precision, or fewer channels.")
                          .arg(bytes)
                    : tr("This signal needs %1 bytes of memory, more than can be set aside "
                         "for it. Choose a shorter time, a lower sample rate or precision, "
                         "or fewer channels.")
                          .arg(bytes),
                false};
    }
    request.blockBytes = size.bytes();
    return {request, {}, false};
}

std::int64_t FrequencyRequest::defaultBlockLimit() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    constexpr std::int64_t kAddressable = std::numeric_limits<std::int32_t>::max();
    if (pages <= 0 || pageSize <= 0) {
        return kAddressable;
    }
    // A quarter leaves the desktop, the sound server and the rest of the program room to run.
    const std::int64_t quarter = static_cast<std::int64_t>(pages) / 4 * pageSize;
    return std::min(quarter, kAddressable);
}

std::uint32_t FrequencyRequest::progressRange() const {
    return static_cast<std::uint32_t>(blockBytes) /
           static_cast<std::uint32_t>(containerBytes(precision));
}

bool FrequencyRequest::render(std::uint8_t* bytes) const {
    const auto size = static_cast<std::uint32_t>(blockBytes);
    const auto sampleRate = static_cast<std::uint32_t>(rate);
    const auto code = static_cast<std::uint32_t>(channelCode);
    const auto bits = static_cast<std::uint16_t>(precision);
    const int waveform = fields.waveform;
    if (isStandardWaveform(waveform)) {
        StandardSignal signal;
        signal.waveform = waveform;
        signal.frequency = static_cast<double>(fields.frequency);
        signal.lowHz = static_cast<double>(fields.scanFrom);
        signal.highHz = static_cast<double>(fields.scanTo);
        return SynthesizeStandard(bytes, size, sampleRate, code, bits, signal, gain,
                                  ReportRenderProgress) == 1;
    }
    if (!isToneWaveform(waveform)) {
        SynthesizeNoise(bytes, size, sampleRate, code, bits, waveform, gain, ReportRenderProgress);
    } else if (fields.testType == 0) {
        SynthesizeTone(bytes, size, sampleRate, code, bits, waveform,
                       static_cast<double>(fields.frequency), gain, ReportRenderProgress);
    } else {
        const auto sweep = fields.logarithmic ? SynthesizeLogSweep : SynthesizeSweep;
        sweep(bytes, size, sampleRate, code, bits, waveform, static_cast<double>(fields.scanFrom),
              static_cast<double>(fields.scanTo), gain, ReportRenderProgress);
    }
    return true;
}

QString FrequencyRequest::waveformNote(int waveform) {
    switch (waveform) {
        case kWaveSt2095Pink:
            return tr(
                "SMPTE ST 2095-1 pink noise (10 Hz to 22.4 kHz) at the standard's own "
                "level, -18.5 dB against a full-scale sine; the Level slider does not "
                "apply. At 48 and 96 kHz in 24 bits, sample for sample the standard's.");
        case kWaveToneBurst:
            return tr(
                "CEA-2010 tone bursts: 6.5 cycles of the Simple frequency under a Hann "
                "window, one a second, the peak at the level chosen.");
        case kWavePowerNoise:
            return tr(
                "Power-test noise: pink noise from Scan From to Scan To, falling 12 dB "
                "per octave outside, peaks (between samples too) 6 dB above its RMS; "
                "loops without a seam.");
        case kWavePeriodicPink:
            return tr(
                "Periodic pink noise: repeats every 65536 samples, each octave of that "
                "length's analysis at equal energy, for analysers without a window.");
        default:
            return {};
    }
}

QString FrequencyRequest::suggestedFileName(const QString& waveformName) const {
    QString name = waveformName.trimmed();
    if (fields.waveform == kWaveToneBurst) {
        name += QStringLiteral(" %1 Hz").arg(fields.frequency);
    } else if (fields.waveform == kWavePowerNoise) {
        name += QStringLiteral(" %1-%2 Hz").arg(fields.scanFrom).arg(fields.scanTo);
    } else if (isToneWaveform(fields.waveform)) {
        name += fields.testType == 0
                    ? QStringLiteral(" %1 Hz").arg(fields.frequency)
                    : QStringLiteral(" %1-%2 Hz").arg(fields.scanFrom).arg(fields.scanTo);
    }
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name + QStringLiteral(".wav");
}

}  // namespace quilbo
