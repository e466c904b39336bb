#include "app/MessageBar.h"

#include "platform/TTimer.h"
#include "ui/Language.h"
#include "ui/STS_Record.h"
#include "ui/TextFit.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

using namespace qn;

namespace {

// Everything the bar tells the program, in the order it happened, with the virtual time.
struct Call {
    std::string what; // "post", "end", "button"
    int a = 0;
    int b = 0;
    int64_t at = 0;
    bool operator==(const Call &o) const { return what == o.what && a == o.a && b == o.b && at == o.at; }
};

std::ostream &operator<<(std::ostream &os, const Call &c)
{
    return os << c.what << "(" << c.a << "," << c.b << ")@" << c.at;
}

class MessageBarTest : public ::testing::Test {
protected:
    MessageBarTest()
    {
        // A language of its own, so that translated and literal texts can be told apart.
        QFile f(dir.filePath(QStringLiteral("Test.lng")));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[LNG]\nYes=Ja\nNo=Nein\nCancel=Abbrechen\nSet=Setzen\n"
                "MSG_Connect_Start=Verbinden ...\nMSG_Connect_Failed=Keine Verbindung\n");
        f.close();
        sts.Run_App = true;
        sts.Language = QStringLiteral("Test");
        colours.general[Msg_Action] = 0xFF000001;
        colours.general[Msg_Complite] = 0xFF000002;
        colours.general[Msg_Warning] = 0xFF000003;
        colours.general[Msg_Error] = 0xFF000004;
        bar.postEvent = [this](int code, int delay) { calls.push_back({"post", code, delay, clock.nowMs()}); };
        bar.onCountdownEnded = [this](int kind) { calls.push_back({"end", kind, 0, clock.nowMs()}); };
        bar.onButton = [this](int code, int kind) { calls.push_back({"button", code, kind, clock.nowMs()}); };
        bar.onChanged = [this] { ++changes; };
    }

    int count(const std::string &what) const
    {
        int n = 0;
        for (const Call &c : calls)
            n += c.what == what;
        return n;
    }

    QTemporaryDir dir;
    STS_Record sts;
    Language lang{sts, dir.path(), QStringLiteral("en")};
    ColourTables colours;
    VirtualClock clock;
    MessageBar bar{clock, lang, colours};
    std::vector<Call> calls;
    int changes = 0;
};

struct KindCase {
    int kind;
    int steps;
    std::vector<int> buttons;
};

class MessageKinds : public MessageBarTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(MessageKinds, CountdownEndsOneTickAfterZeroThenClosesAndActs)
{
    const KindCase &c = GetParam();
    const MessageKindInfo info = messageKindInfo(c.kind);
    EXPECT_EQ(info.countdownSteps, c.steps);
    EXPECT_EQ(info.buttons, c.buttons);

    bar.show(false, c.kind, QStringLiteral("text"), 0xFF123456);
    EXPECT_EQ(bar.shownKind(), c.kind);
    EXPECT_EQ(bar.countdownMax(), c.steps);
    EXPECT_EQ(bar.countdownValue(), c.steps);
    ASSERT_EQ(bar.buttons().size(), c.buttons.size());
    for (size_t i = 0; i < c.buttons.size(); ++i)
        EXPECT_EQ(bar.buttons()[i].code, c.buttons[i]);

    if (c.steps == 0) {
        // Stays until a button or another message.
        clock.advance(100000);
        EXPECT_TRUE(calls.empty());
        EXPECT_EQ(bar.shownKind(), c.kind);
        EXPECT_FALSE(bar.timer().enabled());
        return;
    }
    clock.advance(c.steps * 100);
    EXPECT_EQ(bar.countdownValue(), 0);
    EXPECT_TRUE(calls.empty());
    clock.advance(99);
    EXPECT_TRUE(calls.empty());
    clock.advance(1);
    const int64_t end = (c.steps + 1) * 100;
    // The close is posted before the kind's end action runs.
    EXPECT_EQ(calls, (std::vector<Call>{{"post", 3, 100, end}, {"end", c.kind, 0, end}}));
    EXPECT_FALSE(bar.timer().enabled());
    EXPECT_EQ(bar.shownKind(), c.kind); // until event 3 is served
    bar.closeFromEvent();
    EXPECT_EQ(bar.shownKind(), 0);
    EXPECT_FALSE(bar.visible());
    clock.advance(100000);
    EXPECT_EQ(calls.size(), 2u);
}

