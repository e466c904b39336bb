// The temperature table is a plain file beside the program: any contents must give a temperature
// for every reading without reading outside the table.

#include "data/TemperatureTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    const QString path = dir.filePath(QStringLiteral("qndiag.dat"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }

    int reports = 0;
    int64_t now = 0;
    qn::TemperatureTable table(
        path, [&reports](const QString &) { ++reports; }, [&now] { return now; });
    const int entries = int(size / 2);
    for (int reading = 0; reading < qn::TemperatureTable::FullEntries; ++reading) {
        const int16_t t = table.lookup(uint16_t(reading));
        if (reading >= entries && t != 0)
            std::abort();
        if (reading < entries) {
            const auto expected = int16_t(uint16_t(data[2 * reading] | (data[2 * reading + 1] << 8)));
            if (t != expected)
                std::abort();
        }
    }
    for (uint16_t reading : {uint16_t(0x0400), uint16_t(0x07FF), uint16_t(0x8000), uint16_t(0xFFFF)})
        if (table.lookup(reading) != table.lookup(uint16_t(reading & 0x3FF)))
            std::abort();
    now += 5000;
    table.lookup(0);
    if (reports > 1)
        std::abort(); // a short table is reported once
    return 0;
}
