// Language files come from users and translators: any bytes must load without crashing, and every
// lookup must still give a text.

#include "ui/Language.h"
#include "ui/STS_Record.h"

#include <QByteArray>
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
    const QString folder = dir.path();
    {
        QFile f(folder + QStringLiteral("/Fuzz.lng"));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }

    qn::STS_Record sts;
    sts.Run_App = true;
    sts.Language = QStringLiteral("Fuzz");
    qn::Language lang(sts, folder, QStringLiteral("en"));
    {
        qn::Language::Session session(lang);
        if (sts.Language != QStringLiteral("Fuzz"))
            std::abort(); // the file exists, so the language must stay
        for (const char *key : {"Settings", "settings", "DIM_L_m3_100km", "CFG_PHL_Show_Dim",
                                "MSG_Connect_Failed", "Setings", ""}) {
            const QString k = QString::fromLatin1(key);
            if (lang.text(k).isEmpty() && !k.isEmpty())
                std::abort(); // an empty text shows the key instead
        }
    }
    lang.RefreshReadyStrings();
    if (lang.tablesBuilt())
        std::abort();
    return 0;
}
