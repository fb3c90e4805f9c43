#pragma once

// The multi-select people picker: every person loaded into memory, a page of
// it shown at a time, any number of people marked and handed back to the
// caller in context.PickedPeople.

#include "storage/status.h"
#include "ui/appcontext.h"
#include "ui/pagedlist.h"

#include <QDialog>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QTableView;

namespace korvalen {

class DataFile;
class FileUse;
class ListControl;

// The picker's list without widgets: all people in short-name order (the
// entries of a list the caller owns, row numbers 1..n), paged by the list
// core over that memory, and the marks. Paging and marking touch only
// memory: pages() scrolls (lines, pages, top, bottom, thumb), this class
// loads, marks and tells where the page stands. Its columns are the mark,
// the short name and the long name.
//
// Invariants: while loaded, entry i of the list has row number i + 1; the
// page is rows firstRow() .. firstRow() + pageSize() - 1, never more than
// items() rows; currentRow() is 0 exactly when the page is empty.
class PickerList : private BrowseHost
{
public:
    // Number of thumb positions: position 1 is the top, kThumbPositions the bottom.
    static constexpr int kThumbPositions = RowNumberLocator::kPositions;

    // A list over `people`, which must outlive it. Nothing is loaded yet.
    explicit PickerList(std::vector<PickedPerson> &people);

    // Empties the list and reads `file` (PEOPLE, open) from its start in
    // short-name order: one unmarked entry per person, rows 1 to n. Then
    // shows the top page with its first row highlighted. The file's record
    // buffer is left as it was. On a read failure the list is left empty
    // and the failure is returned.
    Status load(DataFile &file);

    // Every entry, in load order.
    const std::vector<PickedPerson> &entries() const { return m_people; }
    int count() const { return static_cast<int>(m_people.size()); }

    // The paging core over the entries.
    PagedList &pages() { return m_pages; }
    const PagedList &pages() const { return m_pages; }

    // The control the page is shown in (nullptr: none), which must outlive
    // the list or be unset first: the page is as many rows high as the
    // control shows, and the control hears of every change.
    void setView(BrowseHost *view) { m_view = view; }
    // Without a view, the number of rows the page holds (at least 1). A
    // change refills the page from its first row, keeping the highlighted
    // entry when it still fits and filling upward when the end is reached.
    void setItems(int items);
    // The rows the page holds when full: the view's, or setItems()'.
    int items() const { return m_view ? std::max(1, m_view->visibleRows()) : m_items; }

    // Rows on the page (0 when the list is empty, items() when full).
    int pageSize() const { return static_cast<int>(m_pages.rows().size()); }
    // Row number of the page's first row; 0 when the page is empty.
    int firstRow() const;
    // The highlighted page row, 1..pageSize(); 0 when the page is empty.
    int currentRow() const { return m_pages.currentRow(); }
    // Row number of the highlighted entry; 0 when the page is empty.
    int highlightedRow() const;
    // The entry shown on page row `pageRow` (1..pageSize()).
    const PickedPerson &pageEntry(int pageRow) const;
    // Highlights page row `pageRow`; ignored outside 1..pageSize().
    void highlight(int pageRow) { m_pages.setCurrentRow(pageRow); }

    // The row thumb position `position` (1..100) stands for: 1 gives row 1,
    // 100 row n, k in between 1 + (n - 1) * (k - 1) / 99, truncated. 0 for
    // an empty list or a position outside 1..100.
    int thumbRow(int position) const { return m_locator->rowAt(position); }
    // Where the scroll box stands for the highlighted row.
    int thumb() const { return m_locator->thumbOfRow(highlightedRow()); }
    // The scroll bar is shown only while the page is full.
    bool isScrollBarShown() const { return m_pages.isScrollBarVisible(); }

