#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qn;

TEST(IniFile, ReadsValuesWithFallbacks)
{
    const IniFile ini = IniFile::parse("[SET]\r\nRun_App=1\r\n Style = Dark \r\nSize=abc\r\nNeg=-3\r\n"
                                       "junk line\r\n[con]\r\nPort=/dev/ttyUSB0\r\nEmpty=\r\n");
    EXPECT_TRUE(ini.readBool("SET", "Run_App", false));
    EXPECT_EQ(ini.readString("set", "style", "x"), "Dark"); // section and key ignore case
    EXPECT_EQ(ini.readInteger("SET", "Size", 7), 7);          // not a number: fallback
    EXPECT_EQ(ini.readInteger("SET", "Neg", 0), -3);
    EXPECT_EQ(ini.readInteger("SET", "Missing", 42), 42);
    EXPECT_EQ(ini.readString("CON", "Port", ""), "/dev/ttyUSB0");
    EXPECT_EQ(ini.readString("CON", "Empty", "fallback"), "");
    EXPECT_TRUE(ini.readBool("SET", "Missing", true));
    EXPECT_EQ(ini.keys("SET"), (QStringList{"Run_App", "Style", "Size", "Neg"}));
}

TEST(IniFile, WritingKeepsKeyOrderAndReplacesInPlace)
{
    IniFile ini;
    ini.writeString("SET", "B", "1");
    ini.writeString("SET", "A", "2");
    ini.writeString("CON", "Port", "x");
    ini.writeString("set", "b", "3");
    ini.writeString("CON", "Name", "line\nbreak");
    EXPECT_EQ(ini.serialize(), QByteArray("[SET]\nB=3\nA=2\n\n[CON]\nPort=x\nName=line break\n"));
    const IniFile back = IniFile::parse(ini.serialize());
    EXPECT_EQ(back.readString("SET", "B", ""), "3");
    EXPECT_EQ(back.readString("CON", "Name", ""), "line break");
}

TEST(IniFile, DecodesUtf16Utf8AndLatin1)
{
    const QString russian = QString::fromUtf8("Настройки");
    QByteArray utf16("\xFF\xFE", 2);
    const QString text = QStringLiteral("[LNG]\r\nSettings=") + russian + QStringLiteral("\r\n");
    utf16.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    EXPECT_EQ(IniFile::parse(utf16).readString("LNG", "Settings", ""), russian);
    EXPECT_EQ(IniFile::parse("\xEF\xBB\xBF[LNG]\nSettings=" + russian.toUtf8()).readString("LNG", "Settings", ""),
              russian);
    EXPECT_EQ(IniFile::parse("[LNG]\nSize=Gr\xF6\xDF" "e\n").readString("LNG", "Size", ""),
              QString::fromUtf8("Größe"));
}

TEST(IniFile, SaveIsAtomicAndReportsFailure)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("qndiag.ini");
    IniFile ini;
    ini.writeInteger("SET", "Page_Index", 3);
    ASSERT_TRUE(ini.save(path));
    EXPECT_EQ(IniFile::load(path).readInteger("SET", "Page_Index", 0), 3);
    EXPECT_TRUE(IniFile::load(path).exists());
    EXPECT_FALSE(IniFile::load(dir.filePath("none.ini")).exists());
    // Only the file itself remains: the temporary file was renamed over it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"qndiag.ini"});

    QString error;
    EXPECT_FALSE(ini.save(dir.filePath("missing/folder/qndiag.ini"), &error));
    EXPECT_FALSE(error.isEmpty());
}
