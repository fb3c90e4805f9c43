#include "ui/browselist.h"

#include "ui/appcontext.h"
#include "ui/formkit.h"
#include "ui/listview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <cstdlib>
#include <map>

namespace korvalen {

// The page model with the alignments a control sets over its columns'.
class ControlPageModel : public PageModel
{
public:
    using PageModel::PageModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::TextAlignmentRole && index.isValid()) {
            auto found = m_alignments.find(index.column());
            if (found != m_alignments.end())
                return QVariant::fromValue(found->second);
        }
        return PageModel::data(index, role);
    }
    void setAlignment(int column, Qt::Alignment alignment) { m_alignments[column] = alignment; }

private:
    std::map<int, Qt::Alignment> m_alignments;
};

ListControl::ListControl(QWidget *parent)
    : QWidget(parent), m_table(new QTableView(this)), m_scrollBar(new QScrollBar(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_table);
    layout->addWidget(m_scrollBar);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    // Tab goes on to the window's next control; rows are for the arrows.
    m_table->setTabKeyNavigation(false);
    // The right button is the list's own: no menu of a window around it.
    m_table->setContextMenuPolicy(Qt::PreventContextMenu);
    m_table->installEventFilter(this);
    m_table->viewport()->installEventFilter(this);
    setFocusProxy(m_table);
    m_scrollBar->setRange(0, 100);
    m_scrollBar->setPageStep(10);
    // The page follows the box when it is let go, not while it is dragged.
    m_scrollBar->setTracking(false);
    m_scrollBar->hide();
    m_scrollBar->installEventFilter(this);
    connect(m_scrollBar, &QScrollBar::actionTriggered, this, &ListControl::scrollAction);
    connect(m_scrollBar, &QScrollBar::sliderReleased, this, &ListControl::thumbDragged);
}

ListControl::~ListControl()
{
    detach();
}

void ListControl::detach()
{
    if (!m_table)
        return;
    // The view goes before the list its model reads, and tells this half
    // destroyed control nothing on its way out.
    m_table->viewport()->removeEventFilter(this);
    m_table->removeEventFilter(this);
    disconnect(m_table->selectionModel(), nullptr, this, nullptr);
    delete m_table;
    m_table = nullptr;
    m_model = nullptr;
    m_list = nullptr;
}

void ListControl::setList(PagedList &list, int linesPerRow)
{
    m_list = &list;
    m_linesPerRow = std::max(1, linesPerRow);
    m_model = new ControlPageModel(list, m_table);
    m_table->setModel(m_model);
    m_table->setItemDelegate(new ListRowDelegate(m_table));
    m_table->verticalHeader()->setDefaultSectionSize(rowHeight());
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (!m_showing && current.isValid() && m_list)
                    m_list->setCurrentRow(current.row() + 1);
            });
    applyColumns();
}

void ListControl::setColumnAlignment(int column, Qt::Alignment alignment)
{
    if (m_model)
        m_model->setAlignment(column, alignment);
}

void ListControl::setStacks(std::vector<ColumnStack> stacks)
{
    if (!m_model)
        return;
    m_model->setStacks(std::move(stacks));
    m_linesPerRow = std::max(m_linesPerRow, m_model->linesPerRow());
    m_table->verticalHeader()->setDefaultSectionSize(rowHeight());
    applyColumns();
}

void ListControl::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::FontChange || !m_model)
        return;
    m_table->verticalHeader()->setDefaultSectionSize(rowHeight());
    applyColumns();
    viewportResized();
}

int ListControl::rowHeight() const
{
    return m_linesPerRow * m_table->fontMetrics().height() + 4;
}

void ListControl::applyColumns()
{
    QHeaderView *header = m_table->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    for (int i = 0; i < m_model->columnCount(); ++i)
        m_table->setColumnWidth(i, dialogUnitsToPixels(font(), m_model->columnWidth(i)));
    header->setStretchLastSection(true);
}

bool ListControl::hasRows() const
{
    return m_list && !m_list->rows().empty();
}

