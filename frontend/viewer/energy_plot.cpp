#include "viewer/energy_plot.h"

#include <algorithm>
#include <cmath>

#include "shell/ui_style.h"

namespace tessaray {

double plotHeight(double value, double maximum) {
    if (maximum == 0.0) return 0.0;
    return 1000.0 * value / maximum;
}

int depthCentimetres(int depth) {
    static constexpr int kCentimetres[kDepths + 1] = {0, 0, 2, 5, 10, 15, 20};
    return kCentimetres[std::clamp(depth, 1, kDepths)];
}

void drawAxes(PlotCanvas& canvas) {
    canvas.clear();
    canvas.setDrawWidth(1);
    for (int x = 1000; x <= 5500; x += 1000) canvas.line(x, 0, x, 1000, kLightGrey);
    for (int x = 200; x <= 5800; x += 200) {
        canvas.line(x, 0, x, 20, kLightGrey);
        canvas.line(x, 1000, x, 980, kLightGrey);
    }
    for (int y = 100; y <= 900; y += 100) canvas.line(0, y, 6000, y, kLightGrey);
    canvas.setDrawWidth(2);
    canvas.box(0, 0, 6000, 1000, kPlotForeground);

    struct Placed { const char* text; double x; double y; };
    static constexpr Placed kTexts[] = {
        {"0", -50, -10},           {"50", 1850, -10},      {"100", 3750, -10},
        {"150", 5680, -10},        {"Photon energy  (keV)", 3250, -50},
        {"1.0", -450, 1020},       {"0.5", -450, 520},     {"0.0", -450, 20},
        {"Relative", -700, 850},   {"Photon", -700, 800},  {"Fluence", -700, 750},
        {" /0.5keV", -700, 700},
    };
    for (const Placed& placed : kTexts)
        canvas.printText(placed.x, placed.y, QString::fromLatin1(placed.text), kPlotForeground);
}

void drawCurve(PlotCanvas& canvas, const std::array<double, kBins + 1>& values, int rowCount,
               double maximum, const QColor& colour) {
    canvas.setDrawWidth(1);
    canvas.plotPoint(0, 0, colour);
    canvas.setDrawWidth(2);
    const int last = std::clamp(rowCount, 0, kBins);
    for (int i = 1; i <= last; ++i) canvas.lineTo(20.0 * i - 10.0, plotHeight(values[i], maximum), colour);
}

void drawMaskAndFrame(PlotCanvas& canvas) {
    canvas.filledBox(0, 1000, 6000, 1020, kMaskWhite);
    canvas.setDrawWidth(2);
    canvas.box(0, 0, 6000, 1000, kPlotForeground);
}

void drawLegend(PlotCanvas& canvas) {
    canvas.setDrawWidth(2);
    canvas.line(3050, 875, 3400, 875, kBlue);
    canvas.printText(3500, 900, QStringLiteral("Primary photon"), kPlotForeground);
    canvas.line(3050, 825, 3400, 825, kGreen);
    canvas.printText(3500, 850, QStringLiteral("Scattered photon"), kPlotForeground);
    canvas.line(3050, 775, 3400, 775, kRed);
    canvas.printText(3500, 800, QStringLiteral("Primary + Scatter"), kPlotForeground);
}

DrawOutcome drawSpectra(PlotCanvas& canvas, Module1& state, const DrawSelection& selection,
                        int& selectedDepth) {
    DrawOutcome outcome;
    if (state.AxesDrawn == 0 || state.NormalizeMode == 0) drawAxes(canvas);
    state.AxesDrawn = 1;
    const int rows = std::clamp(state.ResultRowCount, 0, kBins);

    if (selection.incident) {
        outcome.curveTitle = QStringLiteral("Incident spectrum");
        outcome.factorIndex = 0;
        state.SpectrumMaximum = 0.0;
        for (int i = 1; i <= rows; ++i)
            if (state.ResultIncident[i] >= state.SpectrumMaximum) state.SpectrumMaximum = state.ResultIncident[i];
        if (state.NormalizeMode == 1) state.SpectrumMaximum = state.LargestTotal;
        state.SpectrumMaximum *= state.VerticalScale;
        drawCurve(canvas, state.ResultIncident, rows, state.SpectrumMaximum, kBlue);
        if (state.NormalizeMode == 0) canvas.printText(3500, 700, outcome.curveTitle, kPlotForeground);
    }
    drawMaskAndFrame(canvas);

    if (!selection.incident) {
        const int d = std::clamp(selection.depth, 1, kDepths);
        selectedDepth = d;
        outcome.curveTitle = QStringLiteral("depth = %1 cm").arg(depthCentimetres(d));
        outcome.factorIndex = d;
        state.SpectrumMaximum = 0.0;
        for (int i = 1; i <= rows; ++i)
            if (state.DepthSpectra[d][3][i] > state.SpectrumMaximum) state.SpectrumMaximum = state.DepthSpectra[d][3][i];
        if (state.NormalizeMode == 1) state.SpectrumMaximum = state.LargestTotal;
        state.SpectrumMaximum *= state.VerticalScale;
        const bool ticked[4] = {false, selection.primary, selection.scatter, selection.total};
        const QColor colours[4] = {QColor(), kBlue, kGreen, kRed};
        for (int k = 1; k <= 3; ++k)
            if (ticked[k]) drawCurve(canvas, state.DepthSpectra[d][k], rows, state.SpectrumMaximum, colours[k]);
        drawMaskAndFrame(canvas);
        drawLegend(canvas);
        if (state.NormalizeMode == 0) canvas.printText(3500, 700, outcome.curveTitle, kPlotForeground);
    }

    const double unmagnified =
        state.VerticalScale != 0.0 ? state.SpectrumMaximum / state.VerticalScale : state.SpectrumMaximum;
    outcome.maximumText = QString::number(std::trunc(unmagnified) + 0.0, 'f', 0);
    return outcome;
}

}  // namespace tessaray
