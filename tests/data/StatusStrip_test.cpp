#include "data/StatusStrip.h"

#include "config/Config_Record.h"
#include "platform/TTimer.h"
#include "ui/Language.h"
#include "ui/STS_Record.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <vector>

namespace qn {
namespace {

constexpr uint32_t ActionColour = 0xFF1020A0;
constexpr uint32_t CompleteColour = 0xFF10A020;
constexpr uint32_t WarningColour = 0xFFA02010;
constexpr uint32_t FontColour = 0xFFFFFF00;

class StatusStripTest : public ::testing::Test {
protected:
    StatusStripTest()
    {
        sts.Run_App = true;
        sts.FNT_Color = FontColour;
        colours.general[Msg_Action] = ActionColour;
        colours.general[Msg_Complite] = CompleteColour;
        colours.general[Msg_Warning] = WarningColour;
        colours.general[Msg_Error] = 0xFFFF0000;
        fresh();
    }

    void fresh()
    {
        strip = std::make_unique<StatusStrip>(StatusStrip::Deps{
            clock, language, sts, colours, config, [this] { return connected; },
            [this] { return running; }});
    }

    QString tr(const char *key) const { return language.text(QString::fromLatin1(key)); }

    std::vector<QString> listed() const
    {
        std::vector<QString> out;
        for (int i = 1; i <= strip->entryCount(); ++i)
            out.push_back(strip->entryText(i));
        return out;
    }
    std::vector<QString> texts(std::initializer_list<const char *> keys) const
    {
        std::vector<QString> out;
        for (const char *k : keys)
            out.push_back(tr(k));
        return out;
    }
    void process(std::initializer_list<uint8_t> bytes)
    {
        for (uint8_t b : bytes)
            strip->processStatus(b);
    }
    const StatusStrip::View &view() const { return strip->view(); }

