#pragma once
// Drawing the spectra of a result file on Picture1: axes and frame, curves,
// the mask strip above the frame, the legend and the titles.

#include <QColor>
#include <QString>

#include <array>

#include "shell/module1.h"
#include "viewer/plot_canvas.h"

namespace tessaray {

inline const QColor kPlotForeground(0, 0, 0);
inline const QColor kMaskWhite(255, 255, 255);

// The height of a value on the plot: 1000 at the maximum. A maximum of zero
// (nothing to scale by) puts every value on the x axis.
double plotHeight(double value, double maximum);

// Clears the picture and draws the grid, ticks, frame and axis texts.
void drawAxes(PlotCanvas& canvas);

// A curve from the origin through the middles of bins 1..rowCount (x = 20·i - 10),
// scaled so that `maximum` reaches the top of the frame. rowCount is held to 0..300.
void drawCurve(PlotCanvas& canvas, const std::array<double, kBins + 1>& values, int rowCount,
               double maximum, const QColor& colour);

// A white strip over the top edge hides what curves drew above the frame,
// then the frame is drawn again.
void drawMaskAndFrame(PlotCanvas& canvas);

// The three legend lines with their texts.
void drawLegend(PlotCanvas& canvas);

// What the user chose on the viewer for one draw.
struct DrawSelection {
    bool incident = true;  // Option1; otherwise `depth`
    int depth = 1;         // 1..6 for 0, 2, 5, 10, 15, 20 cm
    bool primary = true;   // Check1
    bool scatter = true;   // Check2
    bool total = true;     // Check3
};

struct DrawOutcome {
    QString curveTitle;     // "Incident spectrum" or "depth = 10 cm", ...
    int factorIndex = 0;    // which ConversionFactor the factor table shows: 0 incident, 1..6 depth
    QString maximumText;    // Text3: whole part of the maximum before magnification
};

// One press of "Spectra draw": draws the axes unless curves are being piled up
// ("Normalize" ON with axes already drawn), then the incident curve or the
// ticked components of one depth, and updates AxesDrawn and SpectrumMaximum.
// `selectedDepth` becomes the drawn depth when a depth is drawn.
DrawOutcome drawSpectra(PlotCanvas& canvas, Module1& state, const DrawSelection& selection,
                        int& selectedDepth);

// The depth of index 1..6 in cm.
int depthCentimetres(int depth);

}  // namespace tessaray
