// Any bytes as a layout file: build the dashboard model from it, write it back, and read that
// again; a layout the program wrote itself must come back unchanged.
#include "dashboard/LayoutFile.h"
#include "platform/IniFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    qn::DashboardModel model;
    model.activeSet = size > 0 && (data[0] & 1) ? 2 : 1;
    qn::readLayout(model, qn::IniFile::parse(bytes));
    for (int page = 0; page < qn::PageCount; ++page)
        for (int a : model.objectsOnPage(page))
            if (!model.object(a) || model.object(a)->rect.width() < 1 || model.object(a)->rect.height() < 1)
                __builtin_trap();
    const QByteArray written = qn::layoutBytes(model);

    qn::DashboardModel again;
    again.activeSet = model.activeSet;
    qn::readLayout(again, qn::IniFile::parse(written));
    if (qn::layoutBytes(again) != written)
        __builtin_trap();
    return 0;
}
