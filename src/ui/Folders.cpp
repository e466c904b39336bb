#include "ui/Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace qn {

namespace {

QString withoutTrailing(QString s, QChar sep)
{
    while (s.endsWith(sep))
        s.chop(1);
    return s;
}

QString withTrailing(const QString &s, QChar sep)
{
    return s.endsWith(sep) ? s : s + sep;
}

struct ExecutableParts {
    QString folder; // with trailing separator
    QString name;   // file name cut before its first "."
};

ExecutableParts splitExecutable(const QString &executablePath, QChar sep)
{
    const qsizetype cut = executablePath.lastIndexOf(sep);
    ExecutableParts parts;
    parts.folder = executablePath.left(cut + 1);
    const QString file = executablePath.mid(cut + 1);
    const qsizetype dot = file.indexOf(QLatin1Char('.'));
    parts.name = dot < 0 ? file : file.left(dot);
    return parts;
}

// The name of the folder holding the program's own folder: the second-last component of a folder
// that ends with a separator; empty when the program's folder lies directly under a root.
QString parentFolderName(const QString &folder, QChar sep)
{
    if (folder.size() < 2)
        return QString();
    const qsizetype last = folder.lastIndexOf(sep, folder.size() - 2);
    if (last <= 0) // lastIndexOf(sep, -1) would search from the end again
        return QString();
    const qsizetype before = folder.lastIndexOf(sep, last - 1);
    if (before < 0)
        return QString();
    return folder.mid(before + 1, last - before - 1);
}

void fillFiles(Paths &p)
{
    const QString &d = p.dataFolder;
    const QString &f = p.programFolder;
    p.settingsFile = d + p.programName + QStringLiteral(".ini");
    p.layoutFile = d + p.programName + QStringLiteral(".loc");
    p.logFolder = d + QStringLiteral("Log");
    p.locationFolder = d + QStringLiteral("Location");
    p.oscilloscopeFolder = d + QStringLiteral("Oscilloscope");
    p.languageFolder = f + QStringLiteral("Language");
    p.stylesFolder = f + QStringLiteral("Styles");
    p.picturesFolder = f + QStringLiteral("Pictures");
    p.temperatureFile = f + p.programName + QStringLiteral(".dat");
    p.splashPicture = f + p.programName + QStringLiteral(".jpg");
}

// Creates folder with its parents unless it exists; returns false when it cannot be made.
bool ensureFolder(const QString &folder)
{
    QFileInfo info(folder);
    if (info.isDir())
        return true;
    return QDir().mkpath(folder) && QFileInfo(folder).isDir();
}

Paths installedPaths(const ExecutableParts &exe, const QString &documents, QChar sep)
{
    Paths p;
    p.separator = sep;
    p.programName = exe.name;
    p.programFolder = exe.folder;
    const QString q = parentFolderName(exe.folder, sep);
    QString data = withoutTrailing(documents, sep) + sep;
    if (!q.isEmpty())
        data += q + sep;
    p.dataFolder = data + exe.name + sep;
    fillFiles(p);
    return p;
}

} // namespace

Paths computePaths(const QString &executablePath, const QString &documents, QChar separator)
{
    const ExecutableParts exe = splitExecutable(executablePath, separator);
    if (!exe.folder.contains(QLatin1String("Debug")))
        return installedPaths(exe, documents, separator);
    Paths p;
    p.separator = separator;
    p.programName = exe.name;
    const qsizetype win64 = exe.folder.indexOf(QLatin1String("Win64"));
    p.programFolder = win64 < 0 ? QString() : exe.folder.left(win64);
    p.dataFolder = p.programFolder;
    fillFiles(p);
    return p;
}

Paths computeDevelopmentPaths(const QString &executablePath, const QString &developmentFolder,
                              QChar separator)
{
    const ExecutableParts exe = splitExecutable(executablePath, separator);
    Paths p;
    p.separator = separator;
    p.programName = exe.name;
    p.programFolder = withTrailing(developmentFolder, separator);
    p.dataFolder = p.programFolder;
    fillFiles(p);
    return p;
}

QString findBuildTree(const QString &executableFolder)
{
    // Walk up by name, so that a folder that does not exist (yet) still has its parents checked.
    // Only a few levels: the programs sit at the root of the build tree, the test and benchmark
    // executables one folder below it; a program installed somewhere deep inside a build tree
    // is still an installed program.
    QString dir = QDir::cleanPath(QFileInfo(executableFolder).absoluteFilePath());
    for (int level = 0; level < 3; ++level) {
        if (QFileInfo(dir + QStringLiteral("/CMakeCache.txt")).isFile())
            return dir;
        const QString parent = QFileInfo(dir).path();
        if (parent == dir || parent.isEmpty())
            return QString();
        dir = parent;
    }
    return QString();
}

InitPathsResult InitPaths(const QString &executablePath, const QString &documents)
{
    const QChar sep = QLatin1Char('/');
    InitPathsResult r;
    const ExecutableParts exe = splitExecutable(executablePath, sep);
    const QString buildTree = findBuildTree(exe.folder);
    r.developmentBuild = !buildTree.isEmpty();
    QStringList folders;
    if (r.developmentBuild) {
        r.paths = computeDevelopmentPaths(executablePath, buildTree, sep);
    } else {
        if (documents.isEmpty()) {
            r.error = QStringLiteral("the Documents folder is not known");
            return r;
        }
        // The "Debug" marker of the output folders on Windows means nothing here: an installed
        // program always keeps its data under Documents.
        r.paths = installedPaths(exe, documents, sep);
        const QString q = parentFolderName(exe.folder, sep);
        if (!q.isEmpty())
            folders << withoutTrailing(documents, sep) + sep + q;
    }
    folders << withoutTrailing(r.paths.dataFolder, sep) << r.paths.locationFolder
            << r.paths.logFolder << r.paths.oscilloscopeFolder;
    for (const QString &folder : folders) {
        if (!ensureFolder(folder)) {
            r.failedFolder = folder;
            r.error = QStringLiteral("cannot create the folder %1").arg(folder);
            return r;
        }
    }
    return r;
}

InitPathsResult InitPaths()
{
    return InitPaths(QCoreApplication::applicationFilePath(),
                     QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

} // namespace qn
