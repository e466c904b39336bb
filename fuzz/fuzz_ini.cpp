// Any bytes as an initialisation file: parse, read every key back, write and parse again.
#include "platform/IniFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qn::IniFile ini = qn::IniFile::parse(bytes);
    for (const QString &section : ini.sections())
        for (const QString &key : ini.keys(section)) {
            (void)ini.readInteger(section, key, 0);
            (void)ini.readFloat(section, key, 0.0);
        }
    const qn::IniFile again = qn::IniFile::parse(ini.serialize());
    if (again.sections().size() > ini.sections().size())
        __builtin_trap();
    return 0;
}
