#include "dashboard/DashboardWidget.h"

#include "dashboard/DefaultLayout.h"
#include "dashboard/LayoutFile.h"
#include "data/LiveValues.h"
#include "platform/TTimer.h"
#include "ui/Language.h"
#include "ui/QtTextMeasure.h"
#include "ui/STS_Record.h"
#include "ui/TextFit.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include <map>

namespace qn {
namespace {

bool anyPixelSet(const QImage &img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) != 0)
                return true;
    return false;
}

class DashboardWidgetTest : public ::testing::Test {
protected:
    DashboardWidgetTest()
    {
        sts.FNT_Family = QStringLiteral("Sans");
        sts.FNT_Size = 12;
        layoutPath = dir.filePath(QStringLiteral("default.loc"));
        EXPECT_TRUE(writeDefaultLayout(layoutPath, sts));
    }

    // Loads the default layout into the model with the given active set and builds it.
    void buildDefault(int activeSet = 1)
    {
        model.clear();
        model.activeSet = uint8_t(activeSet);
        ASSERT_TRUE(loadLayoutFile(model, layoutPath));
        dash.build();
    }

    // The control of a content-list entry, whatever its class.
    QWidget *controlOf(const ContentEntry &e) const
    {
        return dash.control(listOf(controlClassOf(e.kind)), e.index);
    }

    // The first element of `kind` in object a: its control.
    QWidget *firstOf(int a, int kind) const
    {
        const std::vector<int> found = model.findElements(a, kind);
        return found.empty() ? nullptr : dash.control(listOf(controlClassOf(kind)), found.front());
    }

    int panelCount() const
    {
        int n = 0;
        for (const auto &p : pages)
            for (QFrame *f : p->findChildren<QFrame *>(Qt::FindDirectChildrenOnly))
                n += f->objectName().startsWith(QStringLiteral("BoxP_")) ? 1 : 0;
        return n;
    }

    QTemporaryDir dir;
    QString layoutPath;
    STS_Record sts;
    LiveTable live;
    Language language{sts, dir.path(), QStringLiteral("en")};
    DashboardModel model;
    VirtualClock clock; // outlives the dashboard's fuel timers
    std::array<std::unique_ptr<QWidget>, PageCount> pages = [] {
        std::array<std::unique_ptr<QWidget>, PageCount> p;
        for (auto &w : p) {
            w = std::make_unique<QWidget>();
            w->resize(800, 600);
        }
        return p;
    }();
    DashboardWidget::Pages raw = [this] {
        DashboardWidget::Pages r{};
        for (size_t p = 0; p < PageCount; ++p)
            r[p] = pages[p].get();
        return r;
    }();
    DashboardWidget dash{model, live, sts, language, raw};
};

TEST_F(DashboardWidgetTest, EveryDefaultObjectGetsAPanelOnItsPage)
{
    buildDefault();
    const std::vector<DefaultObject> &objects = defaultLayoutObjects();
    ASSERT_EQ(objects.size(), 29u);
    EXPECT_EQ(panelCount(), 29);
    for (size_t a = 0; a < objects.size(); ++a) {
        SCOPED_TRACE(a);
        QFrame *panel = dash.objectPanel(int(a));
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->objectName(), QStringLiteral("BoxP_") + QString::number(a));
        EXPECT_EQ(panel->parentWidget(), raw[objects[a].page]);
        EXPECT_EQ(panel->geometry(), QRect(objects[a].x, objects[a].y, objects[a].width, objects[a].height));
        EXPECT_EQ(panel->contentsMargins(), QMargins(4, 4, 4, 4));
    }
    EXPECT_EQ(dash.objectPanel(29), nullptr);
}

