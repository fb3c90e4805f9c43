#include "people/peoplepicker.h"

#include "runtime/pictures.h"
#include "storage/cursor.h"
#include "storage/datafiles.h"
#include "storage/openfile.h"
#include "storage/warnings.h"
#include "ui/formkit.h"
#include "ui/listview.h"
#include "ui/procedures.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace korvalen {

// ---------------------------------------------------------------------------
// The list in memory

PickerList::PickerList(std::vector<PickedPerson> &people) : m_people(people), m_pages(*this, {})
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
    // The marks live in the entries, not in the page's copies.
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
}

void PickerList::keepMarkedOnly()
{
    std::erase_if(m_people, [](const PickedPerson &person) { return person.mark.isBlank(); });
    m_pages.clear();
}

// ---------------------------------------------------------------------------
// The list control

namespace {

const char *const kWindowTitle = "Browse People - Multiple Select";
const char *const kHelpTopic = "~BRWSPEOMDIAL";
const char *const kListMessage = "Use right mouse key to select/deselect";

struct Column
{
    const char *heading;
    int widthUnits;
    const char *picture;
    Qt::Alignment alignment;
};

const std::array<Column, 3> kColumns = {{
    {"", 12, "s1", Qt::AlignCenter},
    {"Short Name", 50, "s10", Qt::AlignLeft | Qt::AlignVCenter},
    {"Long Name (Optional)", 120, "s30", Qt::AlignLeft | Qt::AlignVCenter},
}};

// `text` as column `column` shows it, through the column's picture.
QString shownInColumn(int column, std::string_view text)
{
    static const std::array<Picture, 3> pictures = {*Picture::parse(kColumns[0].picture),
                                                    *Picture::parse(kColumns[1].picture),
                                                    *Picture::parse(kColumns[2].picture)};
    return QString::fromStdString(pictures[static_cast<std::size_t>(column)].formatText(text));
}

} // namespace

// The rows of the current page, read from the list in memory.
class PickerPageModel : public QAbstractTableModel
{
public:
    PickerPageModel(const PickerList &list, QObject *parent)
        : QAbstractTableModel(parent), m_list(list)
    {
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : m_list.pageSize();
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(kColumns.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_list.pageSize())
            return {};
        const Column &column = kColumns[static_cast<std::size_t>(index.column())];
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(column.alignment);
        if (role != Qt::DisplayRole)
            return {};
        const PickedPerson &person = m_list.pageEntry(index.row() + 1);
        switch (index.column()) {
        case 0:
            return shownInColumn(0, person.mark.view());
        case 1:
            return shownInColumn(1, person.shortName.view());
        default:
            return shownInColumn(2, person.longName.view());
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return QString::fromLatin1(kColumns[static_cast<std::size_t>(section)].heading);
    }
    Qt::ItemFlags flags(const QModelIndex &) const override
    {
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

    // The page was refilled or a mark changed.
    void pageChanged()
    {
        beginResetModel();
        endResetModel();
    }

private:
    const PickerList &m_list;
};

// The list control: shows exactly one page and hands paging keys, the
// wheel, right clicks and size changes to its window.
class PickerTable : public QTableView
{
public:
    using QTableView::QTableView;

    std::function<bool(int key)> navigate;
    std::function<void(int pageRow)> rightClicked;
    std::function<void()> resized;
    std::function<void(bool focused)> focusChanged;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->ignore(); // the window's default button
            return;
        }
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::ControlModifier ||
            event->modifiers() == Qt::KeypadModifier) {
            if (navigate && navigate(event->key()))
                return;
        }
        QTableView::keyPressEvent(event);
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::RightButton) {
            QTableView::mousePressEvent(event);
            return;
        }
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid() && rightClicked)
            rightClicked(index.row() + 1);
        event->accept();
    }
    // A quick second right click arrives as a double click: it toggles too.
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::RightButton)
            mousePressEvent(event);
        else
            QTableView::mouseDoubleClickEvent(event);
    }
    void wheelEvent(QWheelEvent *event) override
    {
        const int notches = std::max(1, std::abs(event->angleDelta().y()) / 120);
        for (int i = 0; i < notches && navigate && event->angleDelta().y() != 0; ++i)
            navigate(event->angleDelta().y() > 0 ? Qt::Key_Up : Qt::Key_Down);
        event->accept();
    }
    void resizeEvent(QResizeEvent *event) override
    {
        QTableView::resizeEvent(event);
        if (resized)
            resized();
    }
    void focusInEvent(QFocusEvent *event) override
    {
        QTableView::focusInEvent(event);
        if (focusChanged)
            focusChanged(true);
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        QTableView::focusOutEvent(event);
        if (focusChanged)
            focusChanged(false);
    }
};

