#pragma once

// The multi-select people picker: every person loaded into memory, a page of
// it shown at a time, any number of people marked and handed back to the
// caller in context.PickedPeople.

#include "storage/status.h"
#include "ui/appcontext.h"

#include <QDialog>

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
class PickerPageModel;
class PickerTable;

// The picker's list without widgets: all people in short-name order (the
// entries of a list the caller owns, looked up by row number 1..n), the page
// of at most items() rows shown of it, the highlighted page row, the marks
// and the 100-entry thumb table. Paging and marking touch only memory.
//
// Invariants: while loaded, entry i of the list has row number i + 1; the
// page is rows firstRow() .. firstRow() + pageSize() - 1, never more than
// items() rows and never past either end; currentRow() is 0 exactly when the
// page is empty.
class PickerList
{
public:
    // Number of thumb positions: position 1 is the top, kThumbPositions the bottom.
    static constexpr int kThumbPositions = 100;

    // A list over `people`, which must outlive it. Nothing is loaded yet.
    explicit PickerList(std::vector<PickedPerson> &people);

    // Empties the list and reads `file` (PEOPLE, open) from its start in
    // short-name order: one unmarked entry per person, rows 1 to n. Then
    // builds the thumb table and shows the top page with its first row
    // highlighted. The file's record buffer is left as it was. On a read
    // failure the list is left empty and the failure is returned.
    Status load(DataFile &file);

    // Every entry, in load order.
    const std::vector<PickedPerson> &entries() const { return m_people; }
    int count() const { return static_cast<int>(m_people.size()); }

    // The number of rows the list control shows (at least 1). A change
    // refills the page from its first row, keeping the highlighted entry
    // when it still fits and filling upward when the end is reached.
    void setItems(int items);
    int items() const { return m_items; }

    // Rows on the page (0 when the list is empty, items() when full).
    int pageSize() const { return m_pageSize; }
    // Row number of the page's first row; 0 when the page is empty.
    int firstRow() const { return m_pageSize ? m_first : 0; }
    // The highlighted page row, 1..pageSize(); 0 when the page is empty.
    int currentRow() const { return m_current; }
    // Row number of the highlighted entry; 0 when the page is empty.
    int highlightedRow() const { return m_current ? m_first + m_current - 1 : 0; }
    // The entry shown on page row `pageRow` (1..pageSize()).
    const PickedPerson &pageEntry(int pageRow) const;

    // Highlights page row `pageRow`; ignored outside 1..pageSize().
    void highlight(int pageRow);

    // The scrolling of a paged list, reading rows by number: a line or page
    // up or down moves the highlight within the page first and the page
    // when the highlight is at its edge; the page stops at rows 1 and n.
    void lineUp();
    void lineDown();
    void pageUp();
    void pageDown();
    // The first page, its first row highlighted; the last page, its last row.
    void top();
    void bottom();
    // The thumb dragged to `position`: at most 1 is top(), 100 or more is
    // bottom(), anything else shows the page starting at thumbRow(position)
    // (filled upward near the end) with that row highlighted.
    void thumbTo(int position);

    // The row thumb position `position` (1..100) stands for: 1 gives row 1,
    // 100 row n, k in between 1 + (n - 1) * (k - 1) / 99, truncated. 0 for
    // an empty list or a position outside 1..100.
    int thumbRow(int position) const;
    // Where the scroll box stands for the highlighted row: the first
    // position whose table row is not less than it, 0 when that is position
    // 1 (and for an empty list).
    int thumb() const;
    // The scroll bar is shown only while the page is full.
    bool isScrollBarShown() const { return m_pageSize > 0 && m_pageSize == m_items; }

    // Turns page row `pageRow`'s mark from blank to "*" or back, once.
    // Ignored outside 1..pageSize().
    void toggle(int pageRow);
    // toggle() on the highlighted row.
    void toggleCurrent() { toggle(m_current); }
    // Leaves only the marked entries, in their order, their row numbers
    // kept. The page is emptied: the list is no longer browsable.
    void keepMarkedOnly();

private:
    void buildThumbTable();
    // Shows the page starting at row `first` (moved up when fewer than
    // items() rows follow it) with row number `row` highlighted, or the
    // page's last row when `row` lies beyond it.
    void showPageAt(int first, int row);
    PickedPerson &entry(int row) { return m_people[static_cast<std::size_t>(row - 1)]; }

    std::vector<PickedPerson> &m_people;
    std::array<int, kThumbPositions> m_thumbTable{};
    int m_items = 1;
    int m_first = 1;
    int m_pageSize = 0;
    int m_current = 0;
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
    // The list control, its scroll bar, and the button of `command`.
    QTableView *table() const;
    QScrollBar *scrollBar() const { return m_scrollBar; }
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
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    // The list control, one page high, with its three columns.
    void createTable();
    // Widens the name columns, and the list with them, to the widest name
    // loaded; never narrower than their set widths.
    void fitColumns();
    QWidget *createButtons();
    void connectTable();

    // Steps 1 to 4 of loading: the list refilled from PEOPLE, the top page
    // shown and the focus on the list.
    void reload();
    void insertPerson();
    void selectMarked();
    // Runs one paging or marking step with the page size read from the list
    // control first, then shows the page.
    template <class Step> void step(Step &&stepFunction);
    // Brings the control, its highlight and the scroll bar in line with m_list.
    void refresh();
    void updateScrollBar();
    // Paging keys of the list; false for any other key.
    bool navigate(int key);
    void scrollBarAction(int action);
    int visibleRows() const;

    AppContext &m_context;
    std::unique_ptr<FileUse> m_peopleUse;
    PickerList m_list;
    // The request the window was opened with, given back after "Insert".
    std::int32_t m_openedRequest = 0;
    bool m_loaded = false;
    bool m_selected = false;
    // Set while the program itself moves the control's highlight.
    bool m_refreshing = false;
    // Owned by this window through Qt; constant after construction.
    PickerTable *m_table = nullptr;
    PickerPageModel *m_model = nullptr;
    QScrollBar *m_scrollBar = nullptr;
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
