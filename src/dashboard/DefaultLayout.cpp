#include "dashboard/DefaultLayout.h"

#include "ui/ColourText.h"
#include "ui/Folders.h"
#include "ui/STS_Record.h"

#include <QFile>
#include <QFileInfo>

namespace qn {

namespace {

constexpr uint8_t kScopeKind = 25;
constexpr uint8_t kScaleImageKind = 32;

// Colour values; the file gets their standard names through colourToText.
constexpr uint32_t White = 0xFFFFFFFF;
constexpr uint32_t Olive = 0xFF808000;
constexpr uint32_t Deeppink = 0xFFFF1493;
constexpr uint32_t Hotpink = 0xFFFF69B4;
constexpr uint32_t Red = 0xFFFF0000;
constexpr uint32_t Peru = 0xFFCD853F;
constexpr uint32_t Orange = 0xFFFFA500;
constexpr uint32_t Orangered = 0xFFFF4500;
constexpr uint32_t Springgreen = 0xFF00FF7F;
constexpr uint32_t Limegreen = 0xFF32CD32;
constexpr uint32_t Seagreen = 0xFF2E8B57;
constexpr uint32_t Salmon = 0xFFFA8072;
constexpr uint32_t Lightskyblue = 0xFF87CEFA;
constexpr uint32_t Lightsteelblue = 0xFFB0C4DE;
constexpr uint32_t Paleturquoise = 0xFFAFEEEE;
constexpr uint32_t Palegreen = 0xFF98FB98;
constexpr uint32_t Lightblue = 0xFFADD8E6;
constexpr uint32_t Indigo = 0xFF4B0082;
constexpr uint32_t Fuchsia = 0xFFFF00FF;
constexpr uint32_t Yellow = 0xFFFFFF00;
constexpr uint32_t Lime = 0xFF00FF00;
constexpr uint32_t Yellowgreen = 0xFF9ACD32;

DefaultElement el(uint8_t kind, int w, int h, int x, int y, uint32_t colour)
{
    return DefaultElement{kind, w, h, x, y, colour, 0};
}

DefaultElement scaleImage(int w, int h, int x, int y, int group)
{
    return DefaultElement{kScaleImageKind, w, h, x, y, White, group};
}

// The fuel timer: recreated beside its button when the layout is read, so only a placeholder.
DefaultElement fuelTimer()
{
    return el(13, 0, 0, 0, 0, White);
}

std::vector<DefaultObject> buildObjects()
{
    std::vector<DefaultObject> o;
    // Page 0: the bottom panel.
    o.push_back({15, 0, 100, 28, 1, 2,
                 {el(1, 77, 12, 2, 2, Olive), el(3, 77, 15, 2, 12, Olive), el(8, 15, 26, 81, 2, Olive)}});
    o.push_back({0, 0, 100, 20, 1, 31, {el(0, 96, 16, 2, 2, White)}});
    o.push_back({16, 0, 100, 51, 104, 2,
                 {el(1, 96, 7, 2, 2, White), el(14, 96, 7, 2, 9, Deeppink), el(15, 96, 7, 2, 16, Hotpink),
                  el(16, 96, 12, 2, 23, White), el(17, 96, 7, 2, 35, Hotpink), el(18, 96, 7, 2, 42, White),
                  fuelTimer()}});
    o.push_back({17, 0, 104, 51, 206, 2,
                 {el(1, 55, 23, 2, 2, Red), el(3, 45, 23, 57, 2, Red), el(11, 100, 24, 2, 25, Red)}});
    // Page 1: temperatures, gas, battery and pressures.
    o.push_back({6, 1, 130, 96, 4, 4, {el(1, 122, 40, 4, 4, Peru), el(3, 122, 55, 4, 40, Peru)}});
    o.push_back({8, 1, 150, 136, 138, 4,
                 {el(1, 142, 40, 4, 4, Orange), el(3, 142, 55, 4, 40, Orange),
                  el(11, 142, 52, 4, 85, Orangered)}});
    o.push_back({5, 1, 130, 136, 4, 104,
                 {el(1, 122, 30, 4, 4, Springgreen), el(3, 122, 55, 4, 30, Springgreen),
                  el(4, 61, 35, 4, 75, Limegreen), el(5, 61, 35, 65, 75, Limegreen),
                  el(9, 122, 22, 4, 110, Seagreen)}});
    o.push_back({13, 1, 150, 96, 138, 144,
                 {el(1, 122, 40, 4, 4, Salmon), el(3, 122, 55, 4, 40, Salmon), el(8, 20, 88, 126, 4, Salmon)}});
    o.push_back({12, 1, 130, 116, 292, 4,
                 {el(1, 122, 40, 4, 4, Lightskyblue), el(3, 122, 55, 4, 40, Lightskyblue),
                  el(4, 61, 35, 4, 82, Lightsteelblue), el(5, 61, 35, 65, 82, Lightsteelblue)}});
    o.push_back({11, 1, 130, 116, 291, 124,
                 {el(1, 122, 40, 4, 4, Paleturquoise), el(3, 122, 55, 4, 40, Paleturquoise),
                  el(4, 61, 35, 4, 82, Palegreen), el(5, 61, 35, 75, 82, Palegreen)}});
    // Page 2: engine speed, throttle and fuel consumption.
    o.push_back({1, 2, 170, 96, 4, 4,
                 {el(1, 162, 30, 4, 4, Lightblue), el(3, 162, 45, 4, 25, Lightblue),
                  el(9, 162, 27, 4, 65, Indigo)}});
    o.push_back({2, 2, 170, 96, 178, 4,
                 {el(1, 162, 30, 4, 4, Fuchsia), el(3, 162, 45, 4, 25, Fuchsia), el(11, 162, 27, 4, 65, Fuchsia)}});
    o.push_back({16, 2, 344, 164, 4, 104,
                 {el(1, 336, 25, 4, 4, White), el(14, 336, 25, 4, 25, Deeppink), el(15, 336, 25, 4, 50, Hotpink),
                  el(16, 336, 35, 4, 75, White), el(17, 336, 25, 4, 110, Hotpink), el(18, 336, 25, 4, 135, White),
                  fuelTimer()}});
    o.push_back({2, 2, 80, 264, 352, 4, {el(1, 72, 45, 4, 4, Fuchsia), el(12, 72, 211, 4, 49, Fuchsia)}});
    // Page 3: operating times and consumptions.
    o.push_back({24, 3, 140, 106, 4, 4, {el(1, 132, 50, 4, 4, Yellow), el(3, 132, 60, 4, 48, Yellow)}});
    o.push_back({23, 3, 140, 106, 148, 4, {el(1, 132, 50, 4, 4, Lime), el(3, 132, 60, 4, 48, Lime)}});
    o.push_back({18, 3, 140, 126, 4, 114,
                 {el(1, 132, 50, 4, 4, Yellow), el(3, 132, 60, 4, 48, Yellow), el(6, 132, 22, 4, 100, White)}});
    o.push_back({19, 3, 140, 126, 148, 114,
                 {el(1, 132, 50, 4, 4, Yellowgreen), el(3, 132, 60, 4, 48, Yellowgreen),
                  el(6, 132, 22, 4, 100, White)}});
    o.push_back({17, 3, 140, 236, 292, 4,
                 {el(1, 132, 88, 4, 4, Red), el(3, 132, 100, 4, 75, Red), el(6, 132, 40, 4, 192, White)}});
    // Page 4: a full-page oscilloscope.
    o.push_back({kScopeKind, 4, 430, 260, 2, 2,
                 {scaleImage(25, 220, 2, 2, 1),      el(33, 25, 40, 2, 220, White),
                  el(31, 5, 220, 27, 2, White),      scaleImage(25, 220, 32, 2, 2),
                  el(33, 25, 40, 32, 220, White),    el(30, 316, 220, 57, 2, White),
                  el(36, 316, 20, 57, 2, White),     el(34, 40, 40, 61, 220, White),
                  el(38, 75, 40, 105, 220, White),   el(35, 40, 40, 329, 220, White),
                  el(39, 75, 40, 250, 220, White),   el(37, 62, 40, 184, 220, White),
                  scaleImage(25, 220, 373, 2, 3),    el(33, 25, 40, 373, 220, White),
                  el(31, 5, 220, 398, 2, White),     scaleImage(25, 220, 403, 2, 5),
                  el(33, 25, 40, 403, 220, White)}});
    // Page 5: a smaller oscilloscope with the main values beside it.
    o.push_back({kScopeKind, 5, 344, 215, 4, 4,
                 {scaleImage(20, 176, 2, 2, 1),      el(33, 20, 33, 2, 178, White),
                  el(31, 4, 176, 22, 2, White),      scaleImage(20, 176, 26, 2, 2),
                  el(33, 20, 33, 26, 178, White),    el(30, 252, 176, 46, 2, White),
                  el(36, 252, 15, 46, 2, White),     el(34, 32, 33, 50, 178, White),
                  el(38, 55, 33, 86, 178, White),    el(35, 32, 33, 262, 178, White),
                  el(39, 55, 33, 203, 178, White),   el(37, 54, 33, 145, 178, White),
                  scaleImage(20, 176, 298, 2, 3),    el(33, 20, 33, 298, 178, White),
                  el(31, 4, 176, 318, 2, White),     scaleImage(20, 176, 322, 2, 5),
                  el(33, 20, 33, 322, 178, White)}});
    o.push_back({1, 5, 83, 45, 4, 223, {el(1, 42, 41, 2, 2, Lightblue), el(3, 37, 41, 42, 2, Lightblue)}});
    o.push_back({13, 5, 83, 45, 91, 223, {el(1, 42, 41, 2, 2, Orangered), el(3, 37, 41, 42, 2, Orangered)}});
    o.push_back({6, 5, 83, 45, 178, 223, {el(1, 42, 41, 2, 2, Peru), el(3, 37, 41, 42, 2, Peru)}});
    o.push_back({11, 5, 83, 45, 265, 223,
                 {el(1, 42, 41, 2, 2, Paleturquoise), el(3, 37, 41, 42, 2, Paleturquoise)}});
    o.push_back({2, 5, 86, 60, 352, 4,
                 {el(1, 82, 20, 2, 2, Fuchsia), el(3, 82, 20, 2, 20, Fuchsia), el(12, 82, 20, 2, 38, Fuchsia)}});
    o.push_back({8, 5, 86, 66, 352, 68,
                 {el(1, 82, 25, 2, 2, Orange), el(3, 82, 20, 2, 25, Orange), el(12, 82, 20, 2, 44, Orange)}});
    o.push_back({12, 5, 86, 66, 352, 138,
                 {el(1, 82, 25, 2, 2, Lightskyblue), el(3, 82, 20, 2, 25, Lightskyblue),
                  el(12, 82, 20, 2, 44, Lightskyblue)}});
    o.push_back({5, 5, 86, 60, 352, 208,
                 {el(1, 82, 20, 2, 2, Springgreen), el(3, 82, 20, 2, 20, Springgreen),
                  el(12, 82, 20, 2, 38, Springgreen)}});
    return o;
}

void writeGeometry(IniFile &ini, const QString &section, const QString &prefix, int w, int h, int x, int y)
{
    ini.writeInteger(section, prefix + QStringLiteral("Width_1"), w);
    ini.writeInteger(section, prefix + QStringLiteral("Height_1"), h);
    ini.writeInteger(section, prefix + QStringLiteral("Pos_X_1"), x);
    ini.writeInteger(section, prefix + QStringLiteral("Pos_Y_1"), y);
}

} // namespace

const std::vector<DefaultObject> &defaultLayoutObjects()
{
    static const std::vector<DefaultObject> objects = buildObjects();
    return objects;
}

IniFile defaultLayoutIni()
{
    IniFile ini;
    const std::vector<DefaultObject> &objects = defaultLayoutObjects();
    for (size_t i = 0; i < objects.size(); ++i) {
        const DefaultObject &obj = objects[i];
        const QString section = QStringLiteral("GEN_%1").arg(i + 1);
        ini.writeInteger(section, QStringLiteral("Tag"), obj.kind);
        ini.writeInteger(section, QStringLiteral("Page"), obj.page);
        writeGeometry(ini, section, QString(), obj.width, obj.height, obj.x, obj.y);
        ini.writeInteger(section, QStringLiteral("Obj"), int(obj.elements.size()));
        const bool scope = obj.kind == kScopeKind;
        if (scope) {
            ini.writeInteger(section, QStringLiteral("Expand"), kDefaultScopeExpand);
            for (int view : kDefaultScopeViews)
                ini.writeInteger(section, QStringLiteral("View_%1").arg(view), 1);
            for (size_t r = 0; r < kDefaultScopeRanges.size(); ++r)
                ini.writeInteger(section, QStringLiteral("Range_%1").arg(r + 1), kDefaultScopeRanges[r]);
        }
        for (size_t k = 0; k < obj.elements.size(); ++k) {
            const DefaultElement &e = obj.elements[k];
            const QString prefix = QStringLiteral("Obj%1_").arg(k + 1);
            ini.writeInteger(section, prefix + QStringLiteral("Type"), e.kind);
            if (scope && e.kind == kScaleImageKind)
                ini.writeInteger(section, prefix + QStringLiteral("Scale"), e.scale);
            else
                ini.writeString(section, prefix + QStringLiteral("Color"), colourToText(e.colour));
            writeGeometry(ini, section, prefix, e.width, e.height, e.x, e.y);
        }
    }
    return ini;
}

bool writeDefaultLayout(const QString &path, STS_Record &sts, QString *error)
{
    // Saved over the old file in one step: a failed write leaves the user's layout whole.
    if (!defaultLayoutIni().save(path, error))
        return false;
    sts.Run_Loc[1] = false;
    sts.Run_Loc[2] = false;
    return true;
}

bool needsDefaultLayout(bool settingsFileExists, bool layoutFileExists)
{
    return !settingsFileExists || !layoutFileExists;
}

QString layoutBackupPath(const QString &layoutFile)
{
    const QString first = layoutFile + QStringLiteral(".bak");
    if (!QFileInfo::exists(first))
        return first;
    for (int n = 1; n < 1000; ++n) {
        const QString candidate = layoutFile + QStringLiteral(".%1.bak").arg(n);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    return QString();
}

StartupLayoutResult startupLayout(const Paths &paths, STS_Record &sts)
{
    StartupLayoutResult result;
    const bool settingsExists = QFileInfo::exists(paths.settingsFile);
    const bool layoutExists = QFileInfo::exists(paths.layoutFile);
    if (needsDefaultLayout(settingsExists, layoutExists)) {
        bool mayWrite = true;
        if (layoutExists) {
            // Settings gone but a layout left: the user's dashboard would be lost without a copy.
            const QString backup = layoutBackupPath(paths.layoutFile);
            // QFile::copy never replaces an existing file, so a backup made meanwhile survives too.
            if (backup.isEmpty() || !QFile::copy(paths.layoutFile, backup)) {
                result.error = backup.isEmpty()
                                   ? QStringLiteral("no free backup name beside %1").arg(paths.layoutFile)
                                   : QStringLiteral("cannot copy %1 to %2").arg(paths.layoutFile, backup);
                mayWrite = false;
            } else {
                result.backupPath = backup;
            }
        }
        if (mayWrite) {
            QString error;
            if (writeDefaultLayout(paths.layoutFile, sts, &error))
                result.defaultWritten = true;
            else
                result.error = error.isEmpty() ? QStringLiteral("cannot save %1").arg(paths.layoutFile) : error;
        }
    }
    result.fitNeeded = !sts.Run_Loc[1];
    return result;
}

} // namespace qn
