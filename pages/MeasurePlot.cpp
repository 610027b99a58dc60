// The Measure page's curves and caption on its plot.
#include "pages/MeasurePlot.h"

#include "pages/MeasureMessages.h"
#include "plot/PlotWidget.h"

#include <QStringList>

namespace quilbo {

namespace {

QString curveName(const MeasureCurve& curve) {
    switch (curve.kind) {
        case MeasureCurveKind::Channel:
            return MeasurePlot::tr("Channel %1").arg(curve.channel);
        case MeasureCurveKind::SecondHarmonic:
            return MeasurePlot::tr("Channel %1 H2").arg(curve.channel);
        case MeasureCurveKind::ThirdHarmonic:
            return MeasurePlot::tr("Channel %1 H3").arg(curve.channel);
        case MeasureCurveKind::Distortion:
            return MeasurePlot::tr("Channel %1 THD").arg(curve.channel);
        case MeasureCurveKind::Stored:
            return QString::fromStdString(curve.name);
        case MeasureCurveKind::Difference:
            return MeasurePlot::tr("Difference (after - before)");
    }
    return {};
}

}  // namespace

void MeasurePlot::show(PlotWidget* plot, MeasureView view, std::vector<MeasureCurve> curves,
                       const std::vector<ChannelSummary>& summary) {
    std::vector<PlotCurve> plotted;
    for (MeasureCurve& curve : curves) {
        PlotCurve& p = plotted.emplace_back();
        p.name = curveName(curve);
        // The difference in the palette's last colour, apart from the measurements' own.
        p.styleIndex = curve.kind == MeasureCurveKind::Difference ? kPlotColours - 1 : curve.style;
        p.x = std::move(curve.x);
        p.y = std::move(curve.y);
    }
    plot->setCurves(std::move(plotted));
    const bool overFrequency = view != MeasureView::Impulse;
    plot->setXQuantity(overFrequency ? Quantity::Frequency : Quantity::Time);
    switch (view) {
        case MeasureView::Response:
            plot->setYQuantity(Quantity::Level);
            break;
        case MeasureView::Phase:
            plot->setYQuantity(Quantity::Phase);
            break;
        case MeasureView::Impulse:
            plot->setYQuantity(Quantity::Amplitude);
            break;
        case MeasureView::Distortion:
            plot->setYQuantity(Quantity::Distortion);
            break;
    }
    plot->autoscale();
    if (view == MeasureView::Phase) {
        plot->setYRange(-180, 180);
    }
    plot->setInfoText(summaryText(summary));
}

QString MeasurePlot::summaryText(const std::vector<ChannelSummary>& summary) {
    QStringList info;
    for (const ChannelSummary& c : summary) {
        if (!c.analysed) {
            info << tr("channel %1: %2").arg(c.channel).arg(MeasureMessages::problem(c.problem));
            continue;
        }
        const QString delay =
            c.delayFromLoopback ? tr("delay %1 ms after the loopback").arg(c.delayMs, 0, 'f', 2)
            : c.delayReference == 0
                ? tr("delay %1 ms").arg(c.delayMs, 0, 'f', 2)
                : tr("delay %1 ms after channel %2's (the sound server converts the rate)")
                      .arg(c.delayMs, 0, 'f', 2)
                      .arg(c.delayReference);
        info << tr("channel %1: %2, polarity %3, SNR %4 dB")
                    .arg(c.channel)
                    .arg(delay)
                    .arg(c.polarity == Polarity::Normal ? tr("normal") : tr("inverted"))
                    .arg(c.snrDb, 0, 'f', 1);
    }
    return info.join(QStringLiteral("; "));
}

}  // namespace quilbo
