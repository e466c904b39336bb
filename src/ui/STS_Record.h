#pragma once
// The settings record: every user choice that survives a restart. Defaults, reading and writing
// live in Settings.h; this header is only the record, so that the link and the decoder can read
// it without depending on the file format.

#include <QString>
#include <array>
#include <cstdint>

namespace qn {

enum FontStyleBit : uint8_t { FontBold = 1, FontItalic = 2, FontUnderline = 4, FontStrikeOut = 8 };

struct STS_Record {
    bool Run_App = false;
    std::array<bool, 3> Run_Loc{}; // indexes 1 and 2
    QString Style = QStringLiteral("Transparent");
    QString Language = QStringLiteral("English");
    bool Full_Screen = false;
    int32_t RC_Width = 130;
    int32_t Page_Index = 1;
    bool CON_Type = true; // true: Bluetooth, false: serial port
    QString CON_Port = QStringLiteral("COM1");
    QString CON_Name;
    QString CON_Addr;
    bool CON_Auto = false;
    bool CON_BGnd = false;
    QString GEN_Path;
    int32_t GEN_Pos_X = 0;
    int32_t GEN_Pos_Y = 0;
    int32_t GEN_Width = 800;
    int32_t GEN_Height = 600;
    bool GEN_Offset = true;
    int32_t GEN_OffsetD = 4;
    bool GEN_Snap = true;
    int32_t GEN_SnapG = 20;
    bool GEN_Guide = true;
    QString FNT_Family = QStringLiteral("Time New Roman");
    int32_t FNT_Size = 20;
    uint8_t FNT_Style = 0; // FontStyleBit set
    uint32_t FNT_Color = 0xFFFFFFFF;
    int32_t FCC_Consump = 70;
    int32_t FCC_Speed = 300;
    int32_t FCC_RPM = 0;
    int32_t FCC_CostD = 110;
    int32_t FCC_CostG = 60;
    bool GLS_Dim = false;
    int32_t GLS_BarVolt = 171;
    int32_t GLS_Sensitiv = 1;
    bool LOG_Active = false;
    int32_t LOG_Frequency = 1;
    int32_t LOG_Range = 120;
    std::array<int32_t, 15> OMR_Min{}; // indexes 1..14
    std::array<int32_t, 15> OMR_Max{};
    bool OSC_Grid = false;
    bool OSC_Meter = true;
    bool OSC_Scroll = true;
    QString OSC_Path;
};

// The three colour tables persisted with the record (ARGB, alpha in the top byte).
struct ColourTables {
    std::array<uint32_t, 13> general{}; // Msg_Action .. OMR_CurrOver, in file order
    std::array<uint32_t, 25> trace{};   // Color_0 .. Color_24
    std::array<uint32_t, 12> scale{};   // Color_Scale_0 .. Color_Scale_11
};

enum GeneralColour {
    Msg_Action, Msg_Complite, Msg_Warning, Msg_Error, RC_Gas, RC_Petrol, RC_LowLevel, RC_Led_Off,
    Max_CurrData, OMR_Optimal, OMR_Over, OMR_CurrOptim, OMR_CurrOver
};

} // namespace qn
