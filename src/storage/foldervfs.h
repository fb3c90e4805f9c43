#pragma once

#include <filesystem>
#include <string>

namespace korvalen {

// The name of an SQLite file layer for the data folder `directory`, made on
// first use and kept for the life of the program; empty when the folder's
// name cannot be resolved.
//
// Through it SQLite knows every file of the folder by its name alone
// ("DATES.DB", "KORVALEN.DB-mj0A1B2C3D"), and those names are resolved
// against this station's path of the folder when a file is opened, looked
// for or deleted. The journals of the files of a commit across files name
// its super-journal that way too, so a station that reaches the folder by
// another path (another mount point, the folder renamed or moved, a link)
// still finds it and rolls a half-done commit back. A super-journal named by
// a full path that does not exist here (written by a station that named
// files that way) is looked for in this folder under its own name.
std::string folderVfsName(const std::filesystem::path &directory);

} // namespace korvalen
