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

namespace korvalen {

namespace {

} // namespace

BrowseList::BrowseList(AppContext &context, BrowseConfig config, QWidget *parent)
    : QWidget(parent), m_table(new QTableView(this)), m_scrollBar(new QScrollBar(this))
{
    m_browse = std::make_unique<PagedBrowse>(context, std::move(config), *this);
    m_model = new PageModel(m_browse->pages(), m_table);
    m_table->setModel(m_model);
    m_table->setItemDelegate(new ListRowDelegate(m_table));
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
    m_table->verticalHeader()->setDefaultSectionSize(rowHeight());
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->setContextMenuPolicy(Qt::NoContextMenu);
    m_table->installEventFilter(this);
    m_table->viewport()->installEventFilter(this);
    setFocusProxy(m_table);
    m_scrollBar->setRange(0, 100);
    m_scrollBar->setPageStep(10);
    m_scrollBar->hide();
    connect(m_scrollBar, &QScrollBar::actionTriggered, this, &BrowseList::scrollAction);
    connect(m_scrollBar, &QScrollBar::sliderReleased, this, [this] {
        m_browse->thumbTo(m_scrollBar->sliderPosition());
        // A position that leads nowhere puts the box back.
        m_scrollBar->setSliderPosition(m_browse->thumb());
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (!m_showing && current.isValid())
                    m_browse->setCurrentRow(current.row() + 1);
            });
    const BrowseConfig &shown = m_browse->config();
    m_table->setStatusTip(qs(shown.messages.list));
    applyColumns();
}

BrowseList::~BrowseList()
{
    // The view goes before the list its model reads, and tells this half
    // destroyed list nothing on its way out.
    m_table->viewport()->removeEventFilter(this);
    m_table->removeEventFilter(this);
    disconnect(m_table->selectionModel(), nullptr, this, nullptr);
    delete m_table;
    m_browse.reset();
}

int BrowseList::rowHeight() const
{
    return std::max(1, m_browse->config().linesPerRow) * m_table->fontMetrics().height() + 4;
}

void BrowseList::applyColumns()
{
    const std::vector<BrowseColumn> &columns = m_browse->config().columns;
    QHeaderView *header = m_table->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        m_table->setColumnWidth(
            i, dialogUnitsToPixels(font(), columns[static_cast<std::size_t>(i)].width));
    header->setStretchLastSection(true);
}

int BrowseList::visibleRows() const
{
    int rowHeight = std::max(1, m_table->verticalHeader()->defaultSectionSize());
    return std::max(1, m_table->viewport()->height() / rowHeight);
}

void BrowseList::pageChanged()
{
    m_showing = true;
    m_model->pageChanged();
    if (m_browse->currentRow() > 0)
        m_table->setCurrentIndex(m_model->index(m_browse->currentRow() - 1, 0));
    else
        m_table->clearSelection();
    m_scrollBar->setVisible(m_browse->isScrollBarVisible());
    {
        QSignalBlocker blocker(m_scrollBar);
        m_scrollBar->setValue(m_browse->thumb());
    }
    m_showing = false;
    emit buttonsChanged();
}

void BrowseList::closeWindow()
{
    emit closeRequested();
}

void BrowseList::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void BrowseList::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    viewportResized();
}

void BrowseList::viewportResized()
{
    int rows = visibleRows();
    if (rows != m_lastRows) {
        m_lastRows = rows;
        if (m_browse->isOpen())
            m_browse->resized();
    }
}

void BrowseList::scrollAction(int action)
{
    std::optional<ListMove> move = listMoveForSliderAction(action);
    if (!move)
        return; // a drag ends in sliderReleased
    m_browse->pages().move(*move);
    // The slider shows the thumb the controller computed, not its own step.
    m_scrollBar->setSliderPosition(m_browse->thumb());
}

int BrowseList::showPopup(const QPoint &position)
{
    const std::vector<PagedBrowse::PopupItem> items = m_browse->popupItems();
    if (items.empty())
        return 0;
    delete m_popup;
    m_popup = new QMenu(this);
    for (const PagedBrowse::PopupItem &item : items) {
        if (item.number == 0) {
            m_popup->addSeparator();
            continue;
        }
        QAction *action = m_popup->addAction(qs(item.text));
        action->setEnabled(item.enabled);
        action->setData(item.number);
    }
    QPointer<BrowseList> self(this);
    QAction *chosen = m_popup->exec(m_table->viewport()->mapToGlobal(position));
    if (!self || !chosen)
        return 0;
    int item = chosen->data().toInt();
    m_browse->choosePopupItem(item);
    return item;
}

bool BrowseList::handleLetter(const QString &text)
{
    const bool letterKeys = m_browse->config().buttonLetterKeys;
    const char letter = text.toUpper().at(0).toLatin1();
    // Insert needs no row: on an empty list I acts as the Insert key does.
    if (letterKeys && letter == 'I' && m_browse->rows().empty()) {
        m_browse->insert();
        return true;
    }
    if (!m_browse->locate(text.toStdString()))
        return true;
    if (!letterKeys || m_browse->rows().empty())
        return true;
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
    return true;
}

bool BrowseList::handleKey(QKeyEvent *event)
{
    const bool control = event->modifiers() & Qt::ControlModifier;
    const bool hasRows = !m_browse->rows().empty();
    if (std::optional<ListMove> move = listMoveForKey(event->key())) {
        m_browse->pages().move(*move);
        return true;
    }
    switch (event->key()) {
    case Qt::Key_Insert:
        m_browse->insert();
        return true;
    case Qt::Key_Delete:
        if (hasRows)
            m_browse->remove();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (control && hasRows)
            m_browse->change();
        else if (!control && hasRows)
            m_browse->select();
        return true;
    default:
        break;
    }
    QString text = event->text();
    if (control || text.isEmpty() || !text.at(0).isPrint())
        return false;
    return handleLetter(text.left(1));
}

bool BrowseList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress)
        return handleKey(static_cast<QKeyEvent *>(event));
    if (watched != m_table->viewport())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::Resize)
        viewportResized();
    if (event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (wheel->angleDelta().y() > 0)
            m_browse->lineUp();
        else if (wheel->angleDelta().y() < 0)
            m_browse->lineDown();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        int row = m_table->rowAt(mouse->position().toPoint().y());
        if (row >= 0)
            m_browse->setCurrentRow(row + 1);
        m_table->setFocus();
        if (mouse->button() == Qt::RightButton)
            showPopup(mouse->position().toPoint());
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && m_browse->currentRow() > 0) {
            if (m_browse->isSelectMode())
                m_browse->select();
            else
                m_browse->change();
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
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
