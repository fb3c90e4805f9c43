#include "views/browsebydate.h"

#include "runtime/pictures.h"
#include "storage/openfile.h"
#include "storage/table.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"
#include "ui/browselist.h"
#include "ui/formkit.h"
#include "ui/inifile.h"
#include "ui/listview.h"
#include "ui/pagedbrowse.h"
#include "ui/pickdate.h"
#include "ui/procedures.h"
#include "views/occurrencesources.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <tuple>

namespace korvalen {

using namespace keys;

namespace {

const char *const kHelpTopic = "~BRWACTGRPDIAL";

// The list control of the occurrences: it tells the window of every page.
class OccurrenceControl : public ListControl
{
public:
    using ListControl::ListControl;
    std::function<void()> onPageChanged;

    void pageChanged() override
    {
        ListControl::pageChanged();
        if (onPageChanged)
            onPageChanged();
    }
};

BrowseColumn leftColumn(BrowseColumn column, bool border, bool fromJoin = false, int indent = 0)
{
    column.alignRight = false;
    column.rightBorder = border;
    column.fromJoin = fromJoin;
    column.indent = indent;
    return column;
}

// Columns of no width are hidden; where the window's font runs wider than
// the one the widths were made for, the day, date and times still show
// whole.
void fitColumns(QTableView &table, const std::vector<BrowseColumn> &columns)
{
    const QFontMetrics metrics = table.fontMetrics();
    const int margin = metrics.horizontalAdvance(QStringLiteral("  "));
    const QString widest[] = {QStringLiteral("Wed."),
                              QStringLiteral("Sep 30,2026"),
                              {},
                              QStringLiteral("10:00PM"),
                              QStringLiteral("10:00PM")};
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        if (columns[static_cast<std::size_t>(i)].width == 0) {
            table.setColumnHidden(i, true);
            continue;
        }
        if (i < 5 && !widest[i].isEmpty())
            table.setColumnWidth(
                i, std::max(table.columnWidth(i), metrics.horizontalAdvance(widest[i]) + margin));
    }
}

PersonActRecord participantsOf(std::int32_t activity)
{
    PersonActRecord pinned;
    pinned.ACTNUMBER = activity;
    return pinned;
}

KeyedListConfig peopleListConfig(AppData &data)
{
    KeyedListConfig config;
    config.file = &data.personAct;
    config.key = PER_ACTIVITY_KEY;
    config.keyField = numberKeyField(&PersonActRecord::ACTNUMBER);
    config.columns = {textColumn("", 40, "s10", &PersonActRecord::PERSON)};
    config.range = [](Cursor &cursor) {
        const PersonActRecord none = participantsOf(0);
        cursor.setRangeEqual(1, &none);
    };
    config.thumbEndsOnly = true;
    return config;
}

} // namespace

BrowseByDateWindow::BrowseByDateWindow(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setWindowTitle(tr("Browse Activities"));
    QFont font = dialogFont();
    font.setBold(true);
    setFont(font);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(createSheet());
    layout->addLayout(createLists(), 1);
    layout->addLayout(createButtons());
    // Coming back from another window, a form or a message box shows what
    // changed meanwhile.
    m_focusRefresh = refreshOnFocusRegained(*this, [this] {
        // The focus coming back from a form this window called: the window
        // read everything after the form already.
        if (!m_readThisTurn)
            refresh();
    });
    resize(640, 420);
}

BrowseByDateWindow::~BrowseByDateWindow()
{
    disconnect(m_focusRefresh);
    finishUp();
    // The controls go while the lists they show still exist.
    delete m_occurrenceControl;
    delete m_peopleControl;
}

