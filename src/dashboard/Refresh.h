#pragma once
// The dashboard refresh: after every decoded live-data answer (and after loading the dashboard,
// moving the cursor of a loaded recording, closing the range editor, changing a font or colour)
// every object shows the current value of its parameter through its elements. The rules live
// here, without a display: number formats, the averaging of the value text, the hold-and-decay of
// the extremes and the peak marker, the trend history, the range gauge and the fuel texts and
// split bar. The drawing state (held extremes, hold counts, peaks, trend history, running maxima,
// averaging means) stays in the elements' attributes and hints, as in the layout model.
//
// How the widget layer uses it:
//   1. Keep one DashboardDrawState for the dashboard (it keeps its buffers between refreshes).
//   2. Keep each DashElement::rect equal to the control's current size: bars, gauges and peaks are
//      measured in the element's pixels.
//   3. Fill a RefreshInputs (pointers to the live table, settings, colours and ready strings; the
//      flags of this answer) and call refreshDashboard(model, inputs, state).
//   4. For every list index whose state has `changed` set, apply it:
//        texts[i]   -> label text (plain text) and colour; wordWrap; when fitFont, the font size
//                      becomes the box-fit size of the text in the label plus 4;
//        bars[i]    -> progress bar maximum and value;
//        buttons[i] -> button text;
//        timers[i]  -> start (seconds counter 0, 1000 ms) or stop the fuel timer;
//        images[i]  -> QtElementPainter::paint(images[i]) gives the new picture (a null QImage
//                      means: keep the current picture).
//      Elements whose `changed` is false keep what they show.
//   5. When the link connects call resetSplitMaxima(model).
// Oscilloscope elements (kinds 30..39) are not touched by the walk; the scope code draws them.

#include "dashboard/DashboardModel.h"

#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace qn {

class LiveTable;
struct STS_Record;
struct ColourTables;
struct ReadyStrings;

// Attribute numbers of the drawing state.
namespace DrawAttr {
constexpr int Held = 5;      // kinds 4, 5: held minimum / maximum
constexpr int HoldCount = 6; // kinds 4, 5
constexpr int Peak = 6;      // kinds 9, 10: peak position in pixels
constexpr int PeakHold = 7;  // kinds 9, 10
constexpr int SplitMax = 6;  // kind 16: running maximum of the amounts
} // namespace DrawAttr

constexpr int HoldRefreshes = 30;   // refreshes an extreme or a peak stays put
constexpr int DecayPercent = 10;    // per refresh once the hold ends
constexpr int PeakFallPixels = 3;   // per refresh once the peak hold ends
constexpr int MarkerThickness = 6;  // peak and gauge markers
constexpr int StrokeWidth = 2;
constexpr int MinimumStart = 65000; // held minimum of a fresh minimum text
constexpr int TemperatureOffset = 550; // trend history of parameters 6..9 (temperatures)
// Initial state of the fuel averaging button's hint when averaging begins.
inline constexpr const char *FuelAveragingStart = " 0: 1 1: 0 2: 0 3: 0 4: 0 5: 0";

struct RefreshInputs {
    const LiveTable *live = nullptr;       // required
    const STS_Record *sts = nullptr;       // OMR_Min / OMR_Max; required for range gauges
    const ColourTables *colours = nullptr; // general colours; required for images
    const ReadyStrings *texts = nullptr;   // Diesel, Gas, DIM_L, Averaging, Averaging_Short; required
    bool connected = false;
    bool fileView = false;     // a loaded recording is shown (cursor values in the live table)
    bool gasOperation = false; // mode byte bit 0x04 of the last live-data answer
    uint32_t accent = 0xFFFFFFFF; // style accent colour: stroke and frames
    // Gas level reading (object kind 15): invalid while the software level sensor calibrates; the
    // value texts then show its status text instead.
    bool levelValid = true;
    QString levelStatusText;
    bool editorOpen = false; // the object editor is shown: trend graphs get a frame
    // Whether button list index i is down (averaging buttons, the fuel averaging button). Empty:
    // every button is up.
    std::function<bool(int buttonIndex)> buttonDown;
    int fuelTimerSeconds = 0; // seconds counter of the fuel timer (kind 13) of the fuel object
    // The data logger's step, run first while connected. May be empty.
    std::function<void()> loggerStep;

    bool dataFlows() const { return connected || fileView; }
};

struct TextDrawState {
    bool changed = false;
    QString text;
    uint32_t colour = 0xFFFFFFFF;
    bool wordWrap = false;
    bool fitFont = false; // gas level text: font size = box-fit size + 4
};

struct BarDrawState {
    bool changed = false;
    int32_t value = 0;
    int32_t maximum = 0;
};

struct ButtonDrawState {
    bool changed = false;
    QString text;
};

enum class TimerAction { None, Start, Stop };
struct TimerDrawState {
    bool changed = false;
    TimerAction action = TimerAction::None;
};

