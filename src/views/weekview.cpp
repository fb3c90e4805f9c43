#include "views/weekview.h"

#include "runtime/pictures.h"
#include "storage/openfile.h"
#include "ui/appcontext.h"
#include "ui/browselist.h"
#include "ui/formkit.h"
#include "ui/inifile.h"
#include "ui/listview.h"
#include "ui/pickdate.h"
#include "ui/procedures.h"
#include "ui/statusline.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <cstdio>

namespace korvalen {

using namespace keys;

namespace {

constexpr const char *kDayNames[WeekView::kDays] = {"Mon.", "Tue.", "Wed.", "Thur.",
                                                    "Fri.", "Sat.", "Sun."};
constexpr const char *kHelpTopic = "~WEEKVIEW";
constexpr const char *kIniSection = "WeekView";

const Picture &weekDatePicture()
{
    static const Picture picture = *Picture::parse("D3");
    return picture;
}

QString shownDate(Date date)
{
    return qs(weekDatePicture().format(date));
}

// The lists' font: the desktop's small one, never below 8 points.
QFont listFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont);
    font.setBold(false);
    if (font.pointSizeF() < 8)
        font.setPointSize(8);
    return font;
}

// The start time as the locator and the scroll box see it: in whole hours,
// so that a digit typed goes to the day's first row at or after that hour.
// 0 stands for "no time", which comes first in a day.
BrowseKeyField hourKeyField()
{
    BrowseKeyField key;
    key.numeric = true;
    key.component = 1;
    key.number = [](const void *row) -> std::int64_t {
        const ClockTime time = static_cast<const DatesRecord *>(row)->TIME;
        return time <= 0 ? 0 : (time - 1) / kHundredthsPerHour;
    };
    key.setNumber = [](void *row, std::int64_t hour) {
        static_cast<DatesRecord *>(row)->TIME =
            hour <= 0 ? 0 : static_cast<ClockTime>(hour * kHundredthsPerHour + 1);
    };
    return key;
}

// The occurrences of `day`: the leading key component pinned, so that a
// fill never reads past the day.
RowSource::Range dayRange(Date day)
{
    DatesRecord pinned;
    pinned.DATE = day;
    return [pinned](Cursor &cursor) { cursor.setRangeEqual(1, &pinned); };
}

// The columns of a day list, stacked into its four lines (time; name, with
// the activity number beside it on Monday; people; a blank line).
enum DayColumn
{
    TimeColumn,
    NameColumn,
    PeopleColumn,
    NumberColumn
};

std::vector<BrowseColumn> dayColumns(bool monday, std::function<std::string(std::int32_t)> peopleOf)
{
    BrowseColumn time = numberColumn("", 36, "T3B", &DatesRecord::TIME);
    time.alignRight = false;
    time.indent = 4;
    BrowseColumn name = textColumn("", 70, "s50", &ActivityRecord::NAME);
    name.fromJoin = true;
    const Picture people18 = *Picture::parse("s18");
    BrowseColumn people{"", 70, 0, false, false, "s18", {}};
    people.value = [people18, peopleOf = std::move(peopleOf)](const void *row) {
        return people18.formatText(peopleOf(static_cast<const DatesRecord *>(row)->ACTNUMBER));
    };
    std::vector<BrowseColumn> columns = {time, name, people};
    if (monday) {
        BrowseColumn number = numberColumn("", 52, "n-13", &DatesRecord::ACTNUMBER);
        number.alignRight = false;
        columns.push_back(number);
    }
    return columns;
}

std::vector<ColumnStack> dayStacks(bool monday)
{
    std::vector<ColumnStack> stacks = {{TimeColumn, NameColumn, PeopleColumn, -1}};
    if (monday)
        stacks.push_back({-1, NumberColumn, -1, -1});
    return stacks;
}

} // namespace

// ---------------------------------------------------------------------------

