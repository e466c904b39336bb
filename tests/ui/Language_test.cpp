#include "ui/Language.h"

#include "platform/IniFile.h"
#include "ui/STS_Record.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qn {
namespace {

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("Language")));
        folder = root.path() + QStringLiteral("/Language");
        sts.Run_App = true;
    }

    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(folder + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    void writeLng(const QString &language, const QString &body)
    {
        writeFile(language + QStringLiteral(".lng"), (QStringLiteral("[LNG]\n") + body).toUtf8());
    }

    QTemporaryDir root;
    QString folder;
    STS_Record sts;
};

TEST(LanguageBuiltIn, ListHasItsKeysInOrder)
{
    const QStringList &keys = Language::builtInKeys();
    const QStringList &texts = Language::builtInTexts();
    ASSERT_EQ(Language::builtInCount(), 223);
    ASSERT_EQ(keys.size(), 223);
    ASSERT_EQ(texts.size(), 223);
    EXPECT_EQ(keys[0], "Settings");
    EXPECT_EQ(keys[14], "Gas");
    EXPECT_EQ(keys[70], "Drives");
    EXPECT_EQ(keys[71], "DIM_RPM");
    EXPECT_EQ(keys[111], "RPM");
    EXPECT_EQ(keys[222], "CFG_PHL_Show_Dim");

    // The first 71 keys are their own English text; the others have a text of their own.
    for (int i = 0; i < 223; ++i) {
        SCOPED_TRACE(keys[i].toStdString());
        EXPECT_FALSE(texts[i].isEmpty());
        if (i < 71)
            EXPECT_EQ(texts[i], keys[i]);
        else
            EXPECT_NE(texts[i], keys[i]);
    }

    // Keys match without regard to case, so no two may differ by case only.
    QSet<QString> folded;
    for (const QString &k : keys)
        folded.insert(k.toLower());
    EXPECT_EQ(folded.size(), 223);
}

TEST(LanguageBuiltIn, EnglishTextsAreExactlyAsShipped)
{
    const struct {
        const char *key;
        const char *text;
    } cases[] = {
        {"DIM_L_m3_100km", "L(\u043C3)/100km"},
        {"DIM_L_m3_H", "L(m3)/h"},
        {"Pressure_Collector", "Manifuld pressure"},
        {"Averaging_Short", "Averag"},
        {"RPM", "R.P.M."},
        {"MSG_Are_You_Sure", "Are you sure ?"},
        {"COL_RC_Petrol", "Remote Control - Diesel"},
        {"IND_Not_Save_Data", "Set idle run"},
        {"CFG_FCC_Cost", "Cost of 1 liter (m3)"},
        {"CFG_PHL_Show_Dim", "Gas level in"},
    };
    for (const auto &c : cases) {
        const int i = Language::builtInIndex(QString::fromLatin1(c.key));
        ASSERT_GE(i, 0) << c.key;
        EXPECT_EQ(Language::builtInTexts()[i], QString::fromUtf8(c.text)) << c.key;
    }
    EXPECT_EQ(Language::builtInIndex("dim_l_m3_100KM"), Language::builtInIndex("DIM_L_m3_100km"));
    EXPECT_EQ(Language::builtInIndex("Setings"), -1);
}

