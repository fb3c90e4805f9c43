#include "people/peoplepicker.h"

#include "storage/cursor.h"
#include "storage/datafiles.h"
#include "storage/openfile.h"
#include "storage/warnings.h"
#include "ui/browselist.h"
#include "ui/formkit.h"
#include "ui/listview.h"
#include "ui/procedures.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace korvalen {

namespace {

const char *const kWindowTitle = "Browse People - Multiple Select";
const char *const kHelpTopic = "~BRWSPEOMDIAL";
const char *const kListMessage = "Use right mouse key to select/deselect";

// The mark, the short name and the long name, each with a line on its right.
std::vector<BrowseColumn> pickerColumns()
{
    std::vector<BrowseColumn> columns = {
        textColumn("", 12, "s1", &PickedPerson::mark),
        textColumn("Short Name", 50, "s10", &PickedPerson::shortName),
        textColumn("Long Name (Optional)", 120, "s30", &PickedPerson::longName),
    };
    for (BrowseColumn &column : columns)
        column.rightBorder = true;
    return columns;
}

} // namespace

// ---------------------------------------------------------------------------
// The list in memory

PickerList::PickerList(std::vector<PickedPerson> &people)
    : m_people(people), m_pages(*this, pickerColumns())
{
    auto locator = std::make_unique<RowNumberLocator>([this] { return count(); });
    m_locator = locator.get();
    m_pages.open(std::make_unique<MemoryRowSource<PickedPerson>>(m_people), std::move(locator));
}

Status PickerList::load(DataFile &file)
{
    m_people.clear();
    auto &record = *static_cast<PeopleRecord *>(file.buffer());
    const PeopleRecord callersRecord = record;
    Status status;
    {
        Cursor cursor(file, keys::PEO_PERSON_KEY);
        cursor.setStart();
        std::int32_t row = 0;
        while ((status = cursor.next()).ok()) {
            PickedPerson person;
            person.shortName = record.PERSON;
            person.longName = record.NAME;
            person.row = ++row;
            m_people.push_back(person);
        }
    }
    record = callersRecord;
    if (status.is(ErrorCode::NoRecord))
        status = Status::success();
    else
        m_people.clear();
    m_pages.reload(PagedList::Mode::FirstFill);
    return status;
}

void PickerList::setItems(int items)
{
    items = std::max(1, items);
    if (items == m_items)
        return;
    m_items = items;
    if (pageSize() > 0)
        m_pages.rebuild(PagedList::Mode::KeepPage);
}

void PickerList::pageChanged()
{
    if (m_view)
        m_view->pageChanged();
}

int PickerList::firstRow() const
{
    return pageSize() > 0 ? static_cast<int>(m_pages.rows().front().position.index) : 0;
}

int PickerList::highlightedRow() const
{
    const BrowseRow *row = m_pages.current();
    return row ? static_cast<int>(row->position.index) : 0;
}

const PickedPerson &PickerList::pageEntry(int pageRow) const
{
    // The marks live in the entries; the page holds copies.
    const BrowseRow &row = m_pages.rows()[static_cast<std::size_t>(pageRow - 1)];
    return m_people[static_cast<std::size_t>(row.position.index - 1)];
}

void PickerList::toggle(int pageRow)
{
    if (pageRow < 1 || pageRow > pageSize())
        return;
    const BrowseRow &row = m_pages.rows()[static_cast<std::size_t>(pageRow - 1)];
    Text<1> &mark = m_people[static_cast<std::size_t>(row.position.index - 1)].mark;
    mark = mark.isBlank() ? "*" : "";
    // The page's copy shows the new mark: the same rows are taken again
    // from memory.
    m_pages.rebuild(PagedList::Mode::KeepPage);
}

void PickerList::keepMarkedOnly()
{
    std::erase_if(m_people, [](const PickedPerson &person) { return person.mark.isBlank(); });
    m_pages.clear();
}

// ---------------------------------------------------------------------------
// The window

PeoplePickerDialog::PeoplePickerDialog(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context),
      m_peopleUse(std::make_unique<FileUse>(context.data.people, context.prompter)),
      m_list(context.PickedPeople), m_openedRequest(context.globals.request)
{
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    createControls();
}

