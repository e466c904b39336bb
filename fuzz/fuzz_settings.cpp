// Feeds arbitrary bytes to the settings reader as a settings file, and to the colour reader as text.
// Besides not crashing, a file written from whatever was read must read back to the same file.

#include "platform/IniFile.h"
#include "ui/ColourText.h"
#include "ui/Settings.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

const qn::Paths &fuzzPaths()
{
    static QTemporaryDir dir;
    static const qn::Paths paths =
        qn::computeDevelopmentPaths(dir.path() + QStringLiteral("/qndiag"), dir.path(),
                                    QLatin1Char('/'));
    return paths;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<uint32_t> colour = qn::colourFromText(qn::decodeText(bytes));
    if (colour && qn::colourFromText(qn::colourToText(*colour)) != colour)
        std::abort();

    const qn::Paths &paths = fuzzPaths();
    if (!writeAll(paths.settingsFile, bytes))
        return 0;
    qn::Settings first;
    qn::ApplySettingsDefaults(first, paths, 1920, 1080);
    if (!qn::SaveSettings(first, paths, qn::WindowValues::fromRecord(first.sts)).ok)
        return 0;
    const QByteArray saved = readAll(paths.settingsFile);

    qn::Settings second;
    qn::ApplySettingsDefaults(second, paths, 1920, 1080);
    if (!qn::SaveSettings(second, paths, qn::WindowValues::fromRecord(second.sts)).ok)
        return 0;
    if (readAll(paths.settingsFile) != saved)
        std::abort();
    return 0;
}