QWidget *BrowseByDateWindow::createSheet()
{
    m_sheet = new QTabWidget(this);
    auto page = [this](const char *prompt, const char *tip, QLineEdit **entry, QPushButton **button,
                       const char *over) {
        auto *widget = new QWidget(m_sheet);
        auto *row = new QHBoxLayout(widget);
        if (prompt) {
            row->addWidget(new QLabel(tr(prompt), widget));
            *entry = new QLineEdit(widget);
            (*entry)->setMaxLength(10);
            (*entry)->setToolTip(tr(tip));
            (*entry)->setFixedWidth((*entry)->fontMetrics().horizontalAdvance("MMMMMMMMMM") / 2 +
                                    (*entry)->fontMetrics().horizontalAdvance("0000000000"));
            (*entry)->installEventFilter(this);
            *button = new QPushButton(QStringLiteral("..."), widget);
            (*button)->setFixedWidth((*button)->fontMetrics().horizontalAdvance("...") + 16);
            row->addWidget(*entry);
            row->addWidget(*button);
        }
        row->addStretch(1);
        row->addWidget(new QLabel(tr(over), widget));
        return widget;
    };
    m_sheet->addTab(page(nullptr, nullptr, nullptr, nullptr, "All People For Activity"),
                    tr("By Date  "));
    m_sheet->addTab(page("Person:", "Name of Person", &m_personEntry, &m_personButton,
                         "All People For Activity"),
                    tr("By Person  "));
    m_sheet->addTab(
        page("Group:", "Name of Group", &m_groupEntry, &m_groupButton, "Group Members Involved"),
        tr("By Group  "));
    m_sheet->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(m_sheet, &QTabWidget::currentChanged, this, [this] { refresh(); });
    connect(m_personButton, &QPushButton::clicked, this, [this] { choosePerson(); });
    connect(m_groupButton, &QPushButton::clicked, this, [this] { chooseGroup(); });
    return m_sheet;
}

BrowseColumn BrowseByDateWindow::participationColumn()
{
    // The participation that let the row in: none on the date tab.
    BrowseColumn column =
        leftColumn(numberColumn("Actnumber", 52, "n-13", &DatesRecord::ACTNUMBER), false);
    column.value = [this, number = column.value](const void *row) {
        return m_shownTab == ByDate ? std::string() : number(row);
    };
    return column;
}

QLayout *BrowseByDateWindow::createLists()
{
    AppData &data = m_context.data;
    auto *occurrences = new OccurrenceControl(this);
    m_occurrenceControl = occurrences;
    const std::vector<BrowseColumn> columns = {
        leftColumn(textColumn("Day", 18, "s4", &DatesRecord::DAYNAME), false),
        // The heading's mnemonic is not shown.
        leftColumn(textColumn("  Date", 47, "s11", &DatesRecord::DATETEXT), true),
        leftColumn(numberColumn("Date", 0, "D3", &DatesRecord::DATE), true),
        leftColumn(numberColumn("Start", 33, "T3", &DatesRecord::TIME), true),
        leftColumn(numberColumn("End", 33, "T3B", &DatesRecord::ENDTIME), true),
        leftColumn(textColumn("Activity", 121, "s30", &ActivityRecord::NAME), true, true),
        leftColumn(textColumn("Group", 0, "s10", &ActivityRecord::GROUP), true, true),
        leftColumn(numberColumn("Actnumber", 52, "n-13", &DatesRecord::ACTNUMBER), false, false, 4),
        leftColumn(numberColumn("Actnumber", 52, "n-13", &ActivityRecord::ACTNUMBER), false, true,
                   4),
        participationColumn(),
    };
    m_occurrences = std::make_unique<PagedList>(*occurrences, columns);
    occurrences->setList(*m_occurrences);
    occurrences->onPageChanged = [this] { updateButtons(); };
    m_occurrences->setFailureHandler([this](const Status &status) { fail(status, "DATES"); });
    m_occurrences->setHighlightHandler([this](const BrowseRow *row) {
        AppData &data = m_context.data;
        data.DAT = row ? *static_cast<const DatesRecord *>(row->record.get()) : DatesRecord{};
        showPeopleOf(row);
    });
    QTableView *table = occurrences->table();
    fitColumns(*table, columns);
    // Wide enough to show the first activity number whole: its picture puts
    // the digits at the right end of the column, where a cut-off column
    // would show a heading over blank cells.
    constexpr int kFirstNumberColumn = 7;
    int shownWidth = table->verticalScrollBar()->sizeHint().width() + 2 * table->frameWidth();
    for (int column = 0; column <= kFirstNumberColumn; ++column)
        shownWidth += table->isColumnHidden(column) ? 0 : table->columnWidth(column);
    table->setMinimumWidth(shownWidth);
    table->setStatusTip(tr("Browsing Activities"));
    // Installed after the control's own: these keys are the window's.
    table->installEventFilter(this);
    table->viewport()->installEventFilter(this);
    ListControl::Hooks hooks;
    hooks.doubleClicked = [this] { change(); };
    occurrences->setHooks(std::move(hooks));

    m_peopleControl = new ListControl(this);
    m_people = std::make_unique<KeyedList>(m_context, peopleListConfig(data), *m_peopleControl);
    m_peopleControl->setList(m_people->pages());
    m_peopleControl->table()->horizontalHeader()->hide();
    m_peopleControl->table()->setStatusTip(tr("Viewing People For Activity"));
    m_peopleControl->table()->installEventFilter(this);
    m_peopleControl->setFixedWidth(dialogUnitsToPixels(font(), 40) + 24);

    m_fromEntry = new QLineEdit(this);
    m_fromEntry->setFixedWidth(m_fromEntry->fontMetrics().horizontalAdvance("Mmm 00,00000") + 12);
    m_fromEntry->installEventFilter(this);
    m_cal = new QPushButton(tr("Cal"), this);
    connect(m_cal, &QPushButton::clicked, this, [this] { pickDate(); });
    auto *dateRow = new QHBoxLayout;
    dateRow->addWidget(new QLabel(tr("Display From:"), this));
    dateRow->addWidget(m_fromEntry);
    dateRow->addWidget(m_cal);
    dateRow->addStretch(1);

    auto *left = new QVBoxLayout;
    left->addLayout(dateRow);
    left->addWidget(occurrences, 1);
    auto *lists = new QHBoxLayout;
    lists->addLayout(left, 1);
    lists->addWidget(m_peopleControl);
    return lists;
}

