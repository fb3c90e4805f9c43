#include "people/browsegroups.h"

#include "people/updategroup.h"
#include "ui/appcontext.h"
#include "ui/browselist.h"
#include "ui/procedures.h"

#include <QApplication>
#include <QString>

namespace korvalen {

BrowseConfig groupListConfig(AppContext &context)
{
    BrowseConfig config;
    config.file = &context.data.group;
    config.key = keys::GRO_GROUP_KEY;
    config.keyField = textKeyField(&GroupRecord::GROUP);
    config.columns = {textColumn("Group List", 40, "s10", &GroupRecord::GROUP)};
    // A rename or a delete of a group also writes its memberships.
    config.otherFiles = {&context.data.groupPeople};
    config.updateProcedure = "UPDATEGROUP2";
    config.helpTopic = "~BRWSGROUP";
    config.title = "Browse Group Lists";
    config.messages = {"Browsing Group Lists", "Create a new Group list",
                       "Change the highlighted Group list", "Delete the highlighted Group list",
                       "Select highlighted Group list"};
    return config;
}

std::unique_ptr<BrowseWindow> makeGroupList(AppContext &context, int request)
{
    if (!context.procedures->hasCalled("UPDATEGROUP2"))
        context.procedures->setCalled("UPDATEGROUP2", UPDATEGROUP2);
    auto window = std::make_unique<BrowseWindow>(context, groupListConfig(context));
    if (!window->start(request))
        return nullptr;
    return window;
}

QWidget *BROWSEGROUPS(AppContext &context)
{
    SharedGlobals &globals = context.globals;
    const int request = globals.request;
    globals.request = 0;
    std::unique_ptr<BrowseWindow> window = makeGroupList(context, request);
    if (!window)
        return nullptr;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(window.get(), &BrowseWindow::responded,
                     [&globals](int response) { globals.response = response; });
    return window.release();
}

void selectGroupList(AppContext &context)
{
    SharedGlobals &globals = context.globals;
    const int request = globals.request;
    globals.request = 0;
    std::unique_ptr<BrowseWindow> window = makeGroupList(context, request);
    globals.response = window ? window->runModal() : RequestCancelled;
}

bool renderGroupList(AppContext &context, const QString &png)
{
    const SharedGlobals kept = context.globals;
    std::unique_ptr<BrowseWindow> window = makeGroupList(context);
    bool saved = false;
    if (window) {
        window->setAttribute(Qt::WA_DontShowOnScreen);
        window->show();
        QApplication::processEvents();
        // What activating the window does; an offscreen window is not activated.
        window->browse().refresh();
        saved = window->grab().save(png, "PNG");
        window->close();
    }
    context.globals = kept;
    return saved;
}

} // namespace korvalen