PeoplePickerDialog::~PeoplePickerDialog()
{
    // The list control goes first, while the list it shows still exists: its
    // focus and selection reports must not reach a window half torn down.
    m_list.setView(nullptr);
    m_control->table()->removeEventFilter(this);
    delete m_control;
}

void PeoplePickerDialog::createControls()
{
    auto *hint = new QLabel(
        QStringLiteral("Use right mouse key or Tag/Clear button to mark/unmark selections"), this);
    hint->setFont(smallDialogFont());
    createList();

    auto *body = new QHBoxLayout;
    body->addWidget(m_control, 1);
    body->addWidget(createButtons());

    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(body, 1);
    layout->addWidget(m_statusBar);
}

void PeoplePickerDialog::createList()
{
    m_control = new ListControl(this);
    m_control->setList(m_list.pages());
    m_list.setView(m_control);
    m_control->setColumnAlignment(0, Qt::AlignCenter);
    ListControl::Hooks hooks;
    hooks.insertKey = [this] { press(Command::Insert); };
    hooks.rightClicked = [this](int pageRow, const QPoint &) { m_list.toggle(pageRow); };
    m_control->setHooks(std::move(hooks));

    QTableView *table = m_control->table();
    table->setStatusTip(QString::fromLatin1(kListMessage));
    table->installEventFilter(this); // its focus shows the list's message
    QHeaderView *header = table->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setMinimumSectionSize(1);
    for (int i = 0; i < header->count(); ++i)
        header->setSectionResizeMode(i, QHeaderView::Fixed);
    header->setStretchLastSection(true);
    // The scroll bar keeps its place while hidden: the list does not widen.
    QSizePolicy keepPlace = m_control->scrollBar()->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_control->scrollBar()->setSizePolicy(keepPlace);
    fitColumns();
    table->setMinimumHeight(header->sizeHint().height() + 2 * table->frameWidth() +
                            12 * table->verticalHeader()->defaultSectionSize());
}

void PeoplePickerDialog::fitColumns()
{
    // Each column is as wide as its units give, or as the widest name loaded
    // needs with the cell's margins and border: a name is never shown cut.
    QTableView *table = m_control->table();
    const QFontMetrics metrics = table->fontMetrics();
    const int margin = table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table);
    const int cellExtra = 2 * (margin + 1) + 1;
    const std::vector<BrowseColumn> &columns = m_list.pages().columns();
    std::vector<int> textWidths(columns.size(), 0);
    for (const PickedPerson &person : m_list.entries()) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            textWidths[i] = std::max(
                textWidths[i],
                metrics.horizontalAdvance(QString::fromStdString(columns[i].value(&person))));
    }
    QHeaderView *header = table->horizontalHeader();
    int width = 2 * table->frameWidth();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int pixels =
            std::max(dialogUnitsToPixels(font(), columns[i].width), textWidths[i] + cellExtra);
        header->resizeSection(static_cast<int>(i), pixels);
        width += pixels;
    }
    table->setMinimumWidth(width);
}

QWidget *PeoplePickerDialog::createButtons()
{
    auto *box = new QWidget(this);
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    const std::array<const char *, 6> texts = {"Select",    "Insert", "Tag/Clear",
                                               "Clear All", "Cancel", "Help"};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto *button = new QPushButton(QString::fromLatin1(texts[i]), box);
        const auto command = static_cast<Command>(i);
        connect(button, &QPushButton::clicked, this, [this, command] { press(command); });
        column->addWidget(button);
        m_buttons[i] = button;
    }
    column->addStretch(1);
    button(Command::Select)->setDefault(true);
    return box;
}

QTableView *PeoplePickerDialog::table() const
{
    return m_control->table();
}

QScrollBar *PeoplePickerDialog::scrollBar() const
{
    return m_control->scrollBar();
}

QPushButton *PeoplePickerDialog::button(Command command) const
{
    return m_buttons[static_cast<std::size_t>(command)];
}

QString PeoplePickerDialog::statusMessage() const
{
    return m_statusBar->currentMessage();
}

bool PeoplePickerDialog::event(QEvent *event)
{
    // A dialog has no status bar of its own to show the list's message in.
    if (event->type() == QEvent::StatusTip) {
        m_statusBar->showMessage(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

bool PeoplePickerDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_control->table()) {
        if (event->type() == QEvent::FocusIn)
            m_statusBar->showMessage(QString::fromLatin1(kListMessage));
        else if (event->type() == QEvent::FocusOut)
            m_statusBar->clearMessage();
    }
    return QDialog::eventFilter(watched, event);
}

void PeoplePickerDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        reload();
    }
}