int ListControl::visibleRows() const
{
    if (!m_table)
        return 1;
    int rowHeight = std::max(1, m_table->verticalHeader()->defaultSectionSize());
    return std::max(1, m_table->viewport()->height() / rowHeight);
}

void ListControl::pageChanged()
{
    if (!m_list || !m_model)
        return;
    m_showing = true;
    m_model->pageChanged();
    if (m_list->currentRow() > 0)
        m_table->setCurrentIndex(m_model->index(m_list->currentRow() - 1, 0));
    else
        m_table->clearSelection();
    m_scrollBar->setVisible(m_list->isScrollBarVisible());
    {
        QSignalBlocker blocker(m_scrollBar);
        m_scrollBar->setValue(m_list->thumb());
    }
    m_showing = false;
}

void ListControl::closeWindow()
{
    emit closeRequested();
}

void ListControl::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void ListControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    viewportResized();
}

void ListControl::viewportResized()
{
    int rows = visibleRows();
    if (rows == m_lastRows)
        return;
    m_lastRows = rows;
    // A page that shows nothing has nothing to keep: an empty list stays
    // empty, a list that gave up its rows (a choice made) is not read again.
    if (hasRows() && m_list->isOpen())
        m_list->rebuild(PagedList::Mode::KeepPage);
}

void ListControl::scrollAction(int action)
{
    if (!m_list)
        return;
    if (std::optional<ListMove> move = listMoveForSliderAction(action))
        m_list->move(*move);
    else if (action == QAbstractSlider::SliderMove && !m_scrollBar->isSliderDown())
        m_list->thumbTo(m_scrollBar->sliderPosition());
    else
        return; // a drag ends when the box is let go
    // The slider shows the thumb the list computed, not its own step; a
    // position that leads nowhere puts the box back.
    m_scrollBar->setSliderPosition(m_list->thumb());
}

void ListControl::thumbDragged()
{
    if (!m_list)
        return;
    m_list->thumbTo(m_scrollBar->sliderPosition());
    m_scrollBar->setSliderPosition(m_list->thumb());
}

void ListControl::wheel(QWheelEvent *event)
{
    if (!m_list)
        return;
    const int delta = event->angleDelta().y();
    // A notch is 120; a finer wheel still moves a line per event.
    const int lines = std::max(1, std::abs(delta) / 120);
    for (int i = 0; i < lines && delta != 0; ++i)
        m_list->move(delta > 0 ? ListMove::LineUp : ListMove::LineDown);
}

bool ListControl::handleKey(QKeyEvent *event)
{
    if (!m_list)
        return false;
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (std::optional<ListMove> move = listMoveForKey(event->key())) {
        m_list->move(*move);
        return true;
    }
    switch (event->key()) {
    case Qt::Key_Insert:
        if (!m_hooks.insertKey)
            return false;
        m_hooks.insertKey();
        return true;
    case Qt::Key_Delete:
        if (!m_hooks.deleteKey)
            return false;
        if (hasRows())
            m_hooks.deleteKey();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_hooks.enter)
            return false;
        if (hasRows())
            m_hooks.enter(control);
        return true;
    default:
        break;
    }
    QString text = event->text();
    if (control || text.isEmpty() || !text.at(0).isPrint() || !m_hooks.typed)
        return false;
    m_hooks.typed(text.left(1));
    return true;
}

bool ListControl::handleMouse(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    const bool doubleClick = event->type() == QEvent::MouseButtonDblClick;
    if (doubleClick && event->button() == Qt::LeftButton) {
        // Only a double click on a row acts on it; below the last row it
        // does nothing.
        if (m_list && m_list->currentRow() > 0 && m_table->rowAt(position.y()) >= 0 &&
            m_hooks.doubleClicked)
            m_hooks.doubleClicked();
        return true;
    }
    // A press, or a quick second right click that arrives as a double click.
    if (doubleClick && event->button() != Qt::RightButton)
        return true;
    int row = m_table->rowAt(position.y());
    if (row >= 0 && m_list)
        m_list->setCurrentRow(row + 1);
    m_table->setFocus();
    if (event->button() == Qt::RightButton && m_hooks.rightClicked)
        m_hooks.rightClicked(row + 1, position);
    return true;
}

