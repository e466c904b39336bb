#pragma once
// Turns every valid ECU answer into the records the rest of the program reads: identity and
// counters, car number and configuration into Config_Record, live data into the live-value table
// and EcuState, then tells the program's displays in the order they depend on each other.
//
// Byte n of an answer counts the echo byte 0x69 as byte 1 and the command byte as byte 2; the
// payload starts at byte 3 and the checksum is byte A (the expected answer length). Words are sent
// low byte first. Nothing at or beyond byte A carries data: a field placed there (an ECU whose
// announced lengths are shorter than the layout) reads as 0.

#include "link/LinkFrame.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace qn {

struct Config_Record;
struct STS_Record;
struct EcuState;
class LiveTable;
class MessageSink;
class DecoderHooks;


class AnswerDecoder {
public:
    // Temperature lookup: the temperature in the raw units of live values 6, 7 and 9 for a sender
    // reading (the program passes its temperature table).
    using TemperatureLookup = std::function<int16_t(uint16_t reading)>;

    AnswerDecoder(Config_Record &config, LiveTable &live, STS_Record &settings, EcuState &state,
                  TemperatureLookup temperature, MessageSink *messages, DecoderHooks *hooks);

    // Decodes one validated answer. answer[0] is byte 1 (0x69), answer[1] the command byte;
    // length is the expected answer length A, and answer must hold at least that many bytes.
    // connected is the link's connected flag (clear while the connect sequence runs).
    void dispatch(const uint8_t *answer, int length, bool connected);

    // The ECU's version text "d.dd" as d*100 + dd (4.35 gives 435). Unless characters 1, 3 and 4
    // are all digits the result is 0: an unknown firmware, which keeps the first pressure
    // calibration and configuration layout.
    static uint16_t firmwareNumber(const QString &version);

private:
    // Byte n (1-based) of the answer being decoded; 0 outside 1 .. A-1.
    uint8_t byte(int n) const
    {
        return (n >= 1 && n < m_length) ? m_answer[n - 1] : uint8_t(0);
    }
    // Word(h, l) = byte h * 256 + byte l.
    int32_t word(int h, int l) const { return int32_t(byte(h)) << 8 | byte(l); }

    void identityLength();
    void identity(bool connected);
    void counters();
    void carNumber(bool connected);
    void liveData(bool connected);
    void configuration();

    int32_t rpm(int32_t raw) const;
    int32_t pressure(int32_t raw, int32_t factor, int32_t offset) const;
    int32_t throttleInput(uint8_t selector, int32_t t1, int32_t t2, int32_t t3, bool &found) const;

    Config_Record &m_config;
    LiveTable &m_live;
    STS_Record &m_settings;
    EcuState &m_state;
    TemperatureLookup m_temperature;
    MessageSink *m_messages;
    DecoderHooks *m_hooks;

    const uint8_t *m_answer = nullptr;
    int m_length = 0;
};

} // namespace qn