// ---------------------------------------------------------------------------
// The window

PeoplePickerDialog::PeoplePickerDialog(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context),
      m_peopleUse(std::make_unique<FileUse>(context.data.people, context.prompter)),
      m_list(context.PickedPeople), m_openedRequest(context.globals.request)
{
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    createControls();
    connectTable();
}

PeoplePickerDialog::~PeoplePickerDialog()
{
    // The list control goes first, while the list it shows still exists: its
    // focus and selection reports must not reach a window half torn down.
    m_table->navigate = nullptr;
    m_table->rightClicked = nullptr;
    m_table->resized = nullptr;
    m_table->focusChanged = nullptr;
    disconnect(m_table->selectionModel(), nullptr, this, nullptr);
    delete m_table;
}

void PeoplePickerDialog::createControls()
{
    auto *hint = new QLabel(
        QStringLiteral("Use right mouse key or Tag/Clear button to mark/unmark selections"), this);
    hint->setFont(smallDialogFont());
    createTable();

    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setRange(0, PickerList::kThumbPositions);
    m_scrollBar->setPageStep(10);
    m_scrollBar->setTracking(false);
    QSizePolicy keepPlace = m_scrollBar->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_scrollBar->setSizePolicy(keepPlace);

    auto *listRow = new QHBoxLayout;
    listRow->setSpacing(0);
    listRow->addWidget(m_table, 1);
    listRow->addWidget(m_scrollBar);
    auto *body = new QHBoxLayout;
    body->addLayout(listRow, 1);
    body->addWidget(createButtons());

    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(body, 1);
    layout->addWidget(m_statusBar);
}

void PeoplePickerDialog::createTable()
{
    m_table = new PickerTable(this);
    m_model = new PickerPageModel(m_list, m_table);
    m_table->setModel(m_model);
    m_table->setItemDelegate(new ListRowDelegate(m_table, true));
    m_table->setShowGrid(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setContextMenuPolicy(Qt::PreventContextMenu);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setStatusTip(QString::fromLatin1(kListMessage));
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    QHeaderView *header = m_table->horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(1);
    for (std::size_t i = 0; i < kColumns.size(); ++i)
        header->setSectionResizeMode(static_cast<int>(i), QHeaderView::Fixed);
    header->setStretchLastSection(true);
    fitColumns();
    m_table->setMinimumHeight(header->sizeHint().height() + 2 * m_table->frameWidth() +
                              12 * m_table->verticalHeader()->defaultSectionSize());
}

void PeoplePickerDialog::fitColumns()
{
    // Each column is as wide as its units give, or as the widest name loaded
    // needs with the cell's margins and border: a name is never shown cut.
    const QFontMetrics metrics = m_table->fontMetrics();
    const int margin =
        m_table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_table);
    const int cellExtra = 2 * (margin + 1) + 1;
    std::array<int, kColumns.size()> textWidths{};
    for (const PickedPerson &person : m_list.entries()) {
        const std::array<std::string_view, 3> texts = {person.mark.view(), person.shortName.view(),
                                                       person.longName.view()};
        for (std::size_t i = 0; i < texts.size(); ++i)
            textWidths[i] =
                std::max(textWidths[i], metrics.horizontalAdvance(shownInColumn(int(i), texts[i])));
    }
    QHeaderView *header = m_table->horizontalHeader();
    int width = 2 * m_table->frameWidth();
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        const int pixels = std::max(dialogUnitsToPixels(font(), kColumns[i].widthUnits),
                                    textWidths[i] + cellExtra);
        header->resizeSection(static_cast<int>(i), pixels);
        width += pixels;
    }
    m_table->setMinimumWidth(width);
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

