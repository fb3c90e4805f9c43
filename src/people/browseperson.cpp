#include "people/browseperson.h"

#include "people/updateperson.h"
#include "storage/openfile.h"
#include "ui/appcontext.h"
#include "ui/browselist.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

namespace korvalen {

using namespace keys;

BrowseConfig peopleListConfig(AppContext &context)
{
    BrowseConfig config;
    config.file = &context.data.people;
    config.key = PEO_PERSON_KEY;
    config.keyField = textKeyField(&PeopleRecord::PERSON);
    BrowseColumn shortName = textColumn("Short Name", 52, "s10", &PeopleRecord::PERSON);
    shortName.rightBorder = true;
    BrowseColumn longName = textColumn("Long Name (optional)", 120, "s30", &PeopleRecord::NAME);
    longName.indent = 8;
    config.columns = {shortName, longName};
    config.updateProcedure = "UPDATEPERSON";
    config.helpTopic = "~BRWSPEODIAL";
    config.title = "Browse People";
    config.messages = {"Browsing People", "Add a new person", "Change highlighted person's entry",
                       "Delete the highlighted person", "Select the highlighted person"};
    config.buttonLetterKeys = true;
    return config;
}

namespace {

BrowseWindow *makeWindow(AppContext &context, int request)
{
    auto *window = new BrowseWindow(context, peopleListConfig(context));
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->start(request)) {
        delete window;
        return nullptr;
    }
    return window;
}

// A few people for the pictures, added only to an empty file.
void addSamplePeople(AppContext &context)
{
    AppData &data = context.data;
    bool any = true;
    if (!data.people.hasRecords(any).ok() || any)
        return;
    const char *const people[][2] = {{"Anna", "Anna Lindqvist"}, {"Ben", "Benjamin Okafor"},
                                     {"Carla", "Carla Reyes"},   {"Dad", ""},
                                     {"Grandma", "Margit Holm"}, {"Jonas", "Jonas Lindqvist"},
                                     {"Mia", "Mia Lindqvist"},   {"Mom", ""},
                                     {"Theo", "Theodor Park"}};
    for (const auto &person : people) {
        data.PEO = {};
        data.PEO.PERSON = person[0];
        data.PEO.NAME = person[1];
        data.PEO.DATE = context.clock.today();
        (void)data.people.add();
    }
}

bool savePicture(QWidget &widget, const QString &png)
{
    QApplication::processEvents();
    return widget.grab().save(png);
}

} // namespace

QWidget *BROWSEPERSON(AppContext &context)
{
    SharedGlobals &globals = context.globals;
    const int request = globals.request;
    globals.request = 0;
    BrowseWindow *window = makeWindow(context, request);
    if (window)
        QObject::connect(window, &BrowseWindow::responded,
                         [&globals](int response) { globals.response = response; });
    return window;
}

int choosePerson(AppContext &context)
{
    BrowseWindow *window = makeWindow(context, SelectRecord);
    int response = RequestCancelled;
    if (window) {
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        response = window->runModal();
        delete window;
    }
    context.globals.response = response;
    return response;
}

bool renderPeopleList(AppContext &context, const QString &png)
{
    FileUse use(context.data.people, context.prompter);
    addSamplePeople(context);
    BrowseWindow *window = makeWindow(context, 0);
    if (!window)
        return false;
    window->show();
    window->browse().lineDown();
    bool saved = savePicture(*window, png);
    window->close();
    return saved;
}

bool renderPersonForm(AppContext &context, const QString &png)
{
    FileUse use(context.data.people, context.prompter);
    addSamplePeople(context);
    AppData &data = context.data;
    data.PEO = {};
    data.PEO.PERSON = "Jonas";
    if (!data.people.get(PEO_PERSON_KEY).ok())
        return false;
    context.globals.request = ChangeRecord;
    PersonForm form(context);
    if (!form.form().start())
        return false;
    form.show();
    bool saved = savePicture(form, png);
    form.hide();
    form.form().finish();
    return saved;
}

} // namespace korvalen
