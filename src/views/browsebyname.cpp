#include "views/browsebyname.h"

#include "runtime/dates.h"
#include "runtime/pictures.h"
#include "storage/cursor.h"
#include "storage/openfile.h"
#include "ui/appcontext.h"
#include "ui/browselist.h"
#include "ui/formkit.h"
#include "ui/listview.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace korvalen {

using namespace keys;

namespace {

// Limits a side list (PERSONACT or DATES, both keyed on the activity number
// alone) to the activity `number`, or to nothing when there is none.
template <class Record> void pinToActivity(Cursor &cursor, std::optional<std::int32_t> number)
{
    Record low;
    if (number) {
        low.ACTNUMBER = *number;
        cursor.setRangeEqual(1, &low);
        return;
    }
    Record high;
    low.ACTNUMBER = 1;
    high.ACTNUMBER = 0;
    cursor.setRangeBetween(1, &low, &high);
}

// A column shown from `indent` dialog units, to the left.
BrowseColumn indented(BrowseColumn column, int indent)
{
    column.indent = indent;
    column.alignRight = false;
    return column;
}

BrowseColumn bordered(BrowseColumn column)
{
    column.rightBorder = true;
    column.alignRight = false;
    return column;
}

// Widens column `column` of `list` to `pixels` where the font runs wider
// than the one its width was made for.
void widenColumn(ListControl &list, int column, int pixels)
{
    QTableView *table = list.table();
    table->setColumnWidth(column, std::max(table->columnWidth(column), pixels));
}

// Widens column `column` of `list` so that the longest of `samples` shows
// whole.
void fitColumn(ListControl &list, int column, const std::vector<std::string> &samples)
{
    const QFontMetrics metrics = list.table()->fontMetrics();
    int widest = 0;
    for (const std::string &sample : samples)
        widest = std::max(widest, metrics.horizontalAdvance(qs(sample + "  ")));
    widenColumn(list, column, widest);
}

// Keeps `list` at least as wide as its columns and its scroll bar.
void keepColumnsVisible(ListControl &list)
{
    QTableView *table = list.table();
    int width = 2 * table->frameWidth() + list.scrollBar()->sizeHint().width();
    for (int column = 0; column < table->model()->columnCount(); ++column)
        width += table->columnWidth(column);
    list.setMinimumWidth(width);
}

} // namespace

BrowseByNameWindow::BrowseByNameWindow(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setWindowTitle(tr("Browse Activities By Activity Name"));
    setFont(boldSmallDialogFont());
    createLists();
    createLayout();
    m_focusRefresh = refreshOnFocusRegained(*this, [this] { refresh(); });
    resize(sizeHint().width(), 320);
}

BrowseByNameWindow::~BrowseByNameWindow()
{
    // Children losing the focus while they are destroyed must not reach a
    // window that is already half gone.
    disconnect(m_focusRefresh);
    closeLists();
}

