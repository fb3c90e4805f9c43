#pragma once

// The widgets of the lists. ListControl is the list control every list is
// shown in: a table view over a PagedList's page with its own scroll bar (0
// to 100, the thumb), which pages the list by itself and leaves the rest of
// the keys and clicks to its owner. KeyedListControl is that control over a
// KeyedList of its own, for windows with several lists that give each its
// own actions. BrowseList is the control over a PagedBrowse made from the
// screen's BrowseConfig, and BrowseWindow a window with the browse list and
// its Select, Insert, Change, Delete, Close and Help buttons.

#include "ui/listview.h"
#include "ui/pagedbrowse.h"

#include <QDialog>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QPushButton;
class QScrollBar;
class QTableView;

namespace korvalen {

class AppContext;
class ControlPageModel;

// The list control: a table view over the page of a PagedList, drawn by the
// list delegate (column borders, rows of several lines). It reports how many
// rows fit (the page is counted in rows, whatever their lines) and moves the
// list itself for the paging keys, the wheel, the scroll bar, a click on a
// row and a change of height (the page is refilled from its first row,
// keeping the highlight). Whatever else a key or a click means is its
// owner's, through the hooks.
//
// As a BrowseHost it is the widget of the list it shows; a list whose host is
// another object forwards visibleRows() and pageChanged() to it.
class ListControl : public QWidget, public BrowseHost
{
    Q_OBJECT

public:
    // What the owner makes of the input the control does not handle itself.
    // An input without its hook is left to the table and the window (Enter
    // then presses the window's default button); the Enter and Delete hooks
    // are called only while the page has rows, the others always.
    struct Hooks
    {
        // Enter, or with `control` Ctrl+Enter.
        std::function<void(bool control)> enter;
        std::function<void()> insertKey;
        std::function<void()> deleteKey;
        // A printable character typed without Ctrl.
        std::function<void(const QString &text)> typed;
        // A left double click while a row is highlighted.
        std::function<void()> doubleClicked;
        // A right click, a quick second one included, after it highlighted
        // its row: `row` is 1-based, 0 below the rows; `position` is in the
        // table's viewport.
        std::function<void(int row, const QPoint &position)> rightClicked;
    };

    // An empty control; setList() gives it its list.
    explicit ListControl(QWidget *parent = nullptr);
    ~ListControl() override;

    // Shows `list` (its columns at their widths, rows of `linesPerRow`
    // lines). Once, before the control is shown; `list` must outlive the
    // control or its detach().
    void setList(PagedList &list, int linesPerRow = 1);
    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    // After setList(): column `column` (0-based) shows its cells with
    // `alignment` instead of the column's own left or right.
    void setColumnAlignment(int column, Qt::Alignment alignment);
    // After setList(): shows the list's columns stacked in rows of several
    // lines (see ColumnStack), each stack as wide as its widest column; the
    // rows are as tall as the tallest stack, at least `linesPerRow` lines.
    void setStacks(std::vector<ColumnStack> stacks);

    // The list shown; nullptr before setList() and after detach().
    PagedList *pages() const { return m_list; }
    // nullptr after detach().
    QTableView *table() const { return m_table; }
    QScrollBar *scrollBar() const { return m_scrollBar; }

    // BrowseHost
    int visibleRows() const override;
    void pageChanged() override;
    void closeWindow() override;
    void setBusy(bool busy) override;

signals:
    // The list asks for its window to close (a read failed, a select
    // completed).
    void closeRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // A new font gives the rows their new height and the columns their
    // widths in it.
    void changeEvent(QEvent *event) override;
    // Lets go of the list: the table goes, and nothing reaches the list any
    // more. An owner whose list dies before this control calls it first.
    void detach();

private:
    bool handleKey(QKeyEvent *event);
    bool handleMouse(QMouseEvent *event);
    void wheel(QWheelEvent *event);
    void scrollAction(int action);
    void thumbDragged();
    void applyColumns();
    // One row's height: its lines of text and a margin.
    int rowHeight() const;
    // The page follows the control's height.
    void viewportResized();
    bool hasRows() const;