WeekView::WeekView(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context), m_weekDate(context.clock.today()),
      m_monday(mondayOf(m_weekDate))
{
    setWindowTitle(tr("Week Summary"));
    setFont(QFont(QStringLiteral("Arial"), 10, QFont::Bold));
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(createWeekEntry());
    layout->addLayout(createDays(), 1);
    layout->addLayout(createButtons());
    m_statusLine = new StatusLine(*this, context.prompter);
    layout->addWidget(m_statusLine);
    // Coming back from another window, a form or a message box shows what
    // changed meanwhile.
    m_focusRefresh = refreshOnFocusRegained(*this, [this] { refreshWeek(Refresh::Full); });
    showWeekDate();
    resize(1000, 560);
}

WeekView::~WeekView()
{
    disconnect(m_focusRefresh);
    finishUp();
}

QLayout *WeekView::createWeekEntry()
{
    m_entry = new QLineEdit(this);
    m_entry->setObjectName("weekDate");
    m_entry->setToolTip(tr("Enter a date from the week desired"));
    m_entry->setStatusTip(tr("Date to include"));
    m_entry->setFixedWidth(m_entry->fontMetrics().horizontalAdvance("Mmm 00,00000") + 12);
    m_entry->installEventFilter(this);
    m_calendar = new QPushButton(tr("Cal"), this);
    m_calendar->setObjectName("calendar");
    m_calendar->setAutoDefault(true);
    m_calendar->setToolTip(tr("Pop up calendar"));
    m_calendar->setStatusTip(tr("Pop up calendar"));
    m_calendar->setFixedWidth(m_calendar->fontMetrics().horizontalAdvance("Cal") + 24);
    connect(m_calendar, &QPushButton::clicked, this, &WeekView::pickWeek);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Week Containing: "), this));
    row->addWidget(m_entry);
    row->addWidget(m_calendar);
    row->addStretch(1);
    return row;
}

QLayout *WeekView::createDays()
{
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    for (int day = 0; day < kDays; ++day) {
        createDay(day);
        Day &shown = m_days[static_cast<std::size_t>(day)];
        auto *heading = new QHBoxLayout;
        heading->setSpacing(6);
        heading->addWidget(shown.name);
        heading->addWidget(shown.date, 1);
        auto *buttons = new QHBoxLayout;
        buttons->addWidget(shown.change);
        buttons->addWidget(shown.remove);
        grid->addLayout(heading, 0, day);
        grid->addWidget(shown.list, 1, day);
        grid->addLayout(buttons, 2, day);
        grid->setColumnStretch(day, day == 0 ? 122 : 70);
    }
    grid->setRowStretch(1, 1);
    return grid;
}

void WeekView::createDay(int day)
{
    AppData &data = m_context.data;
    Day &shown = m_days[static_cast<std::size_t>(day)];
    const bool monday = day == 0;
    KeyedListConfig config;
    config.file = &data.dates;
    config.key = DAT_DATETIME_KEY;
    config.keyField = hourKeyField();
    shown.shown = m_monday + day;
    config.range = dayRange(shown.shown);
    config.columns = dayColumns(monday, [this](std::int32_t actNumber) {
        return m_people ? m_people->textOf(actNumber) : std::string();
    });
    config.join = {&data.activity, ACT_ACTNUMBER_KEY, [](const void *row, void *activity) {
                       static_cast<ActivityRecord *>(activity)->ACTNUMBER =
                           static_cast<const DatesRecord *>(row)->ACTNUMBER;
                   }};
    config.otherFiles = {&data.personAct};
    config.linesPerRow = 4;

    shown.list = new KeyedListControl(m_context, std::move(config), this);
    KeyedListControl &list = *shown.list;
    list.setObjectName(QString("day%1").arg(day));
    list.setFont(listFont());
    list.setStacks(dayStacks(monday));
    list.table()->horizontalHeader()->hide();
    list.table()->setStatusTip(tr("Browsing Records"));
    list.setMinimumWidth(dialogUnitsToPixels(list.font(), monday ? 122 : 70) +
                         list.scrollBar()->sizeHint().width() + 4);
    ListControl::Hooks hooks;
    hooks.enter = [this, day](bool) { change(day); };
    hooks.deleteKey = [this, day] { remove(day); };
    hooks.typed = [this, day](const QString &text) {
        dayList(day).list().locate(text.toStdString());
    };
    hooks.doubleClicked = [this, day] { change(day); };
    hooks.rightClicked = [this, day](int, const QPoint &position) { showPopup(day, position); };
    list.setHooks(std::move(hooks));
    connect(&list, &KeyedListControl::pageShown, this, [this, day] { listShown(day); });
    // Queued: the list asks while it is still reading.
    connect(&list, &KeyedListControl::closeRequested, this, &WeekView::close, Qt::QueuedConnection);

    shown.name = new QLabel(tr(kDayNames[day]), this);
    shown.date = new QLabel(this);
    shown.date->setObjectName(QString("date%1").arg(day));
    shown.change = new QPushButton(tr("&Change"), this);
    shown.remove = new QPushButton(tr("&Delete"), this);
    for (QPushButton *button : {shown.change, shown.remove})
        button->setAutoDefault(true);
    connect(shown.change, &QPushButton::clicked, this, [this, day] { change(day); });
    connect(shown.remove, &QPushButton::clicked, this, [this, day] { remove(day); });
}