TEST(LanguageBuiltIn, DetectionTakesTheLastMatchingRowCaseBlind)
{
    const struct {
        const char *code;
        const char *name;
    } cases[] = {
        {"de", "Deutsch"}, {"DE", "Deutsch"}, {"ru", "Russian"}, {"en", "English"},
        {"ua", "Ukrainian"}, {"vi", "Vietnamese"}, {"cz", "Czech"},
        // Tags as the table carries them, not as ISO writes them.
        {"uk", ""}, {"cs", ""}, {"xx", ""}, {"", ""}, {"C", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Language::languageForCode(QString::fromLatin1(c.code)), QString::fromLatin1(c.name))
            << c.code;
}

TEST_F(LanguageTest, RussianFileReplacesTextsAndKeysIgnoreCase)
{
    writeLng("Russian", QStringLiteral("Settings=Настройки\nDIM_Bar=бар\n"));
    sts.Language = "Russian";
    Language lang(sts, folder, "en");
    lang.LoadLanguageTables();
    EXPECT_EQ(lang.text("Settings"), QStringLiteral("Настройки"));
    EXPECT_EQ(lang.text("settings"), QStringLiteral("Настройки"));
    EXPECT_EQ(lang.text("SETTINGS"), QStringLiteral("Настройки"));
    EXPECT_EQ(lang.text("DIM_Bar"), QStringLiteral("бар"));
    EXPECT_EQ(lang.text("Connection"), "Connection");
    EXPECT_EQ(lang.text("MSG_Connect_Failed"), "Failed to connect to device");
    EXPECT_EQ(sts.Language, "Russian");
    lang.FreeLanguageTables();
    EXPECT_FALSE(lang.tablesBuilt());
}

TEST_F(LanguageTest, FileKeysMatchWhateverTheirCase)
{
    writeLng("Russian", QStringLiteral("SETTINGS=Настройки\ndim_bar=бар\n"));
    sts.Language = "Russian";
    Language lang(sts, folder, "en");
    EXPECT_EQ(lang.text("Settings"), QStringLiteral("Настройки"));
    EXPECT_EQ(lang.text("DIM_Bar"), QStringLiteral("бар"));
}

TEST_F(LanguageTest, EmptyTextGivesTheKey)
{
    writeLng("Russian", QStringLiteral("MSG_Connect_Failed=\nSettings=Настройки\n"));
    sts.Language = "Russian";
    Language lang(sts, folder, "en");
    EXPECT_EQ(lang.text("MSG_Connect_Failed"), "MSG_Connect_Failed");
    EXPECT_EQ(lang.text("msg_connect_failed"), "msg_connect_failed");
}

TEST_F(LanguageTest, KeyNotBuiltInIsReturnedUnchangedWhateverTheFileHolds)
{
    writeLng("Russian", QStringLiteral("Setings=Настройки\nMy_Key=Текст\n"));
    sts.Language = "Russian";
    Language lang(sts, folder, "en");
    Language::Session session(lang);
    EXPECT_EQ(lang.text("Setings"), "Setings");
    EXPECT_EQ(lang.text("My_Key"), "My_Key");
    EXPECT_EQ(lang.text(""), "");
    EXPECT_EQ(lang.text("Settings"), "Settings");
}

TEST_F(LanguageTest, MissingFileFallsBackToEnglishAndTheSettingFollows)
{
    sts.Language = "French";
    Language lang(sts, folder, "en");
    EXPECT_EQ(lang.text("Pressure_Collector"), "Manifuld pressure");
    EXPECT_EQ(sts.Language, "English");
}

TEST_F(LanguageTest, EnglishReadsNoFile)
{
    // Even a file named English.lng is not the English texts.
    writeLng("English", QStringLiteral("Settings=Changed\n"));
    sts.Language = "English";
    Language lang(sts, folder, "en");
    EXPECT_EQ(lang.text("Settings"), "Settings");
    EXPECT_EQ(sts.Language, "English");
}

TEST_F(LanguageTest, NameThatWouldLeaveTheFolderCountsAsMissing)
{
    // A language file outside the Language folder that a crafted setting could reach.
    {
        QFile f(root.path() + QStringLiteral("/Evil.lng"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[LNG]\nSettings=Evil\n");
    }
    ASSERT_TRUE(QDir(folder).mkpath("sub"));
    writeFile("sub/Nested.lng", "[LNG]\nSettings=Nested\n");
    const QString names[] = {"../Evil", "..\\Evil", "sub/Nested", "sub\\Nested", "..",
                             QStringLiteral("Rus\x01sian"), "", " "};
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        sts.Language = name;
        Language lang(sts, folder, "en");
        EXPECT_EQ(lang.text("Settings"), "Settings");
        EXPECT_EQ(sts.Language, "English");
    }
}

TEST_F(LanguageTest, FirstRunTakesTheSystemLanguage)
{
    writeLng("Deutsch", QStringLiteral("Settings=Einstellungen\n"));
    const struct {
        const char *code;
        const char *language;
        const char *settingsText;
    } cases[] = {
        {"de", "Deutsch", "Einstellungen"},
        {"xx", "English", "Settings"},
        {"", "English", "Settings"},
        // Detected, but without a file the language falls back to English.
        {"fr", "English", "Settings"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        sts.Run_App = false;
        sts.Language = "Russian";
        Language lang(sts, folder, QString::fromLatin1(c.code));
        lang.LoadLanguageTables();
        EXPECT_TRUE(sts.Run_App);
        EXPECT_EQ(sts.Language, QString::fromLatin1(c.language));
        EXPECT_EQ(lang.text("Settings"), QString::fromLatin1(c.settingsText));
    }
}

TEST_F(LanguageTest, LaterRunsKeepTheChosenLanguage)
{
    writeLng("Russian", QStringLiteral("Settings=Настройки\n"));
    sts.Run_App = true;
    sts.Language = "Russian";
    Language lang(sts, folder, "de");
    EXPECT_EQ(lang.text("Settings"), QStringLiteral("Настройки"));
    EXPECT_EQ(sts.Language, "Russian");
}

TEST_F(LanguageTest, LookupWithoutTablesBuildsForOneLookupAndSeesFileChanges)
{
    writeLng("Russian", QStringLiteral("Settings=Настройки\n"));
    sts.Language = "Russian";
    Language lang(sts, folder, "en");
    EXPECT_EQ(lang.text("Settings"), QStringLiteral("Настройки"));
    EXPECT_FALSE(lang.tablesBuilt());

    writeLng("Russian", QStringLiteral("Settings=Параметры\n"));
    EXPECT_EQ(lang.text("Settings"), QStringLiteral("Параметры"));
}

TEST_F(LanguageTest, SessionKeepsTablesBuiltAndNestsWithoutDroppingThem)
{
    writeLng("Russian", QStringLiteral("Settings=Настройки\n"));
    sts.Language = "Russian";
    Language lang(sts, folder, "en");
    {
        Language::Session outer(lang);
        EXPECT_TRUE(lang.tablesBuilt());
        // While built, lookups use the tables as they were built.
        writeLng("Russian", QStringLiteral("Settings=Параметры\n"));
        {
            Language::Session inner(lang);
            EXPECT_EQ(lang.text("Settings"), QStringLiteral("Настройки"));
        }
        EXPECT_TRUE(lang.tablesBuilt());
        EXPECT_EQ(lang.text("Settings"), QStringLiteral("Настройки"));
    }
    EXPECT_FALSE(lang.tablesBuilt());
    EXPECT_EQ(lang.text("Settings"), QStringLiteral("Параметры"));
}

TEST_F(LanguageTest, RefreshCopiesReadyStringsAndAsksFormsWhileBuilt)
{
    writeLng("Russian", QStringLiteral("DIM_Bar=бар\nYes=Да\nFile_Name=\n"));
    sts.Language = "Russian";
    Language lang(sts, folder, "en");
    EXPECT_EQ(lang.ready().DIM_Bar, "Bar");
    EXPECT_EQ(lang.ready().DIM_L_m3_100km, QStringLiteral("L(м3)/100km"));

    int calls = 0;
    bool builtDuringCall = false;
    lang.onTextsChanged = [&] {
        ++calls;
        builtDuringCall = lang.tablesBuilt();
    };
    lang.RefreshReadyStrings();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(builtDuringCall);
    EXPECT_FALSE(lang.tablesBuilt());
    EXPECT_EQ(lang.ready().DIM_Bar, QStringLiteral("бар"));
    EXPECT_EQ(lang.ready().Yes, QStringLiteral("Да"));
    EXPECT_EQ(lang.ready().No, "No");
    EXPECT_EQ(lang.ready().File_Name, "File_Name");

    // A language change takes effect at the next refresh.
    sts.Language = "English";
    lang.RefreshReadyStrings();
    EXPECT_EQ(lang.ready().DIM_Bar, "Bar");
    EXPECT_EQ(lang.ready().File_Name, "File name");
}

TEST_F(LanguageTest, ReadyStringsCoverTheirKeys)
{
    const QStringList &keys = ReadyStrings::keys();
    ASSERT_EQ(keys.size(), 62);
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), 62);
    Language lang(sts, folder, "en");
    for (const QString &k : keys) {
        SCOPED_TRACE(k.toStdString());
        ASSERT_GE(Language::builtInIndex(k), 0);
        const QString *f = lang.ready().field(k);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(*f, Language::builtInTexts()[Language::builtInIndex(k)]);
    }
    EXPECT_EQ(lang.ready().field("Settings"), nullptr);
}

TEST_F(LanguageTest, Utf16AndLatin1FilesDecode)
{
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    writeFile("Russian.lng", QByteArray(utf16(QStringLiteral("[LNG]\r\nSettings=Настройки\r\n"))));
    writeFile("Deutsch.lng", QByteArray("[LNG]\r\nSize=Gr\xF6\xDF" "e\r\nAbout=\xDC" "ber\r\n"));

    sts.Language = "Russian";
    Language ru(sts, folder, "en");
    EXPECT_EQ(ru.text("Settings"), QStringLiteral("Настройки"));

    sts.Language = "Deutsch";
    Language de(sts, folder, "en");
    Language::Session session(de);
    EXPECT_EQ(de.text("Size"), QStringLiteral("Größe"));
    EXPECT_EQ(de.text("About"), QStringLiteral("Über"));
}

TEST(LanguageShipped, EveryFileDefinesEveryKeyAndNothingElse)
{
    const QDir dir(QStringLiteral(QN_RESOURCES "/Language"));
    const QStringList files = dir.entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
    ASSERT_TRUE(files.contains("Deutsch.lng"));
    ASSERT_TRUE(files.contains("Russian.lng"));
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        (void)utf8(bytes);
        EXPECT_FALSE(utf8.hasError()) << "not UTF-8";

        const IniFile ini = IniFile::parse(bytes);
        EXPECT_EQ(ini.sections(), QStringList{"LNG"});
        const QStringList keys = ini.keys("LNG");
        const QStringList &builtIn = Language::builtInKeys();
        const QSet<QString> have(keys.begin(), keys.end());
        const QSet<QString> want(builtIn.begin(), builtIn.end());
        EXPECT_EQ(keys.size(), builtIn.size());
        for (const QString &k : want - have)
            ADD_FAILURE() << "missing key " << k.toStdString();
        for (const QString &k : have - want)
            ADD_FAILURE() << "unknown key " << k.toStdString();
        for (const QString &k : Language::builtInKeys())
            EXPECT_FALSE(ini.readString("LNG", k, QString()).isEmpty()) << k.toStdString();
    }
}

TEST(LanguageShipped, GermanIsPickedOnAFirstRunInGermany)
{
    STS_Record sts;
    sts.Run_App = false;
    Language lang(sts, QStringLiteral(QN_RESOURCES "/Language"), "de");
    Language::Session session(lang);
    EXPECT_EQ(sts.Language, "Deutsch");
    EXPECT_EQ(lang.text("Settings"), "Einstellungen");
    EXPECT_EQ(lang.text("Temperature_Vaporize"), QStringLiteral("Verdampfertemperatur"));
}

} // namespace
} // namespace qn
