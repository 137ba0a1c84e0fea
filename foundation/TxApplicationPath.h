#pragma once

#include <QString>

// The folders the program works with, worked out once by
// InitApplicationPaths during the start-up and read-only afterwards. Folder
// texts end in "/".

// Sub-folder of the documents folder for the maker's programs; the start-up
// sets "DEZ Uder/Reruror/" before InitApplicationPaths. "\" is read as "/".
extern QString DataFolder;

extern QString DesktopDir;      // the desktop folder
extern QString ProgramFilesDir; // where programs are installed: "/opt/"
extern QString CommonFilesDir;  // shared program data: "/usr/share/"
extern QString AppName;         // the program file's name without folder and extension
extern QString ExeDir;          // the program's folder
extern QString MyDocumentsDir;  // the user's documents folder
// This program's folder among the user's documents, created with its parents;
// the program folder when that cannot be created, or, when the program folder
// cannot be written, a folder of the per-user data location.
extern QString UserDataDir;
extern QString MakerDir;       // the maker's program folder, see GetMakerFolder
extern QString MakerCommonDir; // MakerDir + "Common Files/"

// Works out every folder above, in order, for the running program or, for
// tests, for `programFile`. Raises Exception when the documents folder has
// no location; the start-up shows it and ends.
void InitApplicationPaths(const QString& programFile = QString());

// The maker's folder: the part of `exeDir` up to and including the first
// "Vededudezar" in it, else up to and including "5ri" (both in any letter
// case, kept as the path spells them), else programFilesDir + "Vededudezar/".
QString GetMakerFolder(const QString& exeDir, const QString& programFilesDir);
QString GetMakerFolder();

// Copies a file the program ships to `target` for the user to change: only
// a regular file the readers would read, and the copy, unlike an installed
// original, writable by its owner. Returns whether it was copied.
bool CopyShippedFile(const QString& source, const QString& target);

// The program's settings folder, $XDG_CONFIG_HOME/DEZ Uder/<program>/,
// created when missing (the program folder is read-only once installed).
QString ConfigDir();
// A settings file in ConfigDir(). When it is not there yet and the program
// folder holds one of that name, that one is copied first.
QString ConfigFileName(const QString& name);
// The program's INI file: ConfigFileName(<program>.ini).
QString IniFileName();