QLayout *BrowseByDateWindow::createButtons()
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    auto button = [this, row](const char *text, auto action) {
        auto *b = new QPushButton(tr(text), this);
        // No button is pressed by an Enter meant for the list or an entry.
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, action);
        row->addWidget(b);
        return b;
    };
    m_insert = button("Insert", [this] { insert(); });
    m_change = button("Change", [this] { change(); });
    m_delete = button("Delete", [this] { remove(); });
    m_close = button("Close", [this] { close(); });
    m_help = button("Help", [this] {
        if (m_context.showHelp)
            m_context.showHelp(kHelpTopic);
    });
    for (QPushButton *b : {m_cal, m_personButton, m_groupButton})
        b->setAutoDefault(false);
    return row;
}

bool BrowseByDateWindow::start()
{
    AppData &data = m_context.data;
    for (DataFile *file : {&data.activity, &data.dates, &data.people, &data.group,
                           &data.groupPeople, &data.personAct}) {
        m_uses.push_back(std::make_unique<FileUse>(*file, m_context.prompter));
        if (!m_uses.back()->status().ok()) {
            m_uses.clear();
            return false;
        }
    }
    m_from = m_context.clock.today();
    m_fromEntry->setText(qs(formatDate(m_from)));
    data.PEO = {};
    data.GRP = {};
    auto source = std::make_unique<OccurrenceSource>(data.dates, data.activity);
    m_source = source.get();
    // The thumb goes to the first or the last page only.
    m_occurrences->open(std::move(source),
                        std::make_unique<KeyLocator>(numberKeyField(&DatesRecord::DATE), true));
    if (!m_people->openList(false))
        return false;
    m_started = true;
    if (!fillFromDisplayDate()) {
        // Never shown: nothing of it is saved.
        m_started = false;
        return false;
    }
    m_occurrenceControl->setFocus();
    return true;
}

BrowseByDateWindow::Tab BrowseByDateWindow::tab() const
{
    return static_cast<Tab>(m_sheet->currentIndex());
}

void BrowseByDateWindow::setTab(Tab tab)
{
    m_sheet->setCurrentIndex(tab);
}

