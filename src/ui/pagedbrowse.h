#pragma once

// The list of one file, KeyedList: the paging core (pagedlist.h) over a
// keyed view of the file, with its refresh; and PagedBrowse, what a browse
// window adds to it: the request it was opened with, select mode, Insert,
// Change, Delete and Select through the file's update form, and the refresh
// after the form. This is the logic alone; BrowseList (browselist.h) is its widget and
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

// What a list over one file is: its file and key, its range and filter,
// its columns, its rows. Constant once the list is made.
struct KeyedListConfig
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
};

// Everything a screen says about its list: the list, and what its browse
// actions do. Constant once the list is made.
struct BrowseConfig : KeyedListConfig
{
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

// The list of one file without any action: the paging core over a keyed
// view of the file, its files held open, the refresh that shows what other
// windows and stations changed, a range or filter changed while it is open,
// and a failed read reported (kind 35) with the window asked to close. The
// highlighted record is the file's current one, in its buffer. Windows with
// several lists make one of these per list; PagedBrowse adds the actions of
// a browse window.
class KeyedList
{
public:
    using Mode = PagedList::Mode;

    // The list described by `config`; `host` is its widget. Both must
    // outlive the list.
    KeyedList(AppContext &context, KeyedListConfig config, BrowseHost &host);
    virtual ~KeyedList();
    KeyedList(const KeyedList &) = delete;
    KeyedList &operator=(const KeyedList &) = delete;

    // The paging core.
    PagedList &pages() { return m_list; }
    const PagedList &pages() const { return m_list; }
    const KeyedListConfig &listConfig() const { return m_listConfig; }

    // Opens the files and fills the first page; with `aroundBuffer`, around
    // the record in the file's buffer. False when the view cannot be opened
    // (warning kind 36 shown) or the first read failed (kind 35).
    bool openList(bool aroundBuffer);
    // Releases the files. A no-op when closed.
    void closeList();
    // Rebuilds around the highlighted record so that changes made by other
    // windows and stations appear (regained focus).
    void refresh();
    // On an open list: shows the view of the new key range or filter from
    // its top, reading nothing outside it.
    void setRange(RowSource::Range range);
    void setFilter(RowSource::Filter filter);
    // While suspended (a form called from the list runs), the list reads
    // nothing and gives up its reads.
    void suspend();
    void resume();
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

    const std::deque<BrowseRow> &rows() const { return m_list.rows(); }
    // 1-based; 0 when the page is empty.
    int currentRow() const { return m_list.currentRow(); }
    // 0 to 100: where the scroll box stands.
    int thumb() const { return m_list.thumb(); }
    bool isScrollBarVisible() const { return m_list.isScrollBarVisible(); }
    bool isOpen() const { return m_open; }
    // A read failed (kind 35 shown) or the view could not be opened (kind
    // 36): the list reads nothing more until it is closed.
    bool hasFailed() const { return failed(); }

    // Re-reads the highlighted record into the buffer (watched with
    // `watch`). False when there is none, or it is gone (the page then
    // comes back around its neighbour), or the read failed (reported).
    bool reread(bool watch);
    // After a form changed the file: shows the record `recordNumber` (or,
    // when it cannot be read, the buffer's key) at its place.
    void resetToRecord(std::int64_t recordNumber);
    // Rebuilds the page where it stands; with `dropCurrent`, without the
    // highlighted row (it was deleted).
    void rebuildAfterForm(bool dropCurrent);

protected:
    bool failed() const { return m_list.hasFailed() || m_viewFailed; }
    AppContext &m_context;
    BrowseHost &m_host;
    DataFile &m_file;

private:
    bool openView();
    void fail(const Status &status);

    const KeyedListConfig m_listConfig;
    PagedList m_list;
    std::vector<std::unique_ptr<FileUse>> m_uses;
    bool m_open = false;
    bool m_viewFailed = false;
    bool m_suspended = false;
};

// A browse window's list: the keyed list plus the request it was opened
// with, select mode, Insert, Change, Delete and Select through the file's
// update form, the popup items, and the refresh after the form.
class PagedBrowse : public KeyedList
{
public:
    // The list described by `config`; `host` is its widget. Both must
    // outlive the list.
    PagedBrowse(AppContext &context, BrowseConfig config, BrowseHost &host);
    ~PagedBrowse() override;

    const BrowseConfig &config() const { return m_config; }

    // Opens the files and fills the first page for `request`: SelectRecord
    // opens the list for selection, around the record the caller left in
    // the file's buffer. False when the view cannot be opened (warning kind
    // 36 shown) or the first read failed (kind 35).
    bool open(int request = 0);
    // Releases the files and returns the list's response: completed after a
    // select, cancelled otherwise. Idempotent (a closed list returns its
    // last response).
    int close();

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

    bool isSelectMode() const { return m_selectMode; }
    bool hasUpdateForm() const { return !m_config.updateProcedure.empty(); }
    bool canInsert() const { return hasUpdateForm(); }
    bool canChange() const { return hasUpdateForm() && currentRow() > 0 && !m_selectMode; }
    bool canDelete() const { return canChange(); }
    bool canSelect() const { return m_selectMode && currentRow() > 0; }
    int response() const { return m_response; }

private:
    void callForm(int request);
    void afterForm(int request);

    const BrowseConfig m_config;
    bool m_selectMode = false;
    int m_response = 2;
};

} // namespace korvalen
