#pragma once

// The paging core of every list: a page of rows that never holds more rows
// than its control shows, filled on demand from a RowSource (rowsource.h).
// It knows nothing of files, requests or buttons: PagedBrowse adds those for
// the browse windows, and the people picker pages its memory with it.
//
//   PagedList list(host, columns);
//   list.open(std::make_unique<KeyedRowSource>(file, key),
//             std::make_unique<KeyLocator>(textKeyField(&PeopleRecord::PERSON)));
//   list.pageDown();
//
// Each fill reads at most the rows shown plus one, whatever the source's size.

#include "runtime/pictures.h"
#include "runtime/text.h"
#include "ui/rowsource.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvalen {

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
    // The value is taken from the row's joined record (see RowJoin).
    bool fromJoin = false;
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

// What a list asks of its widget.
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
    RowPosition position;
    std::shared_ptr<void> record;
    std::shared_ptr<void> joined; // nullptr without a join
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

// Where the thumb stands for a row and where a thumb position or typed text
// leads. Keyed lists go by a key field (KeyLocator); in-memory lists by row
// number (RowNumberLocator).
class Locator
{
public:
    virtual ~Locator() = default;
    // Called when the list (re)opens or its range or filter changes; may
    // read the source (e.g. its lowest and highest key).
    virtual void prepare(RowSource &) {}
    // 0 to 100 for row `row` at `position`.
    virtual int thumb(const void *row, const RowPosition &position) const = 0;
    // Sets `source` where thumb position `position` (2 to 99) leads;
    // `current` is the highlighted row or nullptr. False to stay.
    virtual bool seekThumb(RowSource &source, int position, const void *current) = 0;
    // Sets `source` where typed text `typed` leads. False to stay.
    virtual bool seekTyped(RowSource &source, std::string_view typed, const void *current) = 0;
};

// The thumb and locator on one key field: the letter step table for text,
// the steps between the lowest and highest key for numbers. With
// `thumbEndsOnly` a thumb position between the ends leads nowhere (for keys
// spread too unevenly for a middle position to mean anything).
class KeyLocator : public Locator
{
public:
    explicit KeyLocator(BrowseKeyField field, bool thumbEndsOnly = false)
        : m_field(std::move(field)), m_thumbEndsOnly(thumbEndsOnly)
    {
    }
    const BrowseKeyField &field() const { return m_field; }
    void prepare(RowSource &source) override;
    int thumb(const void *row, const RowPosition &position) const override;
    bool seekThumb(RowSource &source, int position, const void *current) override;
    bool seekTyped(RowSource &source, std::string_view typed, const void *current) override;

private:
    BrowseKeyField m_field;
    bool m_thumbEndsOnly;
    NumericSteps m_steps;
};

// The thumb by row number over the 100-entry table of an in-memory list:
// position 1 is row 1, 100 row n, k in between 1 + (n - 1) * (k - 1) / 99.
// Typed text does nothing.
class RowNumberLocator : public Locator
{
public:
    static constexpr int kPositions = 100;
    // `count` reads the number of rows when the list is prepared.
    explicit RowNumberLocator(std::function<int()> count) : m_count(std::move(count)) {}
    void prepare(RowSource &source) override;
    int thumb(const void *row, const RowPosition &position) const override;
    bool seekThumb(RowSource &source, int position, const void *current) override;
    bool seekTyped(RowSource &, std::string_view, const void *) override { return false; }
    // The row position `position` (1 to 100) stands for; 0 outside or when empty.
    int rowAt(int position) const;
    // The thumb of row number `row`: the first position whose row is not
    // less, 0 when that is position 1 or the list is empty.
    int thumbOfRow(std::int64_t row) const;

private:
    std::function<int()> m_count;
    int m_rows = 0;
};

// The moves of the keys and the scroll bar, alike in every list.
enum class ListMove
{
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    Top,
    Bottom
};

class PagedList
{
public:
    enum class Mode
    {
        AtCurrent, // around the row the source read last
        KeepPage,  // from the page's first row, the highlight kept
        FirstFill, // from the top
        FromEnd    // from the bottom
    };

    // A closed list showing `columns` in `host`, which must outlive it.
    PagedList(BrowseHost &host, std::vector<BrowseColumn> columns);
    ~PagedList();
    PagedList(const PagedList &) = delete;
    PagedList &operator=(const PagedList &) = delete;

    // Called after a read failed (the page is then empty and the list
    // stays failed until closed) and whenever the highlight lands on a row
    // or the page is emptied by a fill (nullptr).
    void setFailureHandler(std::function<void(const Status &)> handler);
    void setHighlightHandler(std::function<void(const BrowseRow *row)> handler);

