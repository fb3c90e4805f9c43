#include "ui/inifile.h"

#include "runtime/text.h"

#include <QMdiSubWindow>
#include <QSettings>
#include <QWidget>

namespace korvalen {

namespace {

constexpr const char *kIniName = "KORVALEN.INI";

} // namespace

std::filesystem::path iniFilePath(const std::filesystem::path &directory)
{
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(directory, error)) {
        std::string name = entry.path().filename().string();
        if (compareUpper(name, kIniName) == 0 && entry.is_regular_file(error))
            return entry.path();
    }
    return directory / kIniName;
}

bool writeIniEntry(const std::filesystem::path &directory, const QString &section,
                   const QString &key, const QString &value)
{
    QSettings settings(QString::fromStdString(iniFilePath(directory).string()),
                       QSettings::IniFormat);
    settings.beginGroup(section);
    settings.setValue(key, value.left(20));
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

void saveWindowPosition(const QWidget &window, const std::filesystem::path &directory,
                        const QString &section)
{
    // Inside the frame the geometry that counts is the sub-window's.
    const QWidget *frame = &window;
    if (auto *sub = qobject_cast<const QMdiSubWindow *>(window.parentWidget()))
        frame = sub;
    if (frame->isMinimized())
        return;
    const bool maximized = frame->isMaximized();
    QRect rect = frame->isWindow() ? frame->normalGeometry() : frame->geometry();
    if (!rect.isValid())
        rect = frame->geometry();
    writeIniEntry(directory, section, "Maximize", maximized ? "Yes" : "No");
    writeIniEntry(directory, section, "XPosit", QString::number(rect.x()));
    writeIniEntry(directory, section, "YPosit", QString::number(rect.y()));
    writeIniEntry(directory, section, "Width", QString::number(rect.width()));
    writeIniEntry(directory, section, "Height", QString::number(rect.height()));
}

} // namespace korvalen