QLayout *WeekView::createButtons()
{
    m_insert = new QPushButton(tr("Insert"), this);
    m_insert->setToolTip(tr("Add a nrew activity"));
    m_insert->setStatusTip(tr("Add a new activity"));
    m_close = new QPushButton(tr("Close"), this);
    m_help = new QPushButton(tr("Help"), this);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton *button : {m_insert, m_close, m_help}) {
        button->setAutoDefault(true);
        row->addWidget(button);
    }
    connect(m_insert, &QPushButton::clicked, this, &WeekView::insert);
    connect(m_close, &QPushButton::clicked, this, [this] { close(); });
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_context.showHelp)
            m_context.showHelp(kHelpTopic);
    });
    return row;
}

bool WeekView::start()
{
    AppData &data = m_context.data;
    for (DataFile *file : {&data.activity, &data.dates, &data.personAct}) {
        m_uses.push_back(std::make_unique<FileUse>(*file, m_context.prompter));
        if (!m_uses.back()->status().ok()) {
            m_uses.clear();
            return false;
        }
    }
    m_people = std::make_unique<ParticipantsReader>(data.personAct);
    {
        QScopedValueRollback busy(m_refreshing, true);
        for (int day = 0; day < kDays && !hasFailed(); ++day) {
            if (!dayList(day).list().openList(false))
                break;
        }
    }
    if (hasFailed()) {
        finishUp();
        return false;
    }
    m_started = true;
    refreshWeek(Refresh::Selection);
    m_insert->setEnabled(m_context.procedures->hasCalled("UPDATEACT"));
    m_entry->setFocus();
    return true;
}

bool WeekView::hasFailed() const
{
    for (const Day &day : m_days) {
        if (day.list->list().hasFailed())
            return true;
    }
    return false;
}

Date WeekView::dayOf(int day) const
{
    return m_days[static_cast<std::size_t>(day)].shown;
}

void WeekView::showDay(int day, Date date)
{
    Day &shown = m_days[static_cast<std::size_t>(day)];
    shown.shown = date;
    shown.list->list().setRange(dayRange(date));
}

void WeekView::refreshWeek(Refresh how)
{
    if (!m_started || m_finished || m_refreshing)
        return;
    QScopedValueRollback busy(m_refreshing, true);
    m_monday = mondayOf(m_weekDate);
    m_context.globals.Calstart = m_monday;
    for (int day = 0; day < kDays && !m_finished && !hasFailed(); ++day) {
        const Date date = m_monday + day;
        Day &shown = m_days[static_cast<std::size_t>(day)];
        if (shown.shown != date)
            showDay(day, date);
        else if (how != Refresh::Selection)
            shown.list->list().refresh();
        shown.date->setText(shownDate(date));
        updateButtons(day);
    }
}

void WeekView::listShown(int day)
{
    updateButtons(day);
    // A highlight the user moved is a new selection: the week follows the
    // week date typed meanwhile.
    refreshWeek(Refresh::Selection);
}

