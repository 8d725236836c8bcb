// The spectrum plot and the cursor read-out, checked on the pixels of the
// persistent drawing at the places where the curves, frame and mask belong.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "shell/ui_style.h"
#include "viewer/file_browser.h"
#include "viewer/form2.h"
#include "viewer/plot_canvas.h"
#include "viewer_test_support.h"

using tessaray::Form2;
using tessaray::Module1;
using tessaray::PlotCanvas;
using namespace viewer_test;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);

// Whether a pixel of the colour lies within `radius` pixels of a plot point.
bool colourNear(const PlotCanvas& canvas, double x, double y, const QColor& colour, int radius = 2) {
    const QImage& image = canvas.image();
    const QPoint centre = canvas.toPixel(x, y).toPoint();
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint p = centre + QPoint(dx, dy);
            if (image.valid(p) && image.pixelColor(p) == colour) return true;
        }
    return false;
}

// How many pixels of the colour lie in a plot rectangle.
int countColour(const PlotCanvas& canvas, double x1, double y1, double x2, double y2, const QColor& colour) {
    const QImage& image = canvas.image();
    const QRect area = QRectF(canvas.toPixel(x1, y1), canvas.toPixel(x2, y2)).normalized().toRect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.valid(x, y) && image.pixelColor(x, y) == colour) ++count;
    return count;
}

int curvePixels(const PlotCanvas& canvas, double x1, double y1, double x2, double y2) {
    return countColour(canvas, x1, y1, x2, y2, tessaray::kBlue) + countColour(canvas, x1, y1, x2, y2, tessaray::kGreen) +
           countColour(canvas, x1, y1, x2, y2, tessaray::kRed);
}

}  // namespace

class ViewerPlotTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<Module1> state_;
    std::unique_ptr<RecordingSink> sink_;
    Form2* form_ = nullptr;

    template <typename T>
    T* child(const char* name) {
        T* found = form_->findChild<T*>(QString::fromLatin1(name));
        if (!found) qFatal("no control %s", name);
        return found;
    }
    PlotCanvas& canvas() { return *child<PlotCanvas>("Picture1"); }
    QString text(const char* name) { return child<QLineEdit>(name)->text(); }
    void select(const char* option) { child<QRadioButton>(option)->click(); }

    // Reads a file of `rows` rows whose spectra peak at bin `peak`.
    void readPeaked(int rows, int peak) {
        writeFile(QDir(folder_->path()), "run.csv", resultText(peakedRows(rows, peak)));
        form_->applyOpeningState();
        child<tessaray::FolderList>("Dir1")->setPath(folder_->path());
        QVERIFY(child<tessaray::FileList>("File1")->selectFile("run.csv"));
        form_->readResultFile();
        QVERIFY(sink_->warnings.isEmpty());
    }

    double heightOf(double value) const { return 1000.0 * value / state_->SpectrumMaximum; }

