#pragma once
// Defaults, reading and writing of the settings file (program name + ".ini" in the data folder).
// The record is filled with built-in defaults at start-up, overlaid from the file, and written back
// whole when the main window closes.

#include "ui/Folders.h"
#include "ui/STS_Record.h"

#include <QString>
#include <array>
#include <cstdint>

namespace qn {

struct Settings {
    STS_Record sts;
    ColourTables colours;
};

// Font sizes offered to the user, in points; the settings file stores the index into this list.
inline constexpr std::array<int32_t, 5> kFontSizes{12, 14, 20, 24, 30};

// Keys of the general colours in section COL, in table order (also the names shown in the colour
// form, as "COL_" + key).
inline constexpr std::array<const char *, 13> kGeneralColourKeys{
    "Msg_Action", "Msg_Complite", "Msg_Warning", "Msg_Error",     "RC_Gas",
    "RC_Petrol",  "RC_LowLevel",  "RC_Led_Off",  "Max_CurrData", "OMR_Optimal",
    "OMR_Over",   "OMR_CurrOptim", "OMR_CurrOver"};

// The message the caller shows, translated, as a message of kind 5 (OK button) in the Msg_Error
// colour when the settings file cannot be written.
inline constexpr const char *kCannotSaveFileMessage = "MSG_Cannot_Save_File";
inline constexpr int kCannotSaveFileKind = 5;

// Fills the record and the colour tables with the built-in defaults (the main window centred in a
// work area of workAreaWidth x workAreaHeight), then overlays them from the settings file.
void ApplySettingsDefaults(Settings &settings, const Paths &paths, int workAreaWidth,
                           int workAreaHeight);

// Overlays the record from paths.settingsFile; without a file the values stand. Values that index,
// size or divide are range-checked, and the language and style names are kept usable as file
// names: a bad value falls back to the built-in default.
void LoadSettings(Settings &settings, const Paths &paths);

// What the main window's live controls hold at the moment of saving.
struct WindowValues {
    double rcWidth = 130; // remote-control panel width, truncated when written
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 800;
    int32_t height = 600;

    // The values the record holds, for a save without a main window.
    static WindowValues fromRecord(const STS_Record &sts);
};

struct SaveResult {
    bool ok = false;
    QString error; // why the file could not be written
};

// Writes every persisted value to paths.settingsFile, the whole file anew in its fixed order (no
// other section of the file is read by anything, so none is kept). The file is replaced atomically:
// a failed write leaves the previous file as it was and reports the failure; the caller shows
// kCannotSaveFileMessage. The caller also saves the dashboard layout afterwards, whether or not
// this succeeded.
SaveResult SaveSettings(const Settings &settings, const Paths &paths, const WindowValues &window);

} // namespace qn
