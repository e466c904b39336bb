#include "app/FileDialog.h"

#include "link/LinkHooks.h"
#include "ui/Folders.h"
#include "ui/Language.h"
#include "ui/STS_Record.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

using namespace qn;

namespace {

struct Shown {
    int kind;
    QString key;
    MsgColour colour;
    bool operator==(const Shown &o) const { return kind == o.kind && key == o.key && colour == o.colour; }
};

class RecordingSink final : public MessageSink {
public:
    void showMessage(int kind, const QString &key, MsgColour colour) override { shown.push_back({kind, key, colour}); }
    int shownKind() const override { return shown.empty() ? 0 : shown.back().kind; }
    std::vector<Shown> shown;
};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A data folder with its Location and Oscilloscope folders, a language of its own and a dialog
// whose writer and reader record what they are asked to do.
class FileDialogTest : public ::testing::Test {
protected:
    FileDialogTest()
    {
        QDir root(tmp.path());
        root.mkpath(QStringLiteral("Location"));
        root.mkpath(QStringLiteral("Oscilloscope"));
        root.mkpath(QStringLiteral("Language"));
        paths.locationFolder = root.filePath(QStringLiteral("Location"));
        paths.oscilloscopeFolder = root.filePath(QStringLiteral("Oscilloscope"));
        writeFile(root.filePath(QStringLiteral("Language/Test.lng")),
                  "[LNG]\nDrives=Laufwerke\nFile_Exists=Gibt es schon\nFile_Not_Exists=Gibt es nicht\n"
                  "Enter_File_Name=Dateiname?\nFile_Name=Dateiname\nSave=Sichern\nLoad=Laden\n");
        sts.Run_App = true;
        sts.Language = QStringLiteral("Test");
        sts.GEN_Path = paths.locationFolder;
        sts.OSC_Path = paths.oscilloscopeFolder;

        dlg.save = [this](const QString &path) {
            saved.push_back(path);
            return saveWorks && writeFile(path, "layout");
        };
        dlg.load = [this](const QString &path) {
            loaded.push_back(path);
            return loadWorks;
        };
        dlg.loadDefaultDashboard = [this] { events.push_back(-1); };
        dlg.postEvent = [this](int code, int delay) {
            EXPECT_EQ(delay, 100);
            events.push_back(code);
        };
    }

    QString loc(const QString &rel = QString()) const
    {
        return rel.isEmpty() ? paths.locationFolder : paths.locationFolder + QLatin1Char('/') + rel;
    }

    // Folders "b", "A" and "Old.loc"; layouts "m.loc" and "c.loc"; files that are not layouts.
    void fillLocation()
    {
        QDir d(paths.locationFolder);
        for (const char *f : {"b", "A", "Old.loc"})
            d.mkdir(QLatin1String(f));
        for (const char *f : {"m.loc", "c.loc", "x.osc", "note.txt", "UP.LOC", "m.loc.bak"})
            writeFile(d.filePath(QLatin1String(f)), "old");
    }

    std::vector<QString> names() const
    {
        std::vector<QString> out;
        for (const auto &e : dlg.entries())
            out.push_back(e.name);
        return out;
    }

    int indexOf(const QString &name) const
    {
        for (size_t i = 0; i < dlg.entries().size(); ++i)
            if (dlg.entries()[i].name == name)
                return static_cast<int>(i);
        return -1;
    }

