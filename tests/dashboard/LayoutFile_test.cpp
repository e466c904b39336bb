#include "dashboard/LayoutFile.h"

#include "link/LinkHooks.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace qn;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString fixture(const char *name)
{
    return QStringLiteral(QN_FIXTURES "/layout/") + QString::fromLatin1(name);
}

QByteArray geometryLines(const char *prefix, int set, int w, int h, int x, int y)
{
    return QByteArray(prefix) + "Width_" + QByteArray::number(set) + "=" + QByteArray::number(w) + "\n" + prefix +
           "Height_" + QByteArray::number(set) + "=" + QByteArray::number(h) + "\n" + prefix + "Pos_X_" +
           QByteArray::number(set) + "=" + QByteArray::number(x) + "\n" + prefix + "Pos_Y_" + QByteArray::number(set) +
           "=" + QByteArray::number(y) + "\n";
}

class FakeSink : public MessageSink {
public:
    void showMessage(int kind, const QString &key, MsgColour colour) override
    {
        shown.push_back({kind, key, colour});
    }
    int shownKind() const override { return shown.empty() ? 0 : shown.back().kind; }
    struct Shown {
        int kind;
        QString key;
        MsgColour colour;
    };
    std::vector<Shown> shown;
};

// Files larger than a few bytes cannot be written while this lives, even by root; the write fails
// as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

class LayoutFileTest : public ::testing::Test {
protected:
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
    DashboardModel model;
};

} // namespace

TEST_F(LayoutFileTest, ReadsTheFixtureIntoTheModel)
{
    ASSERT_TRUE(loadLayoutFile(model, fixture("dashboard.loc")));
    ASSERT_EQ(model.objectCount(), 4);

    const DashObject &first = *model.object(0);
    EXPECT_EQ(first.kind, 1);
    EXPECT_EQ(first.rect, QRect(4, 4, 170, 96));
    EXPECT_EQ(readGeometry(first.attributes, 2), (Geometry{90, 50, 6, 8}));
    EXPECT_EQ(first.content, "[1:0][3:1]");
    EXPECT_EQ(model.texts[0]->colour(), 0xFFADD8E6u); // Lightblue
    EXPECT_EQ(model.texts[1]->colour(), 0x80102030u);
    EXPECT_EQ(model.texts[1]->rect, QRect(4, 40, 162, 50));

    // The fuel timer's own line is skipped; the timer comes back beside the button.
    EXPECT_EQ(model.object(1)->content, "[18:0][13:0][14:2]");
    EXPECT_EQ(model.timers.size(), 1u);

    const DashObject &scope = *model.object(2);
    EXPECT_EQ(scope.page(), 9);
    EXPECT_EQ(scope.shownPage(), 2);
    const ScopePart *p = model.scopeOf(2);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Exp, 50);
    EXPECT_TRUE(p->View[1]);
    EXPECT_FALSE(p->View[2]);
    EXPECT_TRUE(p->View[3]);
    EXPECT_EQ(p->Range[2], 3200);
    EXPECT_EQ(p->Num, (std::vector<uint8_t>{2}));
    EXPECT_EQ(p->Start, 2);
    EXPECT_EQ(p->Track, 0);

    EXPECT_TRUE(model.object(3)->content.isEmpty());
}

TEST_F(LayoutFileTest, SaveWritesExactBytesAndRoundTrips)
{
    const QByteArray expected = readFile(fixture("dashboard.loc"));
    ASSERT_FALSE(expected.isEmpty());
    ASSERT_TRUE(loadLayoutFile(model, fixture("dashboard.loc")));
    ASSERT_EQ(saveLayout(model, path("a.loc")), LayoutSaveResult::Saved);
    EXPECT_EQ(readFile(path("a.loc")), expected);

    DashboardModel again;
    ASSERT_TRUE(loadLayoutFile(again, path("a.loc")));
    ASSERT_EQ(saveLayout(again, path("b.loc")), LayoutSaveResult::Saved);
    EXPECT_EQ(readFile(path("b.loc")), expected);
    // No element, no "Obj" key; reads back empty.
    EXPECT_FALSE(IniFile::load(path("b.loc")).hasKey("GEN_4", "Obj"));
}