void BrowseByNameWindow::createLists()
{
    AppData &data = m_context.data;
    BrowseConfig activities;
    activities.file = &data.activity;
    activities.key = ACT_NAME_KEY;
    activities.keyField = textKeyField(&ActivityRecord::NAME);
    activities.columns = {
        bordered(textColumn("Activity", 126, "s30", &ActivityRecord::NAME)),
        indented(numberColumn("Actnumber", 52, "n-13", &ActivityRecord::ACTNUMBER), 4),
        indented(textColumn("Group", 40, "s10", &ActivityRecord::GROUP), 4)};
    m_activities = new BrowseList(m_context, std::move(activities), this);
    m_locator =
        std::make_unique<IncrementalLocator>(m_activities->browse().pages(), kLocatorLength);

    // The side lists read the activity number the highlighted row carries,
    // never the activity record itself.
    BrowseConfig people;
    people.file = &data.personAct;
    people.key = PER_ACTIVITY_KEY;
    people.keyField = numberKeyField(&PersonActRecord::ACTNUMBER);
    people.range = [this](Cursor &cursor) { pinToActivity<PersonActRecord>(cursor, m_pinned); };
    people.columns = {textColumn("", 40, "s10", &PersonActRecord::PERSON)};
    m_people = new BrowseList(m_context, std::move(people), this);

    BrowseConfig dates;
    dates.file = &data.dates;
    dates.key = DAT_ACTNUMBER_KEY;
    dates.keyField = numberKeyField(&DatesRecord::ACTNUMBER);
    dates.range = [this](Cursor &cursor) { pinToActivity<DatesRecord>(cursor, m_pinned); };
    dates.columns = {bordered(numberColumn("Date", 48, "D3", &DatesRecord::DATE)),
                     bordered(numberColumn("Start", 32, "T3B", &DatesRecord::TIME)),
                     bordered(numberColumn("End", 32, "T3B", &DatesRecord::ENDTIME))};
    m_dates = new BrowseList(m_context, std::move(dates), this);

    m_activities->setObjectName("activities");
    m_people->setObjectName("people");
    m_dates->setObjectName("dates");
    m_activities->setToolTip(tr("Names of exisitng activities"));
    m_people->setToolTip(tr("People involved with the highlighted activity"));
    m_dates->setToolTip(tr("Dates and times of the highlighted activity"));
    m_people->table()->horizontalHeader()->hide();
    connect(m_activities, &BrowseList::buttonsChanged, this, [this] { activityHighlighted(); });
    for (BrowseList *list : {m_activities, m_people, m_dates}) {
        // After the read that failed has unwound, not inside it.
        connect(
            list, &BrowseList::closeRequested, this, [this] { close(); }, Qt::QueuedConnection);
    }
    setListKeys();
    fitColumns();
}

void BrowseByNameWindow::setListKeys()
{
    // Enter, Insert, Delete and the right button do nothing here; a double
    // click only highlights its row, as its press did.
    ListControl::Hooks activityHooks;
    activityHooks.enter = [](bool) {};
    activityHooks.typed = [this](const QString &text) { m_locator->type(text.toStdString()); };
    m_activities->setHooks(activityHooks);
    // Backspace reaches this window's filter before the list's own.
    m_activities->table()->installEventFilter(this);
    for (BrowseList *side : {m_people, m_dates}) {
        ListControl::Hooks hooks;
        hooks.enter = [](bool) {};
        // Every row of a side list has the one key value it is pinned to:
        // a key typed there leads to its first row.
        hooks.typed = [side](const QString &text) {
            if (text != QStringLiteral(" ") && !side->browse().rows().empty())
                side->browse().top();
        };
        side->setHooks(hooks);
    }
}

void BrowseByNameWindow::fitColumns()
{
    std::vector<std::string> dateSamples;
    for (int month = 1; month <= 12; ++month)
        dateSamples.push_back(formatDate(makeDate(month, 28, 2000), "D3"));
    const std::vector<std::string> timeSamples = {formatTime(12 * kHundredthsPerHour + 1),
                                                  formatTime(22 * kHundredthsPerHour + 1)};
    // The name column holds the 30 characters shown of a name, taken as
    // wide as a lower-case n each: the bold face runs wider than the
    // average character the dialog units count in.
    const QFontMetrics metrics = m_activities->table()->fontMetrics();
    widenColumn(*m_activities, 0, metrics.horizontalAdvance(QString(32, QLatin1Char('n'))));
    fitColumn(*m_dates, 0, dateSamples);
    fitColumn(*m_dates, 1, timeSamples);
    fitColumn(*m_dates, 2, timeSamples);
    for (ListControl *list : {m_activities, m_people, m_dates})
        keepColumnsVisible(*list);
}