enum class ImageKind { None, FixHorizontal, FixVertical, Trend, Gauge, Split, Picture, FrameOnly };

// What to paint into one image; all positions in pixels of a bitmap of `size`.
struct ImageDrawState {
    bool changed = false;
    ImageKind kind = ImageKind::None;
    QSize size;
    uint32_t stroke = 0xFFFFFFFF; // accent: frame colour
    uint32_t colour = 0xFFFFFFFF; // attribute 1: bar fill, trend line colour
    bool frame = true;            // final frame over the whole bitmap

    // Fixing bars: bar length along the bar (from the left or from the bottom).
    double length = 0;
    bool marker = false;     // peak marker / gauge marker drawn
    double markerPos = 0;    // centre of the marker strip along the bar or gauge
    uint32_t markerColour = 0;

    // Trend graph: samples oldest first, scaled by trendMax (height when 0 or less).
    std::vector<int32_t> samples;
    int32_t trendMax = 0;

    // Range gauge.
    bool vertical = false; // also set for FixVertical
    double bandLow = 0, bandHigh = 0;
    uint32_t background = 0, band = 0;

    // Split bar: left part [0, splitEdge) in petrol colour from petrolTop down, the rest in gas
    // colour from gasTop down (tops 0 .. 90 % of the height); a top of -1 means no bar.
    double splitEdge = 0;
    double petrolTop = -1, gasTop = -1;
    uint32_t petrolColour = 0, gasColour = 0;

    // Picture: the file drawn stretched; when it cannot be read the image keeps its picture.
    QString picturePath;
};

struct DashboardDrawState {
    std::vector<TextDrawState> texts;
    std::vector<BarDrawState> bars;
    std::vector<ImageDrawState> images;
    std::vector<ButtonDrawState> buttons;
    std::vector<TimerDrawState> timers;
};

// The whole walk: objects in list order, their content lists in order. Clears every `changed`
// flag first, then sets the states of the elements it refreshed.
void refreshDashboard(DashboardModel &model, const RefreshInputs &in, DashboardDrawState &out);

// Running maxima of the split bars in fuel objects back to 0 (on every link connect).
void resetSplitMaxima(DashboardModel &model);

// ---- single rules, also used for previews by the creation and editor code ----

// Number text of raw value x for object kind p (decimals of p from the live table; the gas level
// is a plain integer).
QString formatObjectValue(int objectKind, int64_t x, const LiveTable &live);

// Trend history length (running maximum + samples) for a scale maximum.
int trendHistorySize(int32_t scaleMaximum);

// Extremes: the value to show for a minimum / maximum text with live value v; updates
// attributes 5 and 6 of the element.
int64_t updateMaximum(QString &attributes, int64_t v);
int64_t updateMinimum(QString &attributes, int64_t v);

// Averaging value text with the averaging button's hint (button down, data flowing): returns the
// value to format and updates the hint.
int64_t updateAverage(QString &hint, int64_t v);

// Fixing bar of `size` with value x of maximum m (0 counts as 1). showPeak: data flows (and the
// gas level reading is valid); the peak attributes 6 and 7 are updated only then.
void fixingBar(QString &attributes, QSize size, bool vertical, double x, double m, bool showPeak,
               uint32_t markerColour, ImageDrawState &out);

// Trend graph: updates the hint history with x (already offset for temperatures) when data flows.
void trendGraph(QString &hint, int32_t scaleMaximum, int64_t x, bool dataFlows, QSize size,
                ImageDrawState &out);

// Range gauge for parameter p (1..14) with value x; nothing (out.changed false) otherwise.
void rangeGauge(int objectKind, int64_t x, QSize size, const RefreshInputs &in, ImageDrawState &out);

// Fuel amounts (a gas, b diesel, tenths of the unit) and the texts built from them.
struct FuelAmounts {
    int64_t gas = 50;
    int64_t diesel = 50;
};
// fuelHint: hint of the object's fuel averaging button, nullptr when it has none.
FuelAmounts fuelAmounts(const RefreshInputs &in, const QString *fuelHint);
QString fuelLabel(const RefreshInputs &in);
QString fuelShares(const RefreshInputs &in, const FuelAmounts &f);
QString fuelAmountsText(const RefreshInputs &in, const FuelAmounts &f);
// Split bar: updates attribute 6 (running maximum) and fills the split part of out.
void splitBar(QString &attributes, const FuelAmounts &f, QSize size, const ColourTables &colours,
              ImageDrawState &out);

// One averaging step of the fuel averaging button while connected. Returns the button text; sets
// timer to Start when averaging begins and Stop when the button is up.
QString fuelAveragingStep(QString &hint, bool down, const RefreshInputs &in, TimerAction &timer);

// Picture element (kind 0) and the editor's frame-only previews.
ImageDrawState pictureImage(QSize size, const QString &path, uint32_t accent);
ImageDrawState frameOnlyImage(QSize size, uint32_t accent);

} // namespace qn
