// Headless pictures of the program's windows, for a person to look at.

#include "app/app.h"
#include "app/mainframe.h"
#include "app/startup.h"
#include "people/browsegroups.h"
#include "people/browseperson.h"
#include "people/peoplepicker.h"
#include "people/updategroup.h"
#include "people/updateperson.h"
#include "schedule/batchdeletewindow.h"
#include "schedule/changerep.h"
#include "schedule/conflictwindow.h"
#include "schedule/deleteactivity.h"
#include "schedule/repeatdialog.h"
#include "schedule/updateactivity.h"
#include "settings/updatespecial.h"
#include "settings/userpref.h"
#include "ui/appcontext.h"
#include "ui/helpviewer.h"
#include "ui/reportpreview.h"
#include "views/browsebydate.h"
#include "views/browsebyname.h"
#include "views/datepicker.h"
#include "views/weekview.h"

#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QTemporaryDir>

#include <cstdio>
#include <utility>

namespace korvalen {

namespace {

bool save(QWidget &widget, const QString &directory, const QString &name)
{
    QApplication::processEvents();
    QString path = QDir(directory).filePath(name + ".png");
    bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

bool saveMenus(MainFrame &frame, const QString &directory)
{
    bool ok = true;
    int index = 0;
    for (QAction *action : frame.menuBar()->actions()) {
        QMenu *menu = action->menu();
        if (!menu)
            continue;
        menu->popup(frame.mapToGlobal(frame.menuBar()->actionGeometry(action).bottomLeft()));
        ok = save(*menu, directory, QString("menu-%1").arg(++index)) && ok;
        menu->hide();
    }
    return ok;
}

// The conflict window over another activity and over a special period.
bool saveConflictWindows(AppContext &context, const QString &directory)
{
    bool ok = true;
    for (auto [name, specialPeriod] :
         {std::pair{"conflict-activity", false}, std::pair{"conflict-period", true}}) {
        const QString path = QDir(directory).filePath(QString(name) + ".png");
        const bool saved = renderConflictWindow(context, path, specialPeriod);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
        ok = saved && ok;
    }
    return ok;
}

} // namespace

int renderScreens(const QString &outputDirectory, const std::filesystem::path &converterDirectory)
{
    QDir().mkpath(outputDirectory);
    QTemporaryDir data;
    if (!data.isValid())
        return 1;
    const std::filesystem::path directory = data.path().toStdString();
    ScriptedPrompter prompter;
    SystemClock clock;
    AppContext context(prompter, clock);
    std::unique_ptr<HelpViewer> help = makeHelp(context, directory);
    if (!context.data.database.open(directory).ok())
        return 1;
    registerProcedures(context);
    bool ok = true;
    {
        StartupFiles files(context, converterDirectory);
        MainFrame frame(context);
        frame.resize(1000, 680);
        frame.show();
        ok = save(frame, outputDirectory, "frame") && ok;
        ok = saveMenus(frame, outputDirectory) && ok;
        help->showTopic("~MENUS_AND_TOOLBAR");
        ok = save(*help, outputDirectory, "help") && ok;
        help->close();
        for (auto [name, render] :
             {std::pair{"peoplelist", &renderPeopleList},
              std::pair{"personform", &renderPersonForm}, std::pair{"grouplist", &renderGroupList},
              std::pair{"groupform", &renderGroupForm}, std::pair{"userpref", &renderUserPrefs},
              std::pair{"specialday", &renderSpecialForm}}) {
            QString path = QDir(outputDirectory).filePath(QString(name) + ".png");
            bool saved = render(context, path);
            std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
            ok = saved && ok;
        }
        QString pickerPath = QDir(outputDirectory).filePath("peoplepicker.png");
        bool picker = renderPeoplePicker(context, pickerPath);
        std::printf("%s %s\n", picker ? "wrote" : "could not write", qPrintable(pickerPath));
        ok = picker && ok;
        ok = renderActivityForms(context, outputDirectory) && ok;
        ok = renderRepeatDialogs(context, outputDirectory) && ok;
        ok = saveConflictWindows(context, outputDirectory) && ok;
        ok = renderChangeScope(context, outputDirectory) && ok;
        ok = renderDeleteDialogs(context, outputDirectory) && ok;
        ok = renderBatchDelete(context, outputDirectory) && ok;
        ok = renderWeekView(context, outputDirectory) && ok;
        ok = renderBrowseByDate(context, outputDirectory) && ok;
        ok = renderBrowseByName(context, outputDirectory) && ok;
    }
    QString pickerPath = QDir(outputDirectory).filePath("datepicker.png");
    bool picker = renderDatePicker(context, pickerPath);
    std::printf("%s %s\n", picker ? "wrote" : "could not write", qPrintable(pickerPath));
    ok = picker && ok;
    const QList<QPicture> pages = samplePages(4);
    struct Shot
    {
        const char *name;
        PreviewMode mode;
        int page;
    };
    for (const Shot &shot : {Shot{"preview-single", PreviewMode::Single, 1},
                             Shot{"preview-facing", PreviewMode::Facing, 2},
                             Shot{"preview-zoom", PreviewMode::Zoom, 1}}) {
        QString path = QDir(outputDirectory).filePath(QString(shot.name) + ".png");
        bool saved = renderReportPreview(context, pages, path, shot.mode, shot.page);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
        ok = saved && ok;
    }
    return ok ? 0 : 1;
}

} // namespace korvalen