bool BrowseByDateWindow::configureSource()
{
    AppData &data = m_context.data;
    m_shownTab = tab();
    std::vector<std::int32_t> activities;
    Status status;
    const char *file = "";
    auto step = [&status, &file](const char *name, auto read) {
        if (status.ok()) {
            file = name;
            status = read();
        }
    };
    m_members.clear();
    if (m_shownTab == ByDate) {
        m_source->showAll(m_from);
    } else if (m_shownTab == ByPerson) {
        step("PERSONACT", [&] { return activitiesOfPerson(data.personAct, m_person, activities); });
    } else {
        step("GROUPPEOPLE", [&] { return membersOfGroup(data.groupPeople, m_group, m_members); });
        step("PERSONACT",
             [&] { return activitiesOfPeople(data.personAct, m_members, activities); });
    }
    if (m_shownTab != ByDate)
        step("DATES", [&] { return m_source->showActivities(m_from, std::move(activities)); });
    if (!status.ok()) {
        fail(status, file);
        return false;
    }
    // On the group tab the people list shows the group's members only.
    RowSource::Filter members;
    if (m_shownTab == ByGroup) {
        members = [members = m_members](const void *row) {
            const Text<10> &person = static_cast<const PersonActRecord *>(row)->PERSON;
            return std::find(members.begin(), members.end(), person) != members.end();
        };
    }
    m_people->setFilter(std::move(members));
    m_peopleOf = -1;
    return true;
}

bool BrowseByDateWindow::fillFromDisplayDate()
{
    if (!m_started || m_finished)
        return false;
    AppData &data = m_context.data;
    data.DAT = {};
    data.DAT.DATE = m_from;
    if (!configureSource())
        return false;
    m_occurrences->reload(PagedList::Mode::FirstFill);
    return !m_occurrences->hasFailed();
}

void BrowseByDateWindow::refresh()
{
    reloadAround(nullptr);
}

void BrowseByDateWindow::reloadAround(const DatesRecord *wanted)
{
    if (!m_started || m_finished || m_occurrences->hasFailed())
        return;
    const bool wasAll = m_source->showsAll();
    const BrowseRow *row = m_occurrences->current();
    const int rowNumber = m_occurrences->currentRow();
    const RowPosition at = row ? row->position : RowPosition{};
    const DatesRecord shown =
        row ? *static_cast<const DatesRecord *>(row->record.get()) : DatesRecord{};
    if (!configureSource())
        return;
    if (!m_readThisTurn) {
        m_readThisTurn = true;
        QMetaObject::invokeMethod(
            this, [this] { m_readThisTurn = false; }, Qt::QueuedConnection);
    }
    m_occurrences->locator()->prepare(*m_source);
    const RowPosition found = wanted ? m_source->find(*wanted) : RowPosition{};
    if (!row || wasAll != m_source->showsAll()) {
        if (found.isValid() && m_occurrences->reposition(found))
            return;
        if (!row) {
            m_occurrences->reload(PagedList::Mode::FirstFill);
        } else {
            // The page's positions belong to the other order: go by key values.
            m_occurrences->clear();
            m_occurrences->repositionAtKey(&shown, 3);
        }
        return;
    }
    DatesRecord now;
    const Status status = rereadOccurrence(m_context.data.dates, at.key, now);
    if (!status.ok() && !status.is(ErrorCode::RecordNotFound)) {
        fail(status, "DATES");
        return;
    }
    // Gone or no longer in the view: its row number goes to the row after.
    const bool stays = status.ok() && m_source->passes(now);
    if (!stays)
        m_occurrences->eraseRow(rowNumber);
    m_occurrences->rebuild(PagedList::Mode::KeepPage);
    const RowPosition target = found.isValid() ? found : stays ? at : RowPosition{};
    if (m_occurrences->hasFailed())
        return;
    if (!target.isValid()) {
        // Its neighbours may have been written anew too: the row number counts.
        const int rows = static_cast<int>(m_occurrences->rows().size());
        m_occurrences->setCurrentRow(std::min(rowNumber, rows));
        return;
    }
    // The occurrence wanted is highlighted where the page shows it; the page
    // moves to it only when it lies elsewhere.
    const std::deque<BrowseRow> &rows = m_occurrences->rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].position.recordNumber() == target.recordNumber()) {
            m_occurrences->setCurrentRow(static_cast<int>(i) + 1);
            return;
        }
    }
    m_occurrences->reposition(target);
}

