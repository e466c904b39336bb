#include "ui/Folders.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qn;

namespace {

const QChar kWin = QLatin1Char('\\');
const QString kDocs = QStringLiteral("U:\\Docs");

TEST(ComputePaths, InstalledProgramKeepsDataUnderDocumentsAndItsMaker)
{
    const Paths p = computePaths(QStringLiteral("C:\\Tools\\Maker\\Scope\\scope.exe"), kDocs, kWin);
    EXPECT_EQ(p.programName, "scope");
    EXPECT_EQ(p.programFolder, "C:\\Tools\\Maker\\Scope\\");
    EXPECT_EQ(p.dataFolder, "U:\\Docs\\Maker\\scope\\");
    EXPECT_EQ(p.settingsFile, "U:\\Docs\\Maker\\scope\\scope.ini");
    EXPECT_EQ(p.layoutFile, "U:\\Docs\\Maker\\scope\\scope.loc");
    EXPECT_EQ(p.logFolder, "U:\\Docs\\Maker\\scope\\Log");
    EXPECT_EQ(p.locationFolder, "U:\\Docs\\Maker\\scope\\Location");
    EXPECT_EQ(p.oscilloscopeFolder, "U:\\Docs\\Maker\\scope\\Oscilloscope");
    EXPECT_EQ(p.languageFolder, "C:\\Tools\\Maker\\Scope\\Language");
    EXPECT_EQ(p.stylesFolder, "C:\\Tools\\Maker\\Scope\\Styles");
    EXPECT_EQ(p.picturesFolder, "C:\\Tools\\Maker\\Scope\\Pictures");
    EXPECT_EQ(p.temperatureFile, "C:\\Tools\\Maker\\Scope\\scope.dat");
    EXPECT_EQ(p.splashPicture, "C:\\Tools\\Maker\\Scope\\scope.jpg");
    EXPECT_EQ(p.join(p.languageFolder, QStringLiteral("English.lng")),
              "C:\\Tools\\Maker\\Scope\\Language\\English.lng");
}

TEST(ComputePaths, ProgramDirectlyUnderTheRootHasNoMakerFolder)
{
    const Paths p = computePaths(QStringLiteral("C:\\Scope\\scope.exe"), kDocs, kWin);
    EXPECT_EQ(p.programFolder, "C:\\Scope\\");
    EXPECT_EQ(p.dataFolder, "U:\\Docs\\scope\\");
    EXPECT_EQ(p.settingsFile, "U:\\Docs\\scope\\scope.ini");
}

TEST(ComputePaths, ProgramNameEndsAtTheFirstDot)
{
    const Paths p = computePaths(QStringLiteral("C:\\Tools\\Maker\\Scope\\a.b.exe"), kDocs, kWin);
    EXPECT_EQ(p.programName, "a");
    EXPECT_EQ(p.settingsFile, "U:\\Docs\\Maker\\a\\a.ini");
    EXPECT_EQ(p.temperatureFile, "C:\\Tools\\Maker\\Scope\\a.dat");
}

TEST(ComputePaths, DebugOutputFolderUsesTheProjectFolderForEverything)
{
    const Paths p = computePaths(QStringLiteral("D:\\Project\\Win64\\Debug\\scope.exe"), kDocs, kWin);
    EXPECT_EQ(p.programFolder, "D:\\Project\\");
    EXPECT_EQ(p.dataFolder, "D:\\Project\\");
    EXPECT_EQ(p.settingsFile, "D:\\Project\\scope.ini");
    EXPECT_EQ(p.logFolder, "D:\\Project\\Log");
    EXPECT_EQ(p.languageFolder, "D:\\Project\\Language");
}

TEST(ComputePaths, DebugMarkerIsCaseSensitiveAndWin64IsOptional)
{
    const Paths lower = computePaths(QStringLiteral("D:\\debug\\Tool\\scope.exe"), kDocs, kWin);
    EXPECT_EQ(lower.dataFolder, "U:\\Docs\\debug\\scope\\");
    const Paths noWin64 = computePaths(QStringLiteral("D:\\Project\\Debug\\scope.exe"), kDocs, kWin);
    EXPECT_EQ(noWin64.programFolder, "");
    EXPECT_EQ(noWin64.settingsFile, "scope.ini");
}

TEST(ComputePaths, SlashSeparatorAndDocumentsWithTrailingSeparator)
{
    const Paths p = computePaths(QStringLiteral("/opt/QN/qndiag/qndiag"),
                                 QStringLiteral("/home/u/Documents/"), QLatin1Char('/'));
    EXPECT_EQ(p.programFolder, "/opt/QN/qndiag/");
    EXPECT_EQ(p.dataFolder, "/home/u/Documents/QN/qndiag/");
    EXPECT_EQ(p.splashPicture, "/opt/QN/qndiag/qndiag.jpg");
    const Paths root = computePaths(QStringLiteral("/qndiag/qndiag"),
                                    QStringLiteral("/home/u/Documents"), QLatin1Char('/'));
    EXPECT_EQ(root.dataFolder, "/home/u/Documents/qndiag/");
}

// Every folder below root, relative to it.
QSet<QString> foldersBelow(const QString &root)
{
    QSet<QString> out;
    QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        out.insert(QDir(root).relativeFilePath(it.next()));
    return out;
}

class InitPathsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString at(const char *rel) const { return tmp.path() + QLatin1Char('/') + QLatin1String(rel); }
    QTemporaryDir tmp;
};