TEST_F(DashboardWidgetTest, EveryElementGetsTheControlOfItsKindNamedByItsIndex)
{
    buildDefault();
    std::map<ControlClass, int> built;
    for (size_t a = 0; a < model.objects.size(); ++a) {
        QFrame *panel = dash.objectPanel(int(a));
        for (const ContentEntry &e : parseContentList(model.object(int(a))->content)) {
            SCOPED_TRACE(QStringLiteral("object %1 kind %2 index %3").arg(a).arg(e.kind).arg(e.index).toStdString());
            const ControlClass cls = controlClassOf(e.kind);
            QWidget *w = controlOf(e);
            if (cls == ControlClass::Timer) {
                EXPECT_EQ(w, nullptr);
                EXPECT_EQ(model.object(int(a))->kind, ObjectKind::Fuel);
                continue;
            }
            ASSERT_NE(w, nullptr);
            ++built[cls];
            EXPECT_EQ(w->parentWidget(), panel);
            EXPECT_EQ(w->objectName(), controlName(listOf(cls), e.index));
            switch (cls) {
            case ControlClass::Text:
                EXPECT_NE(qobject_cast<QLabel *>(w), nullptr);
                break;
            case ControlClass::Button:
                EXPECT_NE(qobject_cast<QToolButton *>(w), nullptr);
                break;
            case ControlClass::ProgressBar:
                EXPECT_NE(qobject_cast<QProgressBar *>(w), nullptr);
                break;
            case ControlClass::Image:
                EXPECT_NE(dynamic_cast<DashImageWidget *>(w), nullptr);
                break;
            case ControlClass::TrackBar:
                EXPECT_NE(qobject_cast<QSlider *>(w), nullptr);
                break;
            default:
                ADD_FAILURE() << "unexpected class";
            }
        }
    }
    const auto filled = [](const auto &list) {
        return int(std::count_if(list.begin(), list.end(), [](const auto &e) { return e.has_value(); }));
    };
    EXPECT_EQ(built[ControlClass::Text], filled(model.texts));
    EXPECT_EQ(built[ControlClass::Button], filled(model.buttons));
    EXPECT_EQ(built[ControlClass::ProgressBar], filled(model.bars));
    EXPECT_EQ(built[ControlClass::Image], filled(model.images));
    EXPECT_EQ(built[ControlClass::TrackBar], filled(model.tracks));
    EXPECT_GT(built[ControlClass::Text], 29);
    EXPECT_EQ(built[ControlClass::TrackBar], 2); // one per oscilloscope
}

TEST_F(DashboardWidgetTest, ControlsAreSetUpByElementKind)
{
    buildDefault();
    for (size_t a = 0; a < model.objects.size(); ++a) {
        const DashObject *o = model.object(int(a));
        for (const ContentEntry &e : parseContentList(o->content)) {
            SCOPED_TRACE(QStringLiteral("object %1 kind %2").arg(a).arg(e.kind).toStdString());
            QWidget *w = controlOf(e);
            if (auto *label = qobject_cast<QLabel *>(w)) {
                EXPECT_EQ(label->textFormat(), Qt::PlainText);
                EXPECT_EQ(label->wordWrap(), e.kind == ElementKind::LongName);
                EXPECT_EQ(label->font().family(), sts.FNT_Family);
                EXPECT_EQ(label->palette().color(QPalette::WindowText).rgba(), model.element(e)->colour());
                if (e.kind == ElementKind::LongName) {
                    EXPECT_EQ(label->text(), longNameWithUnit(o->kind, language, false));
                }
            } else if (auto *bar = qobject_cast<QProgressBar *>(w)) {
                EXPECT_EQ(bar->orientation(), e.kind == ElementKind::BarVertical ? Qt::Vertical : Qt::Horizontal);
                EXPECT_EQ(bar->maximum(), live[o->kind].maximum);
            } else if (auto *b = qobject_cast<QToolButton *>(w)) {
                static const std::map<int, std::pair<QString, bool>> captions{
                    {ElementKind::Averaging, {QStringLiteral("Averaging"), true}},
                    {ElementKind::FuelAveraging, {QStringLiteral("Averaging"), true}},
                    {ElementKind::OscButton, {QStringLiteral("Scale"), false}},
                    {ElementKind::OscExpand, {QStringLiteral("< >"), false}},
                    {ElementKind::OscSqueeze, {QStringLiteral("> <"), false}},
                    {ElementKind::OscStart, {QStringLiteral("Start"), true}},
                    {ElementKind::OscLoad, {QStringLiteral("Load"), false}},
                    {ElementKind::OscShow, {QStringLiteral("Show"), false}},
                };
                ASSERT_EQ(captions.count(e.kind), 1u);
                EXPECT_EQ(b->text(), captions.at(e.kind).first);
                EXPECT_EQ(b->isCheckable(), captions.at(e.kind).second);
                EXPECT_EQ(b->autoRepeat(), e.kind >= ElementKind::OscButton && e.kind <= ElementKind::OscSqueeze);
            } else if (auto *t = qobject_cast<QSlider *>(w)) {
                EXPECT_TRUE(t->isHidden()); // shown only while a recording is loaded
            } else if (auto *img = dynamic_cast<DashImageWidget *>(w)) {
                EXPECT_EQ(img->bitmap().size(), img->size());
            }
        }
    }
}