void BrowseByDateWindow::showPeopleOf(const BrowseRow *occurrence)
{
    const std::int64_t of = occurrence ? occurrence->position.recordNumber() : 0;
    if (of == m_peopleOf || !m_people->isOpen())
        return;
    m_peopleOf = of;
    if (!occurrence) {
        m_people->pages().clear();
        m_context.data.PER = {};
        m_peopleControl->pageChanged();
        m_peopleControl->setEnabled(false);
        return;
    }
    const std::int32_t activity =
        static_cast<const DatesRecord *>(occurrence->record.get())->ACTNUMBER;
    m_people->setRange([activity](Cursor &cursor) {
        const PersonActRecord pinned = participantsOf(activity);
        cursor.setRangeEqual(1, &pinned);
    });
    const bool any = !m_people->rows().empty();
    m_peopleControl->setEnabled(any);
    if (!any)
        m_context.data.PER = {};
}

void BrowseByDateWindow::updateButtons()
{
    const ProcedureTable &procedures = *m_context.procedures;
    const bool rows = !m_occurrences->rows().empty();
    m_insert->setEnabled(procedures.hasCalled("UPDATEACT"));
    m_change->setEnabled(rows && procedures.hasCalled("UPDATEACT"));
    m_delete->setEnabled(rows && procedures.hasCalled("DELACT"));
    m_personButton->setEnabled(procedures.hasCalled("BROWSEPERSON"));
    m_groupButton->setEnabled(procedures.hasCalled("BROWSEGROUPS"));
    m_cal->setEnabled(procedures.hasCalled("LOOKUPCAL"));
    m_occurrenceControl->setEnabled(rows);
}

// ---------------------------------------------------------------------------
// Actions

void BrowseByDateWindow::releaseReads()
{
    // The lists hold no read while another window runs.
    m_source->release();
    if (m_people->pages().source())
        m_people->pages().source()->release();
}

int BrowseByDateWindow::call(const char *procedure, int request)
{
    SharedGlobals &globals = m_context.globals;
    const std::int32_t keptRequest = globals.request;
    globals.request = request;
    globals.response = RequestCancelled;
    releaseReads();
    if (!m_context.procedures->call(procedure, m_context))
        globals.response = RequestCancelled;
    const int response = globals.response;
    globals.request = keptRequest;
    return response;
}

void BrowseByDateWindow::insert()
{
    if (!m_started || m_finished || !m_insert->isEnabled())
        return;
    AppData &data = m_context.data;
    data.DAT = {};
    const bool completed = call("UPDATEACT", InsertRecord) == RequestCompleted;
    if (m_finished)
        return;
    // The occurrence the user entered, when the form left it in the buffer;
    // else the new activity's first one shown.
    std::optional<DatesRecord> entered;
    if (completed && data.DAT.ACTNUMBER > 0 && data.DAT.DATE != 0)
        entered = data.DAT;
    else if (completed)
        entered = firstOccurrenceOf(data.dates, data.ACT.ACTNUMBER, m_from);
    reloadAround(entered ? &*entered : nullptr);
    m_occurrenceControl->setFocus();
}

bool BrowseByDateWindow::readSelected()
{
    const BrowseRow *row = m_occurrences->current();
    if (!row)
        return false;
    AppData &data = m_context.data;
    data.dates.watch();
    const Status status = data.dates.reget(row->position.key);
    if (status.is(ErrorCode::RecordNotFound)) {
        // Deleted meanwhile: no message, the list comes back without it.
        refresh();
        return false;
    }
    if (!status.ok()) {
        fail(status, "DATES");
        return false;
    }
    fillDisplayFields(data.DAT);
    data.ACT = {};
    data.ACT.ACTNUMBER = data.DAT.ACTNUMBER;
    if (!data.activity.get(ACT_ACTNUMBER_KEY).ok()) {
        data.ACT = {};
        data.ACT.ACTNUMBER = data.DAT.ACTNUMBER;
    }
    if (m_people->currentRow() == 0 || !m_people->reread(false))
        data.PER = {};
    return true;
}

