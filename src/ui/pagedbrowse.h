#pragma once

// The browse list of one file: the paging core (pagedlist.h) over a keyed
// view of the file, plus what a browse window adds to it: the request it was
// opened with, select mode, Insert, Change, Delete and Select through the
// file's update form, and the refresh after the form and on regaining the
// focus. This is the logic alone; BrowseList (browselist.h) is its widget and
// BrowseWindow the window with its buttons. A screen describes its list in a
// BrowseConfig:
//
//   BrowseConfig config;
//   config.file = &data.people;
//   config.key = keys::PEO_PERSON_KEY;
//   config.keyField = textKeyField(&PeopleRecord::PERSON);
//   config.columns = {textColumn("Short Name", 52, "s10", &PeopleRecord::PERSON)};
//   config.updateProcedure = "UPDATEPERSON";
//
// A filter that pins the key's leading components belongs in `range`, so a
// fill never reads past it; `filter` is for what no key range can say.

#include "storage/cursor.h"
#include "storage/datafile.h"
#include "ui/pagedlist.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvalen {

class AppContext;
class FileUse;

// The status-bar messages of a list and its buttons.
struct BrowseMessages
{
    std::string list, insert, change, remove, select;
};

// Everything a screen says about its list. Constant once the list is made.
struct BrowseConfig
{
    DataFile *file = nullptr;
    int key = 0;
    BrowseKeyField keyField;
    // Limits the view to a key range (e.g. cursor.setRangeEqual(1, &GRO)).
    RowSource::Range range;
    // Passes over records for which it is false.
    RowSource::Filter filter;
    // The most records one fill may look at through `filter`.
    int filterCap = 2000;
    std::vector<BrowseColumn> columns;
    // Adds another file's record to each row (columns with fromJoin show
    // it); its file is opened with the list.
    RowJoin join;
    // Lines of text in one row; the page is counted in rows.
    int linesPerRow = 1;
    // The thumb goes to the top or the bottom only.
    bool thumbEndsOnly = false;
    // The files the list opens under their counters (besides `file`).
    std::vector<DataFile *> otherFiles;
    // The called update form; empty for a list without Insert, Change and
    // Delete (no keys and no popup menu then).
    std::string updateProcedure;
    std::string helpTopic;
    std::string title;
    BrowseMessages messages;
    // The letters I, C, D and S also press Insert, Change, Delete and
    // Select, after the locator has moved the list.
    bool buttonLetterKeys = false;
};

class PagedBrowse
{
public:
    using Mode = PagedList::Mode;

    // The list described by `config`; `host` is its widget. Both must
    // outlive the list.
    PagedBrowse(AppContext &context, BrowseConfig config, BrowseHost &host);
    ~PagedBrowse();
    PagedBrowse(const PagedBrowse &) = delete;
    PagedBrowse &operator=(const PagedBrowse &) = delete;

    const BrowseConfig &config() const { return m_config; }
    // The paging core under the actions.
    PagedList &pages() { return m_list; }

    // Opens the files and fills the first page for `request`: SelectRecord
    // opens the list for selection, around the record the caller left in
    // the file's buffer. False when the view cannot be opened (warning kind
    // 36 shown) or the first read failed (kind 35).
    bool open(int request = 0);
    // Releases the files and returns the list's response: completed after a
    // select, cancelled otherwise. Idempotent (a closed list returns its
    // last response).
    int close();
    // Rebuilds around the highlighted record so that changes made by other
    // windows and stations appear (regained focus).
    void refresh();
    // The control's height changed.
    void resized();
    // On an open list: shows the view of the new key range or filter from
    // its top, reading nothing outside it.
    void setRange(RowSource::Range range);
    void setFilter(RowSource::Filter filter);

    // Scrolling. Each leaves the highlight on the current row.
    void lineUp() { m_list.lineUp(); }
    void lineDown() { m_list.lineDown(); }
    void pageUp() { m_list.pageUp(); }
    void pageDown() { m_list.pageDown(); }
    void top() { m_list.top(); }
    void bottom() { m_list.bottom(); }
    // Thumb dragged to `position` (0 to 100).
    void thumbTo(int position) { m_list.thumbTo(position); }
    // Locator: moves to the first record whose key field is not less than
    // `typed` (one printable character; blank does nothing). True when it
    // moved.
    bool locate(std::string_view typed) { return m_list.locate(typed); }
    // The user highlighted row `row` (1-based).
    void setCurrentRow(int row) { m_list.setCurrentRow(row); }

    // The buttons. Each does nothing when its button is not enabled.
    void insert();
    void change();
    void remove();
    // Select mode: re-reads the highlighted record into the buffer, completes
    // and asks the host to close the window. False when nothing is chosen.
    bool select();
    // Close: the response stays cancelled.
    void cancel();

    // One item of the popup menu: its text, whether it can be chosen, and
    // its number for choosePopupItem(); a separator has number 0.
    struct PopupItem
    {
        std::string text;
        bool enabled = false;
        int number = 0;
    };
    // Insert, Change, Delete, a separator and Select, each enabled as its
    // button is; empty for a list without an update form.
    std::vector<PopupItem> popupItems() const;
    // The same as text: "Insert|Change|Delete|-|Select" with "~" on the
    // disabled items.
    std::string popupMenu() const;
    // Presses the button of popup item `item` (1 to 4).
    void choosePopupItem(int item);

    const std::deque<BrowseRow> &rows() const { return m_list.rows(); }
    // 1-based; 0 when the page is empty.
    int currentRow() const { return m_list.currentRow(); }
    // 0 to 100: where the scroll box stands.
    int thumb() const { return m_list.thumb(); }
    bool isScrollBarVisible() const { return m_list.isScrollBarVisible(); }
    bool isSelectMode() const { return m_selectMode; }
    bool hasUpdateForm() const { return !m_config.updateProcedure.empty(); }
    bool canInsert() const { return hasUpdateForm(); }
    bool canChange() const { return hasUpdateForm() && currentRow() > 0 && !m_selectMode; }
    bool canDelete() const { return canChange(); }
    bool canSelect() const { return m_selectMode && currentRow() > 0; }
    int response() const { return m_response; }
    bool isOpen() const { return m_open; }

private:
    bool failed() const { return m_list.hasFailed() || m_viewFailed; }
    bool openView();
    void fail(const Status &status);
    void resetToRecord(std::int64_t recordNumber);
    bool reread(bool watch);
    void callForm(int request);
    void afterForm(int request);

    AppContext &m_context;
    const BrowseConfig m_config;
    BrowseHost &m_host;
    DataFile &m_file;
    PagedList m_list;
    std::vector<std::unique_ptr<FileUse>> m_uses;

    bool m_open = false;
    bool m_viewFailed = false;
    bool m_inForm = false;
    bool m_selectMode = false;
    int m_response = 2;
};

} // namespace korvalen
