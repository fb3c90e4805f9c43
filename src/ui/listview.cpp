#include "ui/listview.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <algorithm>

namespace korvalen {

int dialogUnitsToPixels(const QFont &font, int units)
{
    return (QFontMetrics(font).averageCharWidth() * units + 2) / 4;
}

std::optional<ListMove> listMoveForKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
        return ListMove::LineUp;
    case Qt::Key_Down:
        return ListMove::LineDown;
    case Qt::Key_PageUp:
        return ListMove::PageUp;
    case Qt::Key_PageDown:
        return ListMove::PageDown;
    case Qt::Key_Home:
        return ListMove::Top;
    case Qt::Key_End:
        return ListMove::Bottom;
    default:
        return std::nullopt;
    }
}

std::optional<ListMove> listMoveForSliderAction(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        return ListMove::LineUp;
    case QAbstractSlider::SliderSingleStepAdd:
        return ListMove::LineDown;
    case QAbstractSlider::SliderPageStepSub:
        return ListMove::PageUp;
    case QAbstractSlider::SliderPageStepAdd:
        return ListMove::PageDown;
    case QAbstractSlider::SliderToMinimum:
        return ListMove::Top;
    case QAbstractSlider::SliderToMaximum:
        return ListMove::Bottom;
    default:
        return std::nullopt;
    }
}

QMetaObject::Connection refreshOnFocusRegained(QWidget &window, std::function<void()> refresh)
{
    QWidget *watched = &window;
    return QObject::connect(qApp, &QApplication::focusChanged, watched,
                            [watched, refresh = std::move(refresh)](QWidget *old, QWidget *now) {
                                if (!now || !watched->isAncestorOf(now) ||
                                    (old && (old == watched || watched->isAncestorOf(old))))
                                    return;
                                QPointer<QWidget> alive(watched);
                                QMetaObject::invokeMethod(
                                    watched,
                                    [alive, refresh] {
                                        if (alive)
                                            refresh();
                                    },
                                    Qt::QueuedConnection);
                            });
}

void ListRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!m_allBorders && !index.data(kRightBorderRole).toBool())
        return;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->restore();
}

PageModel::PageModel(const PagedList &list, QObject *parent)
    : QAbstractTableModel(parent), m_list(list)
{
}

void PageModel::setStacks(std::vector<ColumnStack> stacks)
{
    beginResetModel();
    m_stacks = std::move(stacks);
    endResetModel();
}

int PageModel::linesPerRow() const
{
    std::size_t lines = 1;
    for (const ColumnStack &stack : m_stacks)
        lines = std::max(lines, stack.size());
    return static_cast<int>(lines);
}

ColumnStack PageModel::stackOf(int column) const
{
    if (m_stacks.empty())
        return {column};
    return m_stacks[static_cast<std::size_t>(column)];
}

const BrowseColumn &PageModel::firstColumnOf(int column) const
{
    for (int shown : stackOf(column)) {
        if (shown >= 0)
            return m_list.columns()[static_cast<std::size_t>(shown)];
    }
    static const BrowseColumn blank;
    return blank;
}

int PageModel::columnWidth(int column) const
{
    int width = 0;
    for (int shown : stackOf(column)) {
        if (shown >= 0)
            width = std::max(width, m_list.columns()[static_cast<std::size_t>(shown)].width);
    }
    return width;
}

int PageModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_list.rows().size());
}

int PageModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(m_stacks.empty() ? m_list.columns().size() : m_stacks.size());
}

QVariant PageModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        const BrowseRow &row = m_list.rows()[static_cast<std::size_t>(index.row())];
        QStringList lines;
        for (int shown : stackOf(index.column())) {
            if (shown < 0) {
                lines << QString();
                continue;
            }
            const BrowseColumn &column = m_list.columns()[static_cast<std::size_t>(shown)];
            lines << QString(column.indent / 4, QChar(' ')) +
                         QString::fromStdString(row.cells[static_cast<std::size_t>(shown)]);
        }
        return lines.join(QChar('\n'));
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            (firstColumnOf(index.column()).alignRight ? Qt::AlignRight : Qt::AlignLeft) |
            Qt::AlignVCenter);
    case kRightBorderRole: {
        bool border = false;
        for (int shown : stackOf(index.column()))
            border = border ||
                     (shown >= 0 && m_list.columns()[static_cast<std::size_t>(shown)].rightBorder);
        return border;
    }
    default:
        return {};
    }
}

QVariant PageModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return {};
    return QString::fromStdString(firstColumnOf(section).title);
}

Qt::ItemFlags PageModel::flags(const QModelIndex &) const
{
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void PageModel::pageChanged()
{
    beginResetModel();
    endResetModel();
}

TextListModel::TextListModel(std::function<int()> count, std::function<QString(int row)> text,
                             QString heading, QObject *parent)
    : QAbstractTableModel(parent), m_count(std::move(count)), m_text(std::move(text)),
      m_heading(std::move(heading))
{
}

int TextListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count();
}

int TextListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant TextListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_count())
        return {};
    return m_text(index.row());
}

QVariant TextListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section == 0)
        return m_heading;
    return {};
}

void TextListModel::reload()
{
    beginResetModel();
    endResetModel();
}

} // namespace korvalen
