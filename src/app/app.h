#pragma once

#include <QString>

class QWidget;

#include <filesystem>
#include <memory>

namespace korvalen {

class AppContext;
class HelpViewer;
class MainFrame;

// Puts the program's screens into the context's procedure table.
void registerProcedures(AppContext &context);

// Makes the help window for the help file of `directory` and routes the
// context's help requests to it: "" the contents, "search", "howto", or a
// "~" topic.
std::unique_ptr<HelpViewer> makeHelp(AppContext &context, const std::filesystem::path &directory);

// When the environment variable KORVALEN_QUIT_WHEN_SHOWN is set, prints
// "shown" on the standard output once `frame` has first been painted and
// ends the program: how the start-up benchmark times process start to frame.
void quitWhenShownIfAsked(QWidget &frame);

// Renders the frame and the built windows headless as PNG files in
// `outputDirectory`, working on a fresh data folder of its own. Returns the
// process exit code.
int renderScreens(const QString &outputDirectory, const std::filesystem::path &converterDirectory);

} // namespace korvalen
