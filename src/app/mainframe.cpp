#include "app/mainframe.h"

#include "app/toolbaricons.h"
#include "runtime/pictures.h"
#include "ui/appcontext.h"
#include "ui/procedures.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace korvalen {

namespace {

constexpr const char *kFrameHelp = "~TABCONT";
constexpr const char *kMenuHelp = "~MENUS_AND_TOOLBAR";
constexpr int kTimerHundredths = 100;

} // namespace

// One menu item or toolbar button: its texts and what it starts.
struct MainFrame::Command
{
    const char *text;
    const char *message = "";
    const char *tooltip = "";
    const char *procedure = "";   // empty: a command of the frame itself
    bool independent = false;     // started beside the frame, not in its flow
    std::function<void()> before; // sets the globals the procedure needs
    std::function<void()> after;
    std::function<void()> action; // the frame's own commands
};

MainFrame::MainFrame(AppContext &context, QWidget *parent)
    : QMainWindow(parent), m_context(context), m_mdi(new QMdiArea), m_dateZone(new QLabel),
      m_timeZone(new QLabel), m_timer(new QTimer(this))
{
    setWindowTitle(title);
    setCentralWidget(m_mdi);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    printSetup = [this] {
        QPageSetupDialog dialog(&m_context.printer(), this);
        dialog.exec();
    };
    context.addIndependentWindow = [this](QWidget *window) { addIndependentWindow(window); };
    createMenus();
    createToolBar();
    createStatusBar();
    updateActions();
    refreshStatusLine();
    m_timer->setInterval(kTimerHundredths * 10);
    connect(m_timer, &QTimer::timeout, this, &MainFrame::refreshStatusLine);
    m_timer->start();
    resize(900, 640);
}

MainFrame::~MainFrame()
{
    m_context.addIndependentWindow = nullptr;
}

namespace {

// Closes the sub-window around a window that closed itself (its Close
// button, or a dialog's OK or Cancel), which would otherwise leave an empty
// frame behind. A minimized window is hidden too, but stays.
class SubWindowCloser : public QObject
{
public:
    SubWindowCloser(QMdiSubWindow *sub, QWidget *window)
        : QObject(sub), m_sub(sub), m_window(window)
    {
        window->installEventFilter(this);
        if (auto *dialog = qobject_cast<QDialog *>(window))
            connect(dialog, &QDialog::finished, this, &SubWindowCloser::closeLater);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window &&
            (event->type() == QEvent::Close || event->type() == QEvent::Hide))
            closeLater();
        return false;
    }

private:
    void closeLater()
    {
        QTimer::singleShot(0, m_sub, [sub = m_sub, window = m_window] {
            if (!window || (!window->isVisible() && !sub->isMinimized() && sub->isVisible()))
                sub->close();
        });
    }

    QPointer<QMdiSubWindow> m_sub;
    QPointer<QWidget> m_window;
};

} // namespace

void MainFrame::addIndependentWindow(QWidget *window)
{
    // A window that chose its own size keeps it inside its sub-window, which
    // would otherwise take the window's smaller size hint.
    const bool sized = window->testAttribute(Qt::WA_Resized);
    const QSize wanted = window->size();
    QMdiSubWindow *sub = m_mdi->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    new SubWindowCloser(sub, window);
    window->show();
    if (sized && window->size() != wanted)
        sub->resize(sub->size() + wanted - window->size());
}

QAction *MainFrame::addCommand(QMenu *menu, const Command &command)
{
    auto *action = new QAction(QString::fromUtf8(command.text), this);
    if (*command.message)
        action->setStatusTip(QString::fromUtf8(command.message));
    if (*command.tooltip)
        action->setToolTip(QString::fromUtf8(command.tooltip));
    connect(action, &QAction::triggered, this, [this, command] { run(command); });
    if (*command.procedure) {
        m_procedureActions.emplace_back(action, command.procedure);
        m_independentFlags.emplace_back(action, command.independent);
    }
    if (menu)
        menu->addAction(action);
    return action;
}

void MainFrame::run(const Command &command)
{
    if (command.action) {
        command.action();
        return;
    }
    if (command.before)
        command.before();
    ProcedureTable &table = *m_context.procedures;
    if (command.independent)
        table.start(command.procedure, m_context);
    else
        table.call(command.procedure, m_context);
    if (command.after)
        command.after();
}