    QTemporaryDir dir; // an empty Language folder: the built-in English texts
    STS_Record sts;
    ColourTables colours;
    Config_Record config;
    Language language{sts, dir.path(), QStringLiteral("en")};
    VirtualClock clock;
    bool connected = true;
    bool running = true;
    std::unique_ptr<StatusStrip> strip;
};

TEST_F(StatusStripTest, EngineOffIsListedThenEngineOnShownOnceUntilTheNextTick)
{
    // The last status byte starts at 0, so a first 0x00 changes nothing.
    process({0x00});
    EXPECT_FALSE(view().visible);
    EXPECT_EQ(strip->entryCount(), 0);

    process({0x01, 0x00});
    EXPECT_EQ(listed(), texts({"IND_Engine_off"}));
    EXPECT_TRUE(view().visible);
    EXPECT_EQ(view().text, tr("IND_Engine_off"));
    EXPECT_EQ(view().colour, WarningColour);

    clock.advance(10000); // the only entry, shown again at every tick
    EXPECT_EQ(view().text, tr("IND_Engine_off"));

    process({0x01});
    EXPECT_EQ(strip->entryCount(), 0);
    EXPECT_TRUE(view().visible);
    EXPECT_EQ(view().text, tr("IND_Engine_on"));
    EXPECT_EQ(view().colour, CompleteColour);
    clock.advance(StatusStrip::RotationMs - 1);
    EXPECT_TRUE(view().visible);
    clock.advance(1);
    EXPECT_FALSE(view().visible);
    EXPECT_FALSE(strip->timerExists());
}

struct BitCase {
    const char *name;
    std::vector<uint8_t> bytes;
    std::vector<const char *> listedKeys;
    const char *shownKey; // nullptr: the strip is hidden
    uint32_t colour;
};

class StatusBits : public StatusStripTest, public ::testing::WithParamInterface<BitCase> {};

TEST_P(StatusBits, ActAsTheirBitChanges)
{
    const BitCase &c = GetParam();
    for (uint8_t b : c.bytes)
        strip->processStatus(b);
    std::vector<QString> expected;
    for (const char *k : c.listedKeys)
        expected.push_back(tr(k));
    EXPECT_EQ(listed(), expected);
    if (!c.shownKey) {
        EXPECT_FALSE(view().visible);
        return;
    }
    EXPECT_TRUE(view().visible);
    EXPECT_EQ(view().text, tr(c.shownKey));
    EXPECT_EQ(view().colour, c.colour);
    EXPECT_EQ(strip->lastStatus(), c.bytes.back());
}

INSTANTIATE_TEST_SUITE_P(
    Table, StatusBits,
    ::testing::Values(
        BitCase{"LowPressure", {0x02, 0x00}, {"IND_Low_pressure"}, "IND_Low_pressure", WarningColour},
        BitCase{"NormalPressure", {0x02, 0x00, 0x02}, {}, "IND_Normal_pressure", CompleteColour},
        BitCase{"NotSaved", {0x04}, {"IND_Not_Save_Data"}, "IND_Not_Save_Data", WarningColour},
        BitCase{"NotSavedCleared", {0x04, 0x00}, {}, nullptr, 0},
        BitCase{"Saved", {0x08}, {}, "IND_Save_Data", CompleteColour},
        BitCase{"SavedClearedDoesNothing", {0x08, 0x00}, {}, "IND_Save_Data", CompleteColour},
        BitCase{"Preheating", {0x10}, {"IND_Preheating"}, "IND_Preheating", ActionColour},
        BitCase{"PreheatingCleared", {0x10, 0x00}, {}, nullptr, 0},
        BitCase{"Cruise", {0x20}, {"IND_Cruise"}, "IND_Cruise", ActionColour},
        BitCase{"CutOff", {0x40}, {"IND_Cut_Off"}, "IND_Cut_Off", ActionColour},
        BitCase{"CutOffCleared", {0x40, 0x00}, {}, nullptr, 0},
        // One entry goes, the other stays and is shown.
        BitCase{"OneOfTwoCleared", {0x50, 0x10}, {"IND_Preheating"}, "IND_Preheating", ActionColour},
        // The high bit means nothing.
        BitCase{"HighBit", {0x80}, {}, nullptr, 0}),
    [](const ::testing::TestParamInfo<BitCase> &i) { return std::string(i.param.name); });

TEST_F(StatusStripTest, TwoConditionsAlternateEveryTwoSeconds)
{
    process({0x30});
    ASSERT_EQ(listed(), texts({"IND_Preheating", "IND_Cruise"}));
    // The last one added is up first; the rotation then starts from the top of the list.
    EXPECT_EQ(view().text, tr("IND_Cruise"));
    const char *expected[] = {"IND_Preheating", "IND_Cruise", "IND_Preheating", "IND_Cruise"};
    for (const char *key : expected) {
        clock.advance(StatusStrip::RotationMs - 1);
        EXPECT_NE(view().text, tr(key));
        clock.advance(1);
        EXPECT_EQ(view().text, tr(key));
        EXPECT_EQ(view().colour, ActionColour);
    }
}

TEST_F(StatusStripTest, SameByteTwiceChangesNothing)
{
    process({0x30});
    clock.advance(500);
    const auto before = listed();
    const StatusStrip::View shown = view();
    const int64_t due = clock.dueTime(strip->timer());
    int changes = 0;
    strip->onChanged = [&](const StatusStrip::View &) { ++changes; };

    process({0x30});
    EXPECT_EQ(listed(), before);
    EXPECT_EQ(view(), shown);
    EXPECT_EQ(clock.dueTime(strip->timer()), due); // the rotation is not restarted
    EXPECT_EQ(changes, 0);
}

TEST_F(StatusStripTest, ReconnectWithAnUnchangedByteAddsNothing)
{
    process({0x30});
    strip->linkStopped();
    EXPECT_EQ(strip->entryCount(), 0);
    EXPECT_EQ(strip->lastStatus(), 0x30); // survives the stop

    process({0x30});
    EXPECT_EQ(strip->entryCount(), 0);
    EXPECT_EQ(view().text, tr("Not_Connect"));
}

TEST_F(StatusStripTest, NotProcessedWhileDisconnected)
{
    connected = false;
    process({0x30});
    EXPECT_EQ(strip->entryCount(), 0);
    EXPECT_EQ(strip->lastStatus(), 0);
    EXPECT_FALSE(view().visible);
}

TEST_F(StatusStripTest, IdentityLineForTenSecondsThenTheRotationResumes)
{
    config.ECU_Name = QStringLiteral("QN-M4");
    config.ECU_Version = QStringLiteral("4.35");
    config.ECU_Date = QStringLiteral("2021.06.10");
    connected = false;
    strip->showIdentity();
    EXPECT_EQ(view().text, QStringLiteral("QN-M4 [4.35] [2021.06.10]"));
    EXPECT_EQ(view().colour, FontColour);
    EXPECT_EQ(view().height, StatusStrip::StripHeight);
    EXPECT_EQ(strip->timerTag(), StatusStrip::TagTimedLine);
    EXPECT_FALSE(strip->mayShow());

    // Conditions reported meanwhile are listed but wait for the line to run out.
    connected = true;
    process({0x30});
    EXPECT_EQ(strip->entryCount(), 2);
    clock.advance(StatusStrip::IdentityMs - 1);
    EXPECT_EQ(view().text, QStringLiteral("QN-M4 [4.35] [2021.06.10]"));
    clock.advance(1);
    EXPECT_EQ(view().text, tr("IND_Preheating"));
    EXPECT_EQ(strip->timerTag(), StatusStrip::TagRotation);
    EXPECT_EQ(strip->timer().interval(), StatusStrip::RotationMs);
    clock.advance(StatusStrip::RotationMs);
    EXPECT_EQ(view().text, tr("IND_Cruise"));
}

TEST_F(StatusStripTest, IdentityLineWithCarNumberIsTwiceAsHigh)
{
    config.ECU_Name = QStringLiteral("QN-M4");
    config.ECU_Version = QStringLiteral("4.35");
    config.ECU_Date = QStringLiteral("2021.06.10");
    config.CAR_Numder = QStringLiteral("AB1234");
    connected = false;
    process({0x10}); // ignored: not connected
    strip->showIdentity();
    EXPECT_EQ(view().text, QStringLiteral("QN-M4 [4.35] [2021.06.10]  ") + tr("File_Name") +
                               QStringLiteral(" [AB1234]"));
    EXPECT_EQ(view().height, StatusStrip::TallStripHeight);
    clock.advance(StatusStrip::IdentityMs);
    EXPECT_FALSE(view().visible); // nothing listed: the strip goes
}

TEST_F(StatusStripTest, IdentityLineOnlyWhileConnecting)
{
    config.ECU_Name = QStringLiteral("QN-M4");
    process({0x10});
    strip->showIdentity();
    EXPECT_EQ(view().text, tr("IND_Preheating"));
    EXPECT_EQ(strip->entryCount(), 1);
}

TEST_F(StatusStripTest, NotConnectedLineForFiveSecondsWhileRunning)
{
    process({0x30});
    strip->linkStopped();
    EXPECT_EQ(view().text, tr("Not_Connect"));
    EXPECT_EQ(view().colour, WarningColour);
    EXPECT_EQ(strip->timerTag(), StatusStrip::TagTimedLine);
    clock.advance(StatusStrip::NotConnectedMs - 1);
    EXPECT_TRUE(view().visible);
    clock.advance(1);
    EXPECT_FALSE(view().visible);
    EXPECT_FALSE(strip->timerExists());
}

TEST_F(StatusStripTest, NoNotConnectedLineBeforeTheProgramRuns)
{
    running = false;
    process({0x30});
    strip->linkStopped();
    EXPECT_FALSE(view().visible);
    EXPECT_EQ(strip->entryCount(), 0);
    EXPECT_FALSE(strip->timerExists());
    clock.advance(60000);
    EXPECT_FALSE(view().visible);
}

TEST_F(StatusStripTest, WhileEditingNewEntriesWaitForTheRotation)
{
    process({0x10});
    strip->editorActive = true;
    process({0x30});
    EXPECT_EQ(strip->entryCount(), 2);
    EXPECT_EQ(view().text, tr("IND_Preheating")); // not jumped to the new entry
    clock.advance(StatusStrip::RotationMs);
    EXPECT_EQ(view().text, tr("IND_Preheating"));
    clock.advance(StatusStrip::RotationMs);
    EXPECT_EQ(view().text, tr("IND_Cruise"));
}

TEST_F(StatusStripTest, AtMostSevenTextsFromAnyTwoBytes)
{
    const Language::Session session(language); // one table build for the whole sweep
    int most = 0;
    for (int a = 0; a < 128; ++a) {
        for (int b = 0; b < 128; ++b) {
            fresh();
            strip->processStatus(static_cast<uint8_t>(a));
            strip->processStatus(static_cast<uint8_t>(b));
            most = std::max(most, strip->entryCount());
        }
    }
    EXPECT_LE(most, 7);
    fresh();
    process({0x03, 0x7C});
    EXPECT_EQ(listed(), texts({"IND_Engine_off", "IND_Low_pressure", "IND_Not_Save_Data",
                               "IND_Preheating", "IND_Cruise", "IND_Cut_Off"}));
}

TEST_F(StatusStripTest, ListTakesTenEntriesAndRotatesThroughAll)
{
    for (int i = 1; i <= 11; ++i)
        strip->add(QStringLiteral("entry %1").arg(i), ActionColour);
    ASSERT_EQ(strip->entryCount(), StatusStrip::Capacity);
    EXPECT_EQ(view().text, QStringLiteral("entry 10"));
    for (int i = 1; i <= 10; ++i) {
        clock.advance(StatusStrip::RotationMs);
        EXPECT_EQ(view().text, QStringLiteral("entry %1").arg(i));
    }
    strip->add(QStringLiteral("entry 3"), WarningColour); // already listed
    EXPECT_EQ(strip->entryCount(), 10);
    EXPECT_EQ(strip->entryColour(3), ActionColour);
}

TEST_F(StatusStripTest, RemoveClosesTheGap)
{
    for (const char *t : {"a", "b", "c"})
        strip->add(QString::fromLatin1(t), ActionColour);
    strip->remove(QStringLiteral("b"));
    EXPECT_EQ(listed(), (std::vector<QString>{QStringLiteral("a"), QStringLiteral("c")}));
    EXPECT_EQ(strip->entryText(3), QString());
    strip->remove(QStringLiteral("missing")); // nothing listed goes, the rotation moves on
    EXPECT_EQ(strip->entryCount(), 2);
}

TEST_F(StatusStripTest, ClearRemovesEverything)
{
    process({0x30});
    strip->clear();
    EXPECT_EQ(strip->entryCount(), 0);
    EXPECT_EQ(strip->shownEntry(), 0);
    EXPECT_FALSE(view().visible);
    EXPECT_FALSE(strip->timerExists());
    clock.advance(60000);
    EXPECT_FALSE(view().visible);
}

} // namespace
} // namespace qn