void BrowseByNameWindow::createLayout()
{
    auto *peoplePrompt = new QLabel(tr("People For Activity "), this);
    auto *datesPrompt = new QLabel(tr("Dates and Times of Activity"), this);
    m_close = new QPushButton(tr("Close"), this);
    m_help = new QPushButton(tr("Help"), this);
    m_close->setObjectName("close");
    m_help->setObjectName("help");
    for (QPushButton *button : {m_close, m_help}) {
        // Enter in a list is not a press of a button.
        button->setAutoDefault(false);
    }
    connect(m_close, &QPushButton::clicked, this, [this] { close(); });
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_context.showHelp)
            m_context.showHelp("~BRWACTNAME");
    });

    auto *peopleColumn = new QVBoxLayout;
    peopleColumn->addWidget(peoplePrompt);
    peopleColumn->addWidget(m_people, 1);
    auto *datesColumn = new QVBoxLayout;
    datesColumn->addWidget(datesPrompt);
    datesColumn->addWidget(m_dates, 1);
    auto *lists = new QHBoxLayout;
    lists->addWidget(m_activities, 5);
    lists->addLayout(peopleColumn, 2);
    lists->addLayout(datesColumn, 4);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    buttons->addWidget(m_help);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    setTabOrder(m_activities, m_people);
    setTabOrder(m_people, m_dates);
    setTabOrder(m_dates, m_close);
    setTabOrder(m_close, m_help);
}

bool BrowseByNameWindow::start()
{
    m_closed = false;
    m_locator->clear();
    // The activities first: their first page gives the side lists their
    // activity (activityHighlighted) before these read.
    if (!m_activities->browse().open())
        return false;
    if (!m_people->browse().open() || !m_dates->browse().open()) {
        closeLists();
        return false;
    }
    m_activities->setFocus();
    return true;
}

void BrowseByNameWindow::activityHighlighted()
{
    const BrowseRow *row = m_activities->browse().pages().current();
    std::optional<std::int32_t> number;
    if (row)
        number = static_cast<const ActivityRecord *>(row->record.get())->ACTNUMBER;
    if (number != m_pinned)
        showActivity(number);
}

void BrowseByNameWindow::showActivity(std::optional<std::int32_t> number)
{
    m_pinned = number;
    ++m_pins;
    for (BrowseList *side : {m_people, m_dates})
        side->browse().setRange(side->browse().listConfig().range);
}

void BrowseByNameWindow::refresh()
{
    if (m_closed)
        return;
    const int pins = m_pins;
    m_activities->browse().refresh();
    // Pinned anew when the highlight landed on another activity; otherwise
    // the side lists keep their place and show what changed.
    if (m_pins == pins) {
        m_people->browse().refresh();
        m_dates->browse().refresh();
    }
}

bool BrowseByNameWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_activities->table() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Backspace) {
        m_locator->backspace();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void BrowseByNameWindow::closeLists()
{
    if (m_closed)
        return;
    m_closed = true;
    // The buffers are left holding the highlighted records as stored.
    for (BrowseList *list : {m_activities, m_people, m_dates}) {
        PagedBrowse &browse = list->browse();
        if (browse.isOpen() && browse.currentRow() > 0)
            (void)browse.reread(false);
    }
    for (BrowseList *list : {m_activities, m_people, m_dates})
        (void)list->browse().close();
}

void BrowseByNameWindow::done(int result)
{
    closeLists();
    QDialog::done(result);
}

void BrowseByNameWindow::closeEvent(QCloseEvent *event)
{
    closeLists();
    QDialog::closeEvent(event);
}

// ---------------------------------------------------------------------------
// Entry points

void BROWSEBYNAME(AppContext &context)
{
    BrowseByNameWindow window(context);
    if (window.start())
        window.exec();
    context.globals.response = RequestCancelled;
}

QWidget *startBrowseByName(AppContext &context)
{
    auto *window = new BrowseByNameWindow(context);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->start()) {
        delete window;
        return nullptr;
    }
    QObject::connect(window, &QDialog::finished,
                     [&context] { context.globals.response = RequestCancelled; });
    return window;
}

// ---------------------------------------------------------------------------
// The picture