bool ListControl::eventFilter(QObject *watched, QEvent *event)
{
    if (m_table && watched == m_table && event->type() == QEvent::KeyPress)
        return handleKey(static_cast<QKeyEvent *>(event));
    if (event->type() == QEvent::Wheel &&
        (watched == m_scrollBar || (m_table && watched == m_table->viewport()))) {
        // The wheel moves the list by lines over the scroll bar too, never
        // the box alone.
        wheel(static_cast<QWheelEvent *>(event));
        return true;
    }
    if (!m_table || watched != m_table->viewport())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::Resize)
        viewportResized();
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        return handleMouse(static_cast<QMouseEvent *>(event));
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------

int execPopupMenu(QMenu &menu, QWidget &over, const std::vector<PagedBrowse::PopupItem> &items,
                  const QPoint &position)
{
    for (const PagedBrowse::PopupItem &item : items) {
        if (item.number == 0) {
            menu.addSeparator();
            continue;
        }
        QAction *action = menu.addAction(qs(item.text));
        action->setEnabled(item.enabled);
        action->setData(item.number);
    }
    QPointer<QWidget> alive(&over);
    QAction *chosen = menu.exec(over.mapToGlobal(position));
    if (!alive || !chosen)
        return 0;
    return chosen->data().toInt();
}

// ---------------------------------------------------------------------------

KeyedListControl::KeyedListControl(AppContext &context, KeyedListConfig config, QWidget *parent)
    : ListControl(parent)
{
    const int linesPerRow = config.linesPerRow;
    m_keyed = std::make_unique<KeyedList>(context, std::move(config), *this);
    setList(m_keyed->pages(), linesPerRow);
}

KeyedListControl::~KeyedListControl()
{
    detach();
    m_keyed.reset();
}

void KeyedListControl::pageChanged()
{
    ListControl::pageChanged();
    emit pageShown();
}

// ---------------------------------------------------------------------------

BrowseList::BrowseList(AppContext &context, BrowseConfig config, QWidget *parent)
    : ListControl(parent)
{
    const int linesPerRow = config.linesPerRow;
    m_browse = std::make_unique<PagedBrowse>(context, std::move(config), *this);
    setList(m_browse->pages(), linesPerRow);
    table()->setStatusTip(qs(m_browse->config().messages.list));
    Hooks hooks;
    hooks.enter = [this](bool control) { enterPressed(control); };
    hooks.insertKey = [this] { m_browse->insert(); };
    hooks.deleteKey = [this] { m_browse->remove(); };
    hooks.typed = [this](const QString &text) { letterTyped(text); };
    hooks.doubleClicked = [this] { doubleClicked(); };
    hooks.rightClicked = [this](int, const QPoint &position) { showPopup(position); };
    setHooks(std::move(hooks));
}

BrowseList::~BrowseList()
{
    detach();
    m_browse.reset();
}

void BrowseList::pageChanged()
{
    ListControl::pageChanged();
    emit buttonsChanged();
}

int BrowseList::showPopup(const QPoint &position)
{
    const std::vector<PagedBrowse::PopupItem> items = m_browse->popupItems();
    if (items.empty())
        return 0;
    delete m_popup;
    m_popup = new QMenu(this);
    const int item = execPopupMenu(*m_popup, *table()->viewport(), items, position);
    if (item != 0)
        m_browse->choosePopupItem(item);
    return item;
}

void BrowseList::enterPressed(bool control)
{
    if (control)
        m_browse->change();
    else
        m_browse->select();
}

void BrowseList::doubleClicked()
{
    if (m_browse->isSelectMode())
        m_browse->select();
    else
        m_browse->change();
}