void MainFrame::updateActions()
{
    const ProcedureTable &table = *m_context.procedures;
    for (std::size_t i = 0; i < m_procedureActions.size(); ++i) {
        const std::string &name = m_procedureActions[i].second;
        bool independent = m_independentFlags[i].second;
        m_procedureActions[i].first->setEnabled(independent ? table.hasIndependent(name)
                                                            : table.hasCalled(name));
    }
}

void MainFrame::setReportGlobals(bool withNotes)
{
    SharedGlobals &globals = m_context.globals;
    globals.CalWho = "Everyone";
    globals.Calstart = m_context.clock.today();
    if (withNotes)
        globals.CalNotes = 1;
}

void MainFrame::createMenus()
{
    SharedGlobals &globals = m_context.globals;
    auto insertRequest = [&globals] { globals.request = InsertRecord; };
    auto fromMenu = [this] { m_context.launchOrigin = "menu"; };
    auto help = [this](const char *topic) {
        return [this, topic] {
            if (m_context.showHelp)
                m_context.showHelp(topic);
        };
    };

    QMenu *file = menuBar()->addMenu(tr("&File"));
    addCommand(file, {.text = "P&rint Setup...", .message = "Setup Printer", .action = [this] {
                          printSetup();
                      }});
    addCommand(file, {.text = "&User Preferences", .procedure = "USERPREF", .independent = true});
    file->addSeparator();
    addCommand(
        file, {.text = "E&xit", .message = "Exit this application", .action = [this] { close(); }});

    QMenu *activities = menuBar()->addMenu(tr("&Activities"));
    addCommand(activities, {.text = "&Add Activity",
                            .procedure = "UPDATEACT",
                            .before = insertRequest,
                            .after = [&globals] { globals.request = globals.response = 0; }});
    activities->addSeparator();
    addCommand(activities, {.text = "Browse by &Date, Person, Group",
                            .message = "Browse Activities by Date",
                            .procedure = "BROWSEBYDATE",
                            .before = fromMenu});
    addCommand(activities, {.text = "&Browse by Name of Activity",
                            .message = "Browse Activities by Name of Activity",
                            .procedure = "BROWSEBYNAME"});
    addCommand(activities, {.text = "View &Week",
                            .message = "View Summary for Week",
                            .procedure = "WEEKVIEW",
                            .before = fromMenu});
    activities->addSeparator();
    addCommand(activities,
               {.text = "Delete by &Batch", .procedure = "BATCHDELETE", .independent = true});

    QMenu *people = menuBar()->addMenu(tr("&People"));
    addCommand(people,
               {.text = "&Add a Person", .procedure = "UPDATEPERSON", .before = insertRequest});
    addCommand(people,
               {.text = "&Browse People", .procedure = "BROWSEPERSON", .independent = true});
    addCommand(people, {.text = "&Group Lists", .procedure = "BROWSEGROUPS", .independent = true});
    addCommand(people, {.text = "&Calendars", .procedure = "CALENDARMAIN", .independent = true});

    QMenu *helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->menuAction()->setStatusTip(tr("Windows Help"));
    addCommand(
        helpMenu,
        {.text = "&Contents", .message = "View the contents of the help file", .action = help("")});
    addCommand(helpMenu, {.text = "&Search for Help On...",
                          .message = "Search for help on a subject",
                          .action = help("search")});
    addCommand(helpMenu, {.text = "&How to Use Help",
                          .message = "How to use Windows Help",
                          .action = help("howto")});

    for (QMenu *menu : {file, activities, people, helpMenu})
        menu->installEventFilter(this);
}