void WeekView::updateButtons(int day)
{
    const Day &shown = m_days[static_cast<std::size_t>(day)];
    const bool rows = !shown.list->list().rows().empty();
    shown.change->setEnabled(rows && m_context.procedures->hasCalled("UPDATEACT"));
    shown.remove->setEnabled(rows && m_context.procedures->hasCalled("DELACT"));
}

void WeekView::suspendLists()
{
    for (Day &day : m_days)
        day.list->list().suspend();
}

void WeekView::resumeLists()
{
    for (Day &day : m_days)
        day.list->list().resume();
}

bool WeekView::callProcedure(const char *name, std::int32_t request)
{
    SharedGlobals &globals = m_context.globals;
    // The lists give up their reads, so that the form may write freely.
    suspendLists();
    globals.request = request;
    globals.response = RequestCancelled;
    const bool completed =
        m_context.procedures->call(name, m_context) && globals.response == RequestCompleted;
    globals.request = 0;
    resumeLists();
    return completed;
}

void WeekView::change(int day)
{
    const Day &shown = m_days[static_cast<std::size_t>(day)];
    if (!shown.change->isEnabled() || m_finished)
        return;
    KeyedList &list = shown.list->list();
    AppData &data = m_context.data;
    bool completed = false;
    {
        QScopedValueRollback busy(m_refreshing, true);
        if (!list.reread(false))
            return;
        const BrowseRow *row = list.pages().current();
        const DatesRecord chosen = data.DAT;
        if (row && row->joined)
            data.ACT = *static_cast<const ActivityRecord *>(row->joined.get());
        data.ACT.ACTNUMBER = chosen.ACTNUMBER;
        completed = callProcedure("UPDATEACT", ChangeRecord);
        if (m_finished)
            return;
        if (completed) {
            // The day from where the occurrence stood, whatever the form
            // made of it.
            DatesRecord from;
            from.DATE = shown.shown;
            from.TIME = chosen.TIME;
            from.ENDTIME = chosen.ENDTIME;
            list.pages().repositionAtKey(&from, 3);
        } else {
            list.rebuildAfterForm(false);
        }
    }
    shown.list->setFocus();
    refreshWeek(Refresh::Changed);
}

void WeekView::remove(int day)
{
    const Day &shown = m_days[static_cast<std::size_t>(day)];
    if (!shown.remove->isEnabled() || m_finished)
        return;
    KeyedList &list = shown.list->list();
    AppData &data = m_context.data;
    {
        QScopedValueRollback busy(m_refreshing, true);
        // The occurrence read again by its position: current in DATES.
        if (!list.reread(false))
            return;
        data.ACT.ACTNUMBER = data.DAT.ACTNUMBER;
        // It answers cancelled whatever it did: the week is shown anew.
        (void)callProcedure("DELACT", 0);
    }
    if (m_finished)
        return;
    shown.list->setFocus();
    refreshWeek(Refresh::Full);
}

void WeekView::insert()
{
    if (!m_insert->isEnabled() || m_finished)
        return;
    AppData &data = m_context.data;
    bool completed = false;
    DatesRecord entered;
    {
        QScopedValueRollback busy(m_refreshing, true);
        data.DAT = {};
        completed = callProcedure("UPDATEACT", InsertRecord);
        entered = data.DAT;
    }
    if (m_finished)
        return;
    refreshWeek(Refresh::Full);
    if (completed)
        showEntered(data.ACT.ACTNUMBER, entered);
}

void WeekView::showEntered(std::int32_t actNumber, const DatesRecord &entered)
{
    QScopedValueRollback busy(m_refreshing, true);
    // The occurrence typed, when the form leaves it in the DATES buffer:
    // its day's list is shown from it, wherever the day's page stood.
    const int enteredDay = entered.ACTNUMBER == actNumber ? entered.DATE - m_monday : -1;
    if (enteredDay >= 0 && enteredDay < kDays)
        dayList(enteredDay).list().pages().repositionAtKey(&entered, 3);
    bool focused = false;
    for (int day = 0; day < kDays; ++day) {
        KeyedList &list = dayList(day).list();
        const std::deque<BrowseRow> &rows = list.rows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (static_cast<const DatesRecord *>(rows[i].record.get())->ACTNUMBER != actNumber)
                continue;
            list.setCurrentRow(static_cast<int>(i) + 1);
            if (!focused || day == enteredDay)
                dayList(day).setFocus();
            focused = true;
            break;
        }
    }
}

