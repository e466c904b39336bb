// Writes the shipped temperature table: 1024 little-endian 16-bit entries, entry i being the
// sender model's temperature in tenths of a degree for the 10-bit reading i.
//
//   mkdat <path of qndiag.dat>

#include "data/TemperatureSensor.h"
#include "data/TemperatureTable.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output .dat file>\n", argc > 0 ? argv[0] : "mkdat");
        return 2;
    }
    QByteArray bytes;
    bytes.reserve(qn::TemperatureTable::FullEntries * 2);
    for (int reading = 0; reading < qn::TemperatureTable::FullEntries; ++reading) {
        const auto v = uint16_t(qn::ntc::tenthsForReading(reading));
        bytes.append(char(v & 0xFF));
        bytes.append(char(v >> 8));
    }
    QSaveFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        std::fprintf(stderr, "mkdat: cannot write %s: %s\n", argv[1],
                     qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