void MainFrame::createToolBar()
{
    QToolBar *bar = addToolBar(tr("Toolbar"));
    bar->setObjectName("toolbar");
    bar->setMovable(false);
    bar->setIconSize(QSize(32, 32));
    SharedGlobals &globals = m_context.globals;
    struct Button
    {
        ToolbarIcon icon;
        Command command;
    };
    const Button buttons[] = {
        {ToolbarIcon::NewItem,
         {.text = "Add a new activity",
          .message = "Add a new activity",
          .tooltip = "Add a new activity",
          .procedure = "UPDATEACT",
          .before = [&globals] { globals.request = InsertRecord; }}},
        {ToolbarIcon::Logo,
         {.text = "Browse activities",
          .message = "View or change activities",
          .tooltip = "Browse activities",
          .procedure = "BROWSEBYDATE",
          .independent = true}},
        {ToolbarIcon::DayCalendar,
         {.text = "Print today's calendar",
          .message = "Print calendar for today (everyone)",
          .tooltip = "Print today's calendar",
          .procedure = "DAYPORT",
          .independent = true,
          .before = [this] { setReportGlobals(true); }}},
        {ToolbarIcon::WeekCalendar,
         {.text = "Print week calendar ",
          .message = "Print calendar for this week (portrait)",
          .tooltip = "Print week calendar ",
          .procedure = "WEEKPORT",
          .independent = true,
          .before = [this] { setReportGlobals(true); }}},
        {ToolbarIcon::BatchDelete,
         {.text = "Delete old activities",
          .message = "Delete all old activites(before Today)",
          .tooltip = "Delete old activities",
          .procedure = "BATCHDELETE",
          .independent = true}},
        {ToolbarIcon::LandscapeWeek,
         {.text = "Print week summary ",
          .message = "Print summary calendar for week (lansdscape)",
          .tooltip = "Print week summary ",
          .procedure = "WEEKSUMM",
          .independent = true,
          .before = [this] { setReportGlobals(false); }}},
        {ToolbarIcon::WeekView,
         {.text = "Week's activities in landscape",
          .message = "View a week's activities in landscape format",
          .tooltip = "Week's activities in landscape",
          .procedure = "WEEKVIEW",
          .independent = true}},
    };
    for (const Button &button : buttons) {
        QAction *action = addCommand(nullptr, button.command);
        action->setIcon(toolbarIcon(button.icon));
        bar->addAction(action);
    }
}

void MainFrame::createStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName("statusLine");
    m_dateZone->setObjectName("dateZone");
    m_timeZone->setObjectName("timeZone");
    m_dateZone->setMinimumWidth(fontMetrics().horizontalAdvance("Wednesday, September 30, 2026  "));
    m_timeZone->setMinimumWidth(fontMetrics().horizontalAdvance("12:00PM  "));
    bar->addPermanentWidget(m_dateZone);
    bar->addPermanentWidget(m_timeZone);
}

QString MainFrame::statusDateText(Date today)
{
    // Nine characters a name, picked at the day number mod 7, blanks clipped.
    static const char table[] = "Sunday   Monday   Tuesday  WednesdayThursday Friday   Saturday ";
    std::string_view name(table + weekdayOf(today) * 9, 9);
    return QString::fromUtf8(clipped(name)) + ", " +
           QString::fromStdString(formatDate(today, "D4"));
}

QString MainFrame::statusTimeText(ClockTime now)
{
    return QString::fromStdString(formatTime(now, "T3"));
}

void MainFrame::refreshStatusLine()
{
    m_dateZone->setText(statusDateText(m_context.clock.today()));
    m_timeZone->setText(statusTimeText(m_context.clock.timeOfDay()));
}

QString MainFrame::dateZoneText() const
{
    return m_dateZone->text();
}

QString MainFrame::timeZoneText() const
{
    return m_timeZone->text();
}

bool MainFrame::windowsAgreeToClose()
{
    // A question's event loop may close windows meanwhile.
    QList<QPointer<QMdiSubWindow>> subs;
    for (QMdiSubWindow *sub : m_mdi->subWindowList())
        subs.push_back(sub);
    for (const QPointer<QMdiSubWindow> &sub : subs) {
        if (!sub || !sub->widget())
            continue;
        CloseQueryEvent ask(CloseQueryEvent::Ask);
        QCoreApplication::sendEvent(sub->widget(), &ask);
        if (!ask.isAccepted()) {
            withdrawCloseQuery();
            return false;
        }
    }
    return true;
}

void MainFrame::withdrawCloseQuery()
{
    for (QMdiSubWindow *sub : m_mdi->subWindowList()) {
        if (!sub->widget())
            continue;
        CloseQueryEvent withdraw(CloseQueryEvent::Withdraw);
        QCoreApplication::sendEvent(sub->widget(), &withdraw);
    }
}

void MainFrame::closeEvent(QCloseEvent *event)
{
    // Every window is asked before any closes: a Cancel in one leaves all
    // of them open as they were.
    if (!windowsAgreeToClose()) {
        event->ignore();
        return;
    }
    // A window that still stays (one that asks nothing beforehand) keeps the
    // frame open.
    m_mdi->closeAllSubWindows();
    if (!m_mdi->subWindowList().isEmpty()) {
        withdrawCloseQuery();
        event->ignore();
        return;
    }
    m_timer->stop();
    event->accept();
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible())
            window->close();
    QApplication::quit();
}

bool MainFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1 &&
        qobject_cast<QMenu *>(watched)) {
        if (m_context.showHelp)
            m_context.showHelp(kMenuHelp);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainFrame::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 && m_context.showHelp) {
        m_context.showHelp(kFrameHelp);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

} // namespace korvalen
