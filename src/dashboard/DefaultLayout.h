#pragma once
// The dashboard a first run (or "new layout") starts from: 29 objects on pages 0 to 5, written as
// the working layout file. Only layout set 1 is written; set 2 takes the reader's fallback geometry.
// The decision at start-up whether to write it lives here too, so that the main window only has to
// show what happened.

#include "platform/IniFile.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace qn {

struct STS_Record;
struct Paths;

struct DefaultElement {
    uint8_t kind = 0;
    int width = 0;
    int height = 0;
    int x = 0; // relative to the object
    int y = 0;
    uint32_t colour = 0xFFFFFFFF; // ARGB; ignored for a scale image
    int scale = 0;                // scale group of a scale image (kind 32 of an oscilloscope), else 0
};

struct DefaultObject {
    uint8_t kind = 0; // 0 picture, 1..24 live value, 25 oscilloscope
    uint8_t page = 0;
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    std::vector<DefaultElement> elements;
};

inline constexpr int kDefaultScopeExpand = 100;
// Parameters shown by a fresh oscilloscope.
inline constexpr std::array<int, 11> kDefaultScopeViews{1, 2, 5, 6, 7, 8, 10, 11, 12, 13, 14};
// Full-scale maximum of each scale group 1..11.
inline constexpr std::array<int, 11> kDefaultScopeRanges{8000, 3200, 400,  1500, 2000, 100,
                                                         5000, 5000, 1000, 250,  60000};

// The 29 objects in file order (section GEN_1 is the first).
const std::vector<DefaultObject> &defaultLayoutObjects();

// The default layout as an initialisation file: sections GEN_1..GEN_29, keys in writing order.
IniFile defaultLayoutIni();

// Writes the default layout to path (atomically: the old file stays whole when writing fails) and
// then clears both Run_Loc entries so the next start fits it to the window. On failure Run_Loc is
// left as it was and false is returned; the caller reports MSG_Cannot_Save_File.
bool writeDefaultLayout(const QString &path, STS_Record &sts, QString *error = nullptr);

// A missing settings file means a first run (or a reset by hand); a missing layout file leaves
// nothing to build the dashboard from. Either way the default layout is written.
bool needsDefaultLayout(bool settingsFileExists, bool layoutFileExists);

// Where a layout about to be replaced is kept: "<layout>.bak", or "<layout>.<n>.bak" with the
// first n from 1 that is free, so an older backup is never overwritten. Empty when none is free.
QString layoutBackupPath(const QString &layoutFile);

struct StartupLayoutResult {
    bool defaultWritten = false;
    QString backupPath; // the user's former layout, when one was kept before the default replaced it
    QString error;      // non-empty: the backup or the default could not be written
    bool fitNeeded = false; // Run_Loc of set 1 is false after the step: run the first-run fit
    bool ok() const { return error.isEmpty(); }
};

// The start-up step before the dashboard is loaded. Writes the default layout when
// needsDefaultLayout says so. A layout file that exists (the settings file is the one missing) is
// first copied to layoutBackupPath; when that copy fails the user's layout is left in place and
// used, and the error says why.
StartupLayoutResult startupLayout(const Paths &paths, STS_Record &sts);

} // namespace qn