TEST_F(DashboardWidgetTest, TextFontsAreFittedToTheirBoxes)
{
    buildDefault();
    const QtTextMeasure m(sts.FNT_Family, sts.FNT_Style);
    // Object 4: a long name 122 x 40 and a value 122 x 55.
    auto *name = qobject_cast<QLabel *>(firstOf(4, ElementKind::LongName));
    auto *value = qobject_cast<QLabel *>(firstOf(4, ElementKind::Current));
    ASSERT_NE(name, nullptr);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->font().pointSize(), boxFit(QStringLiteral("00000"), 122, 55, sts.FNT_Size, m));
    EXPECT_EQ(name->font().pointSize(), textFit(name->text(), 122, 40, sts.FNT_Size, m));
    EXPECT_NE(value->font().pointSize(), sts.FNT_Size);
}

struct GeometryCase {
    int activeSet;
    int object;
    int kind; // first element of this kind in the object; -1 for the panel itself
    QRect expected;
};

class DashboardGeometryTest : public DashboardWidgetTest, public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(DashboardGeometryTest, ControlsTakeTheActiveSetOrItsFallback)
{
    const GeometryCase c = GetParam();
    buildDefault(c.activeSet);
    QWidget *w = c.kind < 0 ? dash.objectPanel(c.object) : firstOf(c.object, c.kind);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), c.expected);
}

// Set 1 is written by the default layout; set 2 is absent and falls back to 30 % by 20 % of the
// new panel (160 x 100) at 4,4 for the object, and 30 % by 20 % of that object for its elements.
INSTANTIATE_TEST_SUITE_P(DefaultLayout, DashboardGeometryTest,
                         ::testing::Values(GeometryCase{1, 0, -1, QRect(1, 2, 100, 28)},
                                           GeometryCase{1, 0, ElementKind::BarVertical, QRect(81, 2, 15, 26)},
                                           GeometryCase{1, 5, -1, QRect(138, 4, 150, 136)},
                                           GeometryCase{1, 5, ElementKind::Current, QRect(4, 40, 142, 55)},
                                           GeometryCase{1, 13, ElementKind::OptimalMode, QRect(4, 49, 72, 211)},
                                           GeometryCase{2, 0, -1, QRect(4, 4, 48, 20)},
                                           GeometryCase{2, 0, ElementKind::LongName, QRect(4, 4, 14, 4)},
                                           GeometryCase{2, 5, ElementKind::Current, QRect(4, 4, 14, 4)}));

TEST_F(DashboardWidgetTest, ClearFreesEveryControlAndEmptiesTheModel)
{
    buildDefault();
    ASSERT_EQ(panelCount(), 29);
    QPointer<QLabel> someText = dash.text(0);
    ASSERT_TRUE(someText);
    dash.clear();
    EXPECT_EQ(panelCount(), 0);
    EXPECT_TRUE(someText.isNull());
    EXPECT_EQ(model.objectCount(), 0);
    EXPECT_TRUE(model.texts.empty());
    EXPECT_EQ(dash.objectPanel(0), nullptr);
    EXPECT_EQ(dash.text(0), nullptr);
    for (const auto &p : pages)
        EXPECT_TRUE(p->findChildren<QWidget *>().isEmpty());
}