void BrowseByDateWindow::change()
{
    if (!m_started || m_finished || !m_change->isEnabled() || !readSelected())
        return;
    AppData &data = m_context.data;
    const bool completed = call("UPDATEACT", ChangeRecord) == RequestCompleted;
    if (m_finished)
        return;
    std::optional<DatesRecord> changed;
    if (completed && data.DAT.ACTNUMBER > 0)
        changed = data.DAT;
    reloadAround(changed ? &*changed : nullptr);
    m_occurrenceControl->setFocus();
}

void BrowseByDateWindow::remove()
{
    if (!m_started || m_finished || !m_delete->isEnabled() || !readSelected())
        return;
    // The occurrence delete always answers cancelled: the list is read again.
    call("DELACT", 0);
    if (m_finished)
        return;
    refresh();
    m_occurrenceControl->setFocus();
}

void BrowseByDateWindow::pickDate()
{
    if (!m_started || m_finished)
        return;
    releaseReads();
    if (const std::optional<Date> picked = pickFromCalendar(m_context)) {
        m_from = *picked;
        m_fromEntry->setText(qs(formatDate(m_from)));
    }
    // Also after a cancel: the list starts at the display-from date again.
    fillFromDisplayDate();
}

bool BrowseByDateWindow::select(const char *procedure)
{
    SharedGlobals &globals = m_context.globals;
    const std::int32_t keptResponse = globals.response;
    const bool completed = call(procedure, SelectRecord) == RequestCompleted;
    globals.response = keptResponse;
    return completed;
}

void BrowseByDateWindow::choosePerson()
{
    AppData &data = m_context.data;
    data.PEO = {};
    data.PEO.PERSON = m_person;
    if (select("BROWSEPERSON")) {
        m_person = data.PEO.PERSON;
        m_personEntry->setText(qs(m_person.view()));
    }
    refresh();
}

void BrowseByDateWindow::chooseGroup()
{
    AppData &data = m_context.data;
    data.GRO = {};
    data.GRO.GROUP = m_group;
    if (select("BROWSEGROUPS")) {
        m_group = data.GRO.GROUP;
        m_groupEntry->setText(qs(m_group.view()));
    }
    refresh();
}

void BrowseByDateWindow::enterPerson(const QString &typed)
{
    m_personEntry->setText(typed);
    acceptPerson();
}

void BrowseByDateWindow::enterGroup(const QString &typed)
{
    m_groupEntry->setText(typed);
    acceptGroup();
}

void BrowseByDateWindow::enterDisplayFrom(const QString &typed)
{
    m_fromEntry->setText(typed);
    acceptDisplayDate();
}

void BrowseByDateWindow::acceptPerson()
{
    m_personEntry->setModified(false);
    AppData &data = m_context.data;
    Text<10> chosen(m_personEntry->text().toStdString());
    if (!chosen.isBlank()) {
        PeopleRecord probe;
        probe.PERSON = chosen;
        const Status status = readByKey(data.people, PEO_PERSON_KEY, probe);
        if (status.is(ErrorCode::RecordNotFound)) {
            // Not on file: chosen from the people list, or kept as typed.
            data.PEO = probe;
            if (select("BROWSEPERSON"))
                chosen = data.PEO.PERSON;
        } else if (!status.ok()) {
            fail(status, "PEOPLE");
            return;
        }
    }
    m_person = chosen;
    m_personEntry->setText(qs(m_person.view()));
    refresh();
}