void WeekView::pickWeek()
{
    const std::optional<Date> picked = pickFromCalendar(m_context);
    if (m_finished)
        return;
    if (!picked) {
        m_entry->setFocus();
        return;
    }
    m_weekDate = *picked;
    showWeekDate();
    refreshWeek(Refresh::Full);
}

int WeekView::showPopup(int day, const QPoint &position)
{
    const Day &shown = m_days[static_cast<std::size_t>(day)];
    const std::vector<PagedBrowse::PopupItem> items = {{"&Change", shown.change->isEnabled(), 1},
                                                       {"&Delete", shown.remove->isEnabled(), 2}};
    delete m_popup;
    m_popup = new QMenu(this);
    const int item = execPopupMenu(*m_popup, *shown.list->table()->viewport(), items, position);
    if (item == 1)
        change(day);
    else if (item == 2)
        remove(day);
    return item;
}

void WeekView::showWeekDate()
{
    m_entry->setText(shownDate(m_weekDate));
    m_entry->setModified(false);
}

bool WeekView::acceptWeekDate(bool keepFocus)
{
    const QString typed = m_entry->text().trimmed();
    m_entry->setModified(false);
    if (typed.isEmpty()) {
        // A blank week date keeps the week shown.
        showWeekDate();
        return true;
    }
    const std::optional<std::int64_t> value = weekDatePicture().parseInput(typed.toStdString());
    if (!value || *value == 0) {
        showWeekDate();
        m_statusLine->refuseValue(m_entry,
                                  tr("\"%1\" is not a date; type one as %2")
                                      .arg(typed, shownDate(m_context.clock.today())),
                                  keepFocus);
        return false;
    }
    // Taken, not shown: the week follows at the next refresh.
    m_weekDate = static_cast<Date>(*value);
    showWeekDate();
    return true;
}

bool WeekView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_entry)
        return QDialog::eventFilter(watched, event);
    if (isEnterPress(event)) {
        if (acceptWeekDate(true))
            dayList(0).setFocus(Qt::TabFocusReason);
        return true;
    }
    if (event->type() == QEvent::FocusOut && m_entry->isModified()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            acceptWeekDate(false);
    }
    return QDialog::eventFilter(watched, event);
}

void WeekView::finishUp()
{
    if (m_finished)
        return;
    m_finished = true;
    for (Day &day : m_days) {
        if (day.list)
            day.list->list().closeList();
    }
    m_people.reset();
    m_uses.clear();
    if (!m_started)
        return; // never shown: nothing to write
    const std::filesystem::path &directory = m_context.data.database.directory();
    writeIniEntry(directory, kIniSection, "menutest", qs(m_context.launchOrigin.padded()));
    saveWindowPosition(*this, directory, kIniSection);
    m_context.launchOrigin = "";
    m_context.globals.response = RequestCancelled;
}

void WeekView::closeEvent(QCloseEvent *event)
{
    finishUp();
    QDialog::closeEvent(event);
}

void WeekView::reject()
{
    finishUp();
    QDialog::reject();
}

// ---------------------------------------------------------------------------

QWidget *WEEKVIEW(AppContext &context)
{
    auto view = std::make_unique<WeekView>(context);
    if (!view->start())
        return nullptr;
    view->setAttribute(Qt::WA_DeleteOnClose);
    return view.release();
}

void viewWeek(AppContext &context)
{
    WeekView view(context);
    if (view.start())
        view.exec();
    context.globals.response = RequestCancelled;
}

// ---------------------------------------------------------------------------

