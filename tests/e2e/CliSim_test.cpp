// The headless monitor against the simulated ECU over a real pseudo-terminal: the serial
// transport, the poll cycle and the decoders end to end.

#include "SimProcess.h"

#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qn::test;

namespace {

QList<QByteArray> csvRows(const QByteArray &out)
{
    QList<QByteArray> rows;
    for (const QByteArray &line : out.split('\n'))
        if (!line.isEmpty() && (line[0] >= '0' && line[0] <= '9'))
            rows << line;
    return rows;
}

double column(const QByteArray &row, int index) { return row.split(',').value(index).toDouble(); }

} // namespace

TEST(CliSim, ConnectsPollsAndWritesCsv)
{
    SimProcess sim;
    ASSERT_FALSE(sim.path().isEmpty());
    const CliRun r = runCli({"--port", sim.path(), "--seconds", "4", "--csv", "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("connected name=QN-Sim ECU version=4.35 date=2026-11-01 car=QN 2026 firmware=435"))
        << r.out.constData();
    const QList<QByteArray> lines = r.out.split('\n');
    int header = -1;
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].startsWith("ms,"))
            header = i;
    ASSERT_GE(header, 0);
    EXPECT_EQ(lines[header].split(',').size(), 25);
    EXPECT_TRUE(lines[header].startsWith("ms,R.P.M.,TPS 1,TPS 2,TPS 3,Gas,")) << lines[header].constData();
    const QList<QByteArray> rows = csvRows(r.out);
    // Two requests per live answer at 60 ms plus wire time: about four live answers a second.
    EXPECT_GE(rows.size(), 10) << r.out.constData();
    for (const QByteArray &row : rows) {
        ASSERT_EQ(row.split(',').size(), 25) << row.constData();
        EXPECT_GE(column(row, 1), 500) << row.constData();     // engine running
        EXPECT_LE(column(row, 1), 7000) << row.constData();
        EXPECT_GE(column(row, 13), 11.0) << row.constData();   // battery volts
        EXPECT_LE(column(row, 13), 15.5) << row.constData();
        EXPECT_GE(column(row, 6), -40.0) << row.constData();   // vaporizer temperature from the table
        EXPECT_LE(column(row, 6), 150.0) << row.constData();
    }
    // Milliseconds since the link came up grow row by row.
    EXPECT_LT(column(rows.first(), 0), column(rows.last(), 0));
}

TEST(CliSim, CsvGoesToAFileAndAnUnwritableOneIsRefused)
{
    SimProcess sim;
    ASSERT_FALSE(sim.path().isEmpty());
    QTemporaryDir dir;
    const QString csv = dir.filePath("live.csv");
    const CliRun r = runCli({"--port", sim.path(), "--seconds", "2", "--csv", csv});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("ms,R.P.M.,"));
    EXPECT_GE(csvRows(text).size(), 4);

    const CliRun bad = runCli({"--port", sim.path(), "--seconds", "2", "--csv", dir.filePath("no/such/dir.csv")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("cannot write")) << bad.err.constData();
}

TEST(CliSim, SilentEcuEndsInLinkLoss)
{
    SimProcess sim({"--silent-after", "3"});
    ASSERT_FALSE(sim.path().isEmpty());
    const CliRun r = runCli({"--port", sim.path(), "--seconds", "30", "--csv", "-"});
    EXPECT_EQ(r.exitCode, 4) << r.err.constData();
    EXPECT_TRUE(r.err.contains("Connection interrupted")) << r.err.constData();
    EXPECT_EQ(csvRows(r.out).size(), 3);
}

TEST(CliSim, CorruptAnswersAreRetriedNotDecoded)
{
    SimProcess sim({"--corrupt", "4"});
    ASSERT_FALSE(sim.path().isEmpty());
    const CliRun r = runCli({"--port", sim.path(), "--seconds", "5", "--csv", "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("connected name=")) << r.out.constData();
    EXPECT_GE(csvRows(r.out).size(), 5);
}

TEST(CliSim, FailuresToConnect)
{
    {
        const CliRun r = runCli({"--port", "/dev/qndiag-no-such-port", "--seconds", "5"});
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_TRUE(r.err.contains("Failed to connect to device")) << r.err.constData();
    }
    {
        SimProcess sim({"--protocol", "9"});
        ASSERT_FALSE(sim.path().isEmpty());
        const CliRun r = runCli({"--port", sim.path(), "--seconds", "10"});
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_TRUE(r.err.contains("This program does not support this device")) << r.err.constData();
    }
}