using namespace MsgButton;
INSTANTIATE_TEST_SUITE_P(
    Table, MessageKinds,
    ::testing::Values(KindCase{2, 10, {}}, KindCase{3, 20, {}}, KindCase{5, 0, {Ok}},
                      KindCase{7, 20, {Ok}}, KindCase{20, 30, {}}, KindCase{21, 10, {}},
                      KindCase{22, 200, {Cancel}}, KindCase{23, 10, {}}, KindCase{24, 10, {}},
                      KindCase{25, 0, {Yes, No}}, KindCase{26, 0, {Yes, No}},
                      KindCase{27, 0, {Yes, No}}, KindCase{29, 0, {Yes, No}},
                      KindCase{30, 0, {Yes, No}}, KindCase{31, 0, {Yes, No}},
                      KindCase{1, 0, {}}, KindCase{28, 0, {}}, KindCase{99, 0, {}}));

TEST_F(MessageBarTest, ConnectMessageEndsAfter201Ticks)
{
    bar.showMessage(MsgKind::ConnectStart, QStringLiteral("MSG_Connect_Start"), MsgColour::Action);
    int ticks = 0;
    while (count("end") == 0 && ticks < 1000) {
        ASSERT_TRUE(clock.step());
        ++ticks;
    }
    EXPECT_EQ(ticks, 201);
    EXPECT_EQ(clock.nowMs(), 20100);
}

TEST_F(MessageBarTest, TextsAreTranslatedOnlyWhenAsked)
{
    bar.show(true, 22, QStringLiteral("MSG_Connect_Start"), 0xFF00FF00);
    EXPECT_EQ(bar.text(), QStringLiteral("Verbinden ..."));
    ASSERT_EQ(bar.buttons().size(), 1u);
    EXPECT_EQ(bar.buttons()[0].caption, QStringLiteral("Abbrechen"));
    bar.show(false, 22, QStringLiteral("MSG_Connect_Start"), 0xFF00FF00);
    EXPECT_EQ(bar.text(), QStringLiteral("MSG_Connect_Start"));

    EXPECT_EQ(buttonCaption(Ok, lang), QStringLiteral("OK"));
    EXPECT_EQ(buttonCaption(Yes, lang), QStringLiteral("Ja"));
    EXPECT_EQ(buttonCaption(No, lang), QStringLiteral("Nein"));
    EXPECT_EQ(buttonCaption(Set, lang), QStringLiteral("Setzen"));
}

TEST_F(MessageBarTest, ColourRolesComeFromTheSettings)
{
    const std::pair<MsgColour, uint32_t> roles[] = {{MsgColour::Action, 0xFF000001},
                                                    {MsgColour::Complete, 0xFF000002},
                                                    {MsgColour::Warning, 0xFF000003},
                                                    {MsgColour::Error, 0xFF000004},
                                                    {MsgColour::PureRed, 0xFFFF0000}};
    for (const auto &[role, argb] : roles) {
        bar.showMessage(5, QStringLiteral("MSG_ERR_ComPort"), role);
        EXPECT_EQ(bar.colour(), argb);
    }
    bar.show(false, 5, QStringLiteral("x"), 0x80ABCDEF);
    EXPECT_EQ(bar.colour(), 0x80ABCDEFu);
}

TEST_F(MessageBarTest, ReplacingAMessageCancelsItsCountdown)
{
    bar.showMessage(MsgKind::ConnectStart, QStringLiteral("MSG_Connect_Start"), MsgColour::Action);
    clock.advance(5000);
    bar.showMessage(MsgKind::ConnectFailed, QStringLiteral("MSG_Connect_Failed"), MsgColour::Warning);
    EXPECT_EQ(bar.text(), QStringLiteral("Keine Verbindung"));
    EXPECT_EQ(bar.countdownValue(), 10);
    clock.advance(60000);
    // Only the failure message's own end: the connect time-out never runs.
    EXPECT_EQ(calls, (std::vector<Call>{{"post", 3, 100, 6100}, {"end", 24, 0, 6100}}));
}

