#pragma once
// The program folder and its two working folders, found the same way by both
// programs. Every path ends in the platform separator.
#include <QString>

// The program folder: the machine hive's "Path" value of the program's App Paths
// key when it exists; else the current directory, unless the program runs
// installed and the current directory holds no text catalogue (a launcher starts
// programs in the home folder): then the per-user program folder, laid out from
// the installed files (InstalledProgram). A separator is appended when missing.
QString ObtenerDirPrograma();

struct ProgramFolders {
    QString dirPrograma; // program folder
    QString dirMail;     // dirPrograma + "MAIL/"
    QString dirTemp;     // dirPrograma + "TEMP/"

    static ProgramFolders from(const QString& dirPrograma);
    // Creates MAIL/ and TEMP/ when missing (a folder that cannot be made is not
    // reported), and removes the work files that killed programs left in them,
    // in the program folder and beside the settings.
    void createWorkFolders() const;

    // The folders of the running program (set once at start).
    static ProgramFolders& global();
};

// Machine hive key and value that name the program folder.
inline constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\QV.exe";
