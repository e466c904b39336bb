#include "link/AnswerDecoder.h"

#include "config/Config_Record.h"
#include "config/FuelCalc.h"
#include "data/LiveValues.h"
#include "link/EcuState.h"
#include "link/LinkHooks.h"
#include "ui/STS_Record.h"

#include <cmath>
#include <limits>
#include <utility>

namespace qn {

namespace {

constexpr int IdentityTextLength = 30;
constexpr int NameLength = 16;
constexpr int DateLength = 10;
constexpr int VersionLength = 4;

int32_t clampToInt32(int64_t v)
{
    if (v > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

int32_t truncateToInt32(double v)
{
    if (!(v == v))
        return 0;
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (v <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// Nearest integer, halves to the even neighbour, independent of the floating-point rounding mode.
int32_t nearestEven(double v)
{
    double f = std::floor(v);
    const double frac = v - f;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(f, 2.0) != 0.0))
        f += 1.0;
    return truncateToInt32(f);
}

// The ECU pads its fixed-width text fields with blanks, or with zero bytes when a field is short:
// both go from the ends, as every character up to and including the blank does.
QString trimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

} // namespace

AnswerDecoder::AnswerDecoder(Config_Record &config, LiveTable &live, STS_Record &settings,
                             EcuState &state, TemperatureLookup temperature, MessageSink *messages,
                             DecoderHooks *hooks)
    : m_config(config), m_live(live), m_settings(settings), m_state(state),
      m_temperature(std::move(temperature)), m_messages(messages), m_hooks(hooks)
{
}

void AnswerDecoder::dispatch(const uint8_t *answer, int length, bool connected)
{
    if (answer == nullptr || length < 2)
        return;
    m_answer = answer;
    m_length = length;
    switch (answer[1]) {
    case Cmd::IdentityLength: identityLength(); break;
    case Cmd::Identity: identity(connected); break;
    case Cmd::LiveData: liveData(connected); break;
    case Cmd::Configuration: configuration(); break;
    case Cmd::CarNumber: carNumber(connected); break;
    default: break; // fuel mode, level sensor, write enable, configuration write: no payload
    }
    m_answer = nullptr;
    m_length = 0;
}

uint16_t AnswerDecoder::firmwareNumber(const QString &version)
{
    if (version.size() < VersionLength || !isDigit(version.at(0)) || !isDigit(version.at(2))
        || !isDigit(version.at(3)))
        return 0;
    const int major = version.at(0).unicode() - '0';
    const int minor = (version.at(2).unicode() - '0') * 10 + (version.at(3).unicode() - '0');
    return static_cast<uint16_t>(major * 100 + minor);
}

void AnswerDecoder::identityLength()
{
    m_state.identityLength = byte(3);
}

void AnswerDecoder::identity(bool connected)
{
    if (!connected) {
        QString text(IdentityTextLength, QChar(0));
        for (int i = 0; i < IdentityTextLength; ++i)
            text[i] = QChar(char16_t(byte(4 + i)));
        m_config.ECU_Name = trimBlanks(text.left(NameLength));
        m_config.ECU_Date = text.mid(NameLength, DateLength);
        m_config.ECU_Version = text.mid(NameLength + DateLength, VersionLength);
    }
    counters();
    if (connected)
        return;

    m_state.firmware = firmwareNumber(m_config.ECU_Version);
    m_state.liveLength = byte(40);
    m_state.configLength = byte(41);
    m_state.protocol = byte(3);
    if ((m_state.protocol < 10 || m_state.protocol > 18) && m_messages)
        m_messages->showMessage(MsgKind::OldVersion, QStringLiteral("MSG_Old_Version"),
                                MsgColour::Warning);
}

void AnswerDecoder::counters()
{
    m_config.ECU_Gas = int32_t(byte(34)) << 16 | int32_t(byte(35)) << 8 | byte(36);
    m_config.ECU_Pet = int32_t(byte(37)) << 16 | int32_t(byte(38)) << 8 | byte(39);
    // Hours with two decimals. Computed exactly in integers: in floating point minutes / 60 * 100
    // lands just below the whole number for many counts (69 minutes would show 1.14 h).
    m_live.setValue(LV_WorkOnGas, m_config.ECU_Gas * 100 / 60);
    m_live.setValue(LV_WorkOnDiesel, m_config.ECU_Pet * 100 / 60);
}

void AnswerDecoder::carNumber(bool connected)
{
    QString number;
    if (byte(3) != 0x00 && byte(3) != 0xFF) {
        for (int n = 3; n <= 10; ++n) {
            const uint8_t b = byte(n);
            if (b == 0x00 || b == 0xFF)
                break;
            number.append(QChar(char16_t(b)));
        }
    }
    m_config.CAR_Numder = trimBlanks(number);
    if (!connected && m_hooks)
        m_hooks->identityLine();
}

int32_t AnswerDecoder::rpm(int32_t raw) const
{
    int32_t result;
    if (hasBits(m_config.Switch_byte_1, 0x80))
        result = m_config.RPM_Div == 0 ? 0 : raw * 600 / m_config.RPM_Div;
    else if (raw != 0 && raw != 0xFFFF)
        result = m_config.RPM_Source / raw;
    else
        result = raw;
    return result == 0xFFFF ? 0 : result;
}

int32_t AnswerDecoder::pressure(int32_t raw, int32_t factor, int32_t offset) const
{
    if (raw == 0)
        return 0;
    const int32_t x = raw & 0x3FF;
    int32_t result;
    if (secondCalibration(m_state.firmware)) {
        // 64-bit intermediate: the factor and offset are the ECU's 16-bit figures, but nothing
        // stops a corrupt configuration from carrying any value.
        result = clampToInt32((int64_t(x) * factor + offset) / 256);
    } else {
        if (m_config.Pressure_1_Bar <= 0)
            return 0;
        result = truncateToInt32(x * 100.0 / (m_config.Pressure_1_Bar * 0.17348034) + 0.5);
    }
    return result < 0 ? 0 : result;
}

int32_t AnswerDecoder::throttleInput(uint8_t selector, int32_t t1, int32_t t2, int32_t t3,
                                     bool &found) const
{
    found = true;
    switch (selector) {
    case 1: return t1;
    case 2: return t2;
    case 4: return t3;
    default: found = false; return 0;
    }
}

void AnswerDecoder::liveData(bool connected)
{
    LiveTable &lv = m_live;

    // 1. Fuel mode.
    const uint8_t mode = byte(3);
    const bool gas = hasBits(mode, 0x04);
    m_state.modeByte = mode;
    m_state.injectorMask = byte(4);
    m_state.statusByte = byte(5);

    // 2. Gas injection time: the mean over the active injectors, in hundredths of a millisecond.
    lv.setValue(LV_GasTime, 0);
    int32_t sum = 0;
    int32_t count = 0;
    for (int i = 0; i < 4; ++i) {
        if (hasBits(m_state.injectorMask, 1u << i)) {
            sum += word(10 + 2 * i, 9 + 2 * i);
            ++count;
        }
    }
    if (gas && sum > 0)
        lv.setValue(LV_GasTime, sum / count / 10);

    // 3., 4. Throttle inputs, calculator signal and level sensor.
    const int32_t t1 = word(48, 47);
    const int32_t t2 = word(50, 49);
    const int32_t t3 = word(52, 51);
    m_state.calculatorSignal = word(46, 45) * 500 / 1023;
    m_state.levelRaw = int32_t(byte(60) & 0x03) << 8 | byte(59);

    // 5., 6. Engine speed and throttle voltages.
    lv.setValue(LV_RPM, rpm(word(26, 25)));
    lv.setValue(LV_TPS1, t1 * 500 / 1023);
    lv.setValue(LV_TPS2, t2 * 500 / 1023);
    lv.setValue(LV_TPS3, t3 * 500 / 1023);

    // 7. Temperatures.
    auto temperature = [this](int32_t reading) -> int32_t {
        return m_temperature ? m_temperature(static_cast<uint16_t>(reading)) : 0;
    };
    lv.setValue(LV_TVaporizer, temperature(word(30, 29)));
    lv.setValue(LV_TGas, temperature(word(32, 31)));
    lv.setValue(LV_TCouple, word(36, 35) * 1000 / 818);
    lv.setValue(LV_TInside, temperature(word(34, 33)));

    // 8. Pressures.
    const int32_t vaporizer =
        pressure(word(38, 37), m_config.PS_PressVap_Fac, m_config.PS_PressVap_Offset);
    const int32_t collector =
        pressure(word(40, 39), m_config.PS_PressColl_Fac, m_config.PS_PressColl_Offset);
    lv.setValue(LV_PVaporizer, vaporizer);
    lv.setValue(LV_PCollector, collector);
    lv.setValue(LV_PDifferential, clampToInt32(int64_t(vaporizer) - collector));

    // 9. Battery and detonation.
    lv.setValue(LV_Battery, (word(42, 41) & 0x3FF) * 2);
    lv.setValue(LV_Detonation, word(44, 43) * 500 / 1023);

    // 10. Gas consumption: bit 0x80 marks a value already in tenths.
    const uint8_t consumption = byte(68);
    const int32_t gasConsumption =
        hasBits(consumption, 0x80) ? int32_t(consumption & 0x7F) : int32_t(consumption) * 10;
    lv.setValue(LV_GasConsumption, gasConsumption);

    // 11. Diesel throttle quantity of a QN-M4 unit.
    int32_t P = 0;
    if (hasBits(m_config.Cut_Off_Flags, 0x10)) {
        bool found = false;
        const int32_t t = throttleInput(m_config.CNP_Diesel_M4_In, t1, t2, t3, found);
        if (found)
            P = nearestEven(t * 255 / 128.0 * 5);
    }
    m_state.dieselThrottle = P;

    // 12. Diesel consumption (the speed is the one of the previous answer).
    FuelCalcInputs in;
    in.connected = connected;
    in.cutOffFlags = m_config.Cut_Off_Flags;
    in.signal = m_state.calculatorSignal;
    in.rpm = lv.value(LV_RPM);
    in.speed = lv.value(LV_Speed);
    const int32_t Q = CalcDieselConsumption(P, in, m_settings);

    // 13. Consumption, cost and the diesel share, by fuel.
    const int32_t dieselCost = clampToInt32(int64_t(Q) * m_settings.FCC_CostD / 100);
    if (gas) {
        lv.setValue(LV_DieselOnDiesel, 0);
        lv.setValue(LV_CostDiesel, 0);
        lv.setValue(LV_DieselOnGas, Q);
        lv.setValue(LV_CostGas,
                    clampToInt32(int64_t(dieselCost)
                                 + int64_t(gasConsumption) * m_settings.FCC_CostG / 10));
        const int64_t total = int64_t(gasConsumption) * 10 + Q;
        lv.setValue(LV_FuelShare,
                    total == 0 ? 0 : truncateToInt32(double(Q) * 100.0 / double(total)));
    } else {
        lv.setValue(LV_DieselOnGas, 0);
        lv.setValue(LV_CostGas, 0);
        lv.setValue(LV_DieselOnDiesel, Q);
        lv.setValue(LV_CostDiesel, dieselCost);
        lv.setValue(LV_FuelShare, 100);
    }

    // 14. Vehicle speed from a throttle input.
    if (hasBits(m_config.Cut_Off_Flags, 0x80)) {
        bool found = false;
        const int32_t t = throttleInput(m_config.Gas_TPS_Factor, t1, t2, t3, found);
        if (found)
            lv.setValue(LV_Speed, t * 250 / 1023);
    } else {
        lv.setValue(LV_Speed, 0);
    }

    // 15. Displays, in the order they build on each other.
    if (m_hooks) {
        m_hooks->gasLevel();
        m_hooks->remoteControl();
        m_hooks->dashboard();
        if (connected)
            m_hooks->statusIndicators(m_state.statusByte);
        m_hooks->oscilloscope();
    }
}

void AnswerDecoder::configuration()
{
    // Sign and magnitude: bit 0x80 of the high byte is the sign.
    auto signedWord = [this](int h, int l) -> int32_t {
        const int32_t magnitude = int32_t(byte(h) & 0x7F) << 8 | byte(l);
        return hasBits(byte(h), 0x80) ? -magnitude : magnitude;
    };

    Config_Record &c = m_config;
    if (secondCalibration(m_state.firmware)) {
        c.PS_PressVap_Fac = word(6, 5);
        c.PS_PressVap_Offset = signedWord(74, 73);
        c.PS_PressColl_Fac = word(76, 75);
        c.PS_PressColl_Offset = signedWord(78, 77);
    } else {
        c.Pressure_1_Bar = word(6, 5);
    }
    c.Switch_byte_1 = byte(7);
    c.Switch_byte_2 = byte(8);
    c.Switch_byte_3 = byte(9);
    c.Switch_byte_4 = byte(10);
    c.RPM_Source = word(14, 13) * 1000;
    c.RPM_Div = byte(17);
    c.GI_Div = byte(18);
    c.GLS_Type = byte(59);
    c.GLS_Options = byte(60);
    c.SWL_Etalon = static_cast<uint16_t>(word(62, 61));
    for (int i = 1; i <= 5; ++i)
        c.GLS_Position[i] = static_cast<uint16_t>(word(62 + 2 * i, 61 + 2 * i));
    c.Cut_Off_Flags = byte(135);
    c.Gas_TPS_Factor = byte(135) & 0x07;
    c.CNP_Diesel_M4_In = byte(141) & 0x07;

    if (m_hooks)
        m_hooks->configurationRefreshed();
}

} // namespace qn