TEST_F(LayoutFileTest, ActiveSetTwoWritesItsKeysFirst)
{
    model.activeSet = 2;
    ASSERT_TRUE(loadLayoutFile(model, fixture("dashboard.loc")));
    EXPECT_EQ(model.object(0)->rect, QRect(6, 8, 90, 50));
    ASSERT_EQ(saveLayout(model, path("a.loc")), LayoutSaveResult::Saved);
    const QStringList keys = IniFile::load(path("a.loc")).keys("GEN_1");
    EXPECT_EQ(keys.mid(2, 5), (QStringList{"Width_2", "Height_2", "Pos_X_2", "Pos_Y_2", "Width_1"}));
    EXPECT_EQ(IniFile::load(path("a.loc")).readInteger("GEN_1", "Obj1_Width_1", 0), 162);
}

TEST_F(LayoutFileTest, EmptySlotsCloseUpAndStoreBackGeometry)
{
    ASSERT_TRUE(loadLayoutFile(model, fixture("dashboard.loc")));
    model.deleteObject(1); // objects 0, 2 and 3 are left
    model.object(3)->rect = QRect(31, 41, 120, 70);
    ASSERT_EQ(saveLayout(model, path("a.loc")), LayoutSaveResult::Saved);
    const IniFile ini = IniFile::load(path("a.loc"));
    EXPECT_EQ(ini.sections(), (QStringList{"GEN_1", "GEN_2", "GEN_3"}));
    EXPECT_EQ(ini.readInteger("GEN_2", "Tag", 0), 25);
    EXPECT_EQ(ini.readInteger("GEN_3", "Width_1", 0), 120);
    EXPECT_EQ(readGeometry(model.object(3)->attributes, 1), (Geometry{120, 70, 31, 41}));
}

TEST_F(LayoutFileTest, SectionsAreReadOneToFiftyWithoutRenumbering)
{
    const IniFile ini = IniFile::parse("[GEN_1]\nTag=1\n[GEN_2]\nTag=2\n[GEN_4]\nTag=4\n[GEN_51]\nTag=5\n");
    readLayout(model, ini);
    ASSERT_EQ(model.objects.size(), 3u);
    EXPECT_EQ(model.object(2)->kind, 4);
    EXPECT_EQ(model.object(0)->page(), 1); // default page
}