    QTemporaryDir tmp;
    Paths paths;
    STS_Record sts;
    Language lang{sts, QDir(tmp.path()).filePath(QStringLiteral("Language")), QStringLiteral("en")};
    RecordingSink sink;
    FileDialog dlg{sts, paths, lang, &sink};
    std::vector<QString> saved, loaded;
    std::vector<int> events;
    bool saveWorks = true;
    bool loadWorks = true;
};

TEST_F(FileDialogTest, ListsFoldersFirstThenFilesOfTheExtension)
{
    fillLocation();
    ASSERT_TRUE(dlg.open(FileDialog::SaveLayout));
    EXPECT_EQ(names(), (std::vector<QString>{"A", "b", "Old.loc", "c.loc", "m.loc"}));
    EXPECT_TRUE(dlg.entries()[2].folder);
    EXPECT_FALSE(dlg.entries()[3].folder);
    EXPECT_EQ(dlg.entries()[3].path, loc("c.loc"));
    EXPECT_EQ(dlg.dirLabel(), QStringLiteral("Location"));
    EXPECT_EQ(dlg.pathLabel(), loc());
    EXPECT_EQ(dlg.extension(), QStringLiteral(".loc"));
    EXPECT_EQ(dlg.action(), FileDialog::Action::Save);
    EXPECT_EQ(dlg.actionCaption(), QStringLiteral("Sichern"));
    EXPECT_EQ(dlg.nameCaption(), QStringLiteral("Dateiname"));

    writeFile(paths.oscilloscopeFolder + QStringLiteral("/AB 1 2024.01.02 10_00_00.osc"), "rec");
    ASSERT_TRUE(dlg.open(FileDialog::LoadRecording));
    EXPECT_EQ(names(), (std::vector<QString>{"AB 1 2024.01.02 10_00_00.osc"}));
    EXPECT_EQ(dlg.action(), FileDialog::Action::Load);
    EXPECT_EQ(dlg.actionCaption(), QStringLiteral("Laden"));
}

TEST_F(FileDialogTest, ModesOutsideTheTableAreRefused)
{
    for (int mode : {0, 1, 7, 255})
        EXPECT_FALSE(dlg.open(mode)) << mode;
    EXPECT_FALSE(dlg.isOpen());
    EXPECT_EQ(dlg.act(), FileDialog::Outcome::Nothing);
}

TEST_F(FileDialogTest, FolderItemsNavigateFileItemsFillTheName)
{
    fillLocation();
    writeFile(loc("A/inner.loc"), "x");
    dlg.open(FileDialog::LoadLayout);

    dlg.clickItem(indexOf("m.loc"));
    EXPECT_EQ(dlg.name(), QStringLiteral("m"));
    EXPECT_EQ(dlg.currentFolder(), loc());
    EXPECT_EQ(dlg.entries().size(), 5u);

    dlg.clickItem(indexOf("A"));
    EXPECT_EQ(dlg.currentFolder(), loc("A"));
    EXPECT_EQ(sts.GEN_Path, loc("A"));
    EXPECT_EQ(names(), (std::vector<QString>{"inner.loc"}));
    EXPECT_EQ(dlg.name(), QStringLiteral("m")); // only Up clears the name

    dlg.up();
    EXPECT_EQ(dlg.currentFolder(), loc());
    EXPECT_EQ(sts.GEN_Path, loc());
    EXPECT_TRUE(dlg.name().isEmpty());

    // A folder whose name ends in the extension is a folder.
    dlg.clickItem(indexOf("Old.loc"));
    EXPECT_EQ(dlg.currentFolder(), loc("Old.loc"));
    EXPECT_TRUE(dlg.name().isEmpty());

    // Clicks outside the list do nothing.
    dlg.clickItem(-1);
    dlg.clickItem(99);
    EXPECT_EQ(dlg.currentFolder(), loc("Old.loc"));
}

TEST_F(FileDialogTest, UpFromTheRootShowsTheDrives)
{
    dlg.open(FileDialog::SaveLayout);
    int guard = 0;
    while (!dlg.atDrives() && guard++ < 64)
        dlg.up();
    ASSERT_TRUE(dlg.atDrives());
    EXPECT_EQ(dlg.dirLabel(), QStringLiteral("Laufwerke"));
    EXPECT_EQ(dlg.pathLabel(), QStringLiteral("Laufwerke"));
    // The drive level is not a folder to remember.
    EXPECT_EQ(sts.GEN_Path, QStringLiteral("/"));
    ASSERT_EQ(names(), (std::vector<QString>{"/"}));
    EXPECT_TRUE(dlg.entries()[0].folder);

    // Nothing to save in above the folders.
    dlg.setName(QStringLiteral("x"));
    EXPECT_EQ(dlg.act(), FileDialog::Outcome::NoFolder);
    EXPECT_TRUE(saved.empty());

    dlg.up(); // stays at the drives
    EXPECT_TRUE(dlg.atDrives());
    dlg.clickItem(0);
    EXPECT_EQ(dlg.currentFolder(), QStringLiteral("/"));
}

TEST(FileDialogParent, GoesUpOneFolderAndAboveTheRootToTheDrives)
{
    const std::pair<const char *, const char *> cases[] = {
        {"/home/user/Location", "/home/user"}, {"/home/user/Location/", "/home/user"},
        {"/home", "/"}, {"/", ""}, {"", ""}};
    for (const auto &[folder, parent] : cases)
        EXPECT_EQ(FileDialog::parentFolder(QLatin1String(folder)), QLatin1String(parent)) << folder;
}

struct SaveModeCase {
    int mode;
    std::vector<int> events; // -1: the default dashboard is loaded
};

class FileDialogSaveModes : public FileDialogTest, public ::testing::WithParamInterface<SaveModeCase> {};

TEST_P(FileDialogSaveModes, SavesReportsClosesAndFollowsUp)
{
    const SaveModeCase &c = GetParam();
    ASSERT_TRUE(dlg.open(c.mode));
    EXPECT_EQ(dlg.act(), FileDialog::Outcome::NoName);
    EXPECT_TRUE(saved.empty());

    dlg.setName(QStringLiteral("Dash 1"));
    EXPECT_EQ(dlg.act(), FileDialog::Outcome::Saved);
    EXPECT_EQ(saved, (std::vector<QString>{loc("Dash 1.loc")}));
    EXPECT_EQ(readFile(loc("Dash 1.loc")), QByteArray("layout"));
    EXPECT_EQ(sink.shown, (std::vector<Shown>{{3, "MSG_GEN_Saved_Location", MsgColour::Complete}}));
    EXPECT_EQ(events, c.events);
}

INSTANTIATE_TEST_SUITE_P(Modes, FileDialogSaveModes,
                         ::testing::Values(SaveModeCase{2, {16, -1}}, SaveModeCase{3, {16}},
                                           SaveModeCase{5, {16, 17}}));

TEST_F(FileDialogTest, SavingOverAnExistingFileWritesNothing)
{
    fillLocation();
    dlg.open(FileDialog::SaveLayout);
    dlg.clickItem(indexOf("m.loc"));
    EXPECT_EQ(dlg.act(), FileDialog::Outcome::Exists);
    EXPECT_TRUE(saved.empty());
    EXPECT_EQ(readFile(loc("m.loc")), QByteArray("old"));
    EXPECT_EQ(dlg.notice(), QStringLiteral("Gibt es schon"));
    EXPECT_TRUE(dlg.name().isEmpty());
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_TRUE(events.empty());

    // The notice is not a name: another click on Save saves nothing under it.
    EXPECT_EQ(dlg.act(), FileDialog::Outcome::NoName);
    EXPECT_FALSE(QFileInfo::exists(loc("Gibt es schon.loc")));
    // Typing replaces the notice.
    dlg.setName(QStringLiteral("n"));
    EXPECT_TRUE(dlg.notice().isEmpty());
    EXPECT_EQ(dlg.act(), FileDialog::Outcome::Saved);

    // A folder of that name is there too.
    dlg.open(FileDialog::SaveLayout);
    dlg.setName(QStringLiteral("Old"));
    EXPECT_EQ(dlg.act(), FileDialog::Outcome::Exists);
    EXPECT_TRUE(QFileInfo(loc("Old.loc")).isDir());
}

TEST_F(FileDialogTest, NamesThatWouldLeaveTheFolderAreRefused)
{
    QDir(paths.locationFolder).mkdir(QStringLiteral("sub"));
    const QString names[] = {QStringLiteral("../evil"), QStringLiteral("sub/x"), QStringLiteral("sub\\x"),
                             QStringLiteral(".."), QStringLiteral("a..b"), QStringLiteral("x\ny"),
                             QStringLiteral("x") + QChar(0x01), QStringLiteral("   "),
                             QStringLiteral("/tmp/abs")};
    for (int mode : {3, 4}) {
        for (const QString &name : names) {
            dlg.open(mode);
            dlg.setName(name);
            EXPECT_EQ(dlg.act(), FileDialog::Outcome::BadName) << name.toStdString();
            EXPECT_EQ(dlg.notice(), QStringLiteral("Dateiname?"));
            EXPECT_TRUE(dlg.isOpen());
        }
    }
    EXPECT_TRUE(saved.empty());
    EXPECT_TRUE(loaded.empty());
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(QFileInfo::exists(QDir(tmp.path()).filePath(QStringLiteral("evil.loc"))));
    EXPECT_TRUE(QDir(loc("sub")).isEmpty());
}

TEST_F(FileDialogTest, AFailedSaveIsReportedAndTheDialogStays)
{
    for (bool wired : {true, false}) {
        sink.shown.clear();
        saveWorks = false;
        if (!wired)
            dlg.save = nullptr;
        dlg.open(FileDialog::SaveBeforeDefault);
        dlg.setName(QStringLiteral("Dash"));
        EXPECT_EQ(dlg.act(), FileDialog::Outcome::SaveFailed);
        EXPECT_EQ(sink.shown, (std::vector<Shown>{{5, "MSG_Cannot_Save_File", MsgColour::Error}}));
        EXPECT_TRUE(events.empty()); // no close, no default dashboard
        EXPECT_TRUE(dlg.isOpen());
        EXPECT_EQ(dlg.name(), QStringLiteral("Dash")); // ready for another try
    }
}

TEST_F(FileDialogTest, LoadsExistingFilesOnly)
{
    fillLocation();
    dlg.open(FileDialog::LoadLayout);
    dlg.clickItem(indexOf("c.loc"));
    EXPECT_EQ(dlg.act(), FileDialog::Outcome::Loaded);
    EXPECT_EQ(loaded, (std::vector<QString>{loc("c.loc")}));
    EXPECT_EQ(events, (std::vector<int>{16}));

    const QString missing[] = {QStringLiteral("nothing"), QStringLiteral("Old"), QString()};
    for (const QString &name : missing) {
        dlg.setName(name);
        EXPECT_EQ(dlg.act(), FileDialog::Outcome::NotExists) << name.toStdString();
        EXPECT_EQ(dlg.notice(), QStringLiteral("Gibt es nicht"));
    }
    EXPECT_EQ(loaded.size(), 1u);
    EXPECT_EQ(events.size(), 1u);

    // A reader that fails keeps the dialog open.
    loadWorks = false;
    dlg.setName(QStringLiteral("m"));
    EXPECT_EQ(dlg.act(), FileDialog::Outcome::LoadFailed);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(FileDialogTest, AMissingRememberedFolderFallsBackAndIsStored)
{
    sts.GEN_Path = QDir(tmp.path()).filePath(QStringLiteral("deleted"));
    sts.OSC_Path = QString();
    dlg.open(FileDialog::LoadLayout);
    EXPECT_EQ(dlg.currentFolder(), paths.locationFolder);
    EXPECT_EQ(sts.GEN_Path, paths.locationFolder);
    EXPECT_EQ(sts.OSC_Path, paths.oscilloscopeFolder);

    // A file is not a folder either.
    writeFile(loc("c.loc"), "x");
    sts.OSC_Path = loc("c.loc");
    dlg.open(FileDialog::LoadRecording);
    EXPECT_EQ(dlg.currentFolder(), paths.oscilloscopeFolder);
    EXPECT_EQ(sts.OSC_Path, paths.oscilloscopeFolder);
}

TEST_F(FileDialogTest, EachModeRemembersItsOwnFolder)
{
    QDir(paths.oscilloscopeFolder).mkdir(QStringLiteral("old"));
    dlg.open(FileDialog::LoadRecording);
    dlg.clickItem(0);
    EXPECT_EQ(sts.OSC_Path, paths.oscilloscopeFolder + QStringLiteral("/old"));
    EXPECT_EQ(sts.GEN_Path, paths.locationFolder);
}

TEST_F(FileDialogTest, AFolderGoneSinceListingKeepsTheDialogWhereItIs)
{
    fillLocation();
    dlg.open(FileDialog::SaveLayout);
    ASSERT_TRUE(QDir(loc("b")).removeRecursively());
    dlg.clickItem(indexOf("b"));
    EXPECT_EQ(dlg.currentFolder(), loc());
    EXPECT_EQ(sts.GEN_Path, loc());
    EXPECT_EQ(indexOf("b"), -1);
}

TEST_F(FileDialogTest, CloseButtonPostsTheCloseEvent)
{
    dlg.exit(); // nothing open
    EXPECT_TRUE(events.empty());
    dlg.open(FileDialog::SaveLayout);
    dlg.setName(QStringLiteral("keep"));
    dlg.exit();
    EXPECT_EQ(events, (std::vector<int>{16}));
    EXPECT_TRUE(dlg.isOpen());
    dlg.close();
    EXPECT_FALSE(dlg.isOpen());
    // Opening again starts afresh.
    dlg.open(FileDialog::SaveLayout);
    EXPECT_TRUE(dlg.name().isEmpty());
}

TEST(ShortenMiddle, KeepsBothEndsAndFits)
{
    const auto measure = [](const QString &t) { return 10.0 * t.size(); };
    const QString path = QStringLiteral("/home/user/Documents/QN/qndiag/Location/Dashboard.loc");
    EXPECT_EQ(shortenMiddle(path, 10.0 * path.size(), measure), path);

    for (double width : {500.0, 200.0, 100.0, 50.0}) {
        const QString s = shortenMiddle(path, width, measure);
        EXPECT_LE(measure(s), width) << width;
        EXPECT_TRUE(s.contains(QStringLiteral(" .. "))) << s.toStdString();
        const int keep = (s.size() - 4) / 2;
        EXPECT_TRUE(path.startsWith(s.left(keep))) << s.toStdString();
        EXPECT_TRUE(path.endsWith(s.right(keep))) << s.toStdString();
        // The longest text that fits: one character more would not.
        EXPECT_GT(measure(s) + 10.0, width);
    }
    EXPECT_EQ(shortenMiddle(path, 20.0, measure), QStringLiteral(" .. "));
    EXPECT_EQ(shortenMiddle(QString(), 0.0, measure), QString());
}

} // namespace
