#include "ui/Language.h"

#include "platform/IniFile.h"
#include "platform/SafeName.h"
#include "ui/STS_Record.h"

#include <QFileInfo>
#include <QHash>
#include <QLocale>

#include <array>
#include <utility>

namespace qn {

namespace {

struct BuiltIn {
    const char *key;
    const char *english; // nullptr: the key is its own text
};

// The order is fixed: language files and the tables follow it.
constexpr BuiltIn BuiltInList[] = {
    {"Settings", nullptr}, {"Connection", nullptr}, {"Language", nullptr}, {"Style", nullptr},
    {"Font", nullptr}, {"Size", nullptr}, {"Color", nullptr}, {"About", nullptr},
    {"Bluetooth", nullptr}, {"Software", nullptr}, {"Firmware", nullptr}, {"Yes", nullptr},
    {"No", nullptr}, {"Diesel", nullptr}, {"Gas", nullptr}, {"Automat", nullptr},
    {"Cancel", nullptr}, {"Set", nullptr}, {"Name", nullptr}, {"Version", nullptr},
    {"Date", nullptr}, {"Minimum", nullptr}, {"Small", nullptr}, {"Medium", nullptr},
    {"Large", nullptr}, {"Maximum", nullptr}, {"Minimal", nullptr}, {"Low", nullptr},
    {"Middle", nullptr}, {"High", nullptr}, {"Maximal", nullptr}, {"General", nullptr},
    {"Editor", nullptr}, {"Power", nullptr}, {"Page", nullptr}, {"Left", nullptr},
    {"Center", nullptr}, {"Right", nullptr}, {"Type", nullptr}, {"Form", nullptr},
    {"Quantity", nullptr}, {"Data", nullptr}, {"Addition", nullptr}, {"Delete", nullptr},
    {"Configuration", nullptr}, {"Device", nullptr}, {"Clear", nullptr}, {"Current", nullptr},
    {"Reference", nullptr}, {"Condition", nullptr}, {"Detonation", nullptr}, {"Speed", nullptr},
    {"Individual", nullptr}, {"Arrangement", nullptr}, {"Default", nullptr}, {"Save", nullptr},
    {"Load", nullptr}, {"Averaging", nullptr}, {"Sensitivity", nullptr}, {"Change", nullptr},
    {"Start", nullptr}, {"Stop", nullptr}, {"Show", nullptr}, {"Scale", nullptr},
    {"Oscilloscope", nullptr}, {"Logo", nullptr}, {"Create", nullptr}, {"Grid", nullptr},
    {"Measurer", nullptr}, {"Yardstick", nullptr}, {"Drives", nullptr},

    {"DIM_RPM", "rpm"},
    {"DIM_H", "h"},
    {"DIM_L", "l"},
    {"DIM_ms", "ms"},
    {"DIM_sec", "sec"},
    {"DIM_Bar", "Bar"},
    {"DIM_Volt", "Volt"},
    {"DIM_km_H", "km/h"},
    {"DIM_L_m3_H", "L(m3)/h"},
    {"DIM_L_m3_100km", "L(\u043C3)/100km"}, // the Cyrillic "m" is what the ECU fitters know
    {"DIM_Money", "Money"},
    {"Connect_Auto", "Connect automatically"},
    {"Connect_BGnd", "Move to background when the link is lost"},
    {"Connect_Type", "Connection type"},
    {"Not_Connect", "No connect"},
    {"Not_Paired", "No paired"},
    {"ComPort", "COM port"},
    {"Start_Scanning", "Start scanning"},
    {"Progress_Scanning", "Scanning ..."},
    {"Complete_Scanning", "Scan complete"},
    {"Progress_Pairing", "Pairing ..."},
    {"Error_Pairing", "Pairing error"},
    {"Complete_Pairing", "Pairing completed"},
    {"Turned_On", "Turned on"},
    {"Turned_Off", "Turned off"},
    {"Basic_Classic", "Basic, classic"},
    {"Basic_ProgressBar", "Basic, progress bars"},
    {"Big_Classic", "Big, classic"},
    {"Big_ProgressBar", "Big, progress bars"},
    {"Switch_Mode", "Switch Mode"},
    {"Set_All", "Set to all"},
    {"Averaging_Short", "Averag"},
    {"Select_Object", "Select object"},
    {"Enter_File_Name", "Enter file name"},
    {"Optimal_Mode", "Optimal mode"},
    {"Full_Screen", "Full screen"},
    {"File_Name", "File name"},
    {"File_Not_Exists", "File does not exist"},
    {"File_Exists", "File already exists"},
    {"GEN_Data", "General data"},
    {"RPM", "R.P.M."},
    {"Temperature_Vaporize", "Vaporizer temperature"},
    {"Temperature_Gas", "Gas temperature"},
    {"Temperature_Couple", "Thermocouple temperature"},
    {"Temperature_ECU", "ECU temperature"},
    {"Pressure_Vaporizer", "Vaporizer pressure"},
    {"Pressure_Collector", "Manifuld pressure"},
    {"Pressure_Differential", "Differential pressure"},
    {"Battery_Voltage", "Battery voltage"},
    {"Gas_Level", "Gas level"},
    {"Fuel_Consumption", "Fuel consumption"},
    {"Fuel_Consump_Gas", "Gas consumption"},
    {"Fuel_Consump_DG", "Diesel consumption on gas"},
    {"Fuel_Consump_DD", "Diesel consumption on diesel"},
    {"Fuel_Cost_MG", "Mode gas. Fuel cost"},
    {"Fuel_Cost_MD", "Mode diesel. Fuel cost"},
    {"Work_On_Gas", "Operating time on gas"},
    {"Work_On_Diesel", "Operating time on diesel"},
    {"T.Vaporizer", "T vaporizer"},
    {"T.Gas", "T gas"},
    {"T.Couple", "T thermocouple"},
    {"T.Inside", "T ECU"},
    {"P.Vaporizer", "P vaporizer"},
    {"P.Collector", "P manifold"},
    {"P.Differential", "P differential"},
    {"F.MDD", "Diesel on diesel"},
    {"F.MDG", "Diesel on gas"},
    {"F.CMG", "Cost on gas"},
    {"F.CMD", "Cost on diesel"},
    {"W.On_Gas", "Hours on gas"},
    {"W.On_Diesel", "Hours on diesel"},
    {"MSG_Are_You_Sure", "Are you sure ?"},
    {"MSG_Old_Version", "This program does not support this device and will be closed. Update the "
                        "version of the software in the device."},
    {"MSG_NotPaired_Devices", "The selected device is not paired"},
    {"MSG_Connect_Start", "Connecting to device"},
    {"MSG_Connect_Failed", "Failed to connect to device"},
    {"MSG_Connect_Successful", "Connection to device successful"},
    {"MSG_Connect_Interrupt", "Connection interrupted"},
    {"MSG_ERR_ComPort", "COM port error"},
    {"MSG_Close_Program", "The program closes"},
    {"MSG_RequestPermissions", "You need to grant all required permissions for the app to be able "
                               "scan new bluetooth devices!"},
    {"MSG_Cannot_Save_File", "Cannot save file !"},
    {"MSG_GEN_Save_Location", "Save the current general data location?"},
    {"MSG_GEN_Saved_Location", "The current general data location has been saved."},
    {"MSG_GEN_Cleaning", "All output data will be destroyed. Are you sure ?"},
    {"MSG_GEN_FitScreen", "Forms of output data will be enlarged to full screen"},
    {"MSG_OSC_Save", "Save oscilloscope data to file"},
    {"MSG_OSC_Saved", "The oscilloscope data is saved in"},
    {"COL_Msg_Action", "Message - action in progress"},
    {"COL_Msg_Complite", "Message - action completed"},
    {"COL_Msg_Warning", "Message - warning"},
    {"COL_Msg_Error", "Message - error"},
    {"COL_RC_Gas", "Remote Control - Gas"},
    {"COL_RC_Petrol", "Remote Control - Diesel"},
    {"COL_RC_LowLevel", "Remote Control - Low level"},
    {"COL_RC_Led_Off", "Remote Control - LED off"},
    {"COL_Max_CurrData", "Maximum marker"},
    {"COL_OMR_Optimal", "Optimal mode - optimal range"},
    {"COL_OMR_Over", "Optimal mode - out of range"},
    {"COL_OMR_CurrOptim", "Optimal mode - current value in range"},
    {"COL_OMR_CurrOver", "Optimal mode - current value out of range"},
    {"IND_Engine_on", "Engine on"},
    {"IND_Engine_off", "Engine off"},
    {"IND_Low_pressure", "Low pressure"},
    {"IND_Normal_pressure", "Normal pressure"},
    {"IND_Not_Save_Data", "Set idle run"},
    {"IND_Save_Data", "Data saved"},
    {"IND_Preheating", "Preheating injectors"},
    {"IND_Cruise", "Cruise control mode"},
    {"IND_Cut_Off", "Cut-Off mode"},
    {"EDT_Long_Name", "Long name"},
    {"EDT_Short_Name", "Short name"},
    {"EDT_Current_Data", "Current value"},
    {"EDT_Min_Data", "Minimum value"},
    {"EDT_Max_Data", "Maximum value"},
    {"EDT_Bar_Horizontal", "Horizontal bar"},
    {"EDT_Bar_Vertical", "Vertical bar"},
    {"EDT_Rect_Horizontal", "Horizontal peak bar"},
    {"EDT_Rect_Vertical", "Vertical peak bar"},
    {"EDT_Oscilloscope", "Trend graph"},
    {"EDT_Optimal_Mode", "Optimal mode gauge"},
    {"EDT_Osc_Diagram", "Oscilloscope diagram"},
    {"EDT_Osc_Line", "Ruled background"},
    {"EDT_Osc_Scale", "Scale"},
    {"EDT_Osc_Btn", "Scale button"},
    {"EDT_Osc_Expand", "Expand button"},
    {"EDT_Osc_Squeeze", "Squeeze button"},
    {"EDT_Osc_Track", "Track bar"},
    {"EDT_Osc_Start", "Start button"},
    {"EDT_Osc_Load", "Load button"},
    {"EDT_Osc_Show", "Show button"},
    {"CFG_LOG_file", "Setting LOG file"},
    {"CFG_LOG_Save", "Writing to file"},
    {"CFG_LOG_Frequency", "File recording frequency"},
    {"CFG_Fuel_Calc", "Fuel consumption calculator"},
    {"CFG_FCC_Speed", "TPS1 at a speed of 100 km/h, V"},
    {"CFG_FCC_RPM", "RPM at a speed of 100 km/h"},
    {"CFG_FCC_Cost", "Cost of 1 liter (m3)"},
    {"CFG_FCC_Active", "Fuel consumption calculator configured"},
    {"CFG_FCC_Not_Active", "Fuel consumption calculator not configured. Customize?"},
    {"CFG_FCC_Not_Defined", "Fuel consumption calculator status not defined."},
    {"CFG_FCC_CNP_Diesel_M4_1", "Diesel consumption data received from the CAN bus from the device"},
    {"CFG_FCC_CNP_Diesel_M4_2", "supplied to the TPS input and work in the fuel consumption calculator"},
    {"CFG_SWL_Sensor", "Software level sensor"},
    {"CFG_SWL_Time", "Total time of injectors in hours"},
    {"CFG_SWL_Off", "Software level sensor not installed"},
    {"CFG_SWL_WaitSet", "Waiting for reference measurement to start"},
    {"CFG_SWL_Collect", "Reference measurement"},
    {"CFG_SWL_WaitJob", "Waiting to start working mode"},
    {"CFG_SWL_Working", "Working mode"},
    {"CFG_PHL_Sensor", "Gas level sensor"},
    {"CFG_PHL_Show_Dim", "Gas level in"},
};

constexpr int BuiltInCount = int(std::size(BuiltInList));
static_assert(BuiltInCount == 223);

struct Tables {
    QStringList keys;
    QStringList texts;
    QHash<QString, int> exact;  // key as written
    QHash<QString, int> folded; // key in lower case
};

const Tables &tables()
{
    static const Tables t = [] {
        Tables out;
        out.keys.reserve(BuiltInCount);
        out.texts.reserve(BuiltInCount);
        for (int i = 0; i < BuiltInCount; ++i) {
            const QString key = QString::fromLatin1(BuiltInList[i].key);
            out.keys << key;
            out.texts << (BuiltInList[i].english ? QString::fromUtf8(BuiltInList[i].english) : key);
            out.exact.insert(key, i);
            out.folded.insert(key.toLower(), i);
        }
        return out;
    }();
    return t;
}

// Name and tag of the languages the system can report; the last row that matches wins.
constexpr std::pair<const char *, const char *> DetectionTable[] = {
    {"English", "en"},    {"Russian", "ru"},   {"Lithuanian", "lt"}, {"Polish", "pl"},
    {"Deutsch", "de"},    {"Italian", "it"},   {"Bulgarian", "bg"},  {"Croatian", "hr"},
    {"Czech", "cz"},      {"Danish", "da"},    {"Dutch", "nl"},      {"Estonian", "ee"},
    {"Finnish", "fi"},    {"French", "fr"},    {"Greek", "gr"},      {"Hebrew", "he"},
    {"Arab", "ar"},       {"Hindi", "hi"},     {"Hungarian", "hu"},  {"Indonesian", "id"},
    {"Japanese", "jp"},   {"Kazakh", "kh"},    {"Korean", "ko"},     {"Latvian", "lv"},
    {"Malay", "my"},      {"Norwegian", "no"}, {"Portuguese", "pt"}, {"Romanian", "ro"},
    {"Serbian", "sr"},    {"Slovak", "sk"},    {"Slovenian", "sl"},  {"Spanish", "es"},
    {"Swedish", "sv"},    {"Thai", "th"},      {"Turkish", "tr"},    {"Ukrainian", "ua"},
    {"Vietnamese", "vi"},
};
static_assert(std::size(DetectionTable) == 37);

const QString English = QStringLiteral("English");
const QString Section = QStringLiteral("LNG");

using ReadyField = QString ReadyStrings::*;
const std::array<std::pair<const char *, ReadyField>, 62> ReadyTable = {{
    {"DIM_RPM", &ReadyStrings::DIM_RPM},
    {"DIM_H", &ReadyStrings::DIM_H},
    {"DIM_L", &ReadyStrings::DIM_L},
    {"DIM_ms", &ReadyStrings::DIM_ms},
    {"DIM_sec", &ReadyStrings::DIM_sec},
    {"DIM_Bar", &ReadyStrings::DIM_Bar},
    {"DIM_Volt", &ReadyStrings::DIM_Volt},
    {"DIM_km_H", &ReadyStrings::DIM_km_H},
    {"DIM_L_m3_H", &ReadyStrings::DIM_L_m3_H},
    {"DIM_L_m3_100km", &ReadyStrings::DIM_L_m3_100km},
    {"DIM_Money", &ReadyStrings::DIM_Money},
    {"CFG_SWL_Off", &ReadyStrings::CFG_SWL_Off},
    {"CFG_SWL_WaitSet", &ReadyStrings::CFG_SWL_WaitSet},
    {"CFG_SWL_Collect", &ReadyStrings::CFG_SWL_Collect},
    {"CFG_SWL_WaitJob", &ReadyStrings::CFG_SWL_WaitJob},
    {"CFG_SWL_Working", &ReadyStrings::CFG_SWL_Working},
    {"Diesel", &ReadyStrings::Diesel},
    {"Gas", &ReadyStrings::Gas},
    {"Switch_Mode", &ReadyStrings::Switch_Mode},
    {"Device", &ReadyStrings::Device},
    {"Yes", &ReadyStrings::Yes},
    {"No", &ReadyStrings::No},
    {"Cancel", &ReadyStrings::Cancel},
    {"Set", &ReadyStrings::Set},
    {"MSG_Are_You_Sure", &ReadyStrings::MSG_Are_You_Sure},
    {"ComPort", &ReadyStrings::ComPort},
    {"Turned_On", &ReadyStrings::Turned_On},
    {"Turned_Off", &ReadyStrings::Turned_Off},
    {"Not_Connect", &ReadyStrings::Not_Connect},
    {"Not_Paired", &ReadyStrings::Not_Paired},
    {"Minimum", &ReadyStrings::Minimum},
    {"Small", &ReadyStrings::Small},
    {"Medium", &ReadyStrings::Medium},
    {"Large", &ReadyStrings::Large},
    {"Maximum", &ReadyStrings::Maximum},
    {"Start", &ReadyStrings::Start},
    {"Stop", &ReadyStrings::Stop},
    {"Load", &ReadyStrings::Load},
    {"Save", &ReadyStrings::Save},
    {"Show", &ReadyStrings::Show},
    {"Grid", &ReadyStrings::Grid},
    {"Measurer", &ReadyStrings::Measurer},
    {"Yardstick", &ReadyStrings::Yardstick},
    {"Drives", &ReadyStrings::Drives},
    {"Start_Scanning", &ReadyStrings::Start_Scanning},
    {"Progress_Scanning", &ReadyStrings::Progress_Scanning},
    {"Complete_Scanning", &ReadyStrings::Complete_Scanning},
    {"Progress_Pairing", &ReadyStrings::Progress_Pairing},
    {"Error_Pairing", &ReadyStrings::Error_Pairing},
    {"Complete_Pairing", &ReadyStrings::Complete_Pairing},
    {"Form", &ReadyStrings::Form},
    {"Page", &ReadyStrings::Page},
    {"Left", &ReadyStrings::Left},
    {"Center", &ReadyStrings::Center},
    {"Right", &ReadyStrings::Right},
    {"Quantity", &ReadyStrings::Quantity},
    {"Addition", &ReadyStrings::Addition},
    {"Fuel_Consumption", &ReadyStrings::Fuel_Consumption},
    {"Averaging", &ReadyStrings::Averaging},
    {"Averaging_Short", &ReadyStrings::Averaging_Short},
    {"CFG_LOG_Save", &ReadyStrings::CFG_LOG_Save},
    {"File_Name", &ReadyStrings::File_Name},
}};

void fillReady(ReadyStrings &ready, const std::function<QString(const QString &)> &textOf)
{
    for (const auto &[key, field] : ReadyTable)
        ready.*field = textOf(QString::fromLatin1(key));
}

} // namespace

// ---- ReadyStrings -------------------------------------------------------------------------------

const QStringList &ReadyStrings::keys()
{
    static const QStringList k = [] {
        QStringList out;
        for (const auto &entry : ReadyTable)
            out << QString::fromLatin1(entry.first);
        return out;
    }();
    return k;
}

const QString *ReadyStrings::field(const QString &key) const
{
    for (const auto &[name, member] : ReadyTable)
        if (key == QLatin1String(name))
            return &(this->*member);
    return nullptr;
}

// ---- Language -----------------------------------------------------------------------------------

Language::Language(STS_Record &sts, QString folder, QString systemCode)
    : m_sts(sts), m_folder(std::move(folder)), m_systemCode(std::move(systemCode))
{
    const Tables &t = tables();
    fillReady(m_ready, [&t](const QString &key) { return t.texts[t.exact.value(key)]; });
}

int Language::builtInCount() { return BuiltInCount; }
const QStringList &Language::builtInKeys() { return tables().keys; }
const QStringList &Language::builtInTexts() { return tables().texts; }

int Language::builtInIndex(const QString &key)
{
    const Tables &t = tables();
    // Callers nearly always pass the key as written in the list; only then fold the case.
    const auto it = t.exact.constFind(key);
    if (it != t.exact.constEnd())
        return it.value();
    return t.folded.value(key.toLower(), -1);
}

QString Language::systemLanguageCode()
{
    return QLocale::languageToCode(QLocale::system().language(), QLocale::ISO639Part1);
}

QString Language::languageForCode(const QString &code)
{
    const QString wanted = code.toUpper();
    QString found;
    for (const auto &[name, tag] : DetectionTable)
        if (QString::fromLatin1(tag).toUpper() == wanted)
            found = QString::fromLatin1(name);
    return found;
}

QString Language::DetectSystemLanguage() const { return languageForCode(m_systemCode); }

QString Language::languageFilePath() const
{
    // The name becomes part of a path: one that could leave the Language folder, or that no file
    // can carry, counts as a language without a file.
    if (m_sts.Language == English || !isSafeFileName(m_sts.Language))
        return QString();
    return m_folder + QLatin1Char('/') + m_sts.Language + QStringLiteral(".lng");
}

void Language::build(std::vector<QString> &texts) const
{
    if (!m_sts.Run_App)
        m_sts.Language = DetectSystemLanguage();
    m_sts.Run_App = true;

    IniFile file;
    bool open = false;
    if (m_sts.Language != English) {
        const QString path = languageFilePath();
        if (!path.isEmpty() && QFileInfo(path).isFile()) {
            file = IniFile::load(path);
            open = true;
        } else {
            m_sts.Language = English;
        }
    }

    const Tables &t = tables();
    texts.assign(t.texts.cbegin(), t.texts.cend());
    if (!open)
        return;
    // Walk the file's own keys: lines for keys that are not built in cost no search, and a file
    // that leaves most keys out is read only for the ones it holds. The first line of a key wins.
    const QStringList fileKeys = file.keys(Section);
    std::vector<bool> seen(size_t(BuiltInCount), false);
    for (const QString &key : fileKeys) {
        const int i = builtInIndex(key);
        if (i < 0 || seen[size_t(i)])
            continue;
        seen[size_t(i)] = true;
        texts[size_t(i)] = file.readString(Section, key, texts[size_t(i)]);
    }
}

void Language::LoadLanguageTables()
{
    build(m_texts);
    m_built = true;
}

void Language::FreeLanguageTables()
{
    m_texts.clear();
    m_texts.shrink_to_fit();
    m_built = false;
}

QString Language::lookup(const std::vector<QString> &texts, const QString &key)
{
    const int i = builtInIndex(key);
    if (i < 0 || size_t(i) >= texts.size() || texts[size_t(i)].isEmpty())
        return key;
    return texts[size_t(i)];
}

QString Language::text(const QString &key) const
{
    if (m_built)
        return lookup(m_texts, key);
    std::vector<QString> once;
    build(once);
    return lookup(once, key);
}

void Language::RefreshReadyStrings()
{
    const bool wasBuilt = m_built;
    LoadLanguageTables();
    fillReady(m_ready, [this](const QString &key) { return lookup(m_texts, key); });
    if (onTextsChanged)
        onTextsChanged();
    if (!wasBuilt)
        FreeLanguageTables();
}

Language::Session::Session(Language &lang) : m_lang(lang), m_owns(!lang.tablesBuilt())
{
    if (m_owns)
        m_lang.LoadLanguageTables();
}

Language::Session::~Session()
{
    if (m_owns)
        m_lang.FreeLanguageTables();
}

} // namespace qn