    // Turns page row `pageRow`'s mark from blank to "*" or back, once, in
    // the entry and on the page. Ignored outside 1..pageSize().
    void toggle(int pageRow);
    // toggle() on the highlighted row.
    void toggleCurrent() { toggle(currentRow()); }
    // Leaves only the marked entries, in their order, their row numbers
    // kept. The page is emptied: the list is no longer browsable.
    void keepMarkedOnly();

private:
    // BrowseHost: the page is items() high and shown in the view.
    int visibleRows() const override { return items(); }
    void pageChanged() override;
    void closeWindow() override {}
    void setBusy(bool) override {}

    std::vector<PickedPerson> &m_people;
    BrowseHost *m_view = nullptr;
    int m_items = 1;
    PagedList m_pages;
    RowNumberLocator *m_locator = nullptr; // owned by m_pages
};

// The window "Browse People - Multiple Select". Opens PEOPLE (under its open
// counter) for as long as it lives and loads the list the first time it is
// shown. Closing it writes the global response: completed after "Select"
// (context.PickedPeople then holds only the marked people), cancelled for
// every other way out, the close box and Escape included, even after an
// "Insert" that completed; context.PickedPeople then holds every person.
class PeoplePickerDialog : public QDialog
{
public:
    enum class Command
    {
        Select,
        Insert,
        TagClear,
        ClearAll,
        Cancel,
        Help
    };

    // Builds the window for `context` (which must outlive it) without
    // showing it; ends the program through the prompter when PEOPLE cannot
    // be opened. `parent` only places the window over its caller.
    explicit PeoplePickerDialog(AppContext &context, QWidget *parent = nullptr);
    ~PeoplePickerDialog() override;

    // The list in memory and its page.
    const PickerList &list() const { return m_list; }
    // The list control's table, its scroll bar, and the button of `command`.
    QTableView *table() const;
    QScrollBar *scrollBar() const;
    QPushButton *button(Command command) const;
    // The message shown in the window's status bar.
    QString statusMessage() const;

    // Runs `command` as its button does.
    void press(Command command);
    // Highlights page row `pageRow` and toggles its mark, as a right click
    // on it does.
    void toggleRow(int pageRow);

    // Records the response in the context (see the class comment) and closes.
    void done(int result) override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    // The list control, twelve rows high, over the list in memory.
    void createList();
    // Widens the name columns, and the list with them, to the widest name
    // loaded; never narrower than their set widths.
    void fitColumns();
    QWidget *createButtons();

    // Steps 1 to 4 of loading: the list refilled from PEOPLE, the top page
    // shown and the focus on the list.
    void reload();
    void insertPerson();
    void selectMarked();

    AppContext &m_context;
    std::unique_ptr<FileUse> m_peopleUse;
    PickerList m_list;
    // The request the window was opened with, given back after "Insert".
    std::int32_t m_openedRequest = 0;
    bool m_loaded = false;
    bool m_selected = false;
    // Owned by this window through Qt; constant after construction.
    ListControl *m_control = nullptr;
    QStatusBar *m_statusBar = nullptr;
    std::array<QPushButton *, 6> m_buttons{};
};

// Builds the picker for `context` without running it, for tests and for
// rendering. `parent` only places the window.
std::unique_ptr<PeoplePickerDialog> makePeoplePicker(AppContext &context,
                                                     QWidget *parent = nullptr);

// BROWSEPERSONM: runs the picker as an application-modal dialog over the
// active window and returns when it closes. The global response is then
// completed (1) after "Select", with context.PickedPeople holding only the
// marked people in short-name order (possibly none), and cancelled (2)
// otherwise, with PickedPeople holding every person; callers read the list
// only after a completed response. The global request is left as it was.
void BROWSEPERSONM(AppContext &context);

// Draws the picker off screen over the context's open data folder and saves
// it as a PNG at `pngPath`; adds a few people first when PEOPLE is empty and
// marks two of them for the picture. True when the file was written.
bool renderPeoplePicker(AppContext &context, const QString &pngPath);

} // namespace korvalen
