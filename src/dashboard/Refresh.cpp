#include "dashboard/Refresh.h"

#include "data/LiveValues.h"
#include "ui/Language.h"
#include "ui/STS_Record.h"

#include <QTime>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qn {

namespace {

constexpr int GasLevelKind = LV_GasLevel;   // object kind 15
constexpr int FuelShareValue = LV_FuelShare; // v(16): diesel share in a recording
constexpr int LastGaugeKind = 14;           // ranges exist for parameters 1..14

int64_t truncPercent(int64_t value, int percent)
{
    return value * percent / 100; // integer division truncates toward zero
}

int32_t clamp32(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Parses up to `limit` space-separated integers of the trend history into out; returns false
// when the text holds anything else or more numbers than limit.
bool parseHistory(const QString &text, qsizetype limit, std::vector<int32_t> &out)
{
    out.clear();
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    while (p < end) {
        while (p < end && *p == QLatin1Char(' '))
            ++p;
        if (p == end)
            break;
        bool negative = false;
        if (*p == QLatin1Char('-')) {
            negative = true;
            ++p;
        }
        int64_t v = 0;
        int digits = 0;
        while (p < end && p->isDigit() && p->unicode() < 128) {
            v = v * 10 + (p->unicode() - '0');
            if (v > INT32_MAX)
                return false;
            ++p;
            ++digits;
        }
        if (digits == 0 || (p < end && *p != QLatin1Char(' ')))
            return false;
        if (qsizetype(out.size()) >= limit)
            return false;
        out.push_back(int32_t(negative ? -v : v));
    }
    return true;
}

void writeHistory(QString &hint, int32_t runningMax, const std::vector<int32_t> &samples)
{
    hint.clear();
    hint.reserve(qsizetype(samples.size() + 1) * 7);
    hint += QString::number(runningMax);
    hint += QLatin1Char(' ');
    for (int32_t s : samples) {
        hint += QString::number(s);
        hint += QLatin1Char(' ');
    }
}

int lastIndexOfKind(const std::vector<ContentEntry> &entries, int kind)
{
    const int at = findKind(entries, kind);
    return at < 0 ? -1 : entries[size_t(at)].index;
}

bool buttonIsDown(const RefreshInputs &in, int index)
{
    return index >= 0 && in.buttonDown && in.buttonDown(index);
}

template <class T>
void prepare(std::vector<T> &states, size_t size)
{
    states.resize(size);
    for (T &s : states)
        s.changed = false;
}

template <class T>
T *stateAt(std::vector<T> &states, int index)
{
    return index >= 0 && size_t(index) < states.size() ? &states[size_t(index)] : nullptr;
}

void setText(TextDrawState *state, const DashElement &e, const QString &text, bool wordWrap = false,
             bool fitFont = false)
{
    if (!state)
        return;
    state->changed = true;
    state->text = text;
    state->colour = e.colour();
    state->wordWrap = wordWrap;
    state->fitFont = fitFont;
}

} // namespace

QString formatObjectValue(int objectKind, int64_t x, const LiveTable &live)
{
    const int32_t raw = clamp32(x);
    if (objectKind == GasLevelKind)
        return QString::number(raw);
    return formatValue(raw, 1, live[objectKind].decimals);
}

int trendHistorySize(int32_t scaleMaximum)
{
    const int n = int(QString::number(scaleMaximum).size());
    return 250 / (n + 1);
}

int64_t updateMaximum(QString &attributes, int64_t v)
{
    const int64_t held = readAttributeInt(attributes, DrawAttr::Held);
    if (v >= held) {
        writeAttribute(attributes, DrawAttr::Held, clamp32(v));
        writeAttribute(attributes, DrawAttr::HoldCount, HoldRefreshes);
        return v;
    }
    const int c = readAttributeInt(attributes, DrawAttr::HoldCount) - 1;
    if (c > 0) {
        writeAttribute(attributes, DrawAttr::HoldCount, c);
        return held;
    }
    const int64_t decayed = held - truncPercent(held, DecayPercent);
    writeAttribute(attributes, DrawAttr::Held, clamp32(decayed));
    return decayed;
}

int64_t updateMinimum(QString &attributes, int64_t v)
{
    const int64_t held = readAttributeInt(attributes, DrawAttr::Held);
    if (held > v) {
        writeAttribute(attributes, DrawAttr::Held, clamp32(v));
        writeAttribute(attributes, DrawAttr::HoldCount, HoldRefreshes);
        return v;
    }
    const int c = readAttributeInt(attributes, DrawAttr::HoldCount) - 1;
    if (c > 0) {
        writeAttribute(attributes, DrawAttr::HoldCount, c);
        return held;
    }
    // The held minimum creeps back toward the value, never past it: a minimum above the current
    // value would be a wrong reading.
    int64_t shown;
    if (held > 10)
        shown = held + truncPercent(std::llabs(held), DecayPercent);
    else
        shown = held + truncPercent(std::llabs(v), DecayPercent);
    shown = std::min(v, shown);
    writeAttribute(attributes, DrawAttr::Held, clamp32(shown));
    return shown;
}

int64_t updateAverage(QString &hint, int64_t v)
{
    if (hint.isEmpty()) {
        hint = QStringLiteral(" 1: 1 2: ") + QString::number(v);
        return v;
    }
    const double count = readAttribute(hint, 1);
    const double n = count < 0 ? 1 : count + 1;
    const double old = readAttribute(hint, 2);
    const double mean = n > 0 ? (old * (n - 1) + double(v)) / n : double(v);
    writeFractionalAttribute(hint, 1, n);
    writeFractionalAttribute(hint, 2, mean);
    return integerPart(mean);
}

void fixingBar(QString &attributes, QSize size, bool vertical, double x, double m, bool showPeak,
               uint32_t markerColour, ImageDrawState &out)
{
    if (m == 0)
        m = 1;
    out.changed = true;
    out.kind = vertical ? ImageKind::FixVertical : ImageKind::FixHorizontal;
    out.vertical = vertical;
    out.size = size;
    out.frame = true;
    out.samples.clear();
    const double extent = vertical ? size.height() : size.width();
    const double length = extent * x / m;
    out.length = length;
    out.marker = showPeak;
    out.markerColour = markerColour;
    if (!showPeak)
        return;
    const int whole = int(std::clamp(std::trunc(length), -2147483647.0, 2147483647.0));
    const int peak = readAttributeInt(attributes, DrawAttr::Peak);
    if (peak < whole) {
        writeAttribute(attributes, DrawAttr::Peak, whole);
        writeAttribute(attributes, DrawAttr::PeakHold, HoldRefreshes);
        out.markerPos = length;
        return;
    }
    const int hold = readAttributeInt(attributes, DrawAttr::PeakHold);
    if (hold >= 2) {
        out.markerPos = peak;
        writeAttribute(attributes, DrawAttr::PeakHold, hold - 1);
    } else {
        out.markerPos = peak - PeakFallPixels;
        writeAttribute(attributes, DrawAttr::Peak, peak - PeakFallPixels);
    }
}

void trendGraph(QString &hint, int32_t scaleMaximum, int64_t x, bool dataFlows, QSize size,
                ImageDrawState &out)
{
    out.changed = true;
    out.kind = ImageKind::Trend;
    out.size = size;
    out.marker = false;
    out.samples.clear();
    if (!dataFlows)
        return;
    const int total = trendHistorySize(scaleMaximum);
    const int32_t value = clamp32(x);
    std::vector<int32_t> &h = out.samples; // running maximum first while parsing
    // A history of another length (a different scale, an edited file) starts over at x rather
    // than being read out of place.
    if (hint.isEmpty() || !parseHistory(hint, total, h) || int(h.size()) != total) {
        h.assign(size_t(total), value);
    } else {
        h.erase(h.begin() + 1);
        h.push_back(value);
        h[0] = std::max(h[0], value);
    }
    out.trendMax = h[0];
    h.erase(h.begin());
    writeHistory(hint, out.trendMax, h);
}

void rangeGauge(int objectKind, int64_t x, QSize size, const RefreshInputs &in, ImageDrawState &out)
{
    if (objectKind < ObjectKind::FirstParameter || objectKind > LastGaugeKind || !in.sts ||
        !in.colours || !in.live)
        return;
    const auto &c = in.colours->general;
    double m = (*in.live)[objectKind].maximum;
    if (m == 0)
        m = 1;
    out.changed = true;
    out.kind = ImageKind::Gauge;
    out.size = size;
    out.frame = true;
    out.samples.clear();
    out.vertical = size.height() > size.width();
    const double extent = out.vertical ? size.height() : size.width();
    out.background = c[OMR_Over];
    out.band = c[OMR_Optimal];
    out.bandLow = extent * in.sts->OMR_Min[size_t(objectKind)] / m;
    out.bandHigh = extent * in.sts->OMR_Max[size_t(objectKind)] / m;
    out.markerPos = in.dataFlows() ? extent * double(x) / m
                                   : out.bandLow + (out.bandHigh - out.bandLow) / 2;
    out.marker = true;
    const bool inside = out.bandLow < out.markerPos && out.markerPos < out.bandHigh;
    out.markerColour = inside ? c[OMR_CurrOptim] : c[OMR_CurrOver];
}

FuelAmounts fuelAmounts(const RefreshInputs &in, const QString *fuelHint)
{
    FuelAmounts f;
    const LiveTable &live = *in.live;
    if (in.connected) {
        f.gas = in.gasOperation ? live.value(LV_GasConsumption) : 0;
        f.diesel = (in.gasOperation ? live.value(LV_DieselOnGas) : live.value(LV_DieselOnDiesel)) / 10;
        if (fuelHint && readAttribute(*fuelHint, 0) >= 1) {
            if (in.gasOperation) {
                f.gas = integerPart(readAttribute(*fuelHint, 2));
                f.diesel = integerPart(readAttribute(*fuelHint, 3));
            } else {
                f.diesel = integerPart(readAttribute(*fuelHint, 5));
            }
        }
    } else if (in.fileView) {
        if (live.value(FuelShareValue) == 100) {
            f.gas = 0;
            f.diesel = live.value(LV_DieselOnDiesel) / 10;
        } else {
            f.gas = live.value(LV_GasConsumption);
            f.diesel = live.value(LV_DieselOnGas) / 10;
        }
    }
    return f;
}

namespace {

bool dieselOnly(const RefreshInputs &in)
{
    if (in.connected)
        return !in.gasOperation;
    return in.fileView && in.live->value(FuelShareValue) == 100;
}

int64_t dieselShare(const FuelAmounts &f)
{
    const int64_t sum = f.gas + f.diesel;
    return sum == 0 ? 0 : f.diesel * 100 / sum;
}

QString shareText(int64_t s)
{
    return QString::number(s) + QStringLiteral(" % / ") + QString::number(100 - s) + QStringLiteral(" %");
}

QString amountText(int64_t amount, const QString &unit)
{
    return formatValue(clamp32(amount), 1, 1) + QLatin1Char(' ') + unit;
}

} // namespace

QString fuelLabel(const RefreshInputs &in)
{
    if (dieselOnly(in))
        return in.texts->Diesel;
    return in.texts->Diesel + QStringLiteral(" / ") + in.texts->Gas;
}

QString fuelShares(const RefreshInputs &in, const FuelAmounts &f)
{
    if (in.connected)
        return in.gasOperation ? shareText(dieselShare(f)) : QStringLiteral("100 %");
    if (in.fileView) {
        const int32_t s = in.live->value(FuelShareValue);
        return s == 100 ? QStringLiteral("100 %") : shareText(s);
    }
    return QStringLiteral("50 % / 50 %");
}

QString fuelAmountsText(const RefreshInputs &in, const FuelAmounts &f)
{
    const QString &unit = in.texts->DIM_L;
    if (!in.dataFlows())
        return QStringLiteral("5 ") + unit + QStringLiteral(" / 5 ") + unit;
    if (dieselOnly(in))
        return amountText(f.diesel, unit);
    return amountText(f.diesel, unit) + QStringLiteral(" / ") + amountText(f.gas, unit);
}

void splitBar(QString &attributes, const FuelAmounts &f, QSize size, const ColourTables &colours,
              ImageDrawState &out)
{
    const int64_t stored = readAttributeInt(attributes, DrawAttr::SplitMax);
    const int64_t newMax = std::max({stored, f.gas, f.diesel});
    if (newMax != stored)
        writeAttribute(attributes, DrawAttr::SplitMax, clamp32(newMax));

    const double h = size.height();
    auto top = [&](int64_t y) -> double {
        if (y == 0)
            return -1;
        if (stored == 0)
            return 0;
        // Above the bitmap is the full height; -1 stays reserved for "no bar".
        return std::max(0.0, std::min(h - double(y) * h / double(stored), h * 0.9));
    };
    out.changed = true;
    out.kind = ImageKind::Split;
    out.size = size;
    out.frame = true;
    out.marker = false;
    out.samples.clear();
    out.petrolTop = top(f.diesel);
    out.gasTop = top(f.gas);
    out.splitEdge = double(dieselShare(f)) * size.width() / 100;
    out.petrolColour = colours.general[RC_Petrol];
    out.gasColour = colours.general[RC_Gas];
}

QString fuelAveragingStep(QString &hint, bool down, const RefreshInputs &in, TimerAction &timer)
{
    timer = TimerAction::None;
    if (!down) {
        hint.clear();
        timer = TimerAction::Stop;
        return in.texts->Averaging;
    }
    int seconds = in.fuelTimerSeconds;
    if (hint.isEmpty()) {
        hint = QString::fromLatin1(FuelAveragingStart);
        timer = TimerAction::Start;
        seconds = 0;
    }
    const LiveTable &live = *in.live;
    const double a = (in.gasOperation ? live.value(LV_DieselOnGas) : live.value(LV_DieselOnDiesel)) / 10;
    const double b = in.gasOperation ? live.value(LV_GasConsumption) : 0;
    double mean;
    if (in.gasOperation) {
        double n = readAttribute(hint, 1);
        if (n <= 0) {
            writeFractionalAttribute(hint, 1, 1);
            writeFractionalAttribute(hint, 2, b);
            mean = a;
        } else {
            n += 1;
            writeFractionalAttribute(hint, 1, n);
            writeFractionalAttribute(hint, 2, (readAttribute(hint, 2) * (n - 1) + b) / n);
            mean = (readAttribute(hint, 3) * (n - 1) + a) / n;
        }
        writeFractionalAttribute(hint, 3, mean);
    } else {
        double n = readAttribute(hint, 4);
        if (n <= 0) {
            writeFractionalAttribute(hint, 4, 1);
            mean = a;
        } else {
            n += 1;
            writeFractionalAttribute(hint, 4, n);
            mean = (readAttribute(hint, 5) * (n - 1) + a) / n;
        }
        writeFractionalAttribute(hint, 5, mean);
    }
    const QTime clock = QTime(0, 0).addSecs(std::max(seconds, 0));
    return in.texts->Averaging_Short + QStringLiteral(" ... ") + clock.toString(QStringLiteral("HH:mm:ss"));
}

ImageDrawState pictureImage(QSize size, const QString &path, uint32_t accent)
{
    ImageDrawState s;
    s.changed = true;
    s.kind = ImageKind::Picture;
    s.size = size;
    s.stroke = accent;
    s.frame = false;
    s.picturePath = path;
    return s;
}

ImageDrawState frameOnlyImage(QSize size, uint32_t accent)
{
    ImageDrawState s;
    s.changed = true;
    s.kind = ImageKind::FrameOnly;
    s.size = size;
    s.stroke = accent;
    return s;
}

void resetSplitMaxima(DashboardModel &model)
{
    for (const auto &obj : model.objects) {
        if (!obj || obj->kind != ObjectKind::Fuel)
            continue;
        for (const ContentEntry &e : parseContentList(obj->content)) {
            if (e.kind != ElementKind::FuelSplit)
                continue;
            if (DashElement *el = model.element(e))
                writeAttribute(el->attributes, DrawAttr::SplitMax, 0);
        }
    }
}

void refreshDashboard(DashboardModel &model, const RefreshInputs &in, DashboardDrawState &out)
{
    prepare(out.texts, model.texts.size());
    prepare(out.bars, model.bars.size());
    prepare(out.images, model.images.size());
    prepare(out.buttons, model.buttons.size());
    prepare(out.timers, model.timers.size());
    if (!in.live || !in.texts)
        return;
    if (in.connected && in.loggerStep)
        in.loggerStep();

    const LiveTable &live = *in.live;
    const bool flows = in.dataFlows();
    const uint32_t peakColour = in.colours ? in.colours->general[Max_CurrData] : 0xFFFFFFFF;

    for (auto &slot : model.objects) {
        if (!slot)
            continue;
        const int p = slot->kind;
        const int64_t v = live.value(p);
        const int32_t scaleMax = live[p].maximum;
        const bool levelShown = p != GasLevelKind || in.levelValid;
        const std::vector<ContentEntry> entries = parseContentList(slot->content);

        for (const ContentEntry &entry : entries) {
            DashElement *e = model.element(entry);
            if (!e)
                continue;
            const QSize size = e->rect.size();
            switch (entry.kind) {
            case ElementKind::Current: {
                int64_t shown = v;
                const int button = lastIndexOfKind(entries, ElementKind::Averaging);
                if (button >= 0 && size_t(button) < model.buttons.size() && model.buttons[size_t(button)]) {
                    QString &hint = model.buttons[size_t(button)]->hint;
                    if (!buttonIsDown(in, button))
                        hint.clear();
                    else if (flows)
                        shown = updateAverage(hint, v);
                }
                TextDrawState *t = stateAt(out.texts, entry.index);
                if (p == GasLevelKind)
                    setText(t, *e, in.levelValid ? formatObjectValue(p, shown, live) : in.levelStatusText,
                            !in.levelValid, true);
                else
                    setText(t, *e, formatObjectValue(p, shown, live));
                break;
            }
            case ElementKind::Minimum:
            case ElementKind::Maximum: {
                const bool isMax = entry.kind == ElementKind::Maximum;
                TextDrawState *t = stateAt(out.texts, entry.index);
                if (!flows) {
                    setText(t, *e, isMax ? QStringLiteral("Max") : QStringLiteral("Min"));
                    break;
                }
                if (!levelShown)
                    break;
                const int64_t shown = isMax ? updateMaximum(e->attributes, v) : updateMinimum(e->attributes, v);
                setText(t, *e, formatObjectValue(p, shown, live), false, p == GasLevelKind);
                break;
            }
            case ElementKind::BarHorizontal:
            case ElementKind::BarVertical:
                if (BarDrawState *b = stateAt(out.bars, entry.index)) {
                    b->changed = true;
                    b->value = clamp32(v);
                    b->maximum = scaleMax;
                }
                break;
            case ElementKind::FixHorizontal:
            case ElementKind::FixVertical:
                if (ImageDrawState *img = stateAt(out.images, entry.index)) {
                    img->stroke = in.accent;
                    img->colour = e->colour();
                    fixingBar(e->attributes, size, entry.kind == ElementKind::FixVertical, double(v),
                              double(scaleMax), flows && levelShown, peakColour, *img);
                }
                break;
            case ElementKind::Trend:
                if (ImageDrawState *img = stateAt(out.images, entry.index)) {
                    img->stroke = in.accent;
                    img->colour = e->colour();
                    const bool temperature = p >= LV_TVaporizer && p <= LV_TInside;
                    trendGraph(e->hint, scaleMax, temperature ? v + TemperatureOffset : v, flows, size, *img);
                    img->frame = in.editorOpen;
                }
                break;
            case ElementKind::OptimalMode:
                if (ImageDrawState *img = stateAt(out.images, entry.index)) {
                    img->stroke = in.accent;
                    rangeGauge(p, v, size, in, *img);
                }
                break;
            case ElementKind::FuelLabel:
                setText(stateAt(out.texts, entry.index), *e, fuelLabel(in));
                break;
            case ElementKind::FuelShares:
            case ElementKind::FuelAmounts:
            case ElementKind::FuelSplit: {
                const int fb = lastIndexOfKind(entries, ElementKind::FuelAveraging);
                const DashElement *fuelButton =
                    fb >= 0 && size_t(fb) < model.buttons.size() && model.buttons[size_t(fb)]
                        ? &*model.buttons[size_t(fb)]
                        : nullptr;
                const FuelAmounts f = fuelAmounts(in, fuelButton ? &fuelButton->hint : nullptr);
                if (entry.kind == ElementKind::FuelShares) {
                    setText(stateAt(out.texts, entry.index), *e, fuelShares(in, f));
                } else if (entry.kind == ElementKind::FuelAmounts) {
                    setText(stateAt(out.texts, entry.index), *e, fuelAmountsText(in, f));
                } else if (ImageDrawState *img = stateAt(out.images, entry.index); img && in.colours) {
                    img->stroke = in.accent;
                    splitBar(e->attributes, f, size, *in.colours, *img);
                }
                break;
            }
            case ElementKind::FuelAveraging: {
                if (!in.connected)
                    break;
                TimerAction action = TimerAction::None;
                const QString text = fuelAveragingStep(e->hint, buttonIsDown(in, entry.index), in, action);
                if (ButtonDrawState *b = stateAt(out.buttons, entry.index)) {
                    b->changed = true;
                    b->text = text;
                }
                if (action != TimerAction::None) {
                    const int timer = lastIndexOfKind(entries, ElementKind::FuelTimer);
                    if (TimerDrawState *t = stateAt(out.timers, timer)) {
                        t->changed = true;
                        t->action = action;
                    }
                }
                break;
            }
            case ElementKind::OscDiagram:
            case ElementKind::OscLine:
            case ElementKind::OscScale:
            case ElementKind::OscButton:
            case ElementKind::OscExpand:
            case ElementKind::OscSqueeze:
            case ElementKind::OscTrack:
            case ElementKind::OscStart:
            case ElementKind::OscLoad:
            case ElementKind::OscShow:
                break;
            default:
                break;
            }
        }
    }
}

} // namespace qn
