#include "data/TemperatureTable.h"

#include "data/TemperatureSensor.h"
#include "platform/TTimer.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace qn {
namespace {

QByteArray tableBytes(const std::vector<int16_t> &entries)
{
    QByteArray b;
    for (int16_t v : entries) {
        b.append(char(uint16_t(v) & 0xFF));
        b.append(char(uint16_t(v) >> 8));
    }
    return b;
}

std::vector<int16_t> ramp(int n)
{
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(int16_t(i * 3 - 500));
    return v;
}

TEST(TemperatureTableShipped, MatchesTheSensorModel)
{
    QFile f(QStringLiteral(QN_RESOURCES "/qndiag.dat"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 2048);
    TemperatureTable table(f.fileName());
    for (int i = 0; i < 1024; ++i) {
        const auto lo = uint8_t(bytes[2 * i]);
        const auto hi = uint8_t(bytes[2 * i + 1]);
        const auto entry = int16_t(uint16_t(lo | (hi << 8)));
        ASSERT_EQ(entry, ntc::tenthsForReading(i)) << "entry " << i;
        ASSERT_EQ(table.lookup(uint16_t(i)), entry) << "reading " << i;
    }
    // The model covers the senders' range: hot at low readings, cold at high ones.
    EXPECT_EQ(table.lookup(0), ntc::MaxTenths);
    EXPECT_EQ(table.lookup(1023), ntc::MinTenths);
}

class TemperatureTableTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    void write(const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    TemperatureTable makeTable()
    {
        return TemperatureTable(
            path, [this](const QString &m) { reports << m; }, [this] { return clock.nowMs(); });
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("qndiag.dat"));
    VirtualClock clock;
    QStringList reports;
};

TEST_F(TemperatureTableTest, OnlyTheLowTenBitsCountAndEntriesAreSigned)
{
    std::vector<int16_t> entries = ramp(1024);
    entries[5] = -400;
    entries[1023] = 1500;
    write(tableBytes(entries));
    TemperatureTable table = makeTable();
    EXPECT_EQ(table.lookup(5), -400);
    EXPECT_EQ(table.lookup(0x0405), -400);
    EXPECT_EQ(table.lookup(0xFC05), -400);
    EXPECT_EQ(table.lookup(0xFFFF), 1500);
    EXPECT_EQ(table.lookup(0x0400), entries[0]);
    EXPECT_EQ(table.lookup(700), entries[700]);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(TemperatureTableTest, MissingFromTheStartReadsZeroAndReportsOnce)
{
    TemperatureTable table = makeTable();
    for (int step = 0; step < 5; ++step) {
        EXPECT_EQ(table.lookup(100), 0);
        clock.advance(1500);
    }
    EXPECT_EQ(reports, QStringList{TemperatureTable::missingMessage()});
    EXPECT_EQ(reports.first(), "Temperature file not exists");
    EXPECT_FALSE(table.present());
}

TEST_F(TemperatureTableTest, RemovedAfterALookupIsNoticedWithinTheIntervalAndReportedOnce)
{
    write(tableBytes(ramp(1024)));
    TemperatureTable table = makeTable();
    EXPECT_EQ(table.lookup(10), -470);

    ASSERT_TRUE(QFile::remove(path));
    // Within the re-check interval the kept contents answer: the file is not opened per lookup.
    clock.advance(999);
    EXPECT_EQ(table.lookup(10), -470);
    EXPECT_TRUE(reports.isEmpty());

    clock.advance(1);
    EXPECT_EQ(table.lookup(10), 0);
    clock.advance(5000);
    EXPECT_EQ(table.lookup(10), 0);
    EXPECT_EQ(reports, QStringList{TemperatureTable::missingMessage()});

    // Back again, then gone again: one more report.
    write(tableBytes(ramp(1024)));
    clock.advance(1000);
    EXPECT_EQ(table.lookup(10), -470);
    ASSERT_TRUE(QFile::remove(path));
    clock.advance(1000);
    EXPECT_EQ(table.lookup(10), 0);
    EXPECT_EQ(reports.size(), 2);
}

TEST_F(TemperatureTableTest, ChangedFileIsReadAgainAfterTheInterval)
{
    write(tableBytes(ramp(1024)));
    TemperatureTable table = makeTable();
    EXPECT_EQ(table.lookup(1), -497);

    // Same size, new contents and a new modification time.
    std::vector<int16_t> other(1024, 250);
    write(tableBytes(other));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(10),
                                  QFileDevice::FileModificationTime));
    }
    clock.advance(500);
    EXPECT_EQ(table.lookup(1), -497);
    clock.advance(500);
    EXPECT_EQ(table.lookup(1), 250);

    // A forced check does not wait for the interval.
    write(tableBytes(ramp(20)));
    table.recheck();
    EXPECT_EQ(table.entryCount(), 20);
}

TEST_F(TemperatureTableTest, ShortTableGivesZeroBeyondItsEndAndReportsOnce)
{
    QByteArray bytes = tableBytes(ramp(10));
    bytes.append('\x7F'); // a trailing odd byte is no entry
    write(bytes);
    TemperatureTable table = makeTable();
    EXPECT_EQ(table.lookup(9), -473);
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_EQ(table.lookup(10), 0);
    EXPECT_EQ(table.lookup(1023), 0);
    clock.advance(3000);
    EXPECT_EQ(table.lookup(500), 0);
    EXPECT_EQ(reports, QStringList{TemperatureTable::shortMessage(10)});
    EXPECT_EQ(table.entryCount(), 10);
}

TEST_F(TemperatureTableTest, EmptyAndOversizedFiles)
{
    write(QByteArray());
    TemperatureTable table = makeTable();
    EXPECT_EQ(table.lookup(0), 0);
    EXPECT_EQ(reports, QStringList{TemperatureTable::shortMessage(0)});

    // Entries beyond 1024 can never be indexed and are not kept.
    std::vector<int16_t> big = ramp(1024);
    big.resize(5000, 7);
    write(tableBytes(big));
    table.recheck();
    EXPECT_EQ(table.entryCount(), 1024);
    EXPECT_EQ(table.lookup(1023), big[1023]);
}

} // namespace
} // namespace qn
