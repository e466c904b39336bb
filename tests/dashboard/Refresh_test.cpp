#include "dashboard/Refresh.h"

#include "dashboard/DefaultLayout.h"
#include "dashboard/LayoutFile.h"

#include "data/LiveValues.h"
#include "ui/Language.h"
#include "ui/STS_Record.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

// One object with chosen elements, refreshed the way the decoder does after each answer.
class RefreshTest : public ::testing::Test {
protected:
    RefreshTest()
    {
        texts.Diesel = QStringLiteral("Diesel");
        texts.Gas = QStringLiteral("Gas");
        texts.DIM_L = QStringLiteral("L");
        texts.Averaging = QStringLiteral("Averaging");
        texts.Averaging_Short = QStringLiteral("Avg");
        colours.general[Max_CurrData] = 0xFFFF0000;
        colours.general[OMR_Optimal] = 0xFF00FF00;
        colours.general[OMR_Over] = 0xFF404040;
        colours.general[OMR_CurrOptim] = 0xFF0000FF;
        colours.general[OMR_CurrOver] = 0xFFFFFF00;
        colours.general[RC_Petrol] = 0xFF800000;
        colours.general[RC_Gas] = 0xFF008000;
        in.live = &live;
        in.sts = &sts;
        in.colours = &colours;
        in.texts = &texts;
        in.connected = true;
        in.buttonDown = [this](int i) { return i == downButton; };
    }

    int object(int kind) { return model.addObject(kind, 1, {Geometry{200, 100, 0, 0}, Geometry{200, 100, 0, 0}}); }
    int element(int obj, int kind, int w = 100, int h = 50)
    {
        return model.addElement(obj, {kind, {Geometry{w, h, 0, 0}, Geometry{w, h, 0, 0}}, 0xFF112233, 0});
    }
    void refresh(int32_t v, int param)
    {
        live.setValue(param, v);
        refreshDashboard(model, in, state);
    }
    DashElement &image(int i) { return *model.images[size_t(i)]; }
    DashElement &text(int i) { return *model.texts[size_t(i)]; }

    DashboardModel model;
    LiveTable live;
    STS_Record sts;
    ColourTables colours;
    ReadyStrings texts;
    RefreshInputs in;
    DashboardDrawState state;
    int downButton = -1;
};

TEST(RefreshRules, TrendHistorySizeFollowsScaleDigits)
{
    struct Case {
        int32_t maximum;
        int size;
    } const cases[] = {{8000, 50}, {500, 62}, {60000, 41}, {1, 125}, {100, 62}};
    for (const Case &c : cases)
        EXPECT_EQ(trendHistorySize(c.maximum), c.size) << c.maximum;
}