    PagedList *m_list = nullptr;
    Hooks m_hooks;
    int m_linesPerRow = 1;
    QTableView *m_table = nullptr;
    ControlPageModel *m_model = nullptr;
    QScrollBar *m_scrollBar = nullptr;
    bool m_showing = false;
    int m_lastRows = 0;
};

// Fills `menu` with `items` (number 0 a separator, a disabled item greyed),
// runs it at `position` of `over` and returns the number of the item
// chosen: 0 for none, and when `over` went while the menu was up.
int execPopupMenu(QMenu &menu, QWidget &over, const std::vector<PagedBrowse::PopupItem> &items,
                  const QPoint &position);

// A list control over a KeyedList of its own, made from `config`: a list
// without browse actions, whose window gives it its keys and clicks through
// the hooks. Nothing is read before its list's openList().
class KeyedListControl : public ListControl
{
    Q_OBJECT

public:
    KeyedListControl(AppContext &context, KeyedListConfig config, QWidget *parent = nullptr);
    ~KeyedListControl() override;

    KeyedList &list() { return *m_keyed; }
    const KeyedList &list() const { return *m_keyed; }

    // BrowseHost: the page shown, then pageShown().
    void pageChanged() override;

signals:
    // The page or the highlight changed: by a fill, a scroll, a click.
    void pageShown();

private:
    std::unique_ptr<KeyedList> m_keyed;
};

// A browse list: the list control over a PagedBrowse, with the browse keys
// (Insert, Delete, Enter and Ctrl+Enter, the locator and the button letters),
// the double click and the right-click menu.
class BrowseList : public ListControl
{
    Q_OBJECT

public:
    // A list over `config`; nothing is read before open().
    BrowseList(AppContext &context, BrowseConfig config, QWidget *parent = nullptr);
    ~BrowseList() override;

    PagedBrowse &browse() { return *m_browse; }
    // The popup menu as last built by a right click (for tests and pictures).
    QMenu *popup() const { return m_popup; }
    // Shows the popup menu at `position` (list coordinates) and runs the
    // chosen item. Returns the item number chosen, 0 for none.
    int showPopup(const QPoint &position);

    // BrowseHost: the page shown, then buttonsChanged().
    void pageChanged() override;

signals:
    // Enabled states may have changed.
    void buttonsChanged();

private:
    void enterPressed(bool control);
    void letterTyped(const QString &text);
    void doubleClicked();

    std::unique_ptr<PagedBrowse> m_browse;
    QMenu *m_popup = nullptr;
};

// A window with a paged browse list and its buttons. Independent windows
// show it non-modally; a caller that wants a choice runs it with runModal().
class BrowseWindow : public QDialog
{
    Q_OBJECT

public:
    // The window over `config`. start() must follow.
    BrowseWindow(AppContext &context, BrowseConfig config, QWidget *parent = nullptr);
    ~BrowseWindow() override;

    // Fills the list for `request` (SelectRecord shows Select and opens
    // around the record in the file's buffer). False when the list could
    // not be opened (its warning shown); the window is then not to be shown.
    bool start(int request);
    // Shows the window modally; returns the response (1 completed, 2
    // cancelled).
    int runModal();

    BrowseList &list() { return *m_list; }
    PagedBrowse &browse() { return m_list->browse(); }
    QPushButton *selectButton() const { return m_select; }
    QPushButton *insertButton() const { return m_insert; }
    QPushButton *changeButton() const { return m_change; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *closeButton() const { return m_close; }
    QPushButton *helpButton() const { return m_help; }

signals:
    // The list closed with `response` (1 completed, 2 cancelled).
    void responded(int response);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void createButtons(QLayout *row);
    void updateButtons();
    void closeList();

    AppContext &m_context;
    BrowseList *m_list = nullptr;
    int m_response = 2;
    QMetaObject::Connection m_focusRefresh;
    QPushButton *m_select = nullptr;
    QPushButton *m_insert = nullptr;
    QPushButton *m_change = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_help = nullptr;
};

} // namespace korvalen