TEST_F(LayoutFileTest, MissingAndBadValuesTakeTheirFallbacks)
{
    const IniFile ini = IniFile::parse(
        "[GEN_1]\nTag=abc\nPage=-1\nWidth_1=-5\nHeight_1=junk\nPos_X_1=0\nPos_Y_1=99999999\n"
        "Obj=7\nObj1_Type=3\nObj1_Color=NotAColour\n"
        "Obj2_Type=19\nObj3_Type=13\nObj4_Type=300\nObj5_Type=45\n"
        "Obj6_Type=9\nObj6_Color=\n"
        "Obj7_Type=11\nObj7_Color=#00000000\nObj7_Width_1=abc\nObj7_Height_1=0\n"
        "[GEN_2]\nTag=25\nPage=300\nExpand=0\nRange_1=0\nRange_2=-7\nRange_3=100000\nView_4=7\nView_5=x\n"
        "Obj=1\nObj1_Type=32\nObj1_Scale=99\n"
        "[GEN_3]\nTag=300\nObj=-3\n"
        "[GEN_4]\nTag=25\nExpand=1000\n");
    readLayout(model, ini, LayoutReadOptions{0xFF123456});
    ASSERT_EQ(model.objectCount(), 4);

    const DashObject &o = *model.object(0);
    EXPECT_EQ(o.kind, 0);
    EXPECT_EQ(o.page(), 255);
    EXPECT_EQ(o.shownPage(), 2);
    // 30 % and 20 % of a new panel, at 4,4; huge positions are cut.
    EXPECT_EQ(o.rect, QRect(4, 16384, 48, 20));
    EXPECT_EQ(readGeometry(o.attributes, 2), (Geometry{48, 20, 4, 4}));
    // Only the value text, the fixing bar and the trend graph exist.
    EXPECT_EQ(o.content, "[3:0][9:0][11:1]");
    EXPECT_EQ(model.texts[0]->colour(), 0xFF123456u);  // unreadable colour: font colour
    EXPECT_EQ(model.images[0]->colour(), 0xFF123456u); // empty image colour: font colour
    EXPECT_EQ(model.images[1]->colour(), 0xFF123456u); // image colour 0: font colour
    // Element fallback from the object's own size: 30 % of 48, 20 % of 20.
    EXPECT_EQ(model.images[1]->rect, QRect(4, 4, 14, 4));

    const ScopePart *p = model.scopeOf(1);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Exp, 5);
    EXPECT_EQ(p->Range[1], 8000);
    EXPECT_EQ(p->Range[2], 3200);
    EXPECT_EQ(p->Range[3], 400);
    EXPECT_EQ(p->Range[11], 60000);
    EXPECT_TRUE(p->View[4]);
    EXPECT_FALSE(p->View[5]);
    EXPECT_FALSE(p->View[1]);
    EXPECT_EQ(p->Num, (std::vector<uint8_t>{0}));
    EXPECT_EQ(model.object(1)->page(), 300 & 0xFF);

    EXPECT_EQ(model.object(2)->kind, 0);
    EXPECT_TRUE(model.object(2)->content.isEmpty());
    EXPECT_EQ(model.scopeOf(3)->Exp, 100);
}

TEST_F(LayoutFileTest, ElementCountsCannotWrapOntoOtherElements)
{
    QByteArray text;
    for (int n = 1; n <= 2; ++n) {
        text += "[GEN_" + QByteArray::number(n) + "]\nTag=1\nObj=100000\n";
        for (int k = 1; k <= 300; ++k)
            text += "Obj" + QByteArray::number(k) + "_Type=3\n";
    }
    readLayout(model, IniFile::parse(text));
    // 255 texts in the first object; the second gets the last free 8-bit index and no more.
    EXPECT_EQ(parseContentList(model.object(0)->content).size(), 255u);
    EXPECT_EQ(model.object(1)->content, "[3:255]");
    EXPECT_EQ(model.texts.size(), 256u);
    for (int a : {0, 1})
        for (const ContentEntry &e : parseContentList(model.object(a)->content))
            EXPECT_EQ(model.texts[e.index]->object(), a);
}

TEST_F(LayoutFileTest, FuelTimersCountTowardsTheElementLimit)
{
    QByteArray text = "[GEN_1]\nTag=16\nObj=200\n";
    for (int k = 1; k <= 200; ++k)
        text += "Obj" + QByteArray::number(k) + "_Type=18\n";
    readLayout(model, IniFile::parse(text));
    // Each button brings a timer; the object stops at 255 entries so that its count survives a save.
    EXPECT_EQ(parseContentList(model.object(0)->content).size(), 255u);
    const QByteArray saved = layoutBytes(model);
    EXPECT_TRUE(saved.contains("\nObj=255\n"));
    DashboardModel again;
    readLayout(again, IniFile::parse(saved));
    EXPECT_EQ(layoutBytes(again), saved);
}

