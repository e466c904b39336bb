#pragma once
// Where the program finds its resources and keeps the user's files. Resources that ship with the
// program (languages, styles, pictures, the splash picture, the temperature table) live in the
// program folder; everything the user makes (settings, layouts, logs, recordings) lives in a data
// folder under the user's Documents folder. The paths are worked out once at start-up.

#include <QChar>
#include <QString>

namespace qn {

struct Paths {
    QChar separator = QLatin1Char('/');
    QString programName;        // executable's file name up to its first "."
    QString programFolder;      // ends with the separator
    QString dataFolder;         // ends with the separator
    QString settingsFile;       // data folder + name + ".ini"
    QString layoutFile;         // data folder + name + ".loc"
    QString logFolder;          // data folder + "Log"
    QString locationFolder;     // data folder + "Location"
    QString oscilloscopeFolder; // data folder + "Oscilloscope"
    QString languageFolder;     // program folder + "Language"
    QString stylesFolder;       // program folder + "Styles"
    QString picturesFolder;     // program folder + "Pictures"
    QString temperatureFile;    // program folder + name + ".dat"
    QString splashPicture;      // program folder + name + ".jpg"

    // A file inside one of the folders above that have no trailing separator.
    QString join(const QString &folder, const QString &fileName) const
    {
        return folder + separator + fileName;
    }
};

// The folder rule on its own, for any separator. An executable whose folder contains "Debug" is a
// development build run from the project's output folder (...\Win64\Debug\): program and data folder
// are then the part before the first "Win64". Otherwise the data folder is
// documents\Q\name\, Q being the folder that holds the program's own folder (documents\name\ when
// there is none). Creates nothing.
Paths computePaths(const QString &executablePath, const QString &documents, QChar separator);

// The same rule for a development build known as such: program and data folder are both
// developmentFolder.
Paths computeDevelopmentPaths(const QString &executablePath, const QString &developmentFolder,
                              QChar separator);

// On this system a development build is one run from a CMake build tree: the executable's folder or
// one of the two above it holds "CMakeCache.txt". Returns that folder (the build tree's root, where the
// resources are copied), or an empty string for an installed program.
QString findBuildTree(const QString &executableFolder);

struct InitPathsResult {
    Paths paths;
    bool developmentBuild = false;
    QString failedFolder; // the data folder that could not be created
    QString error;        // empty on success, otherwise what went wrong
    bool ok() const { return error.isEmpty(); }
};

// Works out the paths with "/" as separator and creates the data folders that are missing:
// documents/Q, the data folder, then its Location, Log and Oscilloscope folders. A run from a build
// tree keeps its data in the build tree, never in documents. Language, Styles and Pictures are
// never created.
InitPathsResult InitPaths(const QString &executablePath, const QString &documents);
// The running executable and the user's Documents folder.
InitPathsResult InitPaths();

} // namespace qn
