#pragma once

#include "runtime/dates.h"
#include "runtime/procedureglobals.h"
#include "runtime/prompter.h"
#include "runtime/text.h"
#include "storage/datafiles.h"

#include <QMetaObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPrinter;
class QWidget;

namespace korvalen {

class ProcedureTable;

// One entry of the people picker's list.
struct PickedPerson
{
    Text<1> mark;         // "*" when marked
    Text<10> shortName;   // PEO:PERSON
    Text<30> longName;    // PEO:NAME
    std::int32_t row = 0; // position in load order, 1 to n
};

// Everything one running program shares between its windows: the data (the
// connection, the record buffers, the open counters, the globals of the data
// files), the prompter, the clock, the procedure table and the globals the
// screens hand to each other. Lives on the GUI thread. Non-copyable; a test
// builds a fresh one per case.
class AppContext
{
public:
    AppContext(Prompter &prompter, Clock &clock);
    ~AppContext();
    AppContext(const AppContext &) = delete;
    AppContext &operator=(const AppContext &) = delete;

    AppData data;
    // The request and response between procedures and the report
    // parameters, alive for the whole run.
    SharedGlobals globals;
    Prompter &prompter;
    Clock &clock;
    std::unique_ptr<ProcedureTable> procedures;

    // The date picker's in/out date.
    Date PickedDate = 0;
    // The people picker's list: every person while it is open, the marked
    // people (in short-name order) after a completed return.
    std::vector<PickedPerson> PickedPeople;
    // "menu" when the frame opened the date browse or the week view from
    // its menu, four blanks otherwise.
    Text<4> launchOrigin;

    // The one printer setting of the program, edited by "Print Setup...",
    // used by every report. Made on first use.
    QPrinter &printer();

    // Makes the event loop give up every read lock of the data before it
    // waits for events, so that a page read during one event never keeps
    // another station from saving while this program idles. Undone when
    // the context goes.
    void releaseReadsWhenIdle();

    // Shows help topic `topic` (a "~" keyword; empty for the contents).
    // Set by the frame; does nothing before.
    std::function<void(const std::string &topic)> showHelp;
    // Puts an independent window beside the frame. Set by the frame; before
    // that, the window is shown as a top-level window.
    std::function<void(QWidget *window)> addIndependentWindow;

private:
    std::unique_ptr<QPrinter> m_printer;
    QMetaObject::Connection m_idleConnection;
};

} // namespace korvalen