private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        state_ = std::make_unique<Module1>();
        fillCoefficients(*state_);
        sink_ = std::make_unique<RecordingSink>();
        form_ = new Form2(*state_, *sink_);
    }
    void cleanup() { delete form_; }

    // "OFF": one depth scaled to its own total maximum, all three components,
    // frame, title, nothing right of the last row, and the drawing survives
    // a repaint of the window.
    void depthDrawPutsCurvesWhereTheyBelong() {
        readPeaked(160, 60);
        select("Option2");
        form_->drawSpectra();
        QCOMPARE(state_->AxesDrawn, 1);
        QCOMPARE(state_->SpectrumMaximum, 13333.0);
        QCOMPARE(text("Text3"), QStringLiteral("13333"));
        QCOMPARE(form_->curveTitle(), QStringLiteral("depth = 0 cm"));
        const auto& spectra = state_->DepthSpectra[1];
        const double x50 = 20 * 50 - 10;
        QVERIFY(colourNear(canvas(), x50, heightOf(spectra[1][50]), tessaray::kBlue));
        QVERIFY(colourNear(canvas(), x50, heightOf(spectra[2][50]), tessaray::kGreen));
        QVERIFY(colourNear(canvas(), x50, heightOf(spectra[3][50]), tessaray::kRed));
        QVERIFY(colourNear(canvas(), 3190, heightOf(spectra[3][160]), tessaray::kRed));
        // The frame and the grey grid.
        QVERIFY(colourNear(canvas(), 0, 500, kBlack, 1));
        QVERIFY(colourNear(canvas(), 6000, 500, kBlack, 1));
        QVERIFY(colourNear(canvas(), 4500, 0, kBlack, 1));
        QVERIFY(colourNear(canvas(), 5000, 350, tessaray::kLightGrey, 1));
        // Nothing right of the middle of bin 160 (below the legend).
        QCOMPARE(curvePixels(canvas(), 3300, 30, 5950, 600), 0);
        // The title is printed with its top-left corner at (3500, 700).
        QVERIFY(countColour(canvas(), 3500, 700, 4500, 640, kBlack) > 20);
        // The legend lines.
        QVERIFY(colourNear(canvas(), 3200, 875, tessaray::kBlue, 1));
        QVERIFY(colourNear(canvas(), 3200, 825, tessaray::kGreen, 1));
        QVERIFY(colourNear(canvas(), 3200, 775, tessaray::kRed, 1));

        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_));
        const QImage shown = canvas().grab().toImage();
        const QPoint onCurve = canvas().toWidget(x50, heightOf(spectra[3][50])).toPoint();
        bool red = false;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                red = red || shown.pixelColor(onCurve + QPoint(dx, dy)) == tessaray::kRed;
        QVERIFY(red);
    }

    // Magnification 4: the curves are four times higher, what passes the top
    // of the frame is hidden by the white strip, Text3 keeps the maximum.
    void magnifiedCurvesAreCutAtTheFrame() {
        readPeaked(160, 60);
        select("Option12");
        select("Option2");
        form_->drawSpectra();
        QCOMPARE(state_->SpectrumMaximum, 13333.0 * 0.25);
        QCOMPARE(text("Text3"), QStringLiteral("13333"));
        const double tail = state_->DepthSpectra[1][3][160];
        QVERIFY(colourNear(canvas(), 3190, 4.0 * 1000.0 * tail / 13333.0, tessaray::kRed));
        // The curve rises through the top edge near bin 60; above the frame
        // only white remains.
        QCOMPARE(curvePixels(canvas(), 0, 1003, 6000, 1018), 0);
        QVERIFY(countColour(canvas(), 0, 1004, 6000, 1016, kWhite) > 500);
        QVERIFY(curvePixels(canvas(), 0, 900, 3000, 995) > 0);
    }

    // "ON": the axes once, every draw scaled by the largest total, curves
    // piling up, no titles.
    void normalizeOnAccumulatesDrawsWithoutTitles() {
        readPeaked(160, 60);
        select("Option8");
        QCOMPARE(state_->NormalizeMode, 1);
        const double x50 = 20 * 50 - 10;
        for (const char* option : {"Option2", "Option5", "Option7"}) {
            select(option);
            form_->drawSpectra();
            QCOMPARE(state_->SpectrumMaximum, state_->LargestTotal);
        }
        QCOMPARE(form_->selectedDepth(), 6);
        for (int depth : {1, 4, 6})
            QVERIFY2(colourNear(canvas(), x50, heightOf(state_->DepthSpectra[depth][3][50]), tessaray::kRed),
                     qPrintable(QString::number(depth)));
        QCOMPARE(countColour(canvas(), 3500, 700, 4500, 640, kBlack), 0);
        QVERIFY(!child<QLabel>("Label7")->text().isEmpty());
        QVERIFY(!child<QLabel>("Label25")->text().isEmpty());
        QVERIFY(!child<QLabel>("Label27")->text().isEmpty());

        // Back to "OFF": the next draw starts on a cleared picture with its title.
        select("Option9");
        form_->drawSpectra();
        // The 10 cm curve of the "ON" draws (at 1000 * 3200 / 13333 in bin 50) is gone.
        QCOMPARE(heightOf(state_->DepthSpectra[6][3][50]) > 900.0, true);
        QVERIFY(!colourNear(canvas(), x50, 1000.0 * state_->DepthSpectra[4][3][50] / state_->LargestTotal, tessaray::kRed, 1));
        QVERIFY(countColour(canvas(), 3500, 700, 4500, 640, kBlack) > 20);
    }

    void uncheckedComponentsDrawNoCurve() {
        readPeaked(160, 60);
        for (const char* box : {"Check1", "Check2", "Check3"}) child<QCheckBox>(box)->setChecked(false);
        select("Option3");
        form_->drawSpectra();
        QCOMPARE(curvePixels(canvas(), 0, 30, 3000, 970), 0);
        QVERIFY(colourNear(canvas(), 3200, 775, tessaray::kRed, 1));
        QVERIFY(countColour(canvas(), 3500, 700, 4500, 640, kBlack) > 20);
        QVERIFY(!child<QLabel>("Label17")->text().isEmpty());
    }

    // The incident curve scaled by its own maximum (bin 120), and the cursor
    // read-outs over it.
    void cursorReadsTheIncidentCurve() {
        readPeaked(160, 120);
        // Before any draw the mouse changes nothing.
        form_->trackCursor(2385.0f, 500.0f);
        QVERIFY(text("Text1").isEmpty());
        QVERIFY(!child<QWidget>("Line1")->isVisibleTo(form_));

        form_->drawSpectra();
        QCOMPARE(state_->SpectrumMaximum, 10000.0);
        QVERIFY(colourNear(canvas(), 20 * 100 - 10, heightOf(state_->ResultIncident[100]), tessaray::kBlue));
        QVERIFY(!child<QLabel>("Label6")->text().isEmpty());

        form_->trackCursor(2385.0f, 500.0f);
        QCOMPARE(text("Text1"), QStringLiteral("60.0"));
        QCOMPARE(text("Text2"), QStringLiteral("1.00000"));
        auto* line1 = child<QWidget>("Line1");
        auto* line2 = child<QWidget>("Line2");
        QVERIFY(line1->isVisibleTo(form_) && line2->isVisibleTo(form_));
        QCOMPARE(line1->y(), static_cast<int>(std::floor(canvas().toWidget(0, 1000).y())));
        QCOMPARE(line2->x(), static_cast<int>(std::floor(canvas().toWidget(2385, 0).x())));
        QCOMPARE(form_->cursor().shape(), Qt::CrossCursor);

        struct Case { float x; const char* energy; const char* value; };
        const Case cases[] = {
            {0.0f, ".5", nullptr}, {19.9f, ".5", nullptr}, {20.0f, "1.0", nullptr},
            {5800.0f, "145.5", "0.00000"},  // beyond the last row of the file
            {6000.0f, "150.0", "0.00000"},  // the right edge reads the last bin
        };
        for (const Case& c : cases) {
            form_->trackCursor(c.x, 10.0f);
            QCOMPARE(text("Text1"), QString::fromLatin1(c.energy));
            if (c.value) QCOMPARE(text("Text2"), QString::fromLatin1(c.value));
        }
        QCOMPARE(line1->y(), static_cast<int>(std::floor(canvas().toWidget(0, 0).y())));

        // Into the left margin: both lines hidden, both boxes emptied.
        form_->trackCursor(-10.0f, 500.0f);
        QVERIFY(!line1->isVisibleTo(form_) && !line2->isVisibleTo(form_));
        QVERIFY(text("Text1").isEmpty() && text("Text2").isEmpty());
        QVERIFY(form_->cursor().shape() != Qt::CrossCursor);

        // After Graph Clear the mouse changes nothing.
        form_->clearGraph();
        form_->trackCursor(2385.0f, 500.0f);
        QVERIFY(text("Text1").isEmpty());
    }

    // Magnification 2: a bin at 70 % of the maximum reads 1.4 and its line
    // lies above the frame.
    void magnifiedReadOutPassesTheFrame() {
        readPeaked(160, 120);
        select("Option11");
        form_->drawSpectra();
        QCOMPARE(state_->ResultIncident[45], 7000.0);
        form_->trackCursor(20.0f * 45 - 10, 500.0f);
        QCOMPARE(text("Text2"), QStringLiteral("1.40000"));
        QVERIFY(child<QWidget>("Line1")->y() < canvas().toWidget(0, 1000).y());
        QCOMPARE(text("Text3"), QStringLiteral("10000"));
    }

    // Spectra of zeros (a maximum of zero) draw on the x axis and read zero.
    void zeroMaximumNeverFails() {
        form_->applyOpeningState();
        state_->ResultRowCount = 160;
        for (int d : {1, 2})
            for (int k = 1; k <= 160; ++k) state_->DepthSpectra[d][3][k] = 0.0;
        form_->drawSpectra();
        QCOMPARE(state_->SpectrumMaximum, 0.0);
        QCOMPARE(text("Text3"), QStringLiteral("0"));
        form_->trackCursor(1000.0f, 500.0f);
        QCOMPARE(text("Text2"), QStringLiteral("0.00000"));
        select("Option8");  // "ON" with a largest total of zero
        select("Option3");
        form_->drawSpectra();
        QCOMPARE(state_->SpectrumMaximum, 0.0);
        form_->trackCursor(3000.0f, 500.0f);
        QCOMPARE(text("Text2"), QStringLiteral("0.00000"));
        QCOMPARE(curvePixels(canvas(), 0, 30, 3000, 970), 0);  // left of the legend
    }
};

QTEST_MAIN(ViewerPlotTest)
#include "viewer_plot_test.moc"
