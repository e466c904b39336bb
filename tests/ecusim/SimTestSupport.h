#pragma once
// Requests as the tool builds them, and a reading of the simulated ECU's answers taken straight
// from the answer layouts, independent of the tool's own decoder.

#include "EcuResponder.h"
#include "data/TemperatureSensor.h"

#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace qn::sim::test {

inline QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(uint8_t(v)));
    return b;
}

// 0x69, command, parameters, 8-bit sum.
inline QByteArray request(uint8_t command, std::initializer_list<int> params)
{
    QByteArray r;
    r.append(char(FrameStart));
    r.append(char(command));
    for (int p : params)
        r.append(char(uint8_t(p)));
    r.append(char(EcuResponder::checksum(r)));
    return r;
}

inline QByteArray liveRequest() { return request(Cmd::LiveData, {0x26, 0x26}); }
inline QByteArray configRequest() { return request(Cmd::Configuration, {0x27, 0x27}); }
inline QByteArray identityRequest() { return request(Cmd::Identity, {0x22, 0x22}); }
inline QByteArray enableRequest() { return request(Cmd::WriteEnable, {0x25, 0x06}); }
inline QByteArray writeRequest(int address, int d1, int d2) { return request(Cmd::ConfigWrite, {address, d1, d2}); }
inline QByteArray modeRequest(int mode) { return request(Cmd::FuelMode, {0, mode}); }
inline QByteArray levelCommand(int value) { return request(Cmd::LevelSensor, {0, value}); }

// Answer byte n (1 = the start byte), as numbered in the layouts.
inline int at(const QByteArray &frame, int n) { return n >= 1 && n <= frame.size() ? uint8_t(frame[n - 1]) : -1; }
inline int word(const QByteArray &frame, int h, int l) { return at(frame, h) * 256 + at(frame, l); }

inline bool checksumOk(const QByteArray &frame)
{
    return frame.size() >= 3 && EcuResponder::checksum(frame.left(frame.size() - 1)) == uint8_t(frame.back());
}

// Live values read from a live-data answer and the configuration answer beside it.
struct Reading {
    int mode, mask, status;
    int rpm;
    int t1, t2, t3;
    int injectionHundredths; // 0 outside gas operation
    int vaporizerTenths, gasTenths, insideTenths;
    int exhaustC;
    int vaporizerBar100, manifoldBar100;
    int batteryHundredths;
    int detonation100;
    int levelRaw, swlState;
    uint32_t swlCounter;
    int consumptionTenths;
};

inline int pressure(const QByteArray &cfg, int firmware, int raw, bool vaporizer)
{
    if (raw == 0)
        return 0;
    const int x = raw & 0x3FF;
    if (firmware >= 431 && firmware <= 499) {
        const int factor = vaporizer ? word(cfg, 6, 5) : word(cfg, 76, 75);
        const int hi = vaporizer ? 74 : 78, lo = vaporizer ? 73 : 77;
        const int magnitude = (at(cfg, hi) & 0x7F) * 256 + at(cfg, lo);
        const int offset = (at(cfg, hi) & 0x80) ? -magnitude : magnitude;
        return std::max(0, (x * factor + offset) / 256);
    }
    const int oneBar = word(cfg, 6, 5);
    return oneBar <= 0 ? 0 : int(x * 100 / (oneBar * 0.17348034) + 0.5);
}

inline Reading read(const QByteArray &live, const QByteArray &cfg, int firmware)
{
    Reading r{};
    r.mode = at(live, 3);
    r.mask = at(live, 4);
    r.status = at(live, 5);
    int sum = 0, count = 0;
    for (int i = 0; i < 4; ++i) {
        if (r.mask & (1 << i)) {
            sum += word(live, 10 + 2 * i, 9 + 2 * i);
            ++count;
        }
    }
    r.injectionHundredths = (r.mode & 4) && sum > 0 ? sum / count / 10 : 0;
    const int period = word(live, 26, 25);
    const int source = word(cfg, 14, 13) * 1000;
    r.rpm = period == 0 || period == 0xFFFF ? 0 : source / period;
    r.t1 = word(live, 48, 47);
    r.t2 = word(live, 50, 49);
    r.t3 = word(live, 52, 51);
    r.vaporizerTenths = ntc::tenthsForReading(word(live, 30, 29) & 0x3FF);
    r.gasTenths = ntc::tenthsForReading(word(live, 32, 31) & 0x3FF);
    r.insideTenths = ntc::tenthsForReading(word(live, 34, 33) & 0x3FF);
    r.exhaustC = word(live, 36, 35) * 1000 / 818;
    r.vaporizerBar100 = pressure(cfg, firmware, word(live, 38, 37), true);
    r.manifoldBar100 = pressure(cfg, firmware, word(live, 40, 39), false);
    r.batteryHundredths = (word(live, 42, 41) & 0x3FF) * 2;
    r.detonation100 = word(live, 44, 43) * 500 / 1023;
    r.levelRaw = (at(live, 60) & 0x03) * 256 + at(live, 59);
    r.swlState = at(live, 60) & 0xF0;
    r.swlCounter = uint32_t(word(live, 62, 61)) * 65536 + uint32_t(word(live, 64, 63));
    const int c = at(live, 68);
    r.consumptionTenths = (c & 0x80) ? (c & 0x7F) : c * 10;
    return r;
}

} // namespace qn::sim::test
