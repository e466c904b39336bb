#include "data/StatusStripWidget.h"

#include "config/Config_Record.h"
#include "platform/TTimer.h"
#include "ui/Language.h"
#include "ui/QtTextMeasure.h"
#include "ui/STS_Record.h"
#include "ui/TextFit.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace qn {
namespace {

class StatusStripWidgetTest : public ::testing::Test {
protected:
    StatusStripWidgetTest()
    {
        sts.Run_App = true;
        sts.FNT_Size = 12;
        sts.FNT_Family = QStringLiteral("Sans");
        colours.general[Msg_Action] = 0xFF2040C0;
        panel.resize(600, 400);
        panel.show();
    }

    QTemporaryDir dir;
    STS_Record sts;
    ColourTables colours;
    Config_Record config;
    Language language{sts, dir.path(), QStringLiteral("en")};
    VirtualClock clock;
    bool connected = true;
    StatusStrip strip{{clock, language, sts, colours, config, [this] { return connected; },
                       [] { return true; }}};
    QWidget panel; // the dashboard's content panel
};

TEST_F(StatusStripWidgetTest, ShowsTheStripAlongTheBottomWhileSomethingIsUp)
{
    StatusStripWidget w(strip, sts, &panel);
    EXPECT_TRUE(w.isHidden());

    strip.processStatus(0x10);
    ASSERT_FALSE(w.isHidden());
    EXPECT_EQ(w.geometry(), QRect(0, 400 - 40, 600, 40));
    EXPECT_EQ(w.label()->text(), language.text(QStringLiteral("IND_Preheating")));
    w.label()->ensurePolished();
    EXPECT_EQ(w.label()->palette().color(QPalette::WindowText).rgba(), 0xFF2040C0u);
    const QtTextMeasure m(sts.FNT_Family, sts.FNT_Style);
    EXPECT_EQ(w.fittedSize(), boxFit(w.label()->text(), 600, 40, 12, m));
    EXPECT_EQ(w.label()->font().pointSize(), w.fittedSize());

    panel.resize(800, 300); // follows the panel's bottom edge
    EXPECT_EQ(w.geometry(), QRect(0, 300 - 40, 800, 40));

    strip.processStatus(0x00);
    EXPECT_TRUE(w.isHidden());
}

TEST_F(StatusStripWidgetTest, DeviceTextsArePlainAndTheCarNumberDoublesTheHeight)
{
    StatusStripWidget w(strip, sts, &panel);
    connected = false;
    config.ECU_Name = QStringLiteral("<b>QN</b>");
    config.CAR_Numder = QStringLiteral("<i>7</i>");
    strip.showIdentity();
    EXPECT_EQ(w.label()->textFormat(), Qt::PlainText);
    EXPECT_TRUE(w.label()->text().startsWith(QStringLiteral("<b>QN</b> [")));
    EXPECT_EQ(w.height(), 80);
    EXPECT_EQ(w.y(), 400 - 80);
}

} // namespace
} // namespace qn
