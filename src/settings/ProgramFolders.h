#pragma once
// The program folder and its two working folders, found the same way by both
// programs. Every path ends in the platform separator.
#include <QString>

// The machine hive's "Path" value of the program's App Paths key when it exists,
// else the current directory; a separator is appended when missing.
QString ObtenerDirPrograma();

struct ProgramFolders {
    QString dirPrograma; // program folder
    QString dirMail;     // dirPrograma + "MAIL/"
    QString dirTemp;     // dirPrograma + "TEMP/"

    static ProgramFolders from(const QString& dirPrograma);
    // Creates MAIL/ and TEMP/ when missing; a folder that cannot be made is not reported.
    void createWorkFolders() const;

    // The folders of the running program (set once at start).
    static ProgramFolders& global();
};

// Machine hive key and value that name the program folder.
inline constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\QV.exe";
