#include "ui/Settings.h"

#include "platform/IniFile.h"
#include "ui/ColourText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qn;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        paths = computeDevelopmentPaths(tmp.path() + QStringLiteral("/qndiag"), tmp.path(),
                                        QLatin1Char('/'));
    }

    void writeFile(const char *text)
    {
        QFile f(paths.settingsFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QString fileText() const
    {
        QFile f(paths.settingsFile);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    Settings start(int workW = 1920, int workH = 1080)
    {
        Settings s;
        ApplySettingsDefaults(s, paths, workW, workH);
        return s;
    }

    SaveResult save(const Settings &s)
    {
        return SaveSettings(s, paths, WindowValues::fromRecord(s.sts));
    }

    QTemporaryDir tmp;
    Paths paths;
};

TEST_F(SettingsTest, WithoutAFileTheDefaultsStand)
{
    Settings s;
    s.sts.LOG_Range = 5; // leftovers of an earlier run must not survive
    s.sts.OMR_Min[3] = -1;
    ApplySettingsDefaults(s, paths, 1920, 1080);
    EXPECT_FALSE(s.sts.Run_App);
    EXPECT_EQ(s.sts.GEN_Pos_X, 560);
    EXPECT_EQ(s.sts.GEN_Pos_Y, 240);
    EXPECT_EQ(s.sts.GEN_Path, paths.locationFolder);
    EXPECT_EQ(s.sts.OSC_Path, paths.oscilloscopeFolder);
    EXPECT_EQ(s.sts.FNT_Size, 20);
    EXPECT_EQ(s.sts.FNT_Family, "Time New Roman");
    EXPECT_EQ(s.sts.LOG_Range, 120);
    EXPECT_EQ(s.sts.OMR_Min[3], 150);
    EXPECT_EQ(s.colours.general[Max_CurrData], 0xFF6BD2EEu);
    EXPECT_EQ(s.colours.trace[0], 0xFF6BD2EEu);
    EXPECT_EQ(s.colours.scale[11], 0xFF00FF7Fu);
    EXPECT_FALSE(QFile::exists(paths.settingsFile)); // loading never creates the file

    // A work area smaller than the window: the centring truncates toward zero.
    const Settings small = start(799, 401);
    EXPECT_EQ(small.sts.GEN_Pos_X, 0);
    EXPECT_EQ(small.sts.GEN_Pos_Y, -99);
}

TEST_F(SettingsTest, FirstSaveWritesEveryKeyInFileOrder)
{
    Settings s = start();
    s.sts.Run_App = true; // set by the language tables during start-up
    ASSERT_TRUE(save(s).ok);
    const QString loc = paths.locationFolder, osc = paths.oscilloscopeFolder;
    const QString expected = QStringLiteral(
                                 "[SET]\nRun_App=1\nRun_Loc_1=0\nRun_Loc_2=0\nStyle=Transparent\n"
                                 "Language=English\nFull_Screen=0\nRC_Width=130\nPage_Index=1\n"
                                 "\n[CON]\nType=1\nPort=COM1\nName=\nAddr=\nAuto=0\nBGnd=0\n"
                                 "\n[GEN]\nPath=%1\nPos_X=560\nPos_Y=240\nWidth=800\nHeight=600\n"
                                 "Offset=1\nOffsetD=4\nSnap=1\nSnapG=20\nGuide=1\n"
                                 "\n[FNT]\nFamily=Time New Roman\nSize=2\nStyle=0\nColor=White\n"
                                 "\n[COL]\nMsg_Action=Lime\nMsg_Complite=Lime\nMsg_Warning=Red\n"
                                 "Msg_Error=Red\nRC_Gas=Lime\nRC_Petrol=Yellow\nRC_LowLevel=Red\n"
                                 "RC_Led_Off=Gray\nMax_CurrData=#FF6BD2EE\nOMR_Optimal=Lime\n"
                                 "OMR_Over=Yellow\nOMR_CurrOptim=Blue\nOMR_CurrOver=Red\n"
                                 "\n[FCC]\nConsump=70\nSpeed=300\nRPM=0\nCostD=110\nCostG=60\n"
                                 "\n[GLS]\nDim=0\nBarVolt=171\nSensitiv=1\n"
                                 "\n[LOG]\nActive=0\nFrequency=1\n"
                                 "\n[OMR]\nMin_1=1000\nMax_1=2000\nMin_2=150\nMax_2=250\n"
                                 "Min_3=150\nMax_3=250\nMin_4=150\nMax_4=250\nMin_5=700\n"
                                 "Max_5=1500\nMin_6=300\nMax_6=1200\nMin_7=100\nMax_7=500\n"
                                 "Min_8=150\nMax_8=350\nMin_9=0\nMax_9=500\nMin_10=200\n"
                                 "Max_10=350\nMin_11=100\nMax_11=250\nMin_12=100\nMax_12=150\n"
                                 "Min_13=1300\nMax_13=1500\nMin_14=100\nMax_14=200\n"
                                 "\n[OSC]\nGrid=0\nMeter=1\nScroll=1\nPath=%2\n"
                                 "Color_0=#FF6BD2EE\nColor_1=Lightblue\nColor_2=Fuchsia\n"
                                 "Color_3=Orchid\nColor_4=Violet\nColor_5=Springgreen\n"
                                 "Color_6=Peru\nColor_7=Darkorange\nColor_8=Orange\n"
                                 "Color_9=Coral\nColor_10=Palegreen\nColor_11=Paleturquoise\n"
                                 "Color_12=Lightskyblue\nColor_13=Orangered\nColor_14=Salmon\n"
                                 "Color_15=Olive\nColor_16=Deeppink\nColor_17=Red\n"
                                 "Color_18=Goldenrod\nColor_19=Yellowgreen\nColor_20=Gold\n"
                                 "Color_21=Chartreuse\nColor_22=Red\nColor_23=Lime\n"
                                 "Color_24=Yellow\nColor_Scale_0=White\nColor_Scale_1=Lightblue\n"
                                 "Color_Scale_2=Lime\nColor_Scale_3=Paleturquoise\n"
                                 "Color_Scale_4=Orange\nColor_Scale_5=Fuchsia\n"
                                 "Color_Scale_6=Deeppink\nColor_Scale_7=Red\nColor_Scale_8=Salmon\n"
                                 "Color_Scale_9=Olive\nColor_Scale_10=Yellow\n"
                                 "Color_Scale_11=Springgreen\n")
                                 .arg(loc, osc);
    EXPECT_EQ(fileText().toStdString(), expected.toStdString());
}

TEST_F(SettingsTest, EveryValueSurvivesASaveAndALoad)
{
    Settings a = start();
    STS_Record &s = a.sts;
    s.Run_App = true;
    s.Run_Loc = {false, false, true};
    s.Style = QStringLiteral("Ruby");
    s.Language = QStringLiteral("Русский");
    s.Full_Screen = true;
    s.RC_Width = 170;
    s.Page_Index = 4;
    s.CON_Type = false;
    s.CON_Port = QStringLiteral("/dev/pts/7");
    s.CON_Name = QStringLiteral("QN ECU = 2");
    s.CON_Addr = QStringLiteral("00:11:22:33:44:55");
    s.CON_Auto = true;
    s.CON_BGnd = true;
    s.GEN_Path = tmp.path() + QStringLiteral("/my layouts");
    s.GEN_Pos_X = -8;
    s.GEN_Pos_Y = 12;
    s.GEN_Width = 1024;
    s.GEN_Height = 700;
    s.GEN_Offset = false;
    s.GEN_OffsetD = 0;
    s.GEN_Snap = false;
    s.GEN_SnapG = 7;
    s.GEN_Guide = false;
    s.FNT_Family = QStringLiteral("DejaVu Sans");
    s.FNT_Size = 24;
    s.FNT_Style = FontItalic | FontStrikeOut;
    s.FNT_Color = 0xFF123456;
    s.FCC_Consump = 95;
    s.FCC_Speed = 10;
    s.FCC_RPM = 2500;
    s.FCC_CostD = 199;
    s.FCC_CostG = 89;
    s.GLS_Dim = true;
    s.GLS_BarVolt = 56;
    s.GLS_Sensitiv = 0;
    s.LOG_Active = true;
    s.LOG_Frequency = 60;
    for (int i = 1; i <= 14; ++i) {
        s.OMR_Min[size_t(i)] = -i;
        s.OMR_Max[size_t(i)] = 1000 * i;
    }
    s.OSC_Grid = true;
    s.OSC_Meter = false;
    s.OSC_Scroll = false;
    s.OSC_Path = tmp.path() + QStringLiteral("/scope");
    for (size_t i = 0; i < a.colours.general.size(); ++i)
        a.colours.general[i] = 0xFF000000u + uint32_t(i);
    a.colours.trace[24] = 0x7F00FF00;
    a.colours.scale[0] = 0xFFFFFFFE;
    ASSERT_TRUE(save(a).ok);
    const QString first = fileText();

    const Settings b = start();
    EXPECT_EQ(b.sts.Run_Loc[1], false);
    EXPECT_EQ(b.sts.Run_Loc[2], true);
    EXPECT_EQ(b.sts.Language, s.Language);
    EXPECT_EQ(b.sts.CON_Name, s.CON_Name);
    EXPECT_EQ(b.sts.GEN_Path, s.GEN_Path);
    EXPECT_EQ(b.sts.OSC_Path, s.OSC_Path);
    EXPECT_EQ(b.sts.FNT_Size, 24);
    EXPECT_EQ(b.sts.FNT_Style, FontItalic | FontStrikeOut);
    EXPECT_EQ(b.sts.FNT_Color, 0xFF123456u);
    EXPECT_EQ(b.sts.OMR_Min[14], -14);
    EXPECT_EQ(b.sts.OMR_Max[14], 14000);
    EXPECT_EQ(b.colours.general, a.colours.general);
    EXPECT_EQ(b.colours.trace, a.colours.trace);
    EXPECT_EQ(b.colours.scale, a.colours.scale);
    ASSERT_TRUE(save(b).ok);
    EXPECT_EQ(fileText().toStdString(), first.toStdString()); // nothing lost or changed
}

TEST_F(SettingsTest, LiveWindowValuesAreSavedNotTheRecord)
{
    Settings s = start();
    ASSERT_TRUE(SaveSettings(s, paths, WindowValues{151.9, -20, 30, 1024, 700}).ok);
    const IniFile ini = IniFile::load(paths.settingsFile);
    EXPECT_EQ(ini.readString("SET", "RC_Width", ""), "151");
    EXPECT_EQ(ini.readString("GEN", "Pos_X", ""), "-20");
    EXPECT_EQ(ini.readString("GEN", "Pos_Y", ""), "30");
    EXPECT_EQ(ini.readString("GEN", "Width", ""), "1024");
    EXPECT_EQ(ini.readString("GEN", "Height", ""), "700");
}

struct FontSizeCase {
    const char *fntSection;
    int32_t size;
};

class FontSizeTest : public SettingsTest, public ::testing::WithParamInterface<FontSizeCase> {};

TEST_P(FontSizeTest, SizeIsReadAsAnIndexIntoTheList)
{
    writeFile((std::string("[SET]\nRun_App=1\n[FNT]\n") + GetParam().fntSection).c_str());
    EXPECT_EQ(start().sts.FNT_Size, GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FontSizeTest,
                         ::testing::Values(FontSizeCase{"Size=0\n", 12}, FontSizeCase{"Size=3\n", 24},
                                           FontSizeCase{"Size=4\n", 30}, FontSizeCase{"Size=7\n", 30},
                                           FontSizeCase{"Size=-3\n", 12},
                                           FontSizeCase{"Size=big\n", 14},
                                           FontSizeCase{"Family=X\n", 14})); // no Size key

TEST_F(SettingsTest, SizeOutsideTheListIsSavedAsTheSecondSize)
{
    Settings s = start();
    s.sts.FNT_Size = 16;
    ASSERT_TRUE(save(s).ok);
    EXPECT_EQ(IniFile::load(paths.settingsFile).readString("FNT", "Size", ""), "1");
}

TEST_F(SettingsTest, FontStyleBits)
{
    const std::pair<const char *, uint8_t> cases[] = {
        {"5", FontBold | FontUnderline}, {"15", 15}, {"31", 15}, {"16", 0},
        {"0", 0},                        {"-1", 0},  {"x", 0}};
    for (const auto &[text, bits] : cases) {
        writeFile((std::string("[FNT]\nStyle=") + text + "\n").c_str());
        EXPECT_EQ(start().sts.FNT_Style, bits) << text;
    }
}

TEST_F(SettingsTest, TextThatIsNotAColourTakesTheFontColour)
{
    writeFile("[SET]\nRun_App=1\n[FNT]\nColor=Yellow\n[COL]\nMsg_Error=Reddish\nMsg_Warning=\n"
              "RC_Gas=#FF00FF\n[OSC]\nColor_3=oops\nColor_Scale_11=#12\n");
    const Settings s = start();
    EXPECT_EQ(s.sts.FNT_Color, 0xFFFFFF00u);
    EXPECT_EQ(s.colours.general[Msg_Error], 0xFFFFFF00u);
    EXPECT_EQ(s.colours.general[Msg_Warning], 0xFFFFFF00u);
    EXPECT_EQ(s.colours.general[RC_Gas], 0xFFFF00FFu);
    EXPECT_EQ(s.colours.general[Msg_Action], 0xFF00FF00u); // missing key keeps its default
    EXPECT_EQ(s.colours.trace[3], 0xFFFFFF00u);
    EXPECT_EQ(s.colours.trace[4], 0xFFEE82EEu);
    EXPECT_EQ(s.colours.scale[11], 0xFFFFFF00u);

    writeFile("[FNT]\nColor=Reddish\n[COL]\nMsg_Error=nope\n");
    const Settings w = start();
    EXPECT_EQ(w.sts.FNT_Color, 0xFFFFFFFFu);
    EXPECT_EQ(w.colours.general[Msg_Error], 0xFFFFFFFFu);
}

TEST_F(SettingsTest, UnnamedFontColourKeepsItsHashForm)
{
    writeFile("[SET]\nRun_App=1\n[FNT]\nColor=#FF6BD2EF\n");
    const Settings s = start();
    EXPECT_EQ(s.sts.FNT_Color, 0xFF6BD2EFu);
    ASSERT_TRUE(save(s).ok);
    EXPECT_EQ(IniFile::load(paths.settingsFile).readString("FNT", "Color", ""), "#FF6BD2EF");
}

TEST_F(SettingsTest, AFileOfAProgramThatNeverRanKeepsFoldersAndFollowsTheStyle)
{
    const char *body = "Style=Ruby\nRun_Loc_1=1\nRun_Loc_2=1\n[GEN]\nPath=/elsewhere/loc\n"
                       "[OSC]\nPath=/elsewhere/osc\n[COL]\nMax_CurrData=Blue\n";
    writeFile((std::string("[SET]\nRun_App=0\n") + body).c_str());
    const Settings fresh = start();
    EXPECT_FALSE(fresh.sts.Run_App);
    EXPECT_EQ(fresh.sts.GEN_Path, paths.locationFolder);
    EXPECT_EQ(fresh.sts.OSC_Path, paths.oscilloscopeFolder);
    EXPECT_FALSE(fresh.sts.Run_Loc[1]);
    EXPECT_FALSE(fresh.sts.Run_Loc[2]);
    EXPECT_EQ(fresh.sts.Style, "Ruby");
    EXPECT_EQ(fresh.colours.general[Max_CurrData], 0xFFFA0300u);

    writeFile((std::string("[SET]\nRun_App=1\n") + body).c_str());
    const Settings ran = start();
    EXPECT_EQ(ran.sts.GEN_Path, "/elsewhere/loc");
    EXPECT_EQ(ran.sts.OSC_Path, "/elsewhere/osc");
    EXPECT_TRUE(ran.sts.Run_Loc[1]);
    EXPECT_TRUE(ran.sts.Run_Loc[2]);
    EXPECT_EQ(ran.colours.general[Max_CurrData], 0xFF0000FFu);
}

TEST_F(SettingsTest, EmptyRememberedFoldersKeepTheDefaults)
{
    writeFile("[SET]\nRun_App=1\n[GEN]\nPath=\n[OSC]\nPath=\n");
    const Settings s = start();
    EXPECT_EQ(s.sts.GEN_Path, paths.locationFolder);
    EXPECT_EQ(s.sts.OSC_Path, paths.oscilloscopeFolder);
}

TEST_F(SettingsTest, LogRangeIsNeverStored)
{
    writeFile("[SET]\nRun_App=1\n[LOG]\nRange=5\nLOG_Range=5\n");
    Settings s = start();
    EXPECT_EQ(s.sts.LOG_Range, 120);
    s.sts.LOG_Range = 999;
    ASSERT_TRUE(save(s).ok);
    EXPECT_EQ(IniFile::load(paths.settingsFile).keys("LOG"), (QStringList{"Active", "Frequency"}));
    EXPECT_EQ(start().sts.LOG_Range, 120);
}

TEST_F(SettingsTest, BooleansAndNumbers)
{
    writeFile("[SET]\nFull_Screen=2\n[CON]\nType=yes\nAuto=-1\n[FCC]\nSpeed= 42 \nRPM=1e3\n");
    const Settings s = start();
    EXPECT_TRUE(s.sts.Full_Screen);
    EXPECT_TRUE(s.sts.CON_Type); // not a number: the default stands
    EXPECT_TRUE(s.sts.CON_Auto);
    EXPECT_EQ(s.sts.FCC_Speed, 42);
    EXPECT_EQ(s.sts.FCC_RPM, 0);
}

struct RangeCase {
    const char *section;
    const char *key;
    const char *value;
    int32_t STS_Record::*field;
    int32_t expected;
};

class RangeCheckTest : public SettingsTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(RangeCheckTest, OutOfRangeReadsAsTheDefault)
{
    const RangeCase &c = GetParam();
    writeFile((std::string("[SET]\nRun_App=1\n[") + c.section + "]\n" + c.key + "=" + c.value +
               "\n")
                  .c_str());
    EXPECT_EQ(start().sts.*c.field, c.expected) << c.key << "=" << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, RangeCheckTest,
    ::testing::Values(RangeCase{"SET", "Page_Index", "4", &STS_Record::Page_Index, 4},
                      RangeCase{"SET", "Page_Index", "0", &STS_Record::Page_Index, 0},
                      RangeCase{"SET", "Page_Index", "5", &STS_Record::Page_Index, 1},
                      RangeCase{"SET", "Page_Index", "-1", &STS_Record::Page_Index, 1},
                      RangeCase{"SET", "RC_Width", "0", &STS_Record::RC_Width, 0},
                      RangeCase{"SET", "RC_Width", "-5", &STS_Record::RC_Width, 130},
                      RangeCase{"SET", "RC_Width", "100000", &STS_Record::RC_Width, 130},
                      RangeCase{"LOG", "Frequency", "60", &STS_Record::LOG_Frequency, 60},
                      RangeCase{"LOG", "Frequency", "0", &STS_Record::LOG_Frequency, 1},
                      RangeCase{"LOG", "Frequency", "2147483647", &STS_Record::LOG_Frequency, 1},
                      RangeCase{"GLS", "BarVolt", "56", &STS_Record::GLS_BarVolt, 56},
                      RangeCase{"GLS", "BarVolt", "0", &STS_Record::GLS_BarVolt, 171},
                      RangeCase{"GLS", "BarVolt", "-3", &STS_Record::GLS_BarVolt, 171},
                      RangeCase{"GLS", "Sensitiv", "4", &STS_Record::GLS_Sensitiv, 4},
                      RangeCase{"GLS", "Sensitiv", "9", &STS_Record::GLS_Sensitiv, 1},
                      RangeCase{"GLS", "Sensitiv", "-1", &STS_Record::GLS_Sensitiv, 1},
                      RangeCase{"GEN", "Width", "320", &STS_Record::GEN_Width, 320},
                      RangeCase{"GEN", "Width", "319", &STS_Record::GEN_Width, 800},
                      RangeCase{"GEN", "Width", "16385", &STS_Record::GEN_Width, 800},
                      RangeCase{"GEN", "Height", "240", &STS_Record::GEN_Height, 240},
                      RangeCase{"GEN", "Height", "0", &STS_Record::GEN_Height, 600},
                      RangeCase{"GEN", "OffsetD", "0", &STS_Record::GEN_OffsetD, 0},
                      RangeCase{"GEN", "OffsetD", "-1", &STS_Record::GEN_OffsetD, 4},
                      RangeCase{"GEN", "SnapG", "1", &STS_Record::GEN_SnapG, 1},
                      RangeCase{"GEN", "SnapG", "0", &STS_Record::GEN_SnapG, 20}));

TEST_F(SettingsTest, LanguageAndStyleNamesStayInsideTheirFolders)
{
    const std::tuple<const char *, const char *, const char *, const char *> cases[] = {
        {"Deutsch", "Dark", "Deutsch", "Dark"},
        {"../../x", "../evil", "English", "Transparent"},
        {"a/b", "a\\b", "English", "Transparent"},
        {"..", "", "English", "Transparent"}};
    for (const auto &[lang, style, wantLang, wantStyle] : cases) {
        writeFile((std::string("[SET]\nRun_App=1\nLanguage=") + lang + "\nStyle=" + style + "\n")
                      .c_str());
        const Settings s = start();
        EXPECT_EQ(s.sts.Language, wantLang) << lang;
        EXPECT_EQ(s.sts.Style, wantStyle) << style;
    }
}

TEST_F(SettingsTest, AFailedWriteIsReportedAndKeepsTheOldFile)
{
    Settings s = start();
    Paths nowhere = paths;
    nowhere.settingsFile = tmp.path() + QStringLiteral("/missing/folder/qndiag.ini");
    const SaveResult r = SaveSettings(s, nowhere, WindowValues::fromRecord(s.sts));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());

    // The settings file's place is taken by a folder: the write fails, the folder is left alone.
    Paths blocked = paths;
    blocked.settingsFile = tmp.path() + QStringLiteral("/blocked.ini");
    ASSERT_TRUE(QDir().mkpath(blocked.settingsFile + QStringLiteral("/keep")));
    EXPECT_FALSE(SaveSettings(s, blocked, WindowValues::fromRecord(s.sts)).ok);
    EXPECT_TRUE(QFileInfo(blocked.settingsFile + QStringLiteral("/keep")).isDir());
}

} // namespace
