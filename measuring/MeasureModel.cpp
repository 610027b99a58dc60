// The Measure page's state: every change goes to the store first, then to the list and the checks.
#include "measuring/MeasureModel.h"

#include "measuring/Logging.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>

namespace quilbo {

MeasureModel::MeasureModel(std::string folder) : m_index(std::move(folder)) {}

void MeasureModel::setFolder(std::string folder) {
    m_index = MeasurementIndex(std::move(folder));
    m_listed.clear();
    m_checked.clear();
}

void MeasureModel::clearList() {
    m_index.clear();
    m_listed.clear();
}

StoredRowPlace MeasureModel::list(const MeasurementEntry& entry) {
    StoredRowPlace place;
    if (const auto found = std::find(m_listed.begin(), m_listed.end(), entry.id);
        found != m_listed.end()) {
        place.replaced = static_cast<std::size_t>(found - m_listed.begin());
        m_listed.erase(found);
    }
    m_index.add(entry);
    const auto before = [&](const std::string& other) {
        const MeasurementEntry* listed = m_index.find(other);
        const std::string& date = listed != nullptr ? listed->date : std::string();
        return std::tie(entry.date, entry.id) < std::tie(date, other);
    };
    place.at = m_listed.size();
    while (place.at > 0 && before(m_listed[place.at - 1])) {
        --place.at;
    }
    m_listed.insert(m_listed.begin() + static_cast<std::ptrdiff_t>(place.at), entry.id);
    return place;
}

bool MeasureModel::dropUnlisted() {
    return m_checked.keepOnly(m_listed);
}

int MeasureModel::styleOf(const std::string& id) {
    const auto [style, added] = m_styles.emplace(id, m_nextStyle);
    if (added) {
        ++m_nextStyle;
    }
    return style->second;
}

std::optional<LoadResult> MeasureModel::check(const std::string& id) {
    return m_checked.check(m_index.store(), id);
}

std::optional<RenameFailure> MeasureModel::rename(const std::string& id, const std::string& name) {
    RenameFailure failure;
    failure.unread = m_index.rename(id, name, failure.written);
    if (failure.unread || !failure.written) {
        return failure;
    }
    m_checked.rename(id, name);
    return std::nullopt;
}

MeasureFailure MeasureModel::remove(const std::string& id) {
    m_checked.uncheck(id);
    const MeasureFailure error = m_index.remove(id);
    if (!error.failed()) {
        m_listed.erase(std::remove(m_listed.begin(), m_listed.end(), id), m_listed.end());
    }
    return error;
}

std::optional<CalibrationError> MeasureModel::setCalibration(const std::string& path) {
    if (path.empty()) {
        m_calibration.reset();
        m_calibrationPath.clear();
        return std::nullopt;
    }
    CalibrationResult loaded = loadCalibration(path);
    if (!loaded.calibration) {
        return loaded.error;  // the one in use stays
    }
    m_calibration = std::move(loaded.calibration);
    m_calibrationPath = path;
    return std::nullopt;
}

MeasureRequestCheck MeasureModel::settingsFor(const MeasureRequest& request,
                                              const std::string& output,
                                              const std::string& input) const {
    MeasureRequestCheck check = checkMeasureRequest(request);
    check.settings.output = output;
    check.settings.input = input;
    check.settings.calibration = m_calibration;
    return check;
}

StoredRun MeasureModel::finishRun(const MeasureResult& result, const MeasureSettings& settings,
                                  const std::function<std::string(unsigned)>& nameOf,
                                  const std::function<std::string(unsigned)>& failureOf) {
    m_result = result;
    m_resultSettings = settings;
    m_resultIds.clear();
    MeasurementLabel label;
    label.date = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    label.output = settings.output;
    label.input = settings.input;
    label.calibration = settings.calibration ? m_calibrationPath : std::string();
    StoredRun run;
    // A run that recorded nothing leaves failed measurements only: none of them is its result.
    const bool recorded = !result.channels.empty();
    for (Measurement& m : resultMeasurements(result, settings, label, nameOf, failureOf)) {
        if (const FileWriteResult saved = m_index.save(m); !saved) {
            qCWarning(lcMeasuring)
                << "A measurement could not be stored:" << fileWriteErrorText(saved.error)
                << std::strerror(saved.systemError);
            run.failure = saved;
            continue;
        }
        if (recorded) {
            m_resultIds.push_back(m.id);
            styleOf(m.id);
        }
        run.entries.push_back(*m_index.find(m.id));
    }
    return run;
}

std::vector<MeasureCurve> MeasureModel::curves(MeasureView view, Smoothing smoothing) const {
    MeasureViewInput input;
    input.view = view;
    input.smoothing = smoothing;
    if (m_result) {
        input.result = &*m_result;
        input.resultRate = m_resultSettings.sweep.rate;
        input.resultCalibration =
            m_resultSettings.calibration ? &*m_resultSettings.calibration : nullptr;
        input.resultIds = m_resultIds;
        for (std::size_t i = 0; i < m_result->channels.size(); ++i) {
            const auto style =
                i < m_resultIds.size() ? m_styles.find(m_resultIds[i]) : m_styles.end();
            input.resultStyles.push_back(style != m_styles.end() ? style->second : 0);
        }
    }
    input.stored = m_checked.sources(m_listed, m_styles);
    return measureCurves(input);
}

std::vector<ChannelSummary> MeasureModel::summary() const {
    return m_result ? summariseResult(*m_result) : std::vector<ChannelSummary>();
}

}  // namespace quilbo
