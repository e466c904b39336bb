#include "EcuModel.h"

#include "data/TemperatureSensor.h"

#include <algorithm>
#include <cmath>

namespace qn::sim {

namespace {

// The drive cycle as key points over one cycle (fraction of the cycle, engine speed, pedal);
// values between two points follow a cosine blend, so speed and pedal move without steps and the
// cycle closes on itself.
struct KeyPoint {
    double at, rpm, pedal;
};
constexpr KeyPoint DriveCycle[] = {
    {0.00, 800, 0.00},  // idle, warming up
    {0.15, 800, 0.00},
    {0.20, 1800, 0.55}, // pull away
    {0.30, 3500, 0.75}, // full acceleration
    {0.36, 2400, 0.25}, // ease off into the cruise
    {0.40, 2200, 0.22},
    {0.65, 2200, 0.22}, // cruise
    {0.68, 2100, 0.00}, // foot off: overrun with fuel cut-off
    {0.80, 900, 0.00},
    {0.84, 800, 0.00},  // idle
    {1.00, 800, 0.00},
};
constexpr double CruiseFrom = 0.42, CruiseTo = 0.65;

constexpr double GasSwitchC = 35.0;       // vaporizer temperature that lets the ECU go on gas
constexpr double LevelFull = 820;         // sender reading of a full tank
constexpr double LevelRefill = 150;       // reading at which the driver refuels
constexpr double RefillPerSecond = 25;
constexpr double LitresPerHourPerCount = 8; // level falls one count a second at 8 l/h
constexpr double CountUs = 32;            // one software level sensor count of injector opening

// Pressure calibrations laid out in the configuration memory.
constexpr int VapFactor = 105, VapOffset = -1280; // firmware 4.31 .. 4.99
constexpr int CollFactor = 64, CollOffset = 256;
constexpr int OneBarScale = 1500;                 // other firmware

uint32_t mix(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

double unitHash(uint32_t seed, uint32_t channel, uint32_t i)
{
    const uint32_t v = mix(seed * 0x9E3779B9U ^ mix(channel * 0x85EBCA6BU ^ mix(i)));
    return v / 2147483647.5 - 1.0; // -1 .. 1
}

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

QByteArray fitted(const QByteArray &text, int n, char pad)
{
    QByteArray out = text.left(n);
    while (out.size() < n)
        out.append(pad);
    return out;
}

void putWord(QByteArray &b, int index, int value)
{
    const uint16_t w = uint16_t(std::clamp(value, 0, 0xFFFF));
    b[index] = char(w & 0xFF);
    b[index + 1] = char(w >> 8);
}

bool secondCalibrationFor(int firmware) { return firmware >= 431 && firmware <= 499; }

} // namespace

EcuModel::EcuModel(uint32_t seed)
    : m_seed(seed),
      m_name(fitted("QN-Sim ECU", 16, ' ')),
      m_date("2026-11-01"),
      m_version("4.35"),
      m_carNumber(fitted("QN 2026", CarNumberLength, '\0')),
      m_config(ConfigLength, '\0')
{
    setConfigByte(Cfg::Switch1, 0x01);
    setConfigByte(Cfg::Switch1 + 1, 0x00);
    setConfigByte(Cfg::Switch3, 0x00);     // fuel consumption calculator not enabled
    setConfigByte(Cfg::Switch3 + 1, 0x00);
    // A four-cylinder with two ignition pulses a revolution, period in microseconds:
    // rpm = 30 000 000 div period.
    setWord(Cfg::RpmSource, 30000);
    setConfigByte(Cfg::RpmDiv, 2);
    setConfigByte(Cfg::GiDiv, 1);
    setConfigByte(Cfg::GlsType, 3);        // a sender read through the five level marks
    setConfigByte(Cfg::GlsOptions, 0x00);
    setWord(Cfg::SwlEtalon, 0);
    const uint16_t marks[5] = {200, 320, 440, 560, 680};
    for (int i = 0; i < 5; ++i)
        setWord(Cfg::GlsPosition + 2 * i, marks[i]);
    setConfigByte(Cfg::CutOffFlags, 0x00);
    setConfigByte(Cfg::DieselInput, 0x01);
    setVersion(m_version);

    for (int i = 0; i < 4; ++i)
        m_trim[i] = 1.0 + 0.03 * unitHash(m_seed, 100, uint32_t(i));
    m_exhaustC = exhaustTarget(sampleAt(0));
}

// ---- identity ----

void EcuModel::setName(const QByteArray &name) { m_name = fitted(name, 16, ' '); }

void EcuModel::setDate(const QByteArray &date) { m_date = fitted(date, 10, ' '); }

void EcuModel::setVersion(const QByteArray &version)
{
    m_version = fitted(version, 4, ' ');
    if (secondCalibrationFor(firmware())) {
        setWord(Cfg::PressureFactorVap, VapFactor);
        setWord(Cfg::VapOffset, uint16_t(std::abs(VapOffset)) | (VapOffset < 0 ? 0x8000 : 0));
        setWord(Cfg::CollFactor, CollFactor);
        setWord(Cfg::CollOffset, uint16_t(std::abs(CollOffset)) | (CollOffset < 0 ? 0x8000 : 0));
    } else {
        setWord(Cfg::PressureFactorVap, OneBarScale);
        for (int b = Cfg::VapOffset; b <= Cfg::CollOffset + 1; ++b)
            setConfigByte(b, 0);
    }
}

int EcuModel::firmware() const
{
    auto digit = [this](int i) { return m_version[i] >= '0' && m_version[i] <= '9' ? m_version[i] - '0' : -1; };
    const int a = digit(0), b = digit(2), c = digit(3);
    if (a < 0 || b < 0 || c < 0)
        return 0;
    return a * 100 + b * 10 + c;
}

void EcuModel::setCounters(uint32_t gasMinutes, uint32_t petrolMinutes)
{
    m_gasMinutes = gasMinutes & 0xFFFFFF;
    m_petrolMinutes = petrolMinutes & 0xFFFFFF;
}

void EcuModel::setCarNumber(const QByteArray &number) { m_carNumber = fitted(number, CarNumberLength, '\0'); }

// ---- configuration memory ----

uint8_t EcuModel::configByte(int answerByte) const
{
    if (answerByte < Cfg::First || answerByte > Cfg::Last)
        return 0;
    return uint8_t(m_config[answerByte - Cfg::First]);
}

void EcuModel::setConfigByte(int answerByte, uint8_t value)
{
    if (answerByte < Cfg::First || answerByte > Cfg::Last)
        return;
    const uint8_t oldType = configByte(Cfg::GlsType);
    m_config[answerByte - Cfg::First] = char(value);
    if (answerByte != Cfg::GlsType || value == oldType)
        return;
    // Choosing the software level sensor installs it, waiting for its reference measurement;
    // any other sensor type switches it off.
    m_swlState = value == 5 ? Swl::WaitSet : Swl::Off;
    m_swlCounter = 0;
}

void EcuModel::setWord(int answerByte, uint16_t value)
{
    setConfigByte(answerByte, uint8_t(value & 0xFF));
    setConfigByte(answerByte + 1, uint8_t(value >> 8));
}

uint16_t EcuModel::word(int answerByte) const
{
    return uint16_t(configByte(answerByte) | (configByte(answerByte + 1) << 8));
}

bool EcuModel::writeConfig(uint8_t address, uint8_t d1, uint8_t d2)
{
    const int first = 2 * address - 127;
    if (first < Cfg::First || first + 1 > Cfg::Last)
        return false;
    if (first == Cfg::SwlEtalon) {
        setConfigByte(first, d2);
        setConfigByte(first + 1, d1);
    } else {
        setConfigByte(first, d1);
        setConfigByte(first + 1, d2);
    }
    m_savedUntil = m_timeMs + 2000;
    return true;
}

void EcuModel::rejectWrite() { m_notSavedUntil = m_timeMs + 2000; }

// ---- requests ----

void EcuModel::requestFuelMode(uint8_t mode)
{
    if (mode == Mode::Petrol || mode == Mode::WaitGas || mode == Mode::Gas)
        m_mode = mode;
}

void EcuModel::levelSensorCommand(uint16_t command)
{
    if (configByte(Cfg::GlsType) != 5)
        return;
    if (command == 4) {
        m_swlCounter = 0; // tank refilled: the current total starts again
        return;
    }
    if (command != 2)
        return;
    switch (m_swlState) {
    case Swl::WaitSet:
        m_swlState = Swl::Collect;
        m_swlCounter = 0;
        break;
    case Swl::Collect: {
        // The measured total becomes the reference, in units of 2^21 counts.
        const uint32_t etalon = std::min<uint32_t>(uint32_t(m_swlCounter) >> 21, 0xFFFF);
        setWord(Cfg::SwlEtalon, uint16_t(etalon));
        m_savedUntil = m_timeMs + 2000;
        m_swlState = Swl::WaitJob;
        break;
    }
    case Swl::WaitJob:
        m_swlState = Swl::Working;
        m_swlCounter = 0;
        break;
    case Swl::Working:
        m_swlState = Swl::WaitSet;
        m_swlCounter = 0;
        break;
    default:
        m_swlState = Swl::WaitSet;
        break;
    }
}

uint8_t EcuModel::swlState() const { return configByte(Cfg::GlsType) == 5 ? m_swlState : Swl::Off; }

uint32_t EcuModel::swlCounter() const
{
    return configByte(Cfg::GlsType) == 5 ? uint32_t(std::fmod(m_swlCounter, 4294967296.0)) : 0;
}

// ---- time ----

void EcuModel::setCycleSeconds(int seconds) { m_cycleMs = std::clamp(seconds, 10, 3600) * 1000; }

void EcuModel::advance(int ms)
{
    if (ms <= 0)
        return;
    // Stateful parts move in fixed ticks on a fixed grid, so the state at a time does not depend
    // on how the time was handed over.
    m_timeMs += ms;
    while (m_tickedMs + TickMs <= m_timeMs) {
        m_tickedMs += TickMs;
        tick(m_tickedMs);
    }
}

void EcuModel::tick(int64_t now)
{
    const EngineSample e = sampleAt(now);
    const double dt = TickMs / 1000.0;

    m_exhaustC += (exhaustTarget(e) - m_exhaustC) * dt / 2.5;

    if (m_mode == Mode::WaitGas && e.vaporizerC >= GasSwitchC)
        m_mode = Mode::Gas;

    int64_t &onFuel = m_mode == Mode::Gas ? m_gasMs : m_petrolMs;
    uint32_t &minutes = m_mode == Mode::Gas ? m_gasMinutes : m_petrolMinutes;
    onFuel += TickMs;
    if (onFuel >= 60000) {
        onFuel -= 60000;
        minutes = (minutes + 1) & 0xFFFFFF;
    }

    if (m_refuelling) {
        m_level += RefillPerSecond * dt;
        if (m_level >= LevelFull) {
            m_level = LevelFull;
            m_refuelling = false;
        }
    } else if (m_mode == Mode::Gas) {
        m_level -= e.gasLitresPerHour / LitresPerHourPerCount * dt;
        if (m_level <= LevelRefill)
            m_refuelling = true;
    }

    if (m_mode == Mode::Gas && (m_swlState == Swl::Collect || m_swlState == Swl::Working)) {
        const double openUsPerSecond = 4 * (e.rpm / 120.0) * e.injectionUs;
        m_swlCounter += openUsPerSecond * dt / CountUs;
    }
}

double EcuModel::exhaustTarget(const EngineSample &e) const
{
    return 260 + 380 * (e.manifoldBar - 0.30) / 0.70 + 0.06 * (e.rpm - 800);
}

double EcuModel::noise(int channel, double t, double periodS) const
{
    const double u = t / (periodS * 1000.0);
    const double k = std::floor(u);
    const double f = u - k;
    const double s = f * f * (3 - 2 * f);
    const uint32_t i = uint32_t(int64_t(k));
    return unitHash(m_seed, uint32_t(channel), i) * (1 - s) + unitHash(m_seed, uint32_t(channel), i + 1) * s;
}

EngineSample EcuModel::sampleAt(int64_t t) const
{
    EngineSample e;
    const double phase = double(t % m_cycleMs) / m_cycleMs;
    const KeyPoint *a = &DriveCycle[0];
    const KeyPoint *b = &DriveCycle[1];
    for (size_t i = 1; i < std::size(DriveCycle); ++i) {
        if (phase <= DriveCycle[i].at) {
            a = &DriveCycle[i - 1];
            b = &DriveCycle[i];
            break;
        }
    }
    const double f = b->at > a->at ? (phase - a->at) / (b->at - a->at) : 0.0;
    const double s = (1 - std::cos(M_PI * f)) / 2;
    const double td = double(t);

    e.pedal = clamp01(a->pedal + (b->pedal - a->pedal) * s + (a->pedal + b->pedal > 0 ? 0.004 * noise(1, td, 0.6) : 0.0));
    e.rpm = a->rpm + (b->rpm - a->rpm) * s + 12 * noise(2, td, 0.4);
    e.cruise = phase >= CruiseFrom && phase < CruiseTo;
    e.cutOff = e.pedal < 0.02 && e.rpm > 1200;

    // Warm-up from a cold start at model time 0.
    e.vaporizerC = 20 + 50 * (1 - std::exp(-td / 45000.0)) + 0.2 * noise(3, td, 2.0);
    e.gasC = 15 + 25 * (1 - std::exp(-td / 150000.0)) + 0.2 * noise(4, td, 3.0);
    e.insideC = 35 + 2 * (1 - std::exp(-td / 600000.0)) + 0.1 * noise(5, td, 5.0);

    const double load = std::pow(clamp01(e.pedal / 0.75), 0.8);
    e.manifoldBar = 0.33 + 0.65 * load;
    if (e.pedal < 0.02)
        e.manifoldBar -= 0.03 * clamp01((e.rpm - 800) / 1400);
    e.manifoldBar = std::max(0.30, e.manifoldBar);
    // The regulator holds the vaporizer a fixed step above the manifold.
    e.vaporizerBar = e.manifoldBar + 1.20 + 0.02 * noise(6, td, 0.8);

    const double manifoldLoad = (e.manifoldBar - 0.30) / 0.70;
    e.exhaustC = m_exhaustC;
    e.batteryV = 13.85 + 0.45 * clamp01((e.rpm - 800) / 1500) + 0.02 * noise(7, td, 1.5);

    const double coldness = clamp01((70 - e.vaporizerC) / 50);
    e.injectionUs = e.cutOff ? 0.0 : (2200 + 9000 * manifoldLoad) * (1 + 0.25 * coldness);
    e.gasLitresPerHour = 5.8e-4 * (e.injectionUs / 1000.0) * e.rpm;
    return e;
}

int EcuModel::levelRaw() const
{
    const double slosh = 3 * noise(8, double(m_timeMs), 0.7);
    return std::clamp(int(std::lround(m_level + slosh)), 0, 1023);
}

// ---- pressure calibration ----

int EcuModel::pressureFor(int raw, bool vaporizer) const
{
    if (raw == 0)
        return 0;
    const int x = raw & 0x3FF;
    if (secondCalibrationFor(firmware())) {
        const int factor = vaporizer ? word(Cfg::PressureFactorVap) : word(Cfg::CollFactor);
        const int offsetByte = vaporizer ? Cfg::VapOffset : Cfg::CollOffset;
        const uint16_t sm = word(offsetByte);
        const int offset = (sm & 0x8000) ? -int(sm & 0x7FFF) : int(sm & 0x7FFF);
        const int v = (x * factor + offset) / 256;
        return std::max(0, v);
    }
    const int scale = word(Cfg::PressureFactorVap);
    if (scale <= 0)
        return 0;
    return int(x * 100 / (scale * 0.17348034) + 0.5);
}

int EcuModel::pressureRaw(int hundredths, bool vaporizer) const
{
    int best = 1;
    int bestDiff = INT32_MAX;
    for (int x = 1; x <= 1023; ++x) {
        const int diff = std::abs(pressureFor(x, vaporizer) - hundredths);
        if (diff < bestDiff) {
            best = x;
            bestDiff = diff;
            if (diff == 0)
                break;
        }
    }
    return best;
}

// ---- answers ----

uint8_t EcuModel::statusByte(const EngineSample &e) const
{
    uint8_t s = Status::EngineOn | Status::PressureOk;
    if (m_mode == Mode::WaitGas)
        s |= Status::Preheating;
    if (e.cruise)
        s |= Status::Cruise;
    if (e.cutOff)
        s |= Status::CutOff;
    if (m_timeMs < m_savedUntil)
        s |= Status::Saved;
    if (m_timeMs < m_notSavedUntil)
        s |= Status::NotSaved;
    return s;
}

QByteArray EcuModel::identityPayload() const
{
    QByteArray p;
    p.append(char(m_protocol));
    p.append(m_name);
    p.append(m_date);
    p.append(m_version);
    for (uint32_t c : {m_gasMinutes, m_petrolMinutes}) {
        p.append(char((c >> 16) & 0xFF));
        p.append(char((c >> 8) & 0xFF));
        p.append(char(c & 0xFF));
    }
    p.append(char(LiveLength));
    p.append(char(ConfigLength));
    return p;
}

QByteArray EcuModel::livePayload() const
{
    const EngineSample e = engine();
    QByteArray p(LiveLength, '\0');
    auto at = [](int answerByte) { return answerByte - 3; };
    const bool gas = m_mode == Mode::Gas;

    p[at(3)] = char(m_mode);
    p[at(4)] = char(gas ? 0x0F : 0x00);
    p[at(5)] = char(statusByte(e));
    for (int i = 0; i < 4; ++i)
        putWord(p, at(9 + 2 * i), int(std::lround(e.injectionUs * m_trim[i])));

    int period;
    if (configByte(Cfg::Switch1) & 0x80)
        period = int(std::lround(e.rpm * std::max<int>(1, configByte(Cfg::RpmDiv)) / 600.0));
    else
        period = int(std::lround(word(Cfg::RpmSource) * 1000.0 / e.rpm));
    putWord(p, at(25), std::clamp(period, 1, 0xFFFE));

    putWord(p, at(29), ntc::readingForTenths(int(std::lround(e.vaporizerC * 10))));
    putWord(p, at(31), ntc::readingForTenths(int(std::lround(e.gasC * 10))));
    putWord(p, at(33), ntc::readingForTenths(int(std::lround(e.insideC * 10))));
    putWord(p, at(35), int(std::lround(e.exhaustC * 818 / 1000)));
    putWord(p, at(37), pressureRaw(int(std::lround(e.vaporizerBar * 100)), true));
    putWord(p, at(39), pressureRaw(int(std::lround(e.manifoldBar * 100)), false));
    putWord(p, at(41), int(std::lround(e.batteryV * 50)));
    const double manifoldLoad = (e.manifoldBar - 0.30) / 0.70;
    putWord(p, at(43), int(std::lround(25 + 70 * manifoldLoad * e.rpm / 3500 + 5 * noise(9, double(m_timeMs), 0.3))));

    const int t1 = int(std::lround(102 + e.pedal * 818));
    putWord(p, at(45), t1); // the calculator reads the pedal signal
    putWord(p, at(47), t1);
    putWord(p, at(49), t1 / 2);
    putWord(p, at(51), 1023 - t1);

    const int level = levelRaw();
    const uint8_t swl = swlState();
    p[at(59)] = char(level & 0xFF);
    p[at(60)] = char(((level >> 8) & 0x03) | swl);
    const uint32_t counter = swlCounter();
    putWord(p, at(61), int(counter >> 16));
    putWord(p, at(63), int(counter & 0xFFFF));

    if (gas && e.gasLitresPerHour > 0) {
        const int tenths = int(std::lround(e.gasLitresPerHour * 10));
        p[at(68)] = char(tenths <= 0x7F ? 0x80 | tenths : std::min(0x7F, int(std::lround(e.gasLitresPerHour))));
    }
    return p;
}

QByteArray EcuModel::configPayload() const { return m_config; }

} // namespace qn::sim