TEST_F(DashboardWidgetTest, RebuildReplacesTheControls)
{
    buildDefault();
    dash.build();
    EXPECT_EQ(panelCount(), 29);
    EXPECT_EQ(raw[0]->findChildren<QLabel *>(QStringLiteral("Name_0")).size(), 1);
}

TEST_F(DashboardWidgetTest, DeleteObjectFreesOnlyThatObject)
{
    buildDefault();
    const std::vector<ContentEntry> entries = parseContentList(model.object(2)->content);
    std::vector<QPointer<QWidget>> gone;
    for (const ContentEntry &e : entries)
        if (QWidget *w = controlOf(e))
            gone.emplace_back(w);
    ASSERT_FALSE(gone.empty());
    QPointer<QFrame> panel = dash.objectPanel(2);
    dash.deleteObject(2);
    EXPECT_TRUE(panel.isNull());
    for (const auto &w : gone)
        EXPECT_TRUE(w.isNull());
    EXPECT_EQ(model.object(2), nullptr);
    EXPECT_EQ(panelCount(), 28);
    EXPECT_NE(dash.objectPanel(3), nullptr);
    EXPECT_NE(firstOf(3, ElementKind::LongName), nullptr);
    dash.deleteObject(2); // already gone: nothing happens
    dash.deleteObject(200);
    EXPECT_EQ(panelCount(), 28);
}

TEST_F(DashboardWidgetTest, RescaleFollowsTheWindowProportionally)
{
    buildDefault();
    WindowSizes remembered{QSizeF(400, 300), QSizeF(600, 50)};
    const RescaleFactors f = dash.rescale(remembered, WindowSizes{QSizeF(800, 450), QSizeF(600, 100)});
    EXPECT_DOUBLE_EQ(f.fx, 2.0);
    EXPECT_DOUBLE_EQ(f.fy, 1.5);
    EXPECT_DOUBLE_EQ(f.bx, 1.0);
    EXPECT_DOUBLE_EQ(f.by, 2.0);
    EXPECT_EQ(remembered.page, QSizeF(800, 450));

    // Object 5 (page 1) at 138,4 with 150 x 136: x scaled, y at the edge kept.
    EXPECT_EQ(dash.objectPanel(5)->geometry(), QRect(276, 4, 300, 204));
    EXPECT_EQ(firstOf(5, ElementKind::Current)->geometry(), QRect(8, 60, 284, 83));
    EXPECT_EQ(model.object(5)->rect, QRect(276, 4, 300, 204));
    // Object 0 (bottom panel) at 1,2: both at the edge, only the height doubles.
    EXPECT_EQ(dash.objectPanel(0)->geometry(), QRect(1, 2, 100, 56));
    EXPECT_EQ(firstOf(0, ElementKind::BarVertical)->geometry(), QRect(81, 4, 15, 52));
    // The refresh measures in the controls' pixels: the model follows the controls.
    const int bar = model.findElements(0, ElementKind::BarVertical).front();
    EXPECT_EQ(model.bars[size_t(bar)]->rect, QRect(81, 4, 15, 52));

    // And back again: no drift from rounding.
    dash.rescale(remembered, WindowSizes{QSizeF(400, 300), QSizeF(600, 50)});
    EXPECT_EQ(dash.objectPanel(5)->geometry(), QRect(138, 4, 150, 136));
    EXPECT_EQ(firstOf(5, ElementKind::Current)->geometry(), QRect(4, 40, 142, 55));
}