namespace {

// Whether the week from `monday` holds `enough` occurrences already.
bool isBusyWeek(DataFile &dates, Date monday, int enough)
{
    DatesRecord low, high;
    low.DATE = monday;
    high.DATE = monday + WeekView::kDays - 1;
    TypedCursor<DatesRecord> cursor(dates, DAT_DATETIME_KEY);
    cursor.setRangeBetween(1, low, high);
    cursor.setStart();
    int found = 0;
    while (found < enough && cursor.next().ok())
        ++found;
    return found >= enough;
}

// A busy sample week around today for the pictures, added unless the week
// is busy already.
void addSampleWeek(AppContext &context)
{
    AppData &data = context.data;
    const Date monday = mondayOf(context.clock.today());
    if (isBusyWeek(data.dates, monday, 10))
        return;
    const struct
    {
        const char *name;
        std::vector<const char *> people;
        std::vector<int> days;
        int hour, minute, hours;
    } samples[] = {
        {"Yoga", {"Mom"}, {0, 2, 4}, 6, 30, 1},
        {"Car service", {"Dad"}, {1}, 8, 0, 2},
        {"Dentist", {"Anna", "Mom"}, {2}, 10, 30, 1},
        {"Piano lesson", {"Anna"}, {0, 3}, 16, 0, 1},
        {"Soccer practice", {"Bo", "Cy", "Dad"}, {1, 3}, 17, 30, 2},
        {"Book club", {"Dad"}, {2}, 19, 30, 2},
        {"Take out recycling", {}, {0}, 0, 0, 0},
        {"School play rehearsal", {"Cy"}, {4}, 15, 30, 2},
        {"Grocery run", {}, {5}, 9, 0, 1},
        {"Swimming", {"Anna", "Bo", "Cy"}, {5}, 11, 0, 1},
        {"Family dinner at Grandma's", {"Mom", "Dad", "Anna", "Bo", "Cy"}, {6}, 17, 0, 3},
        {"Homework club", {"Bo"}, {0, 1, 2, 3}, 15, 0, 1},
        {"Parent-teacher meeting", {"Mom", "Dad"}, {2}, 18, 0, 1},
        {"Library books due", {"Anna"}, {2}, 0, 0, 0},
        {"Orchestra", {"Anna"}, {2}, 16, 30, 2},
    };
    std::int32_t number = 0;
    {
        TypedCursor<ActivityRecord> last(data.activity, ACT_ACTNUMBER_KEY);
        if (last.previous().ok())
            number = last.record().ACTNUMBER;
    }
    for (const auto &sample : samples) {
        data.ACT = {};
        data.ACT.ACTNUMBER = ++number;
        data.ACT.NAME = sample.name;
        (void)data.activity.add();
        for (const char *person : sample.people) {
            data.PER = {number, Text<10>(person)};
            (void)data.personAct.add();
        }
        for (int day : sample.days) {
            const ClockTime time = sample.hour == 0 ? 0
                                                    : sample.hour * kHundredthsPerHour +
                                                          sample.minute * kHundredthsPerMinute + 1;
            data.DAT = {};
            data.DAT.ACTNUMBER = number;
            data.DAT.DATE = monday + day;
            data.DAT.TIME = time;
            data.DAT.ENDTIME = time == 0 ? 0 : time + sample.hours * kHundredthsPerHour;
            (void)data.dates.add();
        }
    }
}

} // namespace

bool renderWeekView(AppContext &context, const QString &directory)
{
    const SharedGlobals keptGlobals = context.globals;
    const Text<4> keptOrigin = context.launchOrigin;
    AppData &data = context.data;
    std::vector<std::unique_ptr<FileUse>> uses;
    for (DataFile *file : {&data.activity, &data.dates, &data.personAct})
        uses.push_back(std::make_unique<FileUse>(*file, context.prompter));
    addSampleWeek(context);
    bool saved = false;
    {
        WeekView view(context);
        if (view.start()) {
            view.setAttribute(Qt::WA_DontShowOnScreen);
            view.resize(1060, 600);
            view.show();
            QApplication::processEvents();
            // What activating the window does; an offscreen window is not
            // activated.
            view.refreshWeek(WeekView::Refresh::Full);
            view.dayList(2).list().setCurrentRow(2);
            QApplication::processEvents();
            const QString path = QDir(directory).filePath("weekview.png");
            saved = view.grab().save(path, "PNG");
            std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
            view.close();
        }
    }
    uses.clear();
    context.globals = keptGlobals;
    context.launchOrigin = keptOrigin;
    return saved;
}

} // namespace korvalen