void PeoplePickerDialog::connectTable()
{
    m_table->navigate = [this](int key) { return navigate(key); };
    m_table->rightClicked = [this](int pageRow) { toggleRow(pageRow); };
    m_table->resized = [this] {
        if (m_loaded)
            step([](PickerList &) {});
    };
    m_table->focusChanged = [this](bool focused) {
        if (focused)
            m_statusBar->showMessage(QString::fromLatin1(kListMessage));
        else
            m_statusBar->clearMessage();
    };
    // A left click or a search keystroke moves the control's highlight by
    // itself: the list follows it.
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (m_refreshing || !current.isValid())
                    return;
                m_list.highlight(current.row() + 1);
                updateScrollBar();
            });
    connect(m_scrollBar, &QScrollBar::actionTriggered, this,
            [this](int action) { scrollBarAction(action); });
}

QTableView *PeoplePickerDialog::table() const
{
    return m_table;
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
        step([](PickerList &list) { list.toggleCurrent(); });
        m_table->setFocus();
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
    step([pageRow](PickerList &list) {
        list.highlight(pageRow);
        list.toggle(pageRow);
    });
}

void PeoplePickerDialog::reload()
{
    m_list.setItems(visibleRows());
    const Status status = m_list.load(m_context.data.people);
    if (!status.ok())
        showWarning(m_context.prompter, WarningKind::ViewOpenError, status);
    fitColumns();
    refresh();
    m_table->setFocus();
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
    refresh();
    m_selected = true;
    accept();
}

void PeoplePickerDialog::done(int result)
{
    m_context.globals.response = m_selected ? RequestCompleted : RequestCancelled;
    QDialog::done(result);
}

template <class Step> void PeoplePickerDialog::step(Step &&stepFunction)
{
    m_list.setItems(visibleRows());
    stepFunction(m_list);
    refresh();
}

bool PeoplePickerDialog::navigate(int key)
{
    if (std::optional<ListMove> move = listMoveForKey(key)) {
        step([move](PickerList &list) { list.pages().move(*move); });
        return true;
    }
    if (key != Qt::Key_Insert)
        return false;
    press(Command::Insert);
    return true;
}

void PeoplePickerDialog::refresh()
{
    m_refreshing = true;
    m_model->pageChanged();
    if (m_list.currentRow() > 0)
        m_table->setCurrentIndex(m_model->index(m_list.currentRow() - 1, 0));
    m_refreshing = false;
    updateScrollBar();
}

void PeoplePickerDialog::updateScrollBar()
{
    m_scrollBar->setVisible(m_list.isScrollBarShown());
    m_scrollBar->setValue(m_list.thumb());
}

void PeoplePickerDialog::scrollBarAction(int action)
{
    if (std::optional<ListMove> move = listMoveForSliderAction(action)) {
        step([move](PickerList &list) { list.pages().move(*move); });
        return;
    }
    // While the box is dragged nothing is read; its release moves the page.
    if (action == QAbstractSlider::SliderMove && !m_scrollBar->isSliderDown()) {
        const int position = m_scrollBar->sliderPosition();
        step([position](PickerList &list) { list.pages().thumbTo(position); });
    }
}

int PeoplePickerDialog::visibleRows() const
{
    const int rowHeight = m_table->verticalHeader()->defaultSectionSize();
    return std::max(1, m_table->viewport()->height() / std::max(1, rowHeight));
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