void BrowseByDateWindow::acceptGroup()
{
    m_groupEntry->setModified(false);
    AppData &data = m_context.data;
    Text<10> chosen(m_groupEntry->text().toStdString());
    if (!chosen.isBlank()) {
        GroupRecord probe;
        probe.GROUP = chosen;
        const Status status = readByKey(data.group, GRO_GROUP_KEY, probe);
        if (status.ok()) {
            // The key folds case: the group is shown as it is stored.
            chosen = probe.GROUP;
        } else if (status.is(ErrorCode::RecordNotFound)) {
            data.GRO = probe;
            if (select("BROWSEGROUPS"))
                chosen = data.GRO.GROUP;
        } else {
            fail(status, "GROUP");
            return;
        }
    }
    m_group = chosen;
    m_groupEntry->setText(qs(m_group.view()));
    refresh();
}

void BrowseByDateWindow::acceptDisplayDate()
{
    m_fromEntry->setModified(false);
    const std::optional<Picture> picture = Picture::parse("D3");
    const std::optional<std::int64_t> typed =
        picture->parseInput(m_fromEntry->text().toStdString());
    if (!typed) {
        m_context.prompter.beep();
        m_fromEntry->setText(qs(formatDate(m_from)));
        return;
    }
    m_from = static_cast<Date>(*typed);
    m_fromEntry->setText(qs(formatDate(m_from)));
    fillFromDisplayDate();
}

// ---------------------------------------------------------------------------
// Keys, focus and closing

bool BrowseByDateWindow::eventFilter(QObject *watched, QEvent *event)
{
    auto *entry = qobject_cast<QLineEdit *>(watched);
    if (entry && (entry == m_personEntry || entry == m_groupEntry || entry == m_fromEntry)) {
        const bool enter = isEnterPress(event);
        bool leaving = false;
        if (event->type() == QEvent::FocusOut && entry->isModified()) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            leaving = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        }
        if (enter || leaving) {
            if (entry == m_personEntry)
                acceptPerson();
            else if (entry == m_groupEntry)
                acceptGroup();
            else
                acceptDisplayDate();
            if (enter)
                focusNextChild();
            return enter;
        }
        return QDialog::eventFilter(watched, event);
    }
    if (m_peopleControl && watched == m_peopleControl->table() &&
        event->type() == QEvent::FocusIn) {
        // The people list only shows: the focus goes on to the occurrences.
        if (m_occurrenceControl->isEnabled())
            m_occurrenceControl->setFocus();
        else
            m_insert->setFocus();
        return false;
    }
    QTableView *table = m_occurrenceControl ? m_occurrenceControl->table() : nullptr;
    if (table && watched == table && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool control = key->modifiers() & Qt::ControlModifier;
        const bool rows = !m_occurrences->rows().empty();
        switch (key->key()) {
        case Qt::Key_Insert:
            if (control || rows)
                insert();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (control && rows)
                change();
            return control;
        case Qt::Key_Delete:
            if (control && rows)
                remove();
            return control;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void BrowseByDateWindow::fail(const Status &status, std::string_view file)
{
    showWarning(m_context.prompter, WarningKind::RecordRetrievalError, status, file);
    if (m_started)
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
    else
        m_finished = true;
}

void BrowseByDateWindow::finishUp()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_started)
        saveWindowPosition(*this, m_context.data.database.directory(), "BrowsebyGroup");
    m_occurrences->close();
    m_people->closeList();
    m_uses.clear();
    m_context.data.GRO.GROUP = "";
    m_context.globals.response = RequestCancelled;
}

void BrowseByDateWindow::closeEvent(QCloseEvent *event)
{
    finishUp();
    QDialog::closeEvent(event);
}

void BrowseByDateWindow::reject()
{
    finishUp();
    QDialog::reject();
}

// ---------------------------------------------------------------------------
// Entry points

QWidget *BROWSEBYDATE(AppContext &context)
{
    auto *window = new BrowseByDateWindow(context);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->start()) {
        delete window;
        return nullptr;
    }
    return window;
}

