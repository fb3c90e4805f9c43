#pragma once

// The paged browse list: a list of records that never holds more rows than
// its control shows, filled on demand from a keyed view of one file. This is
// the logic alone; BrowseList (browselist.h) is its widget and BrowseWindow
// the window with its buttons. A screen describes its list in a BrowseConfig:
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

#include "runtime/pictures.h"
#include "runtime/text.h"
#include "storage/cursor.h"
#include "storage/datafile.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvalen {

class AppContext;
class FileUse;

// One column of a list: its heading and layout, and its value shown in its
// picture.
struct BrowseColumn
{
    std::string title;
    int width = 0;  // dialog units
    int indent = 0; // dialog units
    bool alignRight = false;
    bool rightBorder = false;
    std::string picture;
    std::function<std::string(const void *record)> value;
};

// A column on text field `field`, shown in text picture `picture`.
template <class Record, std::size_t N>
BrowseColumn textColumn(std::string title, int width, std::string picture, Text<N> Record::*field)
{
    auto shown = Picture::parse(picture);
    BrowseColumn column{std::move(title), width, 0, false, false, std::move(picture), {}};
    column.value = [shown, field](const void *record) {
        std::string_view text = (static_cast<const Record *>(record)->*field).view();
        return shown ? shown->formatText(text) : std::string(text);
    };
    return column;
}

// A column on number, date or time field `field`, shown in `picture`.
template <class Record, class Number>
BrowseColumn numberColumn(std::string title, int width, std::string picture, Number Record::*field)
{
    auto shown = Picture::parse(picture);
    BrowseColumn column{std::move(title), width, 0, true, false, std::move(picture), {}};
    column.value = [shown, field](const void *record) {
        auto value = static_cast<std::int64_t>(static_cast<const Record *>(record)->*field);
        return shown ? shown->format(value) : std::to_string(value);
    };
    return column;
}

// The key component the locator and the thumb work on: a text or a number.
struct BrowseKeyField
{
    bool numeric = false;
    int component = 0; // its place in the key, 0 for the leading component
    std::function<std::string(const void *record)> text;
    std::function<void(void *record, std::string_view value)> setText;
    std::function<std::int64_t(const void *record)> number;
    std::function<void(void *record, std::int64_t value)> setNumber;
};

template <class Record, std::size_t N>
BrowseKeyField textKeyField(Text<N> Record::*field, int component = 0)
{
    BrowseKeyField key;
    key.component = component;
    key.text = [field](const void *r) { return (static_cast<const Record *>(r)->*field).str(); };
    key.setText = [field](void *r, std::string_view v) { (static_cast<Record *>(r)->*field) = v; };
    return key;
}

template <class Record, class Number>
BrowseKeyField numberKeyField(Number Record::*field, int component = 0)
{
    BrowseKeyField key;
    key.numeric = true;
    key.component = component;
    key.number = [field](const void *r) {
        return static_cast<std::int64_t>(static_cast<const Record *>(r)->*field);
    };
    key.setNumber = [field](void *r, std::int64_t v) {
        (static_cast<Record *>(r)->*field) = static_cast<Number>(v);
    };
    return key;
}

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
    std::function<void(Cursor &cursor)> range;
    // Passes over records for which it is false.
    Cursor::Filter filter;
    // The most records one fill may look at through `filter`.
    int filterCap = 2000;
    std::vector<BrowseColumn> columns;
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

// What the list asks of its widget.
class BrowseHost
{
public:
    virtual ~BrowseHost() = default;
    // How many rows the control shows at its current height (at least 1).
    virtual int visibleRows() const = 0;
    // The page, the highlight, the scroll bar or the buttons changed.
    virtual void pageChanged() = 0;
    // The window is to close: a read failed, or a select completed.
    virtual void closeWindow() = 0;
    virtual void setBusy(bool busy) = 0;
};

// One row of the page: its cells, its record and where it stands in the view.
struct BrowseRow
{
    std::vector<std::string> cells;
    Position position;
    std::shared_ptr<void> record;
};

// The 2-character step entry `n` (1 to 100) of the text thumb table.
std::string letterStepEntry(int n);
// The thumb for text key value `value`: 0 to 100 (see PagedBrowse::thumb).
int textThumb(std::string_view value);

// The numeric thumb table: entry 1 is `low`, entry 100 `high`.
struct NumericSteps
{
    std::int64_t low = 0;
    std::int64_t high = 0;
    bool valid = false;
    std::int64_t entry(int n) const;
    int thumb(std::int64_t value) const;
};