void PeoplePickerDialog::press(Command command)
{
    switch (command) {
    case Command::Select:
        selectMarked();
        break;
    case Command::Insert:
        insertPerson();
        break;
    case Command::TagClear:
        m_list.toggleCurrent();
        m_control->table()->setFocus();
        break;
    case Command::ClearAll:
        reload();
        break;
    case Command::Cancel:
        reject();
        break;
    case Command::Help:
        if (m_context.showHelp)
            m_context.showHelp(kHelpTopic);
        break;
    }
}

void PeoplePickerDialog::toggleRow(int pageRow)
{
    m_list.highlight(pageRow);
    m_list.toggle(pageRow);
}

void PeoplePickerDialog::reload()
{
    const Status status = m_list.load(m_context.data.people);
    if (!status.ok())
        showWarning(m_context.prompter, WarningKind::ViewOpenError, status);
    fitColumns();
    m_control->table()->setFocus();
}

void PeoplePickerDialog::insertPerson()
{
    if (!m_context.procedures->hasCalled("UPDATEPERSON"))
        return;
    m_context.data.PEO = PeopleRecord{};
    m_context.globals.request = InsertRecord;
    m_context.procedures->call("UPDATEPERSON", m_context);
    m_context.globals.request = m_openedRequest;
    // The new person takes its place in the order; the marks go with the
    // old list.
    reload();
}

void PeoplePickerDialog::selectMarked()
{
    m_list.keepMarkedOnly();
    m_control->pageChanged();
    m_selected = true;
    accept();
}

void PeoplePickerDialog::done(int result)
{
    m_context.globals.response = m_selected ? RequestCompleted : RequestCancelled;
    QDialog::done(result);
}

// ---------------------------------------------------------------------------
// Entry points

std::unique_ptr<PeoplePickerDialog> makePeoplePicker(AppContext &context, QWidget *parent)
{
    return std::make_unique<PeoplePickerDialog>(context, parent);
}

void BROWSEPERSONM(AppContext &context)
{
    context.globals.response = RequestCancelled;
    // The caller's window owns the dialog too; if it goes away while the
    // dialog runs, the guard is cleared and nothing is deleted twice.
    QPointer<PeoplePickerDialog> dialog =
        makePeoplePicker(context, QApplication::activeWindow()).release();
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->exec();
    delete dialog.data();
}

namespace {

void addSamplePeople(AppContext &context)
{
    const PeopleRecord callersRecord = context.data.PEO;
    const std::array<std::pair<const char *, const char *>, 6> people = {{
        {"Anna", "Anna Lindqvist"},
        {"Ben", "Benjamin Lindqvist"},
        {"Clara", "Clara Lindqvist"},
        {"Dad", ""},
        {"Grandma", "Margit Holm"},
        {"Mum", ""},
    }};
    for (const auto &[shortName, longName] : people) {
        context.data.PEO = PeopleRecord{shortName, longName, context.clock.today()};
        (void)context.data.people.add();
    }
    context.data.PEO = callersRecord;
}

} // namespace

bool renderPeoplePicker(AppContext &context, const QString &pngPath)
{
    FileUse use(context.data.people, context.prompter);
    bool any = true;
    if (context.data.people.hasRecords(any).ok() && !any)
        addSamplePeople(context);
    const std::vector<PickedPerson> callersList = context.PickedPeople;
    const SharedGlobals callersGlobals = context.globals;
    bool saved = false;
    {
        std::unique_ptr<PeoplePickerDialog> dialog = makePeoplePicker(context);
        dialog->setAttribute(Qt::WA_DontShowOnScreen);
        dialog->show();
        QApplication::processEvents();
        dialog->toggleRow(2);
        dialog->toggleRow(4);
        dialog->toggleRow(1);
        QApplication::processEvents();
        saved = dialog->grab().save(pngPath, "PNG");
        dialog->hide();
    }
    context.PickedPeople = callersList;
    context.globals = callersGlobals;
    return saved;
}

} // namespace korvalen