TEST_F(InitPathsTest, FirstStartCreatesTheDataFoldersAndNothingElse)
{
    // "Debug" in an installed path means nothing on this system.
    const QString exe = at("Debug/opt/QN/qndiag/qndiag");
    ASSERT_TRUE(QDir().mkpath(at("Debug/opt/QN/qndiag")));
    const InitPathsResult r = InitPaths(exe, at("Documents"));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_FALSE(r.developmentBuild);
    EXPECT_EQ(r.paths.programFolder, at("Debug/opt/QN/qndiag/"));
    EXPECT_EQ(r.paths.dataFolder, at("Documents/QN/qndiag/"));
    EXPECT_EQ(r.paths.settingsFile, at("Documents/QN/qndiag/qndiag.ini"));
    EXPECT_EQ(r.paths.languageFolder, at("Debug/opt/QN/qndiag/Language"));
    EXPECT_EQ(foldersBelow(at("Documents")),
              (QSet<QString>{"QN", "QN/qndiag", "QN/qndiag/Location", "QN/qndiag/Log",
                             "QN/qndiag/Oscilloscope"}));
    EXPECT_EQ(foldersBelow(at("Debug/opt/QN/qndiag")), QSet<QString>{});

    // A second start finds everything in place.
    const InitPathsResult again = InitPaths(exe, at("Documents"));
    EXPECT_TRUE(again.ok());
    EXPECT_EQ(foldersBelow(at("Documents")).size(), 5);
}

TEST_F(InitPathsTest, RunFromABuildTreeKeepsDataInTheBuildTree)
{
    ASSERT_TRUE(QDir().mkpath(at("build/ci/tests")));
    QFile cache(at("build/ci/CMakeCache.txt"));
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    cache.close();
    for (const char *exe : {"build/ci/qndiag", "build/ci/tests/tests_ui"}) {
        const InitPathsResult r = InitPaths(at(exe), at("Documents"));
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        EXPECT_TRUE(r.developmentBuild);
        EXPECT_EQ(r.paths.programFolder, at("build/ci/"));
        EXPECT_EQ(r.paths.dataFolder, at("build/ci/"));
        EXPECT_EQ(r.paths.programName, QFileInfo(at(exe)).fileName());
        EXPECT_EQ(r.paths.stylesFolder, at("build/ci/Styles"));
    }
    EXPECT_FALSE(QFileInfo::exists(at("Documents")));
    EXPECT_EQ(foldersBelow(at("build/ci")),
              (QSet<QString>{"tests", "Location", "Log", "Oscilloscope"}));

    // Installed deep inside a build tree, it is an installed program all the same.
    const InitPathsResult installed = InitPaths(at("build/ci/install/opt/QN/qndiag/qndiag"), at("Documents"));
    ASSERT_TRUE(installed.ok()) << installed.error.toStdString();
    EXPECT_FALSE(installed.developmentBuild);
    EXPECT_EQ(installed.paths.dataFolder, at("Documents/QN/qndiag/"));
}

TEST_F(InitPathsTest, DataFolderThatCannotBeCreatedIsReported)
{
    QFile blocker(at("Documents"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    const InitPathsResult r = InitPaths(at("opt/QN/qndiag/qndiag"), at("Documents"));
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.failedFolder, at("Documents/QN"));

    const InitPathsResult noDocs = InitPaths(at("opt/QN/qndiag/qndiag"), QString());
    EXPECT_FALSE(noDocs.ok());
}

} // namespace