class PagedBrowse
{
public:
    enum class Mode
    {
        AtCurrent,
        KeepPage,
        FirstFill,
        FromEnd
    };

    // The list described by `config`; `host` is its widget. Both must
    // outlive the list.
    PagedBrowse(AppContext &context, BrowseConfig config, BrowseHost &host);
    ~PagedBrowse();
    PagedBrowse(const PagedBrowse &) = delete;
    PagedBrowse &operator=(const PagedBrowse &) = delete;

    const BrowseConfig &config() const { return m_config; }

    // Takes the global request (4 opens the list for selection), opens the
    // files and fills the first page: in select mode around the record the
    // caller left in the buffer. False when the view cannot be opened
    // (warning kind 36 shown) or the first read failed (kind 35).
    bool open();
    // Releases the files and leaves the local response (2 unless a select
    // completed) in the global response. Idempotent.
    void close();
    // Rebuilds around the highlighted record so that changes made by other
    // windows and stations appear (regained focus).
    void refresh();
    // The control's height changed.
    void resized();

    // Scrolling. Each leaves the highlight on the current row.
    void lineUp();
    void lineDown();
    void pageUp();
    void pageDown();
    void top();
    void bottom();
    // Thumb dragged to `position` (0 to 100).
    void thumbTo(int position);
    // Locator: moves to the first record whose key field is not less than
    // `typed` (one printable character; blank does nothing). True when it
    // moved.
    bool locate(std::string_view typed);
    // The user highlighted row `row` (1-based).
    void setCurrentRow(int row);

    // The buttons. Each does nothing when its button is not enabled.
    void insert();
    void change();
    void remove();
    // Select mode: re-reads the highlighted record into the buffer, completes
    // and asks the host to close the window. False when nothing is chosen.
    bool select();
    // Close: the response stays cancelled.
    void cancel();

    // "Insert|Change|Delete|-|Select" with "~" on the disabled items; empty
    // for a list without an update form.
    std::string popupMenu() const;
    // Presses the button of popup item `item` (1 to 4).
    void choosePopupItem(int item);

    const std::deque<BrowseRow> &rows() const { return m_rows; }
    // 1-based; 0 when the page is empty.
    int currentRow() const { return m_current; }
    // 0 to 100: where the scroll box stands.
    int thumb() const { return m_thumb; }
    bool isScrollBarVisible() const { return m_scrollBarVisible; }
    bool isSelectMode() const { return m_selectMode; }
    bool hasUpdateForm() const { return !m_config.updateProcedure.empty(); }
    bool canInsert() const { return hasUpdateForm(); }
    bool canChange() const { return hasUpdateForm() && m_current > 0 && !m_selectMode; }
    bool canDelete() const { return canChange(); }
    bool canSelect() const { return m_selectMode && m_current > 0; }
    int response() const { return m_response; }
    bool isOpen() const { return m_open; }

private:
    int items() const;
    void openView();
    // Reads up to `n` records beyond the page's edge; the count left unread
    // at the end of the view, or -1 after a read failure.
    int fill(int n, bool down);
    bool readOne(bool down, Status &status);
    void addRow(bool down);
    void rebuild(Mode mode);
    void highlight(const Position &saved, Mode mode);
    void resetToKeyValue(const void *record);
    void resetToRecord(std::int64_t recordNumber);
    void probeAndRebuild();
    bool reread(bool watch);
    void callForm(int request);
    void afterForm(int request);
    void newSelection();
    void computeSteps();
    void fail(const Status &status);
    void *scratch();

    AppContext &m_context;
    const BrowseConfig m_config;
    BrowseHost &m_host;
    DataFile &m_file;
    std::unique_ptr<Cursor> m_cursor;
    std::vector<std::unique_ptr<FileUse>> m_uses;
    std::shared_ptr<void> m_scratch;

    std::deque<BrowseRow> m_rows;
    int m_current = 0;
    int m_thumb = 0;
    bool m_scrollBarVisible = false;
    NumericSteps m_steps;
    int m_filterReads = 0;
    bool m_filterCapped = false;

    bool m_open = false;
    bool m_failed = false;
    bool m_inForm = false;
    bool m_selectMode = false;
    int m_openedRequest = 0;
    int m_response = 2;
};

} // namespace korvalen
