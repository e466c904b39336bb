#pragma once
// The status strip at the bottom of the dashboard: ECU conditions that last (engine off, low
// pressure, preheating, ...) are listed and shown in turn every 2 seconds; one-off events (engine
// on, normal pressure, data saved) are shown once without being listed. While connecting it shows
// the ECU's identity line for 10 seconds, after the link stops a "not connected" line for 5.
// This unit holds the list and decides what the strip shows; StatusStripWidget only draws it.

#include "platform/TTimer.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace qn {

class Language;
struct STS_Record;
struct ColourTables;
struct Config_Record;

class StatusStrip {
public:
    static constexpr int Capacity = 10;
    static constexpr int RotationMs = 2000;
    static constexpr int IdentityMs = 10000;
    static constexpr int NotConnectedMs = 5000;
    static constexpr int StripHeight = 40;
    static constexpr int TallStripHeight = 80; // identity line with the car number

    // Timer tags: rotating through the list, or a timed line is up.
    static constexpr int TagRotation = 0;
    static constexpr int TagTimedLine = 1;

    struct Deps {
        TimerHost &timers;
        Language &language;
        const STS_Record &settings;
        const ColourTables &colours;
        const Config_Record &config;
        std::function<bool()> connected; // the link's connected flag
        std::function<bool()> running;   // the program's running flag
    };

    // What the strip shows.
    struct View {
        bool visible = false;
        QString text;
        uint32_t colour = 0; // ARGB
        int height = StripHeight;
        bool operator==(const View &) const = default;
    };

    explicit StatusStrip(Deps deps);
    StatusStrip(const StatusStrip &) = delete;
    StatusStrip &operator=(const StatusStrip &) = delete;

    // Byte 5 of a live-data answer; ignored while the link is not connected.
    void processStatus(uint8_t statusByte);
    // The identity line of the ECU being connected (ignored once connected).
    void showIdentity();
    // The link has stopped: the list goes; while the program runs, "not connected" for 5 s.
    void linkStopped();
    // The rotation timer's handler: the next entry, or the strip goes when the list is empty.
    void rotationTick();
    // Removes every entry and the strip.
    void clear();

    // The list operations; texts are already translated.
    void add(const QString &text, uint32_t colour);
    void remove(const QString &text);
    void showOnce(const QString &text, uint32_t colour);
    // False while a timed line is up or the dashboard editor is active.
    bool mayShow() const;

    // Set by the dashboard editor while it is active.
    bool editorActive = false;

    int entryCount() const { return m_count; }
    int shownEntry() const { return m_shown; }
    uint8_t lastStatus() const { return m_old; }
    // Entries are numbered from 1; outside 1 .. entryCount() an empty text and colour 0.
    QString entryText(int i) const;
    uint32_t entryColour(int i) const;

    bool timerExists() const { return m_timerExists; }
    int timerTag() const { return m_timerTag; }
    const TTimer &timer() const { return m_timer; }

    const View &view() const { return m_view; }
    // Called whenever what the strip shows has changed.
    std::function<void(const View &)> onChanged;

private:
    struct Entry {
        uint32_t colour = 0;
        QString text;
    };

    void createTimer();
    void freeTimer();
    void startTimedLine(int ms);
    void notify();
    QString tr(const char *key) const;
    int find(const QString &text) const;

    Deps m_deps;
    // The timer lives as long as the strip; "freeing" it stops it and marks it absent, so that a
    // handler may free its own timer.
    TTimer m_timer;
    bool m_timerExists = false;
    int m_timerTag = TagRotation;

    std::array<Entry, Capacity + 1> m_entries{}; // 1 .. Capacity
    int m_count = 0;
    int m_shown = 0;
    uint8_t m_old = 0; // survives a link stop

    View m_view;
    View m_notified;
};

} // namespace qn