TEST_F(LayoutFileTest, SaveObjectRewritesOnlyItsKeysAndDropsClearedViews)
{
    const QString working = path("work.loc");
    ASSERT_TRUE(QFile::copy(fixture("dashboard.loc"), working));
    IniFile extra = IniFile::load(working);
    extra.writeString("GEN_3", "Obj9_Type", "7"); // a stray key the writer does not own
    ASSERT_TRUE(extra.save(working));

    ASSERT_TRUE(loadLayoutFile(model, working));
    model.scopeOf(2)->View[3] = false;
    model.scopeOf(2)->View[24] = true;
    model.object(2)->rect = QRect(12, 140, 410, 310);
    const QString before = model.object(2)->attributes;
    ASSERT_EQ(saveObject(model, 2, working), LayoutSaveResult::Saved);
    EXPECT_EQ(model.object(2)->attributes, before); // nothing stored back

    const IniFile after = IniFile::load(working);
    EXPECT_FALSE(after.hasKey("GEN_3", "View_3"));
    EXPECT_TRUE(after.readBool("GEN_3", "View_1", false));
    EXPECT_TRUE(after.readBool("GEN_3", "View_24", false));
    EXPECT_EQ(after.readInteger("GEN_3", "Width_1", 0), 410);
    EXPECT_EQ(after.readInteger("GEN_3", "Width_2", 0), 200);
    EXPECT_EQ(after.readString("GEN_3", "Obj9_Type", ""), "7");
    const IniFile original = IniFile::load(fixture("dashboard.loc"));
    for (const char *s : {"GEN_1", "GEN_2", "GEN_4"})
        EXPECT_EQ(after.entries(s), original.entries(s)) << s;

    EXPECT_EQ(saveObject(model, 7, working), LayoutSaveResult::Failed);
}

TEST_F(LayoutFileTest, AppendEditedObjectAddsOneSection)
{
    const QString working = path("work.loc");
    writeFile(working, "[GEN_1]\nTag=1\n\n[GEN_3]\nTag=2\n");
    EditedObject edited;
    edited.page = 4;
    QString a0;
    writeGeometry(a0, 2, {50, 40, -1, 3});
    edited.frames.push_back({25, QRect(5, 6, 100, 80), a0});
    QString a1;
    writeAttribute(a1, 1, int32_t(0xFFFF0000));
    edited.frames.push_back({3, QRect(4, 4, 30, 10), a1});
    QString a2;
    writeAttribute(a2, 5, 4);
    edited.frames.push_back({32, QRect(1, 2, 3, 4), a2});
    edited.scope.Exp = 20;

    // With the editor open the layout save appends; it does not rewrite the dashboard.
    ASSERT_TRUE(loadLayoutFile(model, working));
    ASSERT_EQ(saveLayout(model, working, &edited), LayoutSaveResult::Saved);

    QByteArray section = "[GEN_4]\nTag=25\nPage=4\nExpand=20\n";
    for (int i : {1, 2, 5, 6, 7, 8, 10, 11, 12, 13, 14})
        section += "View_" + QByteArray::number(i) + "=1\n";
    const int ranges[] = {8000, 3200, 400, 1500, 2000, 100, 5000, 5000, 1000, 250, 60000};
    for (int i = 0; i < 11; ++i)
        section += "Range_" + QByteArray::number(i + 1) + "=" + QByteArray::number(ranges[i]) + "\n";
    section += "Obj=2\n" + geometryLines("", 1, 100, 80, 5, 6) + geometryLines("", 2, 50, 40, 5, 3);
    section += "Obj1_Type=3\nObj1_Color=Red\n" + geometryLines("Obj1_", 1, 30, 10, 4, 4) +
               geometryLines("Obj1_", 2, 30, 10, 4, 4);
    section += "Obj2_Type=32\nObj2_Scale=4\nObj2_Color=White\n" + geometryLines("Obj2_", 1, 3, 4, 1, 2) +
               geometryLines("Obj2_", 2, 3, 4, 1, 2);
    EXPECT_EQ(readFile(working), "[GEN_1]\nTag=1\n\n[GEN_3]\nTag=2\n\n" + section);
}

TEST_F(LayoutFileTest, AppendPictureObjectExactSection)
{
    const QString working = path("work.loc");
    ASSERT_EQ(appendPictureObject(1, working), LayoutSaveResult::Saved);
    const QByteArray expected = "[GEN_1]\nTag=0\nPage=2\n" + geometryLines("", 1, 160, 100, 10, 10) +
                                geometryLines("", 2, 160, 100, 10, 10) + "Obj=1\nObj1_Type=0\nObj1_Color=White\n" +
                                geometryLines("Obj1_", 1, 156, 96, 2, 2) + geometryLines("Obj1_", 2, 156, 96, 2, 2);
    EXPECT_EQ(readFile(working), expected);
    ASSERT_TRUE(loadLayoutFile(model, working));
    EXPECT_EQ(model.object(0)->content, "[0:0]");
    EXPECT_EQ(model.images[0]->rect, QRect(2, 2, 156, 96));
}