TEST_F(DashboardWidgetTest, SetObjectRectScalesItsElementsFromTheDesign)
{
    buildDefault();
    dash.setObjectRect(5, QRect(10, 20, 75, 68));
    EXPECT_EQ(dash.objectPanel(5)->geometry(), QRect(10, 20, 75, 68));
    EXPECT_EQ(firstOf(5, ElementKind::Current)->geometry(), QRect(2, 20, 71, 28));
    // A size of nothing still leaves every control at least one pixel.
    dash.setObjectRect(5, QRect(10, 20, 0, 0));
    EXPECT_EQ(dash.objectPanel(5)->size(), QSize(1, 1));
    QWidget *value = firstOf(5, ElementKind::Current);
    EXPECT_GE(value->width(), 1);
    EXPECT_GE(value->height(), 1);
}

// A model that never came from a file: sizes of nothing, no design geometry, a progress bar on an
// object without a parameter, a page that has no container.
TEST_F(DashboardWidgetTest, BadModelValuesStillBuildEveryObjectTheyCan)
{
    model.clear();
    const int a = model.addObject(ObjectKind::Picture, 3, {Geometry{0, 0, 5, 5}, Geometry{}});
    ASSERT_GE(a, 0);
    ElementInit bar;
    bar.kind = ElementKind::BarHorizontal;
    bar.geometry = {Geometry{0, -3, 2, 2}, Geometry{}};
    const int barIndex = model.addElement(a, bar);
    ASSERT_GE(barIndex, 0);
    model.object(a)->attributes.clear(); // no page, no design size
    const int b = model.addObject(ObjectKind::FirstParameter, 4, {Geometry{50, 40, 0, 0}, Geometry{}});
    const int c = model.addObject(ObjectKind::Picture, 9, {Geometry{20, 20, 1, 1}, Geometry{}});
    raw[4] = nullptr;
    DashboardWidget d(model, live, sts, language, raw);
    d.build();

    QFrame *panel = d.objectPanel(a);
    ASSERT_NE(panel, nullptr);
    EXPECT_GE(panel->width(), 1);
    EXPECT_GE(panel->height(), 1);
    QProgressBar *pb = d.bar(barIndex);
    ASSERT_NE(pb, nullptr);
    EXPECT_GE(pb->width(), 1);
    EXPECT_GE(pb->height(), 1);
    EXPECT_EQ(pb->maximum(), 1); // not the busy indicator a range of 0..0 gives
    EXPECT_EQ(d.objectPanel(b), nullptr); // its page has no container
    ASSERT_NE(d.objectPanel(c), nullptr);
    EXPECT_EQ(d.objectPanel(c)->parentWidget(), raw[2]); // page 9 shows on page 2 ...
    EXPECT_EQ(model.object(c)->page(), 9);                // ... and keeps its number

    d.setBarValue(barIndex, 500, 0);
    EXPECT_EQ(pb->value(), 1);
    d.setBarValue(barIndex, -7, 100);
    EXPECT_EQ(pb->value(), 0);
    WindowSizes nothing{QSizeF(0, 0), QSizeF(0, 0)};
    d.rescale(nothing, WindowSizes{QSizeF(100, 100), QSizeF(0, 0)});
    EXPECT_GE(pb->width(), 1);
}

