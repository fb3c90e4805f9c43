#pragma once

// The widgets of the paged browse list: BrowseList, the list control with its
// own scroll bar (0 to 100, the thumb), and BrowseWindow, a window with the
// list and its Select, Insert, Change, Delete, Close and Help buttons. Both
// drive a PagedBrowse (pagedbrowse.h) made from the screen's BrowseConfig.

#include "ui/pagedbrowse.h"

#include <QDialog>
#include <QWidget>

#include <memory>

class QMenu;
class QPushButton;
class QScrollBar;
class QTableView;

namespace korvalen {

class AppContext;
class PageModel;

// The list control: a table view over the page's model, drawn by the list
// delegate (column borders, rows of several lines). It shows the
// controller's page, reports how many rows fit (the page is counted in rows,
// whatever their lines) and turns keys, clicks and scroll-bar moves into the
// controller's actions.
class BrowseList : public QWidget, public BrowseHost
{
    Q_OBJECT

public:
    // A list over `config`; nothing is read before open().
    BrowseList(AppContext &context, BrowseConfig config, QWidget *parent = nullptr);
    ~BrowseList() override;

    PagedBrowse &browse() { return *m_browse; }
    QTableView *table() const { return m_table; }
    QScrollBar *scrollBar() const { return m_scrollBar; }
    // The popup menu as last built by a right click (for tests and pictures).
    QMenu *popup() const { return m_popup; }
    // Shows the popup menu at `position` (list coordinates) and runs the
    // chosen item. Returns the item number chosen, 0 for none.
    int showPopup(const QPoint &position);

    // BrowseHost
    int visibleRows() const override;
    void pageChanged() override;
    void closeWindow() override;
    void setBusy(bool busy) override;

signals:
    // The controller asks for the window to close.
    void closeRequested();
    // Enabled states may have changed.
    void buttonsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool handleKey(QKeyEvent *event);
    bool handleLetter(const QString &text);
    void scrollAction(int action);
    void applyColumns();
    // One row's height: its lines of text and a margin.
    int rowHeight() const;
    // The page follows the control's height.
    void viewportResized();

    std::unique_ptr<PagedBrowse> m_browse;
    QTableView *m_table = nullptr;
    PageModel *m_model = nullptr;
    QScrollBar *m_scrollBar = nullptr;
    QMenu *m_popup = nullptr;
    bool m_showing = false;
    int m_lastRows = 0;
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