TEST_F(LayoutFileTest, FullLayoutRefusesAppendsAndGapsAreFilled)
{
    const QString working = path("work.loc");
    IniFile ini;
    for (int n = 1; n <= 50; ++n)
        ini.writeInteger(QStringLiteral("GEN_%1").arg(n), "Tag", 1);
    ASSERT_TRUE(ini.save(working));
    const QByteArray before = readFile(working);
    EditedObject edited;
    edited.frames.push_back({1, QRect(1, 1, 10, 10), QString()});
    EXPECT_EQ(appendEditedObject(edited, 1, working), LayoutSaveResult::Full);
    EXPECT_EQ(appendPictureObject(1, working), LayoutSaveResult::Full);
    EXPECT_EQ(readFile(working), before); // no section 51 that would never be read

    FakeSink sink;
    reportLayoutSave(LayoutSaveResult::Full, sink);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].key, LayoutFullKey);

    ini.eraseSection("GEN_7");
    EXPECT_EQ(nextFreeSection(ini), 7);
    EXPECT_EQ(nextFreeSection(IniFile::parse("[GEN_1]\nTag=1\n[GEN_3]\nTag=1\n")), 4);
    EXPECT_EQ(nextFreeSection(IniFile()), 1);
}

TEST_F(LayoutFileTest, FailedWriteKeepsTheOldFileAndReportsIt)
{
    const QString working = path("work.loc");
    ASSERT_TRUE(QFile::copy(fixture("dashboard.loc"), working));
    const QByteArray before = readFile(working);
    ASSERT_TRUE(loadLayoutFile(model, working));
    model.object(0)->rect = QRect(1, 1, 1, 1);

    LayoutSaveResult whole, one, picture;
    {
        FileSizeLimit limit(16);
        whole = saveLayout(model, working);
        one = saveObject(model, 0, working);
        picture = appendPictureObject(1, working);
    }
    EXPECT_EQ(whole, LayoutSaveResult::Failed);
    EXPECT_EQ(one, LayoutSaveResult::Failed);
    EXPECT_EQ(picture, LayoutSaveResult::Failed);
    EXPECT_EQ(readFile(working), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"work.loc"});

    EXPECT_EQ(saveLayout(model, path("no/such/folder/x.loc")), LayoutSaveResult::Failed);
    FakeSink sink;
    reportLayoutSave(LayoutSaveResult::Failed, sink);
    reportLayoutSave(LayoutSaveResult::Saved, sink);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].kind, 5);
    EXPECT_EQ(sink.shown[0].key, "MSG_Cannot_Save_File");
    EXPECT_EQ(sink.shown[0].colour, MsgColour::Error);
}

TEST_F(LayoutFileTest, ImportAndDelete)
{
    const QString working = path("work.loc");
    writeFile(working, "[GEN_1]\nTag=1\n");
    EXPECT_FALSE(importLayout(path("missing.loc"), working));
    EXPECT_EQ(readFile(working), "[GEN_1]\nTag=1\n"); // a failed import keeps the working layout

    ASSERT_TRUE(importLayout(fixture("dashboard.loc"), working));
    EXPECT_EQ(readFile(working), readFile(fixture("dashboard.loc")));

    ASSERT_TRUE(loadLayoutFile(model, working));
    EXPECT_TRUE(deleteLayout(model, working));
    EXPECT_FALSE(QFile::exists(working));
    EXPECT_EQ(model.objectCount(), 0);
    EXPECT_TRUE(model.scopes.empty());
    EXPECT_FALSE(loadLayoutFile(model, working)); // missing file: nothing built
    EXPECT_TRUE(model.objects.empty());
    EXPECT_TRUE(deleteLayout(model, working));
}
