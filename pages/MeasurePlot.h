// The Measure page's plot: the view model's curves shown in a view, named in the interface's
// language, on the axes of that view, with the last result's summary as the plot's caption.
#pragma once

#include "measuring/MeasureViewModel.h"
#include "measuring/ResultSummary.h"

#include <QCoreApplication>
#include <QString>

#include <vector>

namespace quilbo {

class PlotWidget;

class MeasurePlot {
    Q_DECLARE_TR_FUNCTIONS(MeasurePlot)

public:
    static void show(PlotWidget* plot, MeasureView view, std::vector<MeasureCurve> curves,
                     const std::vector<ChannelSummary>& summary);
    // Each channel of the last result: its delay, polarity and SNR, or why it has none.
    static QString summaryText(const std::vector<ChannelSummary>& summary);
};

}  // namespace quilbo
