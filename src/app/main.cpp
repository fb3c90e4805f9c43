#include "app/app.h"
#include "app/mainframe.h"
#include "app/startup.h"
#include "app/toolbaricons.h"
#include "ui/appcontext.h"
#include "ui/helpviewer.h"
#include "ui/messageboxprompter.h"

#include <QApplication>
#include <QMessageBox>

#include <filesystem>

using namespace korvalen;

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Korvalen");
    QApplication::setWindowIcon(toolbarIcon(ToolbarIcon::Logo));
    const std::filesystem::path programDirectory =
        QCoreApplication::applicationDirPath().toStdString();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == "--render")
        return renderScreens(arguments[2], programDirectory);

    const std::filesystem::path directory = std::filesystem::current_path();
    MessageBoxPrompter prompter;
    SystemClock clock;
    AppContext context(prompter, clock);
    std::unique_ptr<HelpViewer> help = makeHelp(context, directory);
    Status status = context.data.database.open(directory);
    if (!status.ok()) {
        QMessageBox::critical(
            nullptr, MainFrame::title,
            QString::fromStdString("The working directory cannot be used: " + status.text()));
        return 1;
    }
    context.releaseReadsWhenIdle();
    registerProcedures(context);
    StartupFiles files(context, programDirectory);
    MainFrame frame(context);
    quitWhenShownIfAsked(frame);
    frame.show();
    return application.exec();
}
