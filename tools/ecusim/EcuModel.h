#pragma once
// The simulated ECU's state: identity, operating-time counters, car number, configuration memory,
// fuel mode, the software level sensor, and an engine that runs a repeating drive cycle. The model
// has no clock of its own: advance() moves its time, so the same seed and the same simulated time
// always give the same answers, however the time was cut into steps.

#include <QByteArray>
#include <cstdint>

namespace qn::sim {

// Payload lengths the identity answers announce.
constexpr int IdentityLength = 39;
constexpr int LiveLength = 66;
constexpr int ConfigLength = 139;
constexpr int CarNumberLength = 8;

// Fuel mode byte values.
namespace Mode {
constexpr uint8_t Petrol = 1;
constexpr uint8_t WaitGas = 2; // gas selected, running on petrol until the vaporizer is warm
constexpr uint8_t Gas = 4;
} // namespace Mode

// States of the software level sensor (high nibble of live byte 60).
namespace Swl {
constexpr uint8_t Off = 0x00;
constexpr uint8_t WaitSet = 0x10;
constexpr uint8_t Collect = 0x20;
constexpr uint8_t WaitJob = 0x40;
constexpr uint8_t Working = 0x80;
} // namespace Swl

// Status byte bits (live byte 5).
namespace Status {
constexpr uint8_t EngineOn = 0x01;
constexpr uint8_t PressureOk = 0x02;
constexpr uint8_t NotSaved = 0x04;
constexpr uint8_t Saved = 0x08;
constexpr uint8_t Preheating = 0x10;
constexpr uint8_t Cruise = 0x20;
constexpr uint8_t CutOff = 0x40;
} // namespace Status

// Configuration memory addresses, as answer byte numbers of the configuration answer.
namespace Cfg {
constexpr int First = 3;
constexpr int Last = 141;
constexpr int PressureFactorVap = 5; // also the 1-bar scale on firmware outside 4.31..4.99
constexpr int Switch1 = 7;
constexpr int Switch3 = 9;
constexpr int RpmSource = 13;
constexpr int RpmDiv = 17;
constexpr int GiDiv = 18;
constexpr int GlsType = 59;
constexpr int GlsOptions = 60;
constexpr int SwlEtalon = 61;
constexpr int GlsPosition = 63;
constexpr int VapOffset = 73;
constexpr int CollFactor = 75;
constexpr int CollOffset = 77;
constexpr int CutOffFlags = 135;
constexpr int DieselInput = 141;
} // namespace Cfg

// What the engine does at the current model time, in engineering units.
struct EngineSample {
    double rpm = 0;
    double pedal = 0;          // 0 .. 1
    double manifoldBar = 0;    // absolute
    double vaporizerBar = 0;   // absolute
    double vaporizerC = 0;
    double gasC = 0;
    double insideC = 0;
    double exhaustC = 0;
    double batteryV = 0;
    double injectionUs = 0;    // per injector, before its trim; 0 during cut-off
    double gasLitresPerHour = 0;
    bool cruise = false;
    bool cutOff = false;
};

class EcuModel {
public:
    explicit EcuModel(uint32_t seed = 1);

    // ---- identity ----
    uint8_t protocol() const { return m_protocol; }
    void setProtocol(uint8_t p) { m_protocol = p; }
    QByteArray name() const { return m_name; }
    void setName(const QByteArray &name);       // blank-padded or cut to 16
    QByteArray date() const { return m_date; }
    void setDate(const QByteArray &date);       // blank-padded or cut to 10
    QByteArray version() const { return m_version; }
    // Blank-padded or cut to 4. Also lays out the pressure calibration the firmware reads (the
    // four sensor factors and offsets on 4.31 .. 4.99, the 1-bar scale otherwise).
    void setVersion(const QByteArray &version);
    // d.dd read as d * 100 + dd; 0 when the text holds no such number.
    int firmware() const;
    uint32_t gasMinutes() const { return m_gasMinutes; }
    uint32_t petrolMinutes() const { return m_petrolMinutes; }
    void setCounters(uint32_t gasMinutes, uint32_t petrolMinutes);
    QByteArray carNumber() const { return m_carNumber; }
    void setCarNumber(const QByteArray &number); // 0x00-padded or cut to 8

    // ---- configuration memory (answer bytes 3 .. 141) ----
    uint8_t configByte(int answerByte) const;
    void setConfigByte(int answerByte, uint8_t value);
    // A configuration write at a word address: answer byte 2a-127 gets d1 and 2a-126 gets d2. The
    // reference injector total (address 94) arrives high byte first and is stored low byte first.
    // Returns false (and changes nothing) for an address outside the memory.
    bool writeConfig(uint8_t address, uint8_t d1, uint8_t d2);
    // A write that came without a write enable: nothing is stored, the status byte reports it.
    void rejectWrite();

    // ---- requests with side effects ----
    uint8_t fuelMode() const { return m_mode; }
    // 1, 2 or 4 switch the mode; any other value leaves it.
    void requestFuelMode(uint8_t mode);
    // 2 moves the software level sensor to its next state, 4 clears its injector total.
    void levelSensorCommand(uint16_t command);
    uint8_t swlState() const;
    uint32_t swlCounter() const;

    // ---- time ----
    void advance(int ms);
    int64_t timeMs() const { return m_timeMs; }
    void setCycleSeconds(int seconds);
    int cycleSeconds() const { return m_cycleMs / 1000; }

    EngineSample engine() const { return sampleAt(m_timeMs); }
    // Raw 10-bit gas level sender reading.
    int levelRaw() const;

    // ---- answer payloads ----
    QByteArray identityPayload() const; // IdentityLength bytes
    QByteArray livePayload() const;     // LiveLength bytes: answer bytes 3 .. 68
    QByteArray configPayload() const;   // ConfigLength bytes: answer bytes 3 .. 141

    // Raw reading whose decoded pressure is nearest to hundredths of a bar, for the calibration in
    // the configuration memory and the firmware of the version text.
    int pressureRaw(int hundredths, bool vaporizer) const;
    // The pressure the tool decodes from a raw reading with that calibration.
    int pressureFor(int raw, bool vaporizer) const;

private:
    static constexpr int TickMs = 10;

    void tick(int64_t now);
    EngineSample sampleAt(int64_t t) const;
    double noise(int channel, double t, double periodS) const;
    double exhaustTarget(const EngineSample &e) const;
    uint8_t statusByte(const EngineSample &e) const;
    void setWord(int answerByte, uint16_t value);
    uint16_t word(int answerByte) const;

    uint32_t m_seed;
    uint8_t m_protocol = 14;
    QByteArray m_name, m_date, m_version, m_carNumber;
    uint32_t m_gasMinutes = 12345, m_petrolMinutes = 4321;
    QByteArray m_config;

    uint8_t m_mode = Mode::WaitGas;
    uint8_t m_swlState = Swl::Off;
    double m_swlCounter = 0;
    double m_level = 820;       // sender reading, falls while on gas
    double m_exhaustC = 0;      // lags the load like a thermocouple in the exhaust
    bool m_refuelling = false;
    int64_t m_gasMs = 0, m_petrolMs = 0;
    int64_t m_savedUntil = -1, m_notSavedUntil = -1;
    double m_trim[4] = {1, 1, 1, 1};

    int64_t m_timeMs = 0;
    int64_t m_tickedMs = 0;
    int m_cycleMs = 120000;
};

} // namespace qn::sim