TEST_F(MessageBarTest, ButtonRunsItsEffectOnceThenCloses)
{
    bar.show(true, 27, QStringLiteral("MSG_GEN_Save_Location"), 0xFF00FF00);
    bar.press(Cancel); // not a button of this message
    EXPECT_TRUE(calls.empty());
    bar.press(No);
    EXPECT_EQ(calls, (std::vector<Call>{{"button", No, 27, 0}, {"post", 3, 100, 0}}));
    EXPECT_TRUE(bar.answered());
    bar.press(Yes); // a second click before the bar has gone
    bar.press(No);
    EXPECT_EQ(calls.size(), 2u);
    bar.closeFromEvent();
    EXPECT_EQ(bar.shownKind(), 0);
    bar.press(No);
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(MessageBarTest, CancelOnTheLastTickStopsTheConnectTimeOut)
{
    bar.showMessage(MsgKind::ConnectStart, QStringLiteral("MSG_Connect_Start"), MsgColour::Action);
    clock.advance(20000); // the bar is at 0; the next tick would end the countdown
    bar.press(Cancel);
    clock.advance(1000);
    EXPECT_EQ(count("end"), 0);
    EXPECT_EQ(calls, (std::vector<Call>{{"button", Cancel, 22, 20000}, {"post", 3, 100, 20000}}));
}

TEST_F(MessageBarTest, CloseEventOnlyClosesTheMessageThatPostedIt)
{
    // The connected message runs out; before its close is served, the link is lost.
    bar.showMessage(2, QStringLiteral("MSG_Connect_Successful"), MsgColour::Complete);
    clock.advance(1100);
    ASSERT_EQ(count("post"), 1);
    bar.showMessage(MsgKind::ConnectInterrupt, QStringLiteral("MSG_Connect_Interrupt"), MsgColour::Error);
    bar.closeFromEvent();
    EXPECT_EQ(bar.shownKind(), MsgKind::ConnectInterrupt);
    // Its countdown still runs and ends the link-loss handling.
    clock.advance(1100);
    EXPECT_EQ(count("end"), 2);
    bar.closeFromEvent();
    EXPECT_EQ(bar.shownKind(), 0);
}

TEST_F(MessageBarTest, ButtonEffectThatShowsTheNextMessageKeepsIt)
{
    // Yes on the recording question saves at once and reports it: the report must stay.
    bar.onButton = [this](int, int) { bar.show(false, 7, QStringLiteral("Saved x.osc"), 0xFF00FF00); };
    bar.show(true, 31, QStringLiteral("MSG_OSC_Save"), 0xFF00FF00);
    bar.press(Yes);
    bar.closeFromEvent();
    EXPECT_EQ(bar.shownKind(), 7);
    EXPECT_FALSE(bar.answered());
    ASSERT_EQ(bar.buttons().size(), 1u);
    EXPECT_EQ(bar.buttons()[0].code, Ok);
}

TEST_F(MessageBarTest, EndActionThatShowsTheNextMessageKeepsIt)
{
    bar.onCountdownEnded = [this](int kind) {
        if (kind == MsgKind::OldVersion)
            bar.showMessage(MsgKind::CloseProgram, QStringLiteral("MSG_Close_Program"), MsgColour::Action);
    };
    bar.showMessage(MsgKind::OldVersion, QStringLiteral("MSG_Old_Version"), MsgColour::Warning);
    clock.advance(3100);
    EXPECT_EQ(bar.shownKind(), MsgKind::CloseProgram);
    bar.closeFromEvent();
    EXPECT_EQ(bar.shownKind(), MsgKind::CloseProgram);
    EXPECT_TRUE(bar.timer().enabled());
}

TEST_F(MessageBarTest, CloseClearsTheViewAndNotifies)
{
    bar.closeFromEvent(); // nothing shown, nothing posted
    EXPECT_EQ(changes, 0);
    bar.show(false, 22, QStringLiteral("x"), 1);
    const uint64_t first = bar.serial();
    EXPECT_EQ(changes, 1);
    clock.advance(100);
    EXPECT_EQ(changes, 2); // each tick moves the bar
    EXPECT_EQ(bar.countdownValue(), 199);
    bar.closeFromEvent(); // no close posted: the message stays
    EXPECT_TRUE(bar.visible());
    bar.close();
    EXPECT_EQ(changes, 3);
    EXPECT_FALSE(bar.visible());
    EXPECT_EQ(bar.shownKind(), 0);
    EXPECT_TRUE(bar.text().isEmpty());
    EXPECT_TRUE(bar.buttons().empty());
    EXPECT_FALSE(bar.timer().enabled());
    bar.show(false, 2, QStringLiteral("y"), 1);
    EXPECT_GT(bar.serial(), first);
}

// Fixed-width measurement: a character is as wide as the point size, a line twice as high.
class FakeMeasure final : public TextMeasure {
public:
    double width(const QString &t, int pt) const override { return t.size() * pt; }
    double height(const QString &, int pt) const override { return pt * 2.0; }
    double wrappedHeight(const QString &t, int pt, double w) const override
    {
        const double lineW = std::max(1.0, w);
        const int lines = std::max(1, static_cast<int>(std::ceil(width(t, pt) / lineW)));
        return lines * height(t, pt);
    }
};

struct GeometryCase {
    int clientW, clientH;
    int chars;
    bool countdown, buttons;
    QRect outer;
    int labelH;
};

class MessageBarGeometryTable : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(MessageBarGeometryTable, Places)
{
    const GeometryCase &c = GetParam();
    const FakeMeasure m;
    const MessageBarGeometry g = layoutMessageBar(c.clientW, c.clientH, QString(c.chars, QLatin1Char('x')),
                                                  c.countdown, c.buttons, m);
    EXPECT_EQ(g.outer, c.outer);
    EXPECT_EQ(g.label.height(), c.labelH);
    EXPECT_EQ(g.label.width(), c.outer.width() - 10);
    EXPECT_EQ(g.countdown.isEmpty(), !c.countdown);
    EXPECT_EQ(g.buttons.isEmpty(), !c.buttons);
    if (c.buttons) {
        EXPECT_EQ(g.buttons.bottom() + 1 + 5, g.outer.height());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, MessageBarGeometryTable,
    ::testing::Values(
        // A short text: an 80 px label; + 10; + 10 countdown; + 50 buttons.
        GeometryCase{1000, 800, 5, false, false, QRect(350, 355, 300, 90), 80},
        GeometryCase{1000, 800, 5, true, false, QRect(350, 350, 300, 100), 80},
        GeometryCase{1000, 800, 5, true, true, QRect(350, 325, 300, 150), 80},
        // 50 characters at 20 pt are 1000 px: 4 lines of 40 px in a 290 px label.
        GeometryCase{1000, 800, 50, false, true, QRect(350, 290, 300, 220), 160},
        // A narrow window: 80 % of its width.
        GeometryCase{200, 800, 5, false, false, QRect(20, 355, 160, 90), 80},
        // A low window: 80 % of its height; the label gives way to the buttons.
        GeometryCase{1000, 100, 5, false, true, QRect(350, 10, 300, 80), 20}));

TEST(MessageBarFont, ShortTextIsFittedToTheLabel)
{
    const FakeMeasure m;
    const MessageBarGeometry g = layoutMessageBar(1000, 800, QStringLiteral("OK"), false, false, m);
    EXPECT_EQ(g.fontSize, labelFit(QStringLiteral("OK"), 290, 80, 20, m));
    EXPECT_NE(g.fontSize, 20); // two letters in 290 x 80 grow well beyond 20
    const MessageBarGeometry tall = layoutMessageBar(1000, 800, QString(50, QLatin1Char('x')), false, false, m);
    EXPECT_EQ(tall.fontSize, 20);
}

} // namespace
