#include "dashboard/DashboardModel.h"

#include <gtest/gtest.h>

using namespace qn;

TEST(DashboardAttributes, ReadTable)
{
    struct Case {
        const char *text;
        int number;
        double expected;
    };
    const Case cases[] = {
        {" 11: 5 1: 7", 1, 7},     // " 1: " does not match inside " 11: "
        {" 11: 5 1: 7", 11, 5},
        {" 0: 3 12: 40", 12, 40},  // last pair runs to the end
        {" 0: 3", 5, -1},          // absent
        {"", 0, -1},
        {" 2: 1.5 3: 4", 2, 1.5},  // decimal fraction with a point
        {" 2: 2,25", 2, 2.25},     // or a comma
        {" 1: -1", 1, -1},         // colour White as signed 32-bit
        {" 1: -16777216", 1, -16777216},
        {" 5: abc 6: 2", 5, -1},   // unreadable value
        {" 5: ", 5, -1},
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(readAttribute(QString::fromLatin1(c.text), c.number), c.expected)
            << c.text << " #" << c.number;
}

TEST(DashboardAttributes, WriteReplacesInPlaceOrAppends)
{
    struct Case {
        const char *before;
        int number;
        int value;
        const char *after;
    };
    const Case cases[] = {
        {" 0: 2 5: 65000 6: 30", 5, 12, " 0: 2 5: 12 6: 30"},
        {" 0: 2 5: 65000 6: 30", 6, -4, " 0: 2 5: 65000 6: -4"}, // old value ran to the end
        {" 0: 2", 7, 1, " 0: 2 7: 1"},
        {"", 0, 3, " 0: 3"},
        {" 11: 5 1: 7", 1, 9, " 11: 5 1: 9"},
    };
    for (const Case &c : cases) {
        QString text = QString::fromLatin1(c.before);
        writeAttribute(text, c.number, c.value);
        EXPECT_EQ(text, QString::fromLatin1(c.after)) << c.before;
    }
    QString hint;
    writeFractionalAttribute(hint, 1, 3);
    writeFractionalAttribute(hint, 2, 12.25);
    EXPECT_EQ(hint, " 1: 3 2: 12.25");
    EXPECT_DOUBLE_EQ(readAttribute(hint, 2), 12.25);
    writeFractionalAttribute(hint, 2, 0.1);
    EXPECT_EQ(hint, " 1: 3 2: 0.1");
}

TEST(DashboardAttributes, GeometryOfBothSets)
{
    QString a;
    writeAttribute(a, 0, 3);
    writeGeometry(a, 1, {122, 40, 4, 4});
    writeGeometry(a, 2, {36, 20, 4, 4});
    writeAttribute(a, 1, -1);
    EXPECT_EQ(a, " 0: 3 11: 122 12: 40 13: 4 14: 4 21: 36 22: 20 23: 4 24: 4 1: -1");
    EXPECT_EQ(readGeometry(a, 2), (Geometry{36, 20, 4, 4}));
    EXPECT_EQ(readGeometry(QString(), 1), (Geometry{-1, -1, -1, -1}));
}

TEST(DashboardContentList, ParseBuildAndFind)
{
    struct Case {
        const char *text;
        std::vector<ContentEntry> expected;
    };
    const Case cases[] = {
        {"[1:0][3:1][9:0][13:0]", {{1, 0}, {3, 1}, {9, 0}, {13, 0}}},
        {"", {}},
        {"[1:0][3:1][9:", {{1, 0}, {3, 1}}},     // broken entry at the end
        {"[1:0]garbage[2:4]", {{1, 0}, {2, 4}}}, // text between entries is skipped
        {"[1:0][x:2][3:3]", {{1, 0}}},           // not a number ends the list
        {"[1:0][300:2]", {{1, 0}}},              // beyond 8 bits ends the list
        {"]:[1:0]", {}},                         // delimiters out of order
        {"[6:0][3:0][6:1]", {{6, 0}, {3, 0}, {6, 1}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseContentList(QString::fromLatin1(c.text)), c.expected) << c.text;

    EXPECT_EQ(buildContentList({{1, 0}, {3, 1}, {9, 0}, {13, 0}}), "[1:0][3:1][9:0][13:0]");
    const auto entries = parseContentList("[6:0][3:0][6:1]");
    EXPECT_EQ(findKind(entries, 6), 2);
    EXPECT_EQ(findKind(entries, 3), 1);
    EXPECT_EQ(findKind(entries, 9), -1);
}

TEST(DashboardNames, PrefixesAndIndexFromName)
{
    EXPECT_EQ(controlName(DashList::Texts, 12), "Name_12");
    EXPECT_EQ(controlName(DashList::Objects, 0), "BoxP_0");
    EXPECT_EQ(controlName(DashList::Bars, 1), "BarP_1");
    EXPECT_EQ(controlName(DashList::Images, 2), "Imag_2");
    EXPECT_EQ(controlName(DashList::Timers, 3), "Timr_3");
    EXPECT_EQ(controlName(DashList::Buttons, 4), "Butt_4");
    EXPECT_EQ(controlName(DashList::Tracks, 5), "BarT_5");

    EXPECT_EQ(indexFromName("Butt_7"), 7);
    EXPECT_EQ(indexFromName("Name_255"), 255);
    EXPECT_EQ(indexFromName("BoxP_"), -1);
    EXPECT_EQ(indexFromName(""), -1);
    EXPECT_EQ(indexFromName("Imag_x1"), -1);
}

TEST(DashboardKinds, ControlClassTable)
{
    const std::pair<ControlClass, std::vector<int>> table[] = {
        {ControlClass::Text, {1, 2, 3, 4, 5, 14, 15, 17}},
        {ControlClass::Button, {6, 18, 33, 34, 35, 37, 38, 39}},
        {ControlClass::ProgressBar, {7, 8}},
        {ControlClass::TrackBar, {36}},
        {ControlClass::Timer, {13}},
        {ControlClass::Image, {0, 9, 10, 11, 12, 16, 30, 31, 32}},
        {ControlClass::None, {19, 25, 29, 40, 255, -1, 256}},
    };
    for (const auto &[cls, kinds] : table)
        for (int k : kinds)
            EXPECT_EQ(controlClassOf(k), cls) << "kind " << k;
}

TEST(DashboardPages, StoredPageOutsideRangeShowsOnPageTwo)
{
    EXPECT_EQ(shownPage(0), 0);
    EXPECT_EQ(shownPage(5), 5);
    EXPECT_EQ(shownPage(9), 2);
    EXPECT_EQ(shownPage(-1), 2);

    DashboardModel m;
    m.addObject(1, 9, {});
    m.addObject(1, 2, {});
    m.addObject(1, 0, {});
    EXPECT_EQ(m.object(0)->page(), 9); // the number itself is kept
    EXPECT_EQ(m.objectsOnPage(2), (std::vector<int>{0, 1}));
    EXPECT_EQ(m.objectsOnPage(0), (std::vector<int>{2}));
}

TEST(DashboardModelTest, ElementsGetIndexesAttributesAndContentEntries)
{
    DashboardModel m;
    const int a = m.addObject(3, 1, {Geometry{170, 96, 4, 4}, Geometry{90, 50, 4, 4}});
    ASSERT_EQ(a, 0);
    EXPECT_EQ(m.object(a)->rect, QRect(4, 4, 170, 96));
    EXPECT_EQ(m.addElement(a, {ElementKind::LongName, {Geometry{122, 40, 4, 4}, Geometry{36, 20, 4, 4}}, 0xFFFFFFFF, 0}), 0);
    EXPECT_EQ(m.addElement(a, {ElementKind::Current, {}, 0xFF00FF00, 0}), 1);
    EXPECT_EQ(m.addElement(a, {ElementKind::FixHorizontal, {}, 0xFFFF0000, 0}), 0);
    EXPECT_EQ(m.addElement(a, {ElementKind::Minimum, {}, 0xFFFFFFFF, 0}), 2);
    EXPECT_EQ(m.addElement(a, {25, {}, 0, 0}), -1); // unused kind: nothing
    EXPECT_EQ(m.object(a)->content, "[1:0][3:1][9:0][4:2]");
    EXPECT_EQ(m.texts[0]->attributes, " 0: 0 11: 122 12: 40 13: 4 14: 4 21: 36 22: 20 23: 4 24: 4 1: -1");
    EXPECT_EQ(m.texts[0]->objectKind, 3);
    EXPECT_EQ(readAttributeInt(m.texts[2]->attributes, 5), 65000); // held minimum starts high
    EXPECT_EQ(m.images[0]->colour(), 0xFFFF0000u);
    EXPECT_EQ(m.findElements(a, ElementKind::Current), (std::vector<int>{1}));

    m.deleteObject(a);
    EXPECT_FALSE(m.object(a));
    EXPECT_EQ(m.texts.size(), 3u); // slots stay, empty
    EXPECT_FALSE(m.texts[1].has_value());
    EXPECT_FALSE(m.images[0].has_value());
    EXPECT_EQ(m.objectCount(), 0);
    EXPECT_EQ(m.addObject(1, 1, {}), 1); // indexes are never reused until the dashboard is rebuilt
}

TEST(DashboardModelTest, FuelButtonBringsItsTimer)
{
    DashboardModel m;
    const int fuel = m.addObject(ObjectKind::Fuel, 1, {});
    const int other = m.addObject(1, 1, {});
    m.addElement(fuel, {ElementKind::Averaging, {}, 0xFFFFFFFF, 0});
    m.addElement(other, {ElementKind::Averaging, {}, 0xFFFFFFFF, 0});
    EXPECT_EQ(m.object(fuel)->content, "[6:0][13:0]");
    EXPECT_EQ(m.object(other)->content, "[6:1]");
    EXPECT_EQ(m.timers.size(), 1u);
}

TEST(DashboardModelTest, OscilloscopeLinksItsElements)
{
    DashboardModel m;
    const int first = m.addObject(ObjectKind::Oscilloscope, 1, {});
    const int second = m.addObject(ObjectKind::Oscilloscope, 1, {});
    EXPECT_EQ(readAttributeInt(m.object(first)->attributes, 6), 0);
    EXPECT_EQ(readAttributeInt(m.object(second)->attributes, 6), 1);
    m.addElement(second, {ElementKind::OscDiagram, {}, 0xFF000000, 0});
    m.addElement(second, {ElementKind::OscScale, {}, 0, 2});
    m.addElement(second, {ElementKind::OscScale, {}, 0, 11});
    m.addElement(second, {ElementKind::OscButton, {}, 0xFFFFFFFF, 0});
    m.addElement(second, {ElementKind::OscStart, {}, 0xFFFFFFFF, 0});
    m.addElement(second, {ElementKind::OscTrack, {}, 0, 0});
    const ScopePart *p = m.scopeOf(second);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Osc, 0);
    EXPECT_EQ(p->Num, (std::vector<uint8_t>{2, 11}));
    EXPECT_EQ(p->Img, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(p->Btn, (std::vector<uint8_t>{0}));
    EXPECT_EQ(p->Start, 1);
    EXPECT_EQ(p->Track, 0);
    EXPECT_FALSE(m.tracks[0]->visible);
    EXPECT_EQ(readAttributeInt(m.images[2]->attributes, 7), 1); // position in Num and Img
    EXPECT_EQ(readAttributeInt(m.images[2]->attributes, 6), 1); // oscilloscope number
    EXPECT_EQ(readAttributeInt(m.images[0]->attributes, 1), int32_t(0xFF000000));

    m.clear();
    EXPECT_TRUE(m.scopes.empty());
    EXPECT_TRUE(m.objects.empty());
    EXPECT_TRUE(m.images.empty());
}

TEST(DashboardModelTest, ListsStopAtEightBitIndexes)
{
    DashboardModel m;
    for (int i = 0; i < DashboardModel::MaxListSize; ++i)
        ASSERT_GE(m.addObject(1, 1, {}), 0);
    EXPECT_EQ(m.addObject(1, 1, {}), -1);
    for (int i = 0; i < DashboardModel::MaxListSize; ++i)
        ASSERT_EQ(m.addElement(i, {ElementKind::Current, {}, 0, 0}), i);
    // A 257th text would be named like the first once its index is cut to 8 bits.
    EXPECT_EQ(m.addElement(0, {ElementKind::Current, {}, 0, 0}), -1);
    EXPECT_EQ(m.object(0)->content, "[3:0]");
}

TEST(DashboardScope, RangesAndExpAreMadeSafe)
{
    EXPECT_EQ(saneRange(1, 0), 8000);     // absent: group maximum
    EXPECT_EQ(saneRange(1, -5), 8000);
    EXPECT_EQ(saneRange(1, 999999), 8000);
    EXPECT_EQ(saneRange(1, 10), 1000);    // below the group minimum
    EXPECT_EQ(saneRange(2, 3000), 3000);
    EXPECT_EQ(saneRange(11, 70000), 60000);
    EXPECT_EQ(saneExp(0), 5);
    EXPECT_EQ(saneExp(255), 100);
    EXPECT_EQ(saneExp(35), 35);
    const ScopePart d = ScopePart::defaults();
    EXPECT_EQ(d.Exp, 100);
    EXPECT_EQ(d.Range[3], 400);
    EXPECT_TRUE(d.View[14]);
    EXPECT_FALSE(d.View[3]);
}