TEST(RefreshRules, NumberFormatsPerObjectKind)
{
    LiveTable live;
    live[LV_RPM].decimals = 0;
    live[LV_Battery].decimals = 1;
    live[LV_PCollector].decimals = 2;
    live[LV_GasLevel].decimals = 2; // the gas level is always a plain integer
    struct Case {
        int kind;
        int64_t x;
        const char *text;
    } const cases[] = {
        {LV_RPM, 2500, "2500"},  {LV_Battery, 138, "13.8"},   {LV_Battery, -5, "-0.5"},
        {LV_PCollector, 105, "1.05"}, {LV_PCollector, 7, "0.07"}, {LV_GasLevel, 57, "57"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(formatObjectValue(c.kind, c.x, live), QString::fromLatin1(c.text)) << c.kind << " " << c.x;
}

TEST(RefreshRules, MaximumHoldsThirtyRefreshesThenFallsTenPercent)
{
    QString attrs;
    EXPECT_EQ(updateMaximum(attrs, 1000), 1000);
    for (int i = 0; i < 29; ++i)
        ASSERT_EQ(updateMaximum(attrs, 0), 1000) << "refresh " << i;
    EXPECT_EQ(updateMaximum(attrs, 0), 900);
    EXPECT_EQ(updateMaximum(attrs, 0), 810);
    EXPECT_EQ(updateMaximum(attrs, 0), 729);
    EXPECT_EQ(updateMaximum(attrs, 800), 800); // reached again: new hold
    EXPECT_EQ(readAttributeInt(attrs, 6), 30);
}

TEST(RefreshRules, MaximumBelowTenDoesNotFall)
{
    QString attrs = QStringLiteral(" 5: 9 6: 1");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(updateMaximum(attrs, 0), 9);
}

TEST(RefreshRules, MinimumRisesAfterHold)
{
    QString attrs = QStringLiteral(" 5: 65000");
    EXPECT_EQ(updateMinimum(attrs, 5), 5);
    for (int i = 0; i < 29; ++i)
        ASSERT_EQ(updateMinimum(attrs, 100), 5) << "refresh " << i;
    const int64_t expected[] = {15, 16, 17, 18, 19, 20, 22, 24, 26, 28, 30, 33};
    for (int64_t e : expected)
        EXPECT_EQ(updateMinimum(attrs, 100), e);
}

TEST(RefreshRules, MinimumNeverRisesAboveTheValue)
{
    QString small = QStringLiteral(" 5: 10 6: 1");
    EXPECT_EQ(updateMinimum(small, 10), 10); // 10 + 1 would pass the value
    QString large = QStringLiteral(" 5: 95 6: 1");
    EXPECT_EQ(updateMinimum(large, 100), 100);
}

TEST(RefreshRules, AveragingMeans)
{
    QString hint;
    EXPECT_EQ(updateAverage(hint, 10), 10);
    EXPECT_EQ(updateAverage(hint, 20), 15);
    EXPECT_EQ(updateAverage(hint, 30), 20);
    EXPECT_DOUBLE_EQ(readAttribute(hint, 1), 3);
    EXPECT_EQ(updateAverage(hint, 1), 15); // (20*3+1)/4 = 15.25, integer part
}

TEST(RefreshRules, FixingBarPeakHoldThenFall)
{
    QString attrs;
    ImageDrawState img;
    fixingBar(attrs, QSize(200, 20), false, 50, 100, true, 0xFFFF0000, img);
    EXPECT_DOUBLE_EQ(img.length, 100);
    EXPECT_DOUBLE_EQ(img.markerPos, 100);
    for (int i = 0; i < 29; ++i) {
        fixingBar(attrs, QSize(200, 20), false, 0, 100, true, 0xFFFF0000, img);
        ASSERT_DOUBLE_EQ(img.markerPos, 100) << "refresh " << i;
    }
    fixingBar(attrs, QSize(200, 20), false, 0, 100, true, 0xFFFF0000, img);
    EXPECT_DOUBLE_EQ(img.markerPos, 97);
    fixingBar(attrs, QSize(200, 20), false, 0, 100, true, 0xFFFF0000, img);
    EXPECT_DOUBLE_EQ(img.markerPos, 94);
    EXPECT_EQ(readAttributeInt(attrs, 6), 94);
}

TEST(RefreshRules, FixingBarWithoutDataKeepsPeakAndZeroMaximumCountsAsOne)
{
    QString attrs = QStringLiteral(" 6: 40 7: 5");
    ImageDrawState img;
    fixingBar(attrs, QSize(10, 80), true, 0.5, 0, false, 0, img);
    EXPECT_FALSE(img.marker);
    EXPECT_DOUBLE_EQ(img.length, 40);
    EXPECT_EQ(attrs, QStringLiteral(" 6: 40 7: 5"));
}

TEST_F(RefreshTest, FirstTrendRefreshIsFlatAndHistoryShifts)
{
    live[LV_RPM].maximum = 8000;
    const int a = object(LV_RPM);
    const int t = element(a, ElementKind::Trend);
    refresh(1200, LV_RPM);
    const ImageDrawState &img = state.images[size_t(t)];
    ASSERT_TRUE(img.changed);
    EXPECT_EQ(img.kind, ImageKind::Trend);
    ASSERT_EQ(img.samples.size(), 49u);
    for (int32_t s : img.samples)
        EXPECT_EQ(s, 1200);
    EXPECT_EQ(img.trendMax, 1200);
    EXPECT_EQ(image(t).hint.split(QLatin1Char(' '), Qt::SkipEmptyParts).size(), 50);
    EXPECT_TRUE(image(t).hint.endsWith(QLatin1Char(' ')));

    refresh(3000, LV_RPM);
    EXPECT_EQ(state.images[size_t(t)].samples.back(), 3000);
    EXPECT_EQ(state.images[size_t(t)].samples.front(), 1200);
    EXPECT_EQ(state.images[size_t(t)].trendMax, 3000);
    refresh(100, LV_RPM);
    EXPECT_EQ(state.images[size_t(t)].trendMax, 3000); // running maximum kept
    EXPECT_FALSE(state.images[size_t(t)].frame);
}

TEST_F(RefreshTest, TrendOfTemperatureStoresOffsetAndBrokenHistoryRestarts)
{
    live[LV_TGas].maximum = 500;
    const int a = object(LV_TGas);
    const int t = element(a, ElementKind::Trend);
    image(t).hint = QStringLiteral("9 1 2 3 ");
    refresh(-40, LV_TGas);
    ASSERT_EQ(state.images[size_t(t)].samples.size(), 61u);
    EXPECT_EQ(state.images[size_t(t)].samples.front(), 510);
    in.connected = false;
    refresh(20, LV_TGas);
    EXPECT_TRUE(state.images[size_t(t)].samples.empty()); // nothing drawn without data
    EXPECT_TRUE(image(t).hint.startsWith(QStringLiteral("510 510 ")));
}

TEST_F(RefreshTest, MinMaxTextsWithoutData)
{
    const int a = object(LV_RPM);
    const int mn = element(a, ElementKind::Minimum);
    const int mx = element(a, ElementKind::Maximum);
    in.connected = false;
    refresh(2000, LV_RPM);
    EXPECT_EQ(state.texts[size_t(mn)].text, QStringLiteral("Min"));
    EXPECT_EQ(state.texts[size_t(mx)].text, QStringLiteral("Max"));
    EXPECT_EQ(readAttributeInt(text(mn).attributes, 5), 65000);
    in.fileView = true;
    refresh(2000, LV_RPM);
    EXPECT_EQ(state.texts[size_t(mn)].text, QStringLiteral("2000"));
    EXPECT_EQ(state.texts[size_t(mx)].text, QStringLiteral("2000"));
    EXPECT_EQ(state.texts[size_t(mx)].colour, 0xFF112233u);
}

TEST_F(RefreshTest, GasLevelExtremesHiddenWhileReadingInvalid)
{
    const int a = object(LV_GasLevel);
    const int cur = element(a, ElementKind::Current);
    const int mx = element(a, ElementKind::Maximum);
    in.levelValid = false;
    in.levelStatusText = QStringLiteral("Collecting");
    refresh(40, LV_GasLevel);
    EXPECT_EQ(state.texts[size_t(cur)].text, QStringLiteral("Collecting"));
    EXPECT_TRUE(state.texts[size_t(cur)].wordWrap);
    EXPECT_TRUE(state.texts[size_t(cur)].fitFont);
    EXPECT_FALSE(state.texts[size_t(mx)].changed);
    EXPECT_EQ(readAttributeInt(text(mx).attributes, 5), -1);
}

TEST_F(RefreshTest, ValueTextAveragesWhileButtonDown)
{
    live[LV_RPM].decimals = 0;
    const int a = object(LV_RPM);
    const int cur = element(a, ElementKind::Current);
    const int b = element(a, ElementKind::Averaging);
    downButton = b;
    const char *expected[] = {"10", "15", "20"};
    const int values[] = {10, 20, 30};
    for (int i = 0; i < 3; ++i) {
        refresh(values[i], LV_RPM);
        EXPECT_EQ(state.texts[size_t(cur)].text, QString::fromLatin1(expected[i]));
    }
    downButton = -1;
    refresh(40, LV_RPM);
    EXPECT_EQ(state.texts[size_t(cur)].text, QStringLiteral("40"));
    EXPECT_TRUE(model.buttons[size_t(b)]->hint.isEmpty());
}

TEST_F(RefreshTest, GaugeOnlyForParametersOneToFourteen)
{
    const int kinds[] = {LV_GasLevel, LV_FuelShare, LV_Speed, ObjectKind::Picture};
    for (int k : kinds) {
        DashboardModel m;
        const int a = m.addObject(k, 1, {Geometry{200, 100, 0, 0}, Geometry{200, 100, 0, 0}});
        const int g = m.addElement(a, {ElementKind::OptimalMode, {Geometry{100, 20, 0, 0}, Geometry{100, 20, 0, 0}}, 0, 0});
        ASSERT_GE(g, 0);
        refreshDashboard(m, in, state);
        EXPECT_FALSE(state.images[size_t(g)].changed) << k;
    }
}

TEST_F(RefreshTest, GaugeBandAndMarker)
{
    live[LV_RPM].maximum = 8000;
    sts.OMR_Min[LV_RPM] = 2000;
    sts.OMR_Max[LV_RPM] = 4000;
    const int a = object(LV_RPM);
    const int g = element(a, ElementKind::OptimalMode, 200, 20);
    refresh(3000, LV_RPM);
    const ImageDrawState &img = state.images[size_t(g)];
    EXPECT_FALSE(img.vertical);
    EXPECT_DOUBLE_EQ(img.bandLow, 50);
    EXPECT_DOUBLE_EQ(img.bandHigh, 100);
    EXPECT_DOUBLE_EQ(img.markerPos, 75);
    EXPECT_EQ(img.markerColour, colours.general[OMR_CurrOptim]);
    refresh(6000, LV_RPM);
    EXPECT_EQ(state.images[size_t(g)].markerColour, colours.general[OMR_CurrOver]);
    in.connected = false;
    refresh(6000, LV_RPM);
    EXPECT_DOUBLE_EQ(state.images[size_t(g)].markerPos, 75); // middle of the band
}

TEST_F(RefreshTest, FuelTextsTable)
{
    struct Case {
        bool connected, fileView, gas;
        int32_t v16, v17, v18, v19;
        const char *label, *shares, *amounts;
    } const cases[] = {
        {true, false, true, 0, 0, 0, 0, "Diesel / Gas", "0 % / 100 %", "0.0 L / 0.0 L"},
        {true, false, true, 0, 30, 0, 500, "Diesel / Gas", "62 % / 38 %", "5.0 L / 3.0 L"},
        {true, false, false, 0, 30, 120, 500, "Diesel", "100 %", "1.2 L"},
        {false, true, false, 100, 30, 120, 500, "Diesel", "100 %", "1.2 L"},
        {false, true, false, 40, 30, 120, 500, "Diesel / Gas", "40 % / 60 %", "5.0 L / 3.0 L"},
        {false, false, false, 40, 30, 120, 500, "Diesel / Gas", "50 % / 50 %", "5 L / 5 L"},
    };
    const int a = object(ObjectKind::Fuel);
    const int lab = element(a, ElementKind::FuelLabel);
    const int sh = element(a, ElementKind::FuelShares);
    const int am = element(a, ElementKind::FuelAmounts);
    for (const Case &c : cases) {
        in.connected = c.connected;
        in.fileView = c.fileView;
        in.gasOperation = c.gas;
        live.setValue(16, c.v16);
        live.setValue(17, c.v17);
        live.setValue(18, c.v18);
        live.setValue(19, c.v19);
        refreshDashboard(model, in, state);
        EXPECT_EQ(state.texts[size_t(lab)].text, QString::fromLatin1(c.label)) << c.label;
        EXPECT_EQ(state.texts[size_t(sh)].text, QString::fromLatin1(c.shares)) << c.shares;
        EXPECT_EQ(state.texts[size_t(am)].text, QString::fromLatin1(c.amounts)) << c.amounts;
    }
}

TEST_F(RefreshTest, SplitBarRunningMaximum)
{
    in.gasOperation = true;
    const int a = object(ObjectKind::Fuel);
    const int sb = element(a, ElementKind::FuelSplit, 100, 100);
    writeAttribute(image(sb).attributes, 6, 10);
    live.setValue(17, 30);  // gas amount
    live.setValue(19, 500); // diesel amount 50
    refreshDashboard(model, in, state);
    EXPECT_EQ(readAttributeInt(image(sb).attributes, 6), 50);
    const ImageDrawState &img = state.images[size_t(sb)];
    EXPECT_DOUBLE_EQ(img.splitEdge, 62); // diesel share 62 %
    // Drawn with the maximum read before this refresh: both tops clipped to the full height.
    EXPECT_DOUBLE_EQ(img.petrolTop, 0);
    EXPECT_DOUBLE_EQ(img.gasTop, 0);
    refreshDashboard(model, in, state);
    EXPECT_DOUBLE_EQ(state.images[size_t(sb)].petrolTop, 0);
    EXPECT_DOUBLE_EQ(state.images[size_t(sb)].gasTop, 40);

    resetSplitMaxima(model);
    EXPECT_EQ(readAttributeInt(image(sb).attributes, 6), 0);
}

TEST(RefreshRules, SplitBarTopEdges)
{
    ColourTables colours;
    ImageDrawState img;
    QString absent;
    splitBar(absent, {0, 40}, QSize(100, 100), colours, img);
    EXPECT_DOUBLE_EQ(img.petrolTop, 90); // no stored maximum: the 10 % minimum bar
    EXPECT_DOUBLE_EQ(img.gasTop, -1);    // amount 0: no bar
    QString zero = QStringLiteral(" 6: 0");
    splitBar(zero, {5, 40}, QSize(100, 100), colours, img);
    EXPECT_DOUBLE_EQ(img.petrolTop, 0);
    EXPECT_EQ(readAttributeInt(zero, 6), 40);
}

TEST_F(RefreshTest, FuelAveragingStepAndAveragedAmounts)
{
    in.gasOperation = true;
    const int a = object(ObjectKind::Fuel);
    const int am = element(a, ElementKind::FuelAmounts);
    const int fb = element(a, ElementKind::FuelAveraging);
    ASSERT_GE(fb, 0);
    const std::vector<int> timers = model.findElements(a, ElementKind::FuelTimer);
    ASSERT_EQ(timers.size(), 1u);
    downButton = fb;
    live.setValue(17, 20);
    live.setValue(19, 300);
    refreshDashboard(model, in, state);
    const QString &hint = model.buttons[size_t(fb)]->hint;
    EXPECT_DOUBLE_EQ(readAttribute(hint, 1), 1);
    EXPECT_DOUBLE_EQ(readAttribute(hint, 3), 30);
    EXPECT_EQ(state.timers[size_t(timers[0])].action, TimerAction::Start);
    EXPECT_EQ(state.buttons[size_t(fb)].text, QStringLiteral("Avg ... 00:00:00"));

    live.setValue(19, 400);
    live.setValue(17, 40);
    in.fuelTimerSeconds = 65;
    refreshDashboard(model, in, state);
    EXPECT_DOUBLE_EQ(readAttribute(hint, 1), 2);
    EXPECT_DOUBLE_EQ(readAttribute(hint, 3), 35);
    EXPECT_DOUBLE_EQ(readAttribute(hint, 2), 30);
    EXPECT_FALSE(state.timers[size_t(timers[0])].changed);
    EXPECT_EQ(state.buttons[size_t(fb)].text, QStringLiteral("Avg ... 00:01:05"));
    // The amounts text, refreshed before the button in this object, used the first means.
    EXPECT_EQ(state.texts[size_t(am)].text, QStringLiteral("3.0 L / 2.0 L"));
    refreshDashboard(model, in, state);
    EXPECT_EQ(state.texts[size_t(am)].text, QStringLiteral("3.5 L / 3.0 L"));

    downButton = -1;
    refreshDashboard(model, in, state);
    EXPECT_TRUE(model.buttons[size_t(fb)]->hint.isEmpty());
    EXPECT_EQ(state.buttons[size_t(fb)].text, QStringLiteral("Averaging"));
    EXPECT_EQ(state.timers[size_t(timers[0])].action, TimerAction::Stop);
}

TEST_F(RefreshTest, ProgressBarsAndLoggerStep)
{
    live[LV_Speed].maximum = 250;
    const int a = object(LV_Speed);
    const int b = element(a, ElementKind::BarHorizontal);
    int steps = 0;
    in.loggerStep = [&steps] { ++steps; };
    refresh(88, LV_Speed);
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(state.bars[size_t(b)].value, 88);
    EXPECT_EQ(state.bars[size_t(b)].maximum, 250);
    in.connected = false;
    refresh(88, LV_Speed);
    EXPECT_EQ(steps, 1); // the logger runs only while connected
}

TEST_F(RefreshTest, DefaultDashboardRefreshesValuesAndLeavesScopesAlone)
{
    readLayout(model, defaultLayoutIni());
    ASSERT_GT(model.objectCount(), 0);
    for (int answer = 0; answer < 100; ++answer) {
        live.setValue(LV_RPM, 800 + answer * 10);
        refreshDashboard(model, in, state);
    }
    int values = 0;
    for (const auto &obj : model.objects) {
        if (!obj)
            continue;
        for (const ContentEntry &e : parseContentList(obj->content)) {
            if (e.kind == ElementKind::Current) {
                ++values;
                EXPECT_TRUE(state.texts[e.index].changed);
            }
            if (e.kind >= ElementKind::OscDiagram && controlClassOf(e.kind) == ControlClass::Image) {
                EXPECT_FALSE(state.images[e.index].changed);
            }
        }
    }
    EXPECT_GT(values, 0);
}

} // namespace
} // namespace qn
