#include "ui/Settings.h"

#include "platform/IniFile.h"
#include "platform/SafeName.h"
#include "ui/ColourText.h"

#include <cmath>
#include <limits>

namespace qn {

namespace {

const QString SET = QStringLiteral("SET");
const QString CON = QStringLiteral("CON");
const QString GEN = QStringLiteral("GEN");
const QString FNT = QStringLiteral("FNT");
const QString COL = QStringLiteral("COL");
const QString FCC = QStringLiteral("FCC");
const QString GLS = QStringLiteral("GLS");
const QString LOG = QStringLiteral("LOG");
const QString OMR = QStringLiteral("OMR");
const QString OSC = QStringLiteral("OSC");

constexpr std::array<int32_t, 15> kOmrMin{0,   1000, 150, 150, 150, 700, 300, 100,
                                          150, 0,    200, 100, 100, 1300, 100};
constexpr std::array<int32_t, 15> kOmrMax{0,   2000, 250, 250, 250, 1500, 1200, 500,
                                          350, 500,  350, 250, 150, 1500, 200};

constexpr std::array<uint32_t, 25> kTraceColours{
    0xFF6BD2EE, 0xFFADD8E6, 0xFFFF00FF, 0xFFDA70D6, 0xFFEE82EE, 0xFF00FF7F, 0xFFCD853F,
    0xFFFF8C00, 0xFFFFA500, 0xFFFF7F50, 0xFF98FB98, 0xFFAFEEEE, 0xFF87CEFA, 0xFFFF4500,
    0xFFFA8072, 0xFF808000, 0xFFFF1493, 0xFFFF0000, 0xFFDAA520, 0xFF9ACD32, 0xFFFFD700,
    0xFF7FFF00, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00};
constexpr std::array<uint32_t, 12> kScaleColours{
    0xFFFFFFFF, 0xFFADD8E6, 0xFF00FF00, 0xFFAFEEEE, 0xFFFFA500, 0xFFFF00FF,
    0xFFFF1493, 0xFFFF0000, 0xFFFA8072, 0xFF808000, 0xFFFFFF00, 0xFF00FF7F};

constexpr uint32_t kLime = 0xFF00FF00, kRed = 0xFFFF0000, kYellow = 0xFFFFFF00,
                   kGray = 0xFF808080, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

// Limits for values that index, size or divide. Sizes stay within what a screen can show, so that
// the sums and differences the layout code makes of them cannot overflow.
constexpr int32_t kPages = 5;
constexpr int32_t kMaxPixels = 16384;
constexpr int32_t kMinWindowWidth = 320, kMinWindowHeight = 240;
constexpr int32_t kMaxLogSeconds = 60; // the configuration page offers 1..60

QString key(const char *name, int index) { return QLatin1String(name) + QString::number(index); }

// An integer whose value out of [lo, hi] is as bad as one that is not a number.
int32_t readRanged(const IniFile &ini, const QString &section, const QString &k, int32_t current,
                   int32_t lo, int32_t hi, int32_t fallback)
{
    const int32_t v = ini.readInteger(section, k, current);
    return v >= lo && v <= hi ? v : fallback;
}

uint32_t readColour(const IniFile &ini, const QString &section, const QString &k, uint32_t current,
                    uint32_t notAColour)
{
    return colourFromText(ini.readString(section, k, colourToText(current))).value_or(notAColour);
}

// A language or style name becomes part of a file path; one that would reach outside its folder
// is replaced by the built-in name.
QString readName(const IniFile &ini, const QString &k, const QString &current,
                 const QString &fallback)
{
    const QString v = ini.readString(SET, k, current);
    return isSafeFileName(v) ? v : fallback;
}

int32_t fontSizeFromIndex(int index)
{
    if (index > 4)
        return kFontSizes[4];
    if (index < 0)
        return kFontSizes[0];
    return kFontSizes[size_t(index)];
}

int fontSizeIndex(int32_t size)
{
    for (size_t i = 0; i < kFontSizes.size(); ++i)
        if (kFontSizes[i] == size)
            return int(i);
    return 1;
}

int32_t truncated(double v)
{
    if (!std::isfinite(v))
        return 0;
    const double t = std::trunc(v);
    if (t >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (t <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return int32_t(t);
}

} // namespace

void ApplySettingsDefaults(Settings &settings, const Paths &paths, int workAreaWidth,
                           int workAreaHeight)
{
    STS_Record &s = settings.sts;
    s.Run_App = false;
    s.Run_Loc = {false, false, false};
    s.Style = QStringLiteral("Transparent");
    s.Language = QStringLiteral("English");
    s.Full_Screen = false;
    s.RC_Width = 130;
    s.Page_Index = 1;
    s.CON_Type = true;
    s.CON_Port = QStringLiteral("COM1");
    s.CON_Name.clear();
    s.CON_Addr.clear();
    s.CON_Auto = false;
    s.CON_BGnd = false;

    s.GEN_Path = paths.locationFolder;
    s.GEN_Width = 800;
    s.GEN_Height = 600;
    s.GEN_Pos_X = (workAreaWidth - 800) / 2;
    s.GEN_Pos_Y = (workAreaHeight - 600) / 2;
    s.GEN_Offset = true;
    s.GEN_OffsetD = 4;
    s.GEN_Snap = true;
    s.GEN_SnapG = 20;
    s.GEN_Guide = true;

    s.FNT_Family = QStringLiteral("Time New Roman");
    s.FNT_Size = kFontSizes[2];
    s.FNT_Style = 0;
    s.FNT_Color = kWhite;

    s.FCC_Consump = 70;
    s.FCC_Speed = 300;
    s.FCC_RPM = 0;
    s.FCC_CostD = 110;
    s.FCC_CostG = 60;
    s.GLS_Dim = false;
    s.GLS_BarVolt = 171;
    s.GLS_Sensitiv = 1;
    s.LOG_Active = false;
    s.LOG_Frequency = 1;
    s.LOG_Range = 120;

    s.OMR_Min = kOmrMin;
    s.OMR_Max = kOmrMax;
    s.OSC_Grid = false;
    s.OSC_Meter = true;
    s.OSC_Scroll = true;
    s.OSC_Path = paths.oscilloscopeFolder;

    settings.colours.general = {kLime, kLime,  kRed, kRed, kLime, kYellow, kRed,
                                kGray, styleAccentColour(s.Style), kLime, kYellow, kBlue, kRed};
    settings.colours.trace = kTraceColours;
    settings.colours.scale = kScaleColours;

    LoadSettings(settings, paths);
}

void LoadSettings(Settings &settings, const Paths &paths)
{
    const IniFile ini = IniFile::load(paths.settingsFile);
    if (!ini.exists())
        return;
    STS_Record &s = settings.sts;
    ColourTables &c = settings.colours;

    s.Run_App = ini.readBool(SET, QStringLiteral("Run_App"), s.Run_App);
    // Layout sets and remembered folders of a program that has never run fully are not trusted.
    if (s.Run_App) {
        s.Run_Loc[1] = ini.readBool(SET, QStringLiteral("Run_Loc_1"), false);
        s.Run_Loc[2] = ini.readBool(SET, QStringLiteral("Run_Loc_2"), false);
    }
    s.Style = readName(ini, QStringLiteral("Style"), s.Style, QStringLiteral("Transparent"));
    s.Language = readName(ini, QStringLiteral("Language"), s.Language, QStringLiteral("English"));
    s.Full_Screen = ini.readBool(SET, QStringLiteral("Full_Screen"), s.Full_Screen);
    s.RC_Width = readRanged(ini, SET, QStringLiteral("RC_Width"), s.RC_Width, 0, kMaxPixels, 130);
    s.Page_Index =
        readRanged(ini, SET, QStringLiteral("Page_Index"), s.Page_Index, 0, kPages - 1, 1);

    s.CON_Type = ini.readBool(CON, QStringLiteral("Type"), s.CON_Type);
    s.CON_Port = ini.readString(CON, QStringLiteral("Port"), s.CON_Port);
    s.CON_Name = ini.readString(CON, QStringLiteral("Name"), s.CON_Name);
    s.CON_Addr = ini.readString(CON, QStringLiteral("Addr"), s.CON_Addr);
    s.CON_Auto = ini.readBool(CON, QStringLiteral("Auto"), s.CON_Auto);
    s.CON_BGnd = ini.readBool(CON, QStringLiteral("BGnd"), s.CON_BGnd);

    if (s.Run_App) {
        const QString path = ini.readString(GEN, QStringLiteral("Path"), s.GEN_Path);
        if (!path.isEmpty())
            s.GEN_Path = path;
    }
    s.GEN_Pos_X = ini.readInteger(GEN, QStringLiteral("Pos_X"), s.GEN_Pos_X);
    s.GEN_Pos_Y = ini.readInteger(GEN, QStringLiteral("Pos_Y"), s.GEN_Pos_Y);
    s.GEN_Width = readRanged(ini, GEN, QStringLiteral("Width"), s.GEN_Width, kMinWindowWidth,
                             kMaxPixels, 800);
    s.GEN_Height = readRanged(ini, GEN, QStringLiteral("Height"), s.GEN_Height, kMinWindowHeight,
                              kMaxPixels, 600);
    s.GEN_Offset = ini.readBool(GEN, QStringLiteral("Offset"), s.GEN_Offset);
    s.GEN_OffsetD =
        readRanged(ini, GEN, QStringLiteral("OffsetD"), s.GEN_OffsetD, 0, kMaxPixels, 4);
    s.GEN_Snap = ini.readBool(GEN, QStringLiteral("Snap"), s.GEN_Snap);
    s.GEN_SnapG = readRanged(ini, GEN, QStringLiteral("SnapG"), s.GEN_SnapG, 1, kMaxPixels, 20);
    s.GEN_Guide = ini.readBool(GEN, QStringLiteral("Guide"), s.GEN_Guide);

    s.FNT_Family = ini.readString(FNT, QStringLiteral("Family"), s.FNT_Family);
    // The size is stored as an index; an unreadable one counts as the second size.
    s.FNT_Size = fontSizeFromIndex(ini.readInteger(FNT, QStringLiteral("Size"), 1));
    const int style = ini.readInteger(FNT, QStringLiteral("Style"), 0);
    s.FNT_Style = style <= 0 ? 0 : uint8_t(style & 15);
    s.FNT_Color = colourFromText(ini.readString(FNT, QStringLiteral("Color"),
                                                QStringLiteral("White")))
                      .value_or(kWhite);

    for (size_t i = 0; i < c.general.size(); ++i)
        c.general[i] = readColour(ini, COL, QLatin1String(kGeneralColourKeys[i]), c.general[i],
                                  s.FNT_Color);
    // Until the program has run once the maximum marker follows the style.
    if (!s.Run_App)
        c.general[Max_CurrData] = styleAccentColour(s.Style);

    s.FCC_Consump = ini.readInteger(FCC, QStringLiteral("Consump"), s.FCC_Consump);
    s.FCC_Speed = ini.readInteger(FCC, QStringLiteral("Speed"), s.FCC_Speed);
    s.FCC_RPM = ini.readInteger(FCC, QStringLiteral("RPM"), s.FCC_RPM);
    s.FCC_CostD = ini.readInteger(FCC, QStringLiteral("CostD"), s.FCC_CostD);
    s.FCC_CostG = ini.readInteger(FCC, QStringLiteral("CostG"), s.FCC_CostG);

    s.GLS_Dim = ini.readBool(GLS, QStringLiteral("Dim"), s.GLS_Dim);
    s.GLS_BarVolt = readRanged(ini, GLS, QStringLiteral("BarVolt"), s.GLS_BarVolt, 1,
                               std::numeric_limits<int32_t>::max(), 171);
    s.GLS_Sensitiv = readRanged(ini, GLS, QStringLiteral("Sensitiv"), s.GLS_Sensitiv, 0, 4, 1);

    s.LOG_Active = ini.readBool(LOG, QStringLiteral("Active"), s.LOG_Active);
    s.LOG_Frequency = readRanged(ini, LOG, QStringLiteral("Frequency"), s.LOG_Frequency, 1,
                                 kMaxLogSeconds, 1);

    for (int i = 1; i <= 14; ++i) {
        s.OMR_Min[size_t(i)] = ini.readInteger(OMR, key("Min_", i), s.OMR_Min[size_t(i)]);
        s.OMR_Max[size_t(i)] = ini.readInteger(OMR, key("Max_", i), s.OMR_Max[size_t(i)]);
    }

    s.OSC_Grid = ini.readBool(OSC, QStringLiteral("Grid"), s.OSC_Grid);
    s.OSC_Meter = ini.readBool(OSC, QStringLiteral("Meter"), s.OSC_Meter);
    s.OSC_Scroll = ini.readBool(OSC, QStringLiteral("Scroll"), s.OSC_Scroll);
    if (s.Run_App) {
        const QString path = ini.readString(OSC, QStringLiteral("Path"), s.OSC_Path);
        if (!path.isEmpty())
            s.OSC_Path = path;
    }
    for (size_t i = 0; i < c.trace.size(); ++i)
        c.trace[i] = readColour(ini, OSC, key("Color_", int(i)), c.trace[i], s.FNT_Color);
    for (size_t i = 0; i < c.scale.size(); ++i)
        c.scale[i] = readColour(ini, OSC, key("Color_Scale_", int(i)), c.scale[i], s.FNT_Color);
}

WindowValues WindowValues::fromRecord(const STS_Record &sts)
{
    return WindowValues{double(sts.RC_Width), sts.GEN_Pos_X, sts.GEN_Pos_Y, sts.GEN_Width,
                        sts.GEN_Height};
}

SaveResult SaveSettings(const Settings &settings, const Paths &paths, const WindowValues &window)
{
    const STS_Record &s = settings.sts;
    const ColourTables &c = settings.colours;
    IniFile ini;

    ini.writeBool(SET, QStringLiteral("Run_App"), s.Run_App);
    ini.writeBool(SET, QStringLiteral("Run_Loc_1"), s.Run_Loc[1]);
    ini.writeBool(SET, QStringLiteral("Run_Loc_2"), s.Run_Loc[2]);
    ini.writeString(SET, QStringLiteral("Style"), s.Style);
    ini.writeString(SET, QStringLiteral("Language"), s.Language);
    ini.writeBool(SET, QStringLiteral("Full_Screen"), s.Full_Screen);
    ini.writeInteger(SET, QStringLiteral("RC_Width"), truncated(window.rcWidth));
    ini.writeInteger(SET, QStringLiteral("Page_Index"), s.Page_Index);

    ini.writeBool(CON, QStringLiteral("Type"), s.CON_Type);
    ini.writeString(CON, QStringLiteral("Port"), s.CON_Port);
    ini.writeString(CON, QStringLiteral("Name"), s.CON_Name);
    ini.writeString(CON, QStringLiteral("Addr"), s.CON_Addr);
    ini.writeBool(CON, QStringLiteral("Auto"), s.CON_Auto);
    ini.writeBool(CON, QStringLiteral("BGnd"), s.CON_BGnd);

    ini.writeString(GEN, QStringLiteral("Path"), s.GEN_Path);
    ini.writeInteger(GEN, QStringLiteral("Pos_X"), window.left);
    ini.writeInteger(GEN, QStringLiteral("Pos_Y"), window.top);
    ini.writeInteger(GEN, QStringLiteral("Width"), window.width);
    ini.writeInteger(GEN, QStringLiteral("Height"), window.height);
    ini.writeBool(GEN, QStringLiteral("Offset"), s.GEN_Offset);
    ini.writeInteger(GEN, QStringLiteral("OffsetD"), s.GEN_OffsetD);
    ini.writeBool(GEN, QStringLiteral("Snap"), s.GEN_Snap);
    ini.writeInteger(GEN, QStringLiteral("SnapG"), s.GEN_SnapG);
    ini.writeBool(GEN, QStringLiteral("Guide"), s.GEN_Guide);

    ini.writeString(FNT, QStringLiteral("Family"), s.FNT_Family);
    ini.writeInteger(FNT, QStringLiteral("Size"), fontSizeIndex(s.FNT_Size));
    ini.writeInteger(FNT, QStringLiteral("Style"), s.FNT_Style & 15);
    ini.writeString(FNT, QStringLiteral("Color"), colourToText(s.FNT_Color));

    for (size_t i = 0; i < c.general.size(); ++i)
        ini.writeString(COL, QLatin1String(kGeneralColourKeys[i]), colourToText(c.general[i]));

    ini.writeInteger(FCC, QStringLiteral("Consump"), s.FCC_Consump);
    ini.writeInteger(FCC, QStringLiteral("Speed"), s.FCC_Speed);
    ini.writeInteger(FCC, QStringLiteral("RPM"), s.FCC_RPM);
    ini.writeInteger(FCC, QStringLiteral("CostD"), s.FCC_CostD);
    ini.writeInteger(FCC, QStringLiteral("CostG"), s.FCC_CostG);

    ini.writeBool(GLS, QStringLiteral("Dim"), s.GLS_Dim);
    ini.writeInteger(GLS, QStringLiteral("BarVolt"), s.GLS_BarVolt);
    ini.writeInteger(GLS, QStringLiteral("Sensitiv"), s.GLS_Sensitiv);

    // LOG_Range stays in memory: every start begins with the built-in pause.
    ini.writeBool(LOG, QStringLiteral("Active"), s.LOG_Active);
    ini.writeInteger(LOG, QStringLiteral("Frequency"), s.LOG_Frequency);

    for (int i = 1; i <= 14; ++i) {
        ini.writeInteger(OMR, key("Min_", i), s.OMR_Min[size_t(i)]);
        ini.writeInteger(OMR, key("Max_", i), s.OMR_Max[size_t(i)]);
    }

    ini.writeBool(OSC, QStringLiteral("Grid"), s.OSC_Grid);
    ini.writeBool(OSC, QStringLiteral("Meter"), s.OSC_Meter);
    ini.writeBool(OSC, QStringLiteral("Scroll"), s.OSC_Scroll);
    ini.writeString(OSC, QStringLiteral("Path"), s.OSC_Path);
    for (size_t i = 0; i < c.trace.size(); ++i)
        ini.writeString(OSC, key("Color_", int(i)), colourToText(c.trace[i]));
    for (size_t i = 0; i < c.scale.size(); ++i)
        ini.writeString(OSC, key("Color_Scale_", int(i)), colourToText(c.scale[i]));

    SaveResult r;
    r.ok = ini.save(paths.settingsFile, &r.error);
    return r;
}

} // namespace qn
