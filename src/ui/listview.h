#pragma once

// What every list control shares: the page model over a PagedList, the
// delegate that draws column borders and rows of several lines, the keys
// and scroll-bar actions that move a list, and dialog units.

#include "ui/pagedlist.h"

#include <QAbstractTableModel>
#include <QMetaObject>
#include <QStyledItemDelegate>

#include <functional>
#include <optional>
#include <vector>

class QFont;
class QWidget;

namespace korvalen {

// Dialog units across in `font`: a quarter of its average character width,
// rounded.
int dialogUnitsToPixels(const QFont &font, int units);

// The move a paging key (arrows, Page Up/Down, Home, End) makes; none for
// any other key.
std::optional<ListMove> listMoveForKey(int key);
// The move a scroll-bar action (QAbstractSlider::SliderAction) makes; none
// for a drag, which ends in a thumb position.
std::optional<ListMove> listMoveForSliderAction(int action);

// Runs `refresh` (queued, and only while `window` lives) whenever the focus
// comes into `window` from outside it: from another window, a message box
// or a form, so that a list shows what changed meanwhile. The window breaks
// the connection in its destructor, before its children go.
QMetaObject::Connection refreshOnFocusRegained(QWidget &window, std::function<void()> refresh);

// Data role of a cell: true when its column has a line on its right.
constexpr int kRightBorderRole = Qt::UserRole + 1;

// Draws a cell as the style does, its text over several lines when it
// holds line breaks, and a line on its right when kRightBorderRole says so
// (or for every cell when made with `allBorders`).
class ListRowDelegate : public QStyledItemDelegate
{
public:
    explicit ListRowDelegate(QObject *parent, bool allBorders = false)
        : QStyledItemDelegate(parent), m_allBorders(allBorders)
    {
    }
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    bool m_allBorders;
};

// One shown column of a list whose rows are of several lines: the list's
// columns (indexes into PagedList::columns()) it shows one under another, a
// line each, -1 for a blank line; as a list format's group divides its
// fields with "/". A row of one line needs none: each list column is shown
// as a column of its own.
using ColumnStack = std::vector<int>;

// The page of a PagedList as a table: its rows, their cells as the columns
// show them (indent, alignment, border), the column titles.
class PageModel : public QAbstractTableModel
{
public:
    PageModel(const PagedList &list, QObject *parent);

    // Shows the list's columns stacked as `stacks` say, a table column per
    // stack: its cell holds its lines (each with its column's indent), it
    // takes the alignment of its first column and a border when any of its
    // columns has one, and its title is its first column's. Empty: every
    // list column is a table column of its own.
    void setStacks(std::vector<ColumnStack> stacks);
    const std::vector<ColumnStack> &stacks() const { return m_stacks; }
    // Lines of text in one row: the tallest stack's, 1 without stacks.
    int linesPerRow() const;
    // The width of table column `column` in dialog units: its list
    // column's, or its widest stacked column's.
    int columnWidth(int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The page was refilled.
    void pageChanged();

private:
    // The list columns shown in table column `column`, top line first.
    ColumnStack stackOf(int column) const;
    // The first list column of table column `column`.
    const BrowseColumn &firstColumnOf(int column) const;

    const PagedList &m_list;
    std::vector<ColumnStack> m_stacks;
};

// A one-column list of a few rows a window holds in memory (the people of
// an activity, its dates): the rows are counted and shown through the
// window's own functions, so the list always shows the window's data.
class TextListModel : public QAbstractTableModel
{
public:
    TextListModel(std::function<int()> count, std::function<QString(int row)> text, QString heading,
                  QObject *parent);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The window's data changed: the view reads it anew.
    void reload();

private:
    std::function<int()> m_count;
    std::function<QString(int row)> m_text;
    QString m_heading;
};

} // namespace korvalen
