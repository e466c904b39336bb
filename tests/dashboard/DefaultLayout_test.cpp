#include "dashboard/DefaultLayout.h"

#include "platform/IniFile.h"
#include "ui/ColourText.h"
#include "ui/Folders.h"
#include "ui/STS_Record.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <sys/resource.h>

using namespace qn;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// One section of a written layout, from its header line to its last key line.
QByteArray sectionText(const QByteArray &file, const QByteArray &name)
{
    const QByteArray header = "[" + name + "]\n";
    const qsizetype start = file.startsWith(header) ? 0 : file.indexOf("\n" + header) + 1;
    if (start < 0 || file.mid(start, header.size()) != header)
        return {};
    const qsizetype end = file.indexOf("\n\n[", start);
    return end < 0 ? file.mid(start) : file.mid(start, end + 1 - start);
}

// A disk that fills after a few bytes: the write fails the way a full disk makes it fail, even for
// a test run as root, where a read-only folder does not stop it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

class DefaultLayoutFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        paths.settingsFile = dir.filePath("qndiag.ini");
        paths.layoutFile = dir.filePath("qndiag.loc");
        sts.Run_Loc = {false, true, true};
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir dir;
    Paths paths;
    STS_Record sts;
    const QByteArray userLayout = "[GEN_1]\nTag=1\nPage=2\nWidth_1=10\n";
};

} // namespace

TEST(DefaultLayout, ObjectsInTableOrder)
{
    struct Row {
        int tag, page, elements;
    };
    const Row rows[] = {{15, 0, 3}, {0, 0, 1},  {16, 0, 7}, {17, 0, 3},  {6, 1, 2},  {8, 1, 3},
                        {5, 1, 5},  {13, 1, 3}, {12, 1, 4}, {11, 1, 4},  {1, 2, 3},  {2, 2, 3},
                        {16, 2, 7}, {2, 2, 2},  {24, 3, 2}, {23, 3, 2},  {18, 3, 3}, {19, 3, 3},
                        {17, 3, 3}, {25, 4, 17}, {25, 5, 17}, {1, 5, 2}, {13, 5, 2}, {6, 5, 2},
                        {11, 5, 2}, {2, 5, 3},  {8, 5, 3},  {12, 5, 3},  {5, 5, 3}};
    const IniFile ini = defaultLayoutIni();
    QStringList expectedSections;
    for (int i = 1; i <= 29; ++i)
        expectedSections << QStringLiteral("GEN_%1").arg(i);
    ASSERT_EQ(ini.sections(), expectedSections);
    for (int i = 0; i < 29; ++i) {
        SCOPED_TRACE(i + 1);
        const QString s = expectedSections[i];
        EXPECT_EQ(ini.readInteger(s, "Tag", -1), rows[i].tag);
        EXPECT_EQ(ini.readInteger(s, "Page", -1), rows[i].page);
        const int n = ini.readInteger(s, "Obj", -1);
        EXPECT_EQ(n, rows[i].elements);
        // Every element is complete and there is none beyond the count.
        for (int k = 1; k <= n; ++k)
            EXPECT_TRUE(ini.hasKey(s, QStringLiteral("Obj%1_Pos_Y_1").arg(k))) << k;
        EXPECT_FALSE(ini.hasKey(s, QStringLiteral("Obj%1_Type").arg(n + 1)));
        // The data table and the file agree.
        EXPECT_EQ(defaultLayoutObjects()[size_t(i)].elements.size(), size_t(rows[i].elements));
    }
}

