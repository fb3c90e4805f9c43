#include "app/app.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include "people/browsegroups.h"
#include "people/browseperson.h"
#include "people/peoplepicker.h"
#include "people/updategroup.h"
#include "people/updateperson.h"
#include "schedule/batchdeletewindow.h"
#include "schedule/changerep.h"
#include "schedule/deleteactivity.h"
#include "schedule/updateactivity.h"
#include "settings/updatespecial.h"
#include "settings/userpref.h"
#include "ui/appcontext.h"
#include "ui/helpviewer.h"
#include "ui/procedures.h"
#include "views/browsebydate.h"
#include "views/browsebyname.h"
#include "views/datepicker.h"
#include "views/weekview.h"

namespace korvalen {

void registerProcedures(AppContext &context)
{
    // The screens join the table as they are built; the frame disables the
    // items of the others.
    context.procedures->setCalled("LOOKUPCAL", LOOKUPCAL);
    context.procedures->setCalled("BROWSEPERSONM", BROWSEPERSONM);
    context.procedures->setIndependent("BROWSEPERSON", BROWSEPERSON);
    context.procedures->setCalled("BROWSEPERSON", [](AppContext &c) { choosePerson(c); });
    context.procedures->setCalled("UPDATEPERSON", UPDATEPERSON);
    context.procedures->setIndependent("BROWSEGROUPS", BROWSEGROUPS);
    context.procedures->setCalled("BROWSEGROUPS", selectGroupList);
    context.procedures->setCalled("UPDATEGROUP2", UPDATEGROUP2);
    context.procedures->setIndependent("USERPREF", USERPREF);
    context.procedures->setCalled("UPDATESPECIAL", UPDATESPECIAL);
    context.procedures->setCalled("UPDATEACT", UPDATEACT);
    context.procedures->setCalled("CHANGEREP", CHANGEREP);
    context.procedures->setCalled("DELACT", DELACT);
    context.procedures->setIndependent("BATCHDELETE", BATCHDELETE);
    context.procedures->setCalled("WEEKVIEW", viewWeek);
    context.procedures->setIndependent("WEEKVIEW", WEEKVIEW);
    context.procedures->setCalled("BROWSEBYDATE", runBrowseByDate);
    context.procedures->setIndependent("BROWSEBYDATE", BROWSEBYDATE);
    context.procedures->setCalled("BROWSEBYNAME", BROWSEBYNAME);
    context.procedures->setIndependent("BROWSEBYNAME", startBrowseByName);
}

std::unique_ptr<HelpViewer> makeHelp(AppContext &context, const std::filesystem::path &directory)
{
    HelpFile help;
    help.load(directory);
    auto viewer = std::make_unique<HelpViewer>(std::move(help));
    HelpViewer *raw = viewer.get();
    context.showHelp = [raw](const std::string &topic) {
        if (topic.empty())
            raw->showContents();
        else if (topic == "search")
            raw->showSearch();
        else if (topic == "howto")
            raw->showHowToUse();
        else
            raw->showTopic(QString::fromStdString(topic));
    };
    return viewer;
}

namespace {

class FirstPaintWatcher : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }
};

} // namespace

void quitWhenShownIfAsked(QWidget &frame)
{
    if (qEnvironmentVariableIsSet("KORVALEN_QUIT_WHEN_SHOWN"))
        frame.installEventFilter(new FirstPaintWatcher(&frame));
}

} // namespace korvalen
