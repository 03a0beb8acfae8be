#pragma once

#include <QString>
#include <QStringList>

// The one folder that holds the program's databases (kelo.db, tongyong.db, data/data.db) and
// its report templates. It is found the same way wherever the program is started:
//   1. the folder given by SetDataFolder (the command-line option --data-dir DIR),
//   2. else the folder named by the environment variable ESTATE_DATA_DIR,
//   3. else the platform's per-user application-data folder.
// The returned path is absolute and has no trailing separator; the folder is not created here.

inline constexpr const char* kDataFolderVariable = "ESTATE_DATA_DIR";
inline constexpr const char* kDataFolderOption = "--data-dir";

// Sets the folder explicitly (an empty text clears the override).
void SetDataFolder(const QString& folder);

// The data folder as described above.
QString DataFolder();

// A file (or sub-path such as "data/data.db") inside the data folder.
QString DataFilePath(const QString& name);

// Reads "--data-dir DIR" or "--data-dir=DIR" from a command line and calls SetDataFolder.
// Returns false (and leaves the folder unchanged) when the option has no value.
bool ApplyDataFolderOption(const QStringList& arguments);