namespace {

// A household's fortnight beside what the files hold, added once (the group
// "Kids" marks it); the people already on file stay as they are.
void addSampleActivities(AppContext &context)
{
    AppData &data = context.data;
    GroupRecord kids{Text<10>("Kids")};
    if (readByKey(data.group, GRO_GROUP_KEY, kids).ok())
        return;
    const Date today = context.clock.today();
    for (const char *person : {"Anna", "Bo", "Cleo", "Dan"}) {
        data.PEO = {};
        data.PEO.PERSON = person;
        data.PEO.DATE = today;
        if (!data.people.duplicate(PEO_PERSON_KEY))
            (void)data.people.add();
    }
    data.GRO = {};
    data.GRO.GROUP = "Kids";
    (void)data.group.add();
    for (const char *member : {"Bo", "Cleo"}) {
        data.GRP = {Text<10>("Kids"), Text<10>(member)};
        (void)data.groupPeople.add();
    }
    const struct
    {
        const char *name;
        int first, every, count, hour, minute, minutes;
        std::vector<const char *> people;
    } samples[] = {
        {"Piano lesson", 1, 7, 3, 16, 0, 45, {"Bo"}},
        {"Swimming", 3, 7, 3, 17, 30, 60, {"Cleo", "Bo"}},
        {"Dentist", 2, 0, 1, 9, 15, 30, {"Anna"}},
        {"Book club", 4, 14, 2, 19, 30, 120, {"Anna", "Dan"}},
        {"Football practice", 5, 7, 3, 10, 0, 90, {"Dan", "Bo"}},
        {"Parents' evening", 8, 0, 1, 18, 0, 60, {"Anna", "Dan"}},
        {"Take out the recycling", 0, 3, 5, 8, 0, 0, {"Dan"}},
    };
    std::int32_t number = 0;
    TypedCursor<ActivityRecord> highest(data.activity, ACT_ACTNUMBER_KEY);
    if (highest.previous().ok())
        number = highest.record().ACTNUMBER;
    highest.release();
    for (const auto &sample : samples) {
        data.ACT = {};
        data.ACT.ACTNUMBER = ++number;
        data.ACT.NAME = sample.name;
        data.ACT.REPEATTYPE = sample.every ? "Fixed Days" : "No Repeats";
        data.ACT.REPNUMBER = static_cast<std::int16_t>(sample.every);
        (void)data.activity.add();
        const ClockTime start =
            sample.hour * kHundredthsPerHour + sample.minute * kHundredthsPerMinute + 1;
        for (int i = 0; i < sample.count; ++i) {
            data.DAT = {};
            data.DAT.ACTNUMBER = number;
            data.DAT.DATE = today + sample.first + i * sample.every;
            data.DAT.TIME = start;
            data.DAT.ENDTIME = sample.minutes ? start + sample.minutes * kHundredthsPerMinute : 0;
            (void)data.dates.add();
        }
        for (const char *person : sample.people) {
            data.PER = {number, Text<10>(person)};
            (void)data.personAct.add();
        }
    }
}

} // namespace

bool renderBrowseByDate(AppContext &context, const QString &directory)
{
    const SharedGlobals kept = context.globals;
    bool ok = true;
    {
        AppData &data = context.data;
        FileUse uses[] = {{data.activity, context.prompter},    {data.dates, context.prompter},
                          {data.people, context.prompter},      {data.group, context.prompter},
                          {data.groupPeople, context.prompter}, {data.personAct, context.prompter}};
        (void)uses;
        addSampleActivities(context);
        BrowseByDateWindow window(context);
        if (!window.start())
            return false;
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.show();
        auto grab = [&](const char *name) {
            window.occurrences().lineDown();
            QApplication::processEvents();
            const QString path = QDir(directory).filePath(QString(name) + ".png");
            const bool saved = window.grab().save(path);
            std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
            ok = saved && ok;
        };
        grab("browse-by-date");
        window.setTab(BrowseByDateWindow::ByPerson);
        window.enterPerson("Anna");
        grab("browse-by-person");
        window.setTab(BrowseByDateWindow::ByGroup);
        window.enterGroup("kids");
        grab("browse-by-group");
        window.close();
    }
    context.globals = kept;
    return ok;
}

void runBrowseByDate(AppContext &context)
{
    {
        BrowseByDateWindow window(context);
        if (window.start())
            window.exec();
    }
    context.globals.response = RequestCancelled;
}

} // namespace korvalen