    // Opens over `source` with `locator`, without reading. Both replace
    // earlier ones.
    void open(std::unique_ptr<RowSource> source, std::unique_ptr<Locator> locator);
    // Drops the page and the source. Idempotent.
    void close();
    bool isOpen() const { return m_source != nullptr; }
    bool hasFailed() const { return m_failed; }
    RowSource *source() const { return m_source.get(); }
    const std::vector<BrowseColumn> &columns() const { return m_columns; }

    // On an open list: a new key range or filter shows the new view from
    // its top, reading nothing outside it.
    void setRange(RowSource::Range range);
    void setFilter(RowSource::Filter filter);
    // Prepares the locator again and rebuilds in `mode`.
    void reload(Mode mode = Mode::KeepPage);
    // Shows the page around `position` (its neighbour when it is gone), or
    // the last page when nothing follows it. False when it cannot be sought.
    bool reposition(const RowPosition &position);
    // Shows the page around the first row whose first `components` key
    // values are not less than `row`'s.
    void repositionAtKey(const void *row, int components);
    // Refills the page in `mode`.
    void rebuild(Mode mode);
    // Drops the page without reading; the list stays open.
    void clear();
    // Removes page row `row` (1-based) without reading.
    void eraseRow(int row);

    // Scrolling. Each leaves the highlight on the current row.
    void lineUp();
    void lineDown();
    void pageUp();
    void pageDown();
    void top();
    void bottom();
    // One of the above.
    void move(ListMove move);
    // Thumb dragged to `position` (0 to 100).
    void thumbTo(int position);
    // Locator: moves where `typed` (one printable character; blank does
    // nothing) leads. True when it moved.
    bool locate(std::string_view typed);
    // Locator on a whole text: moves to the first row whose key field is not
    // less than `text`, blanks and all (an empty text leads to the top);
    // beyond the last key, to the last page. False, without reading, when
    // the page is empty or the list closed or failed.
    bool locateText(std::string_view text);
    // The user highlighted row `row` (1-based).
    void setCurrentRow(int row);

    const std::deque<BrowseRow> &rows() const { return m_rows; }
    // 1-based; 0 when the page is empty.
    int currentRow() const { return m_current; }
    const BrowseRow *current() const;
    // 0 to 100: where the scroll box stands.
    int thumb() const { return m_thumb; }
    bool isScrollBarVisible() const { return m_scrollBarVisible; }
    Locator *locator() const { return m_locator.get(); }
    // How many rows the control shows.
    int items() const;

private:
    // Reads up to `n` rows beyond the page's edge; the count left unread at
    // the end of the view, or -1 after a read failure.
    int fill(int n, bool down);
    bool readOne(bool down);
    void addRow(bool down);
    void highlight(const RowPosition &saved, Mode mode);
    void probeAndRebuild();
    void newSelection();
    void fail(const Status &status);

    BrowseHost &m_host;
    const std::vector<BrowseColumn> m_columns;
    std::unique_ptr<RowSource> m_source;
    std::unique_ptr<Locator> m_locator;
    std::function<void(const Status &)> m_onFailure;
    std::function<void(const BrowseRow *)> m_onHighlight;

    std::deque<BrowseRow> m_rows;
    int m_current = 0;
    int m_thumb = 0;
    bool m_scrollBarVisible = false;
    bool m_failed = false;
};

// The incremental locator of a list in the order of a text key: the text
// typed into the list so far, at most `capacity` characters. A character
// typed (a blank too) is added to it, Backspace takes its last one off, and
// after each the list moves by the whole text (PagedList::locateText):
//
//   IncrementalLocator locator(list, 30);
//   locator.type("B");
//   locator.type("a"); // the first name not less than "Ba"
//   locator.backspace(); // the first name not less than "B"
class IncrementalLocator
{
public:
    // An empty text over `list`, which must outlive the locator.
    IncrementalLocator(PagedList &list, std::size_t capacity) : m_list(list), m_capacity(capacity)
    {
    }

    const std::string &text() const { return m_text; }
    // Adds `character` (one character, UTF-8) and moves the list. False, and
    // the text unchanged, when it is full, `character` is no single
    // printable character, or the list shows no rows.
    bool type(std::string_view character);
    // Takes the last character off and moves the list. False, and nothing
    // done, when the text is empty or the list shows no rows.
    bool backspace();
    // Empties the text; the list stays where it is.
    void clear() { m_text.clear(); }

private:
    PagedList &m_list;
    const std::size_t m_capacity;
    std::string m_text;
};

} // namespace korvalen