TEST(DefaultLayout, ExactSections)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("qndiag.loc");
    STS_Record sts;
    ASSERT_TRUE(writeDefaultLayout(path, sts));
    const QByteArray file = readAll(path);
    ASSERT_TRUE(file.startsWith("[GEN_1]\n"));
    EXPECT_FALSE(file.contains('\r'));

    // A live-value object with colours.
    EXPECT_EQ(sectionText(file, "GEN_1"), QByteArray(R"([GEN_1]
Tag=15
Page=0
Width_1=100
Height_1=28
Pos_X_1=1
Pos_Y_1=2
Obj=3
Obj1_Type=1
Obj1_Color=Olive
Obj1_Width_1=77
Obj1_Height_1=12
Obj1_Pos_X_1=2
Obj1_Pos_Y_1=2
Obj2_Type=3
Obj2_Color=Olive
Obj2_Width_1=77
Obj2_Height_1=15
Obj2_Pos_X_1=2
Obj2_Pos_Y_1=12
Obj3_Type=8
Obj3_Color=Olive
Obj3_Width_1=15
Obj3_Height_1=26
Obj3_Pos_X_1=81
Obj3_Pos_Y_1=2
)"));
    // Fuel consumption: the timer placeholder is written 0 by 0 at 0,0 in White.
    EXPECT_EQ(sectionText(file, "GEN_3"), QByteArray(R"([GEN_3]
Tag=16
Page=0
Width_1=100
Height_1=51
Pos_X_1=104
Pos_Y_1=2
Obj=7
Obj1_Type=1
Obj1_Color=White
Obj1_Width_1=96
Obj1_Height_1=7
Obj1_Pos_X_1=2
Obj1_Pos_Y_1=2
Obj2_Type=14
Obj2_Color=Deeppink
Obj2_Width_1=96
Obj2_Height_1=7
Obj2_Pos_X_1=2
Obj2_Pos_Y_1=9
Obj3_Type=15
Obj3_Color=Hotpink
Obj3_Width_1=96
Obj3_Height_1=7
Obj3_Pos_X_1=2
Obj3_Pos_Y_1=16
Obj4_Type=16
Obj4_Color=White
Obj4_Width_1=96
Obj4_Height_1=12
Obj4_Pos_X_1=2
Obj4_Pos_Y_1=23
Obj5_Type=17
Obj5_Color=Hotpink
Obj5_Width_1=96
Obj5_Height_1=7
Obj5_Pos_X_1=2
Obj5_Pos_Y_1=35
Obj6_Type=18
Obj6_Color=White
Obj6_Width_1=96
Obj6_Height_1=7
Obj6_Pos_X_1=2
Obj6_Pos_Y_1=42
Obj7_Type=13
Obj7_Color=White
Obj7_Width_1=0
Obj7_Height_1=0
Obj7_Pos_X_1=0
Obj7_Pos_Y_1=0
)"));
    // Oscilloscope: view flags and ranges after the element count, scale images carry their group.
    EXPECT_EQ(sectionText(file, "GEN_20"), QByteArray(R"([GEN_20]
Tag=25
Page=4
Width_1=430
Height_1=260
Pos_X_1=2
Pos_Y_1=2
Obj=17
Expand=100
View_1=1
View_2=1
View_5=1
View_6=1
View_7=1
View_8=1
View_10=1
View_11=1
View_12=1
View_13=1
View_14=1
Range_1=8000
Range_2=3200
Range_3=400
Range_4=1500
Range_5=2000
Range_6=100
Range_7=5000
Range_8=5000
Range_9=1000
Range_10=250
Range_11=60000
Obj1_Type=32
Obj1_Scale=1
Obj1_Width_1=25
Obj1_Height_1=220
Obj1_Pos_X_1=2
Obj1_Pos_Y_1=2
Obj2_Type=33
Obj2_Color=White
Obj2_Width_1=25
Obj2_Height_1=40
Obj2_Pos_X_1=2
Obj2_Pos_Y_1=220
Obj3_Type=31
Obj3_Color=White
Obj3_Width_1=5
Obj3_Height_1=220
Obj3_Pos_X_1=27
Obj3_Pos_Y_1=2
Obj4_Type=32
Obj4_Scale=2
Obj4_Width_1=25
Obj4_Height_1=220
Obj4_Pos_X_1=32
Obj4_Pos_Y_1=2
Obj5_Type=33
Obj5_Color=White
Obj5_Width_1=25
Obj5_Height_1=40
Obj5_Pos_X_1=32
Obj5_Pos_Y_1=220
Obj6_Type=30
Obj6_Color=White
Obj6_Width_1=316
Obj6_Height_1=220
Obj6_Pos_X_1=57
Obj6_Pos_Y_1=2
Obj7_Type=36
Obj7_Color=White
Obj7_Width_1=316
Obj7_Height_1=20
Obj7_Pos_X_1=57
Obj7_Pos_Y_1=2
Obj8_Type=34
Obj8_Color=White
Obj8_Width_1=40
Obj8_Height_1=40
Obj8_Pos_X_1=61
Obj8_Pos_Y_1=220
Obj9_Type=38
Obj9_Color=White
Obj9_Width_1=75
Obj9_Height_1=40
Obj9_Pos_X_1=105
Obj9_Pos_Y_1=220
Obj10_Type=35
Obj10_Color=White
Obj10_Width_1=40
Obj10_Height_1=40
Obj10_Pos_X_1=329
Obj10_Pos_Y_1=220
Obj11_Type=39
Obj11_Color=White
Obj11_Width_1=75
Obj11_Height_1=40
Obj11_Pos_X_1=250
Obj11_Pos_Y_1=220
Obj12_Type=37
Obj12_Color=White
Obj12_Width_1=62
Obj12_Height_1=40
Obj12_Pos_X_1=184
Obj12_Pos_Y_1=220
Obj13_Type=32
Obj13_Scale=3
Obj13_Width_1=25
Obj13_Height_1=220
Obj13_Pos_X_1=373
Obj13_Pos_Y_1=2
Obj14_Type=33
Obj14_Color=White
Obj14_Width_1=25
Obj14_Height_1=40
Obj14_Pos_X_1=373
Obj14_Pos_Y_1=220
Obj15_Type=31
Obj15_Color=White
Obj15_Width_1=5
Obj15_Height_1=220
Obj15_Pos_X_1=398
Obj15_Pos_Y_1=2
Obj16_Type=32
Obj16_Scale=5
Obj16_Width_1=25
Obj16_Height_1=220
Obj16_Pos_X_1=403
Obj16_Pos_Y_1=2
Obj17_Type=33
Obj17_Color=White
Obj17_Width_1=25
Obj17_Height_1=40
Obj17_Pos_X_1=403
Obj17_Pos_Y_1=220
)"));
    // The two oscilloscopes share their view settings.
    const IniFile ini = IniFile::parse(file);
    for (const char *key : {"Expand", "View_1", "View_14", "Range_1", "Range_11"})
        EXPECT_EQ(ini.readString("GEN_21", key, "-"), ini.readString("GEN_20", key, "+")) << key;
    EXPECT_FALSE(ini.hasKey("GEN_21", "View_3"));
    EXPECT_FALSE(ini.hasKey("GEN_1", "Expand"));
}

TEST(DefaultLayout, OnlyLayoutSetOneIsWritten)
{
    const IniFile ini = defaultLayoutIni();
    static const QRegularExpression geometry(QStringLiteral("(Width|Height|Pos_X|Pos_Y)_(\\d+)$"));
    int geometryKeys = 0;
    for (const QString &s : ini.sections())
        for (const QString &key : ini.keys(s)) {
            const QRegularExpressionMatch m = geometry.match(key);
            if (!m.hasMatch())
                continue;
            ++geometryKeys;
            EXPECT_EQ(m.captured(2), "1") << s.toStdString() << " " << key.toStdString();
        }
    // Four per object and four per element: nothing was skipped either.
    size_t expected = 0;
    for (const DefaultObject &o : defaultLayoutObjects())
        expected += 4 * (1 + o.elements.size());
    EXPECT_EQ(size_t(geometryKeys), expected);
}

TEST(DefaultLayout, ColourNamesAreTheCanonicalOnes)
{
    // Each colour of the table, as its value gives it back.
    const struct {
        uint32_t argb;
        const char *name;
    } cases[] = {{0xFF808000, "Olive"},        {0xFFFF1493, "Deeppink"},      {0xFFFF69B4, "Hotpink"},
                 {0xFFADD8E6, "Lightblue"},    {0xFF00FF7F, "Springgreen"},   {0xFF32CD32, "Limegreen"},
                 {0xFF2E8B57, "Seagreen"},     {0xFF87CEFA, "Lightskyblue"},  {0xFFB0C4DE, "Lightsteelblue"},
                 {0xFFAFEEEE, "Paleturquoise"}, {0xFF98FB98, "Palegreen"},    {0xFF4B0082, "Indigo"},
                 {0xFFFF00FF, "Fuchsia"},      {0xFFFFFF00, "Yellow"},        {0xFF00FF00, "Lime"},
                 {0xFF9ACD32, "Yellowgreen"},  {0xFFFF0000, "Red"},           {0xFFFFFFFF, "White"},
                 {0xFFCD853F, "Peru"},         {0xFFFFA500, "Orange"},        {0xFFFF4500, "Orangered"},
                 {0xFFFA8072, "Salmon"}};
    std::set<QString> tableNames;
    for (const auto &c : cases) {
        EXPECT_EQ(colourToText(c.argb), QString::fromLatin1(c.name));
        tableNames.insert(QString::fromLatin1(c.name));
    }
    // Every colour the layout writes is one of the table's names, never a "#" value.
    const IniFile ini = defaultLayoutIni();
    std::set<QString> written;
    for (const QString &s : ini.sections())
        for (const auto &[key, value] : ini.entries(s))
            if (key.endsWith("_Color"))
                written.insert(value);
    EXPECT_EQ(written, tableNames);
}

TEST(DefaultLayout, ScaleOnlyOnOscilloscopeScaleImages)
{
    const IniFile ini = defaultLayoutIni();
    for (const QString &s : ini.sections()) {
        const bool scope = ini.readInteger(s, "Tag", 0) == 25;
        for (int k = 1; k <= ini.readInteger(s, "Obj", 0); ++k) {
            const bool scaleImage = scope && ini.readInteger(s, QStringLiteral("Obj%1_Type").arg(k), 0) == 32;
            EXPECT_EQ(ini.hasKey(s, QStringLiteral("Obj%1_Scale").arg(k)), scaleImage) << s.toStdString() << k;
            EXPECT_EQ(ini.hasKey(s, QStringLiteral("Obj%1_Color").arg(k)), !scaleImage) << s.toStdString() << k;
        }
    }
    // Both fuel-consumption objects end with the timer placeholder.
    for (const char *s : {"GEN_3", "GEN_13"}) {
        EXPECT_EQ(ini.readInteger(s, "Obj7_Type", 0), 13) << s;
        EXPECT_EQ(ini.readInteger(s, "Obj7_Width_1", -1), 0) << s;
        EXPECT_EQ(ini.readString(s, "Obj7_Color", ""), "White") << s;
    }
}

TEST_F(DefaultLayoutFiles, WriteClearsRunLocAndReplacesTheFile)
{
    ASSERT_TRUE(writeAll(paths.layoutFile, userLayout));
    sts.Run_Loc = {true, true, true};
    QString error;
    ASSERT_TRUE(writeDefaultLayout(paths.layoutFile, sts, &error)) << error.toStdString();
    EXPECT_FALSE(sts.Run_Loc[1]);
    EXPECT_FALSE(sts.Run_Loc[2]);
    EXPECT_EQ(readAll(paths.layoutFile), defaultLayoutIni().serialize());
    // Written through a temporary file renamed over the old one: nothing else is left behind.
    EXPECT_EQ(files(), QStringList{"qndiag.loc"});
}

TEST_F(DefaultLayoutFiles, FailedWriteKeepsTheOldFileAndRunLoc)
{
    ASSERT_TRUE(writeAll(paths.layoutFile, userLayout));
    sts.Run_Loc = {false, true, true};
    bool written = true;
    {
        FileSizeLimit limit(64); // the first bytes fit, the rest does not
        ASSERT_TRUE(limit.active());
        written = writeDefaultLayout(paths.layoutFile, sts);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(readAll(paths.layoutFile), userLayout);
    EXPECT_TRUE(sts.Run_Loc[1]);
    EXPECT_TRUE(sts.Run_Loc[2]);
    EXPECT_EQ(files(), QStringList{"qndiag.loc"});
    // A folder that does not exist fails the same way.
    EXPECT_FALSE(writeDefaultLayout(dir.filePath("missing/qndiag.loc"), sts));
    EXPECT_TRUE(sts.Run_Loc[1]);
}

TEST(DefaultLayout, NeedsDefaultWhenEitherFileIsMissing)
{
    EXPECT_TRUE(needsDefaultLayout(false, false));
    EXPECT_TRUE(needsDefaultLayout(false, true));
    EXPECT_TRUE(needsDefaultLayout(true, false));
    EXPECT_FALSE(needsDefaultLayout(true, true));
}

TEST_F(DefaultLayoutFiles, StartupDecision)
{
    const struct {
        bool settings, layout;
        bool written, backup;
    } cases[] = {
        {false, false, true, false}, // first run
        {true, false, true, false},  // layout deleted
        {false, true, true, true},   // settings deleted: the user's layout is kept aside
        {true, true, false, false},  // a normal start
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "settings " << c.settings << " layout " << c.layout);
        for (const QString &f : files()) {
            ASSERT_TRUE(QFile::remove(dir.filePath(f)));
        }
        if (c.settings) {
            ASSERT_TRUE(writeAll(paths.settingsFile, "[SET]\nRun_App=1\n"));
        }
        if (c.layout) {
            ASSERT_TRUE(writeAll(paths.layoutFile, userLayout));
        }
        sts.Run_Loc = {false, true, true};

        const StartupLayoutResult r = startupLayout(paths, sts);
        EXPECT_TRUE(r.ok()) << r.error.toStdString();
        EXPECT_EQ(r.defaultWritten, c.written);
        EXPECT_EQ(r.fitNeeded, c.written);
        EXPECT_EQ(sts.Run_Loc[1], !c.written);
        EXPECT_EQ(readAll(paths.layoutFile), c.written ? defaultLayoutIni().serialize() : userLayout);
        if (c.backup) {
            EXPECT_EQ(r.backupPath, paths.layoutFile + ".bak");
            EXPECT_EQ(readAll(r.backupPath), userLayout);
        } else {
            EXPECT_TRUE(r.backupPath.isEmpty());
            EXPECT_FALSE(QFile::exists(paths.layoutFile + ".bak"));
        }
    }
}

TEST_F(DefaultLayoutFiles, OlderBackupsAreNeverOverwritten)
{
    ASSERT_TRUE(writeAll(paths.layoutFile + ".bak", "oldest"));
    ASSERT_TRUE(writeAll(paths.layoutFile + ".1.bak", "older"));
    ASSERT_TRUE(writeAll(paths.layoutFile, userLayout));

    const StartupLayoutResult r = startupLayout(paths, sts);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_TRUE(r.defaultWritten);
    EXPECT_EQ(r.backupPath, paths.layoutFile + ".2.bak");
    EXPECT_EQ(readAll(r.backupPath), userLayout);
    EXPECT_EQ(readAll(paths.layoutFile + ".bak"), "oldest");
    EXPECT_EQ(readAll(paths.layoutFile + ".1.bak"), "older");
    EXPECT_EQ(layoutBackupPath(paths.layoutFile), paths.layoutFile + ".3.bak");
}

TEST_F(DefaultLayoutFiles, FailedBackupKeepsTheUserLayout)
{
    // Larger than the disk allows, so neither the copy nor the default can be written.
    const QByteArray big = userLayout + QByteArray(4096, 'x');
    ASSERT_TRUE(writeAll(paths.layoutFile, big));
    StartupLayoutResult r;
    {
        FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.active());
        r = startupLayout(paths, sts);
    }
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.defaultWritten);
    EXPECT_TRUE(r.backupPath.isEmpty());
    EXPECT_EQ(readAll(paths.layoutFile), big);
    EXPECT_TRUE(sts.Run_Loc[1]);
    EXPECT_FALSE(r.fitNeeded);
    EXPECT_EQ(files(), QStringList{"qndiag.loc"});
}