namespace {

struct SampleActivity
{
    const char *name;
    const char *group;
    std::vector<const char *> people;
    int firstDay;  // days from today
    int every;     // days between dates
    int count;     // dates
    int startHour; // 0: no time
    int endHour;
};

// A few activities with their people and dates, added unless the first of
// them is there already.
bool addSampleActivities(AppData &data, Date today)
{
    const std::vector<SampleActivity> samples = {
        {"Piano lesson", "", {"Anna"}, 1, 7, 8, 16, 17},
        {"Badminton club", "Kids", {"Anna", "Ben", "Mia"}, 2, 7, 10, 18, 20},
        {"Ballet", "", {"Mia"}, 3, 7, 6, 17, 18},
        {"Bin day", "", {}, 0, 14, 6, 0, 0},
        {"Choir", "Parents", {"Mom", "Dad"}, 4, 7, 5, 19, 21},
        {"Dentist check-up", "", {"Ben"}, 12, 1, 1, 9, 10},
        {"Football practice for the under twelves team", "Kids", {"Ben", "Theo"}, 1, 7, 9, 17, 19},
        {"Grandma's birthday dinner", "", {"Anna", "Ben", "Mia", "Mom", "Dad"}, 20, 1, 1, 18, 22},
        {"Swimming", "Kids", {"Mia", "Theo"}, 5, 7, 8, 10, 11},
        {"Parent-teacher meeting", "Parents", {"Mom"}, 9, 1, 1, 15, 16},
        {"Car service", "", {"Dad"}, 16, 1, 1, 8, 0},
        {"Library books due", "", {}, 6, 21, 3, 0, 0},
    };
    data.ACT = {};
    data.ACT.NAME = samples.front().name;
    if (data.activity.get(ACT_NAME_KEY).ok())
        return true;
    // Numbers follow the highest stored one.
    std::int32_t number = 0;
    data.activity.set(ACT_ACTNUMBER_KEY);
    if (data.activity.previous().ok())
        number = data.ACT.ACTNUMBER;
    data.activity.cursor().release();
    for (const SampleActivity &sample : samples) {
        data.ACT = {};
        data.ACT.ACTNUMBER = ++number;
        data.ACT.NAME = sample.name;
        data.ACT.GROUP = sample.group;
        data.ACT.REPEATTYPE = sample.count > 1 ? "Fixed Days" : "No Repeats";
        if (!data.activity.add().ok())
            return false;
        for (const char *person : sample.people) {
            data.PER = {number, Text<10>(person)};
            if (!data.personAct.add().ok())
                return false;
        }
        for (int i = 0; i < sample.count; ++i) {
            data.DAT = {};
            data.DAT.ACTNUMBER = number;
            data.DAT.DATE = today + sample.firstDay + i * sample.every;
            data.DAT.TIME = sample.startHour ? sample.startHour * kHundredthsPerHour + 1 : 0;
            data.DAT.ENDTIME = sample.endHour ? sample.endHour * kHundredthsPerHour + 1 : 0;
            if (!data.dates.add().ok())
                return false;
        }
    }
    return true;
}

} // namespace

bool renderBrowseByName(AppContext &context, const QString &directory)
{
    AppData &data = context.data;
    FileUse activity(data.activity, context.prompter);
    FileUse personAct(data.personAct, context.prompter);
    FileUse dates(data.dates, context.prompter);
    if (!addSampleActivities(data, context.clock.today()))
        return false;
    const SharedGlobals kept = context.globals;
    bool saved = false;
    {
        BrowseByNameWindow window(context);
        window.setAttribute(Qt::WA_DontShowOnScreen);
        if (window.start()) {
            window.show();
            QApplication::processEvents();
            // "Ba" typed: the first activity from "Ba" on, its people and
            // dates beside it.
            for (QChar typed : QStringLiteral("Ba")) {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(typed));
                QApplication::sendEvent(window.activities().table(), &press);
            }
            window.dates().browse().lineDown();
            QApplication::processEvents();
            const QString path = QDir(directory).filePath("browsebyname.png");
            saved = window.grab().save(path);
            std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
            window.close();
        }
    }
    context.globals = kept;
    return saved;
}

} // namespace korvalen
