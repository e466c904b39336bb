#include "app/MessageBar.h"
#include "app/MessageBarWidget.h"

#include "platform/TTimer.h"
#include "ui/Language.h"
#include "ui/STS_Record.h"

#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

using namespace qn;

namespace {

class MessageBarWidgetTest : public ::testing::Test {
protected:
    MessageBarWidgetTest()
    {
        sts.Run_App = true;
        sts.FNT_Family = QStringLiteral("DejaVu Sans");
        sts.FNT_Color = 0xFFFFFF00;
        client.resize(1000, 800);
        // Resizes reach a widget only once it is shown.
        client.show();
        bar.postEvent = [this](int code, int) { posted.push_back(code); };
        bar.onButton = [this](int code, int kind) { pressed.push_back(code * 100 + kind); };
    }

    int extras() const
    {
        return (bar.hasCountdown() ? 10 : 0) + (bar.buttons().empty() ? 0 : 50);
    }

    QTemporaryDir dir;
    STS_Record sts;
    Language lang{sts, dir.path(), QStringLiteral("en")};
    ColourTables colours;
    VirtualClock clock;
    MessageBar bar{clock, lang, colours};
    QWidget client;
    MessageBarWidget widget{bar, sts, &client};
    std::vector<int> posted, pressed;
};

TEST_F(MessageBarWidgetTest, PanelIsCentredAndSizedByItsParts)
{
    EXPECT_TRUE(widget.isHidden());
    const int kinds[] = {2, 5, 22, 27, 99};
    for (int kind : kinds) {
        bar.show(false, kind, QStringLiteral("Short"), 0xFF00FF00);
        ASSERT_FALSE(widget.isHidden()) << kind;
        const QRect g = widget.geometry();
        EXPECT_EQ(g.width(), 300) << kind;
        EXPECT_LE(std::abs(g.center().x() - 500), 1) << kind;
        EXPECT_LE(std::abs(g.center().y() - 400), 1) << kind;
        EXPECT_EQ(widget.label()->height(), 80) << kind; // a short text gets the minimum
        EXPECT_EQ(g.height(), 80 + 10 + extras()) << kind;
        EXPECT_EQ(widget.countdownBar()->isHidden(), !bar.hasCountdown()) << kind;
    }
}

TEST_F(MessageBarWidgetTest, LongTextGrowsTheLabelAtSize20)
{
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("word ");
    bar.show(false, 2, text, 0xFF00FF00);
    EXPECT_GT(widget.label()->height(), 80);
    EXPECT_EQ(widget.label()->font().pointSize(), 20);
    EXPECT_EQ(widget.height(), widget.label()->height() + 20);
    EXPECT_LE(widget.height(), 640);
}

TEST_F(MessageBarWidgetTest, StaysInsideASmallWindowAndFollowsItsSize)
{
    client.resize(200, 150);
    bar.show(false, 27, QStringLiteral("Save the current layout?"), 0xFF00FF00);
    EXPECT_EQ(widget.width(), 160);
    EXPECT_LE(widget.height(), 120);
    EXPECT_TRUE(client.rect().contains(widget.geometry()));

    client.resize(1000, 800);
    EXPECT_EQ(widget.width(), 300);
    EXPECT_LE(std::abs(widget.geometry().center().x() - 500), 1);
    EXPECT_LE(std::abs(widget.geometry().center().y() - 400), 1);
}

TEST_F(MessageBarWidgetTest, TextIsShownLiterallyInTheMessageColour)
{
    bar.show(false, 5, QStringLiteral("<b>x</b> & <i>car</i>"), 0xFF112233);
    EXPECT_EQ(widget.label()->textFormat(), Qt::PlainText);
    EXPECT_EQ(widget.label()->text(), QStringLiteral("<b>x</b> & <i>car</i>"));
    widget.label()->ensurePolished();
    EXPECT_EQ(widget.label()->palette().color(QPalette::WindowText), QColor(0x11, 0x22, 0x33));
}

struct ButtonsCase {
    int kind;
    std::vector<int> codes;
    std::vector<QString> captions;
};

class MessageBarWidgetButtons : public MessageBarWidgetTest,
                                public ::testing::WithParamInterface<ButtonsCase> {};

TEST_P(MessageBarWidgetButtons, OneButtonPerCodeOfTheKind)
{
    const ButtonsCase &c = GetParam();
    bar.show(false, c.kind, QStringLiteral("?"), 0xFF00FF00);
    const QList<QToolButton *> buttons = widget.buttons();
    ASSERT_EQ(buttons.size(), static_cast<qsizetype>(c.codes.size()));
    int right = -1;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i]->property("code").toInt(), c.codes[size_t(i)]);
        EXPECT_EQ(buttons[i]->text(), c.captions[size_t(i)]);
        EXPECT_EQ(buttons[i]->font().pointSize(), 20);
        EXPECT_GT(buttons[i]->geometry().left(), right); // one row, left to right
        right = buttons[i]->geometry().right();
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, MessageBarWidgetButtons,
                         ::testing::Values(ButtonsCase{2, {}, {}}, ButtonsCase{5, {1}, {"OK"}},
                                           ButtonsCase{7, {1}, {"OK"}}, ButtonsCase{22, {4}, {"Cancel"}},
                                           ButtonsCase{25, {2, 3}, {"Yes", "No"}},
                                           ButtonsCase{31, {2, 3}, {"Yes", "No"}}));

TEST_F(MessageBarWidgetTest, ClickForwardsTheCodeOnce)
{
    bar.show(false, 26, QStringLiteral("Clean?"), 0xFF00FF00);
    ASSERT_EQ(widget.buttons().size(), 2);
    widget.buttons()[0]->click();
    EXPECT_EQ(pressed, (std::vector<int>{2 * 100 + 26}));
    EXPECT_EQ(posted, (std::vector<int>{3}));
    EXPECT_FALSE(widget.buttons()[1]->isEnabled());
    widget.buttons()[1]->click();
    EXPECT_EQ(pressed.size(), 1u);
    bar.closeFromEvent();
    EXPECT_TRUE(widget.isHidden());
}

TEST_F(MessageBarWidgetTest, CountdownBarFollowsTheTicks)
{
    bar.show(false, 22, QStringLiteral("Connecting"), 0xFF00FF00);
    EXPECT_EQ(widget.countdownBar()->minimum(), 0);
    EXPECT_EQ(widget.countdownBar()->maximum(), 200);
    EXPECT_EQ(widget.countdownBar()->value(), 200);
    clock.advance(1000);
    EXPECT_EQ(widget.countdownBar()->value(), 190);

    // A new message replaces the bar's parts.
    bar.show(false, 2, QStringLiteral("Connected"), 0xFF00FF00);
    EXPECT_EQ(widget.countdownBar()->maximum(), 10);
    EXPECT_TRUE(widget.buttons().isEmpty());
    EXPECT_EQ(widget.label()->text(), QStringLiteral("Connected"));
}

} // namespace