void BrowseList::letterTyped(const QString &text)
{
    const bool letterKeys = m_browse->config().buttonLetterKeys;
    const char letter = text.toUpper().at(0).toLatin1();
    // Insert needs no row: on an empty list I acts as the Insert key does.
    if (letterKeys && letter == 'I' && m_browse->rows().empty()) {
        m_browse->insert();
        return;
    }
    if (!m_browse->locate(text.toStdString()))
        return;
    if (!letterKeys || m_browse->rows().empty())
        return;
    switch (letter) {
    case 'I':
        m_browse->insert();
        break;
    case 'C':
        m_browse->change();
        break;
    case 'D':
        m_browse->remove();
        break;
    case 'S':
        m_browse->select();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------

BrowseWindow::BrowseWindow(AppContext &context, BrowseConfig config, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setWindowTitle(qs(config.title));
    setFont(dialogFont());
    m_list = new BrowseList(context, std::move(config), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    createButtons(row);
    layout->addLayout(row);
    connect(m_list, &BrowseList::closeRequested, this, [this] { close(); });
    connect(m_list, &BrowseList::buttonsChanged, this, [this] { updateButtons(); });
    // Coming back to this window from another one (or from a message box or
    // form) shows what changed meanwhile.
    m_focusRefresh = refreshOnFocusRegained(*this, [this] { m_list->browse().refresh(); });
    resize(420, 330);
}

BrowseWindow::~BrowseWindow()
{
    // Children losing the focus while they are destroyed must not reach a
    // window that is already half gone.
    disconnect(m_focusRefresh);
}

void BrowseWindow::createButtons(QLayout *row)
{
    const BrowseMessages &messages = m_list->browse().config().messages;
    auto button = [this, row](const char *text, const std::string &tip, auto action) {
        auto *b = new QPushButton(tr(text), this);
        b->setAutoDefault(true); // Enter presses the button that has the focus
        b->setStatusTip(qs(tip));
        connect(b, &QPushButton::clicked, this, action);
        row->addWidget(b);
        return b;
    };
    PagedBrowse &browse = m_list->browse();
    m_select = button("&Select", messages.select, [&browse] { browse.select(); });
    m_insert = button("&Insert", messages.insert, [&browse] { browse.insert(); });
    m_change = button("&Change", messages.change, [&browse] { browse.change(); });
    m_delete = button("&Delete", messages.remove, [&browse] { browse.remove(); });
    m_close = button("Close", {}, [this] { close(); });
    m_help = button("&Help", {}, [this] {
        if (m_context.showHelp)
            m_context.showHelp(m_list->browse().config().helpTopic);
    });
}

bool BrowseWindow::start(int request)
{
    PagedBrowse &browse = m_list->browse();
    const bool selectMode = request == SelectRecord;
    m_select->setVisible(selectMode);
    m_select->setDefault(selectMode);
    for (QPushButton *b : {m_insert, m_change, m_delete})
        b->setVisible(browse.hasUpdateForm());
    if (!browse.open(request))
        return false;
    updateButtons();
    m_list->setFocus();
    return true;
}

int BrowseWindow::runModal()
{
    exec();
    closeList();
    return m_response;
}

void BrowseWindow::closeList()
{
    // The response is the list's as it closes: the reject() that closing a
    // dialog runs afterwards does not turn a completed select into a cancel.
    PagedBrowse &browse = m_list->browse();
    if (!browse.isOpen())
        return;
    m_response = browse.close();
    emit responded(m_response);
}

void BrowseWindow::updateButtons()
{
    PagedBrowse &browse = m_list->browse();
    m_select->setEnabled(browse.canSelect());
    m_insert->setEnabled(browse.canInsert());
    m_change->setEnabled(browse.canChange());
    m_delete->setEnabled(browse.canDelete());
}

void BrowseWindow::closeEvent(QCloseEvent *event)
{
    closeList();
    QDialog::closeEvent(event);
}

void BrowseWindow::reject()
{
    m_list->browse().cancel();
    closeList();
    QDialog::reject();
}

} // namespace korvalen