TEST_F(DashboardWidgetTest, RefreshShowsValuesBarsAndImages)
{
    buildDefault();
    live.setValue(LV_GasLevel, 37);
    const ReadyStrings &ready = language.ready();
    ColourTables colours;
    RefreshInputs in;
    in.live = &live;
    in.sts = &sts;
    in.colours = &colours;
    in.texts = &ready;
    in.connected = true;
    dash.refresh(in);

    // Object 0: gas level, value text and vertical bar.
    auto *value = qobject_cast<QLabel *>(firstOf(0, ElementKind::Current));
    auto *bar = qobject_cast<QProgressBar *>(firstOf(0, ElementKind::BarVertical));
    ASSERT_NE(value, nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(value->text(), QStringLiteral("37"));
    EXPECT_EQ(bar->value(), 37);
    // Object 3: trend graph painted at its size.
    auto *trend = dynamic_cast<DashImageWidget *>(firstOf(3, ElementKind::Trend));
    ASSERT_NE(trend, nullptr);
    EXPECT_EQ(trend->bitmap().size(), QSize(100, 24));
    EXPECT_TRUE(anyPixelSet(trend->bitmap())); // the flat line of the first sample

    live.setValue(LV_GasLevel, 38);
    dash.refresh(in);
    EXPECT_EQ(value->text(), QStringLiteral("38"));
    EXPECT_EQ(bar->value(), 38);
}

TEST_F(DashboardWidgetTest, ApplyRefreshTouchesOnlyChangedStates)
{
    buildDefault();
    DashboardDrawState s;
    s.texts.resize(model.texts.size());
    s.bars.resize(model.bars.size());
    s.texts[1] = TextDrawState{true, QStringLiteral("<b>12</b>"), 0xFF00FF00, false, false};
    s.texts[2] = TextDrawState{false, QStringLiteral("not shown"), 0xFF00FF00, false, false};
    s.bars[0] = BarDrawState{true, 9000, 50};
    const QString before = dash.text(2)->text();
    dash.applyRefresh(s);
    EXPECT_EQ(dash.text(1)->text(), QStringLiteral("<b>12</b>"));
    EXPECT_EQ(dash.text(1)->textFormat(), Qt::PlainText);
    EXPECT_EQ(dash.text(1)->palette().color(QPalette::WindowText).rgba(), 0xFF00FF00u);
    EXPECT_EQ(dash.text(2)->text(), before);
    EXPECT_EQ(dash.bar(0)->maximum(), 50);
    EXPECT_EQ(dash.bar(0)->value(), 50);
    // States for more elements than the dashboard has are ignored.
    s.texts.resize(model.texts.size() + 10, TextDrawState{true, QStringLiteral("x"), 0, false, false});
    dash.applyRefresh(s);
}

TEST_F(DashboardWidgetTest, FuelTimerCountsSecondsBetweenStartAndStop)
{
    dash.setTimerHost(&clock);
    buildDefault();
    int timer = -1;
    for (size_t i = 0; i < model.timers.size(); ++i)
        if (model.timers[i]) {
            timer = int(i);
            break;
        }
    ASSERT_GE(timer, 0);
    DashboardDrawState s;
    s.timers.resize(model.timers.size());
    s.timers[size_t(timer)] = TimerDrawState{true, TimerAction::Start};
    dash.applyRefresh(s);
    EXPECT_TRUE(dash.fuelTimerRunning(timer));
    clock.advance(3500);
    EXPECT_EQ(dash.fuelTimerSeconds(timer), 3);
    s.timers[size_t(timer)] = TimerDrawState{true, TimerAction::Stop};
    dash.applyRefresh(s);
    EXPECT_FALSE(dash.fuelTimerRunning(timer));
    clock.advance(5000);
    EXPECT_EQ(dash.fuelTimerSeconds(timer), 3);
    s.timers[size_t(timer)] = TimerDrawState{true, TimerAction::Start};
    dash.applyRefresh(s);
    EXPECT_EQ(dash.fuelTimerSeconds(timer), 0);
}

TEST_F(DashboardWidgetTest, EventsNameTheElementThatRaisedThem)
{
    buildDefault();
    std::vector<std::pair<DashList, int>> pressed;
    std::vector<std::pair<int, bool>> clicked;
    QObject::connect(&dash, &DashboardWidget::pointerPressed,
                     [&](DashList l, int i, QPointF) { pressed.emplace_back(l, i); });
    QObject::connect(&dash, &DashboardWidget::buttonClicked, [&](int i, bool d) { clicked.emplace_back(i, d); });

    QLabel *label = dash.text(4);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &press);
    ASSERT_EQ(pressed.size(), 1u); // the panel under the text does not report it again
    EXPECT_EQ(pressed[0], std::make_pair(DashList::Texts, 4));

    const int averaging = model.findElements(16, ElementKind::Averaging).front();
    dash.button(averaging)->click();
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], std::make_pair(averaging, true));
    EXPECT_TRUE(dash.buttonDown(averaging));
}

} // namespace
} // namespace qn
