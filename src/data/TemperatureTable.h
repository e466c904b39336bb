#pragma once
// The temperature table (program name + ".dat" in the program folder): 16-bit signed little-endian
// entries, entry i being the temperature in tenths of a degree for the 10-bit sender reading i; a
// full table has 1024 entries. The decoder looks up three temperatures per live-data answer, so the
// contents are kept in memory and the file is only checked again (existence, size, modification
// time) at most once per re-check interval; a changed file is read again.
//
// Problems are reported through a callback, never by blocking: the window puts the text on its
// message bar, the headless monitor prints it. A missing table is reported once each time it goes
// missing (also when it is missing from the start, since every temperature then reads 0); a short
// table is reported once per table read, at the first reading it cannot answer.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <utility>

namespace qn {

class TemperatureTable {
public:
    static constexpr int FullEntries = 1024;
    static constexpr int DefaultRecheckMs = 1000;

    using Reporter = std::function<void(const QString &)>;
    // Monotonic milliseconds; the default is a QElapsedTimer started with the table.
    using Clock = std::function<int64_t()>;

    explicit TemperatureTable(QString path, Reporter report = {}, Clock clock = {},
                              int recheckMs = DefaultRecheckMs);

    // Temperature for a sender reading: only the low 10 bits count; 0 when the file is missing or
    // too short for the reading.
    int16_t lookup(uint16_t reading);

    // Checks the file now, whatever the interval (used after the program folder changes, and by
    // tests).
    void recheck();

    const QString &path() const { return m_path; }
    void setReporter(Reporter report) { m_report = std::move(report); }
    // State after the last check: whether the file was found and how many entries it gave.
    bool present() const { return m_present; }
    int entryCount() const { return m_count; }

    static QString missingMessage();
    static QString shortMessage(int entries);

private:
    void check();
    void report(const QString &text) const;

    QString m_path;
    Reporter m_report;
    Clock m_clock;
    int m_recheckMs;

    std::array<int16_t, FullEntries> m_entries{};
    int m_count = 0;
    bool m_present = false;
    bool m_checked = false;
    int64_t m_lastCheck = 0;
    int64_t m_size = -1;
    int64_t m_mtime = 0;
    bool m_missingReported = false;
    bool m_shortReported = false;
};

} // namespace qn
