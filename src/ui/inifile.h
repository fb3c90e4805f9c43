#pragma once

#include <QString>

#include <filesystem>

class QWidget;

namespace korvalen {

// The program's INI file in `directory`: an existing file whose name is
// KORVALEN.INI in any letter case, else KORVALEN.INI. Every entry the program
// writes goes into this one file.
std::filesystem::path iniFilePath(const std::filesystem::path &directory);

// Writes `value` as `key` of `section` (the program never reads entries
// back). False when the file cannot be written.
bool writeIniEntry(const std::filesystem::path &directory, const QString &section,
                   const QString &key, const QString &value);

// Writes whether `window` is maximized ("Yes"/"No") and its normal position
// and size (device-independent pixels) under `section`; nothing when the
// window is minimized. The window is not visibly restored.
void saveWindowPosition(const QWidget &window, const std::filesystem::path &directory,
                        const QString &section);

} // namespace korvalen
