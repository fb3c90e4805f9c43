#include "app/toolbaricons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace korvalen {

namespace {

constexpr int kSize = 32;

// A sheet of a calendar: a red band on top, a white page below.
void drawCalendar(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, 2, 2);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(r.left(), r.top(), r.width(), r.height() * 0.25));
}

void drawCentredText(QPainter &p, const QRectF &r, const QString &text, int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(pixelSize);
    p.setFont(font);
    p.setPen(QColor(30, 30, 30));
    p.drawText(r, Qt::AlignCenter, text);
}

void drawGrid(QPainter &p, const QRectF &r, int columns, int rows)
{
    p.setPen(QPen(QColor(120, 120, 120), 0.8));
    for (int c = 1; c < columns; ++c) {
        qreal x = r.left() + r.width() * c / columns;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
    for (int row = 1; row < rows; ++row) {
        qreal y = r.top() + r.height() * row / rows;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
}

void drawNewItem(QPainter &p)
{
    QPainterPath page;
    page.moveTo(7, 3);
    page.lineTo(20, 3);
    page.lineTo(26, 9);
    page.lineTo(26, 29);
    page.lineTo(7, 29);
    page.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(20, 3), QPointF(20, 9));
    p.drawLine(QPointF(20, 9), QPointF(26, 9));
    p.setPen(QPen(QColor(30, 140, 50), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16.5, 13), QPointF(16.5, 25));
    p.drawLine(QPointF(10.5, 19), QPointF(22.5, 19));
}

void drawLogo(QPainter &p)
{
    // A house with a clock face in its door: the household's schedule.
    QPainterPath roof;
    roof.moveTo(3, 15);
    roof.lineTo(16, 3);
    roof.lineTo(29, 15);
    roof.closeSubpath();
    p.setPen(QPen(QColor(120, 40, 20), 1.2));
    p.setBrush(QColor(200, 70, 40));
    p.drawPath(roof);
    p.setBrush(QColor(245, 225, 170));
    p.drawRect(QRectF(7, 15, 18, 14));
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(40, 40, 90), 1.2));
    p.drawEllipse(QPointF(16, 22), 5, 5);
    p.drawLine(QPointF(16, 22), QPointF(16, 18.5));
    p.drawLine(QPointF(16, 22), QPointF(18.5, 22));
}

} // namespace

QIcon toolbarIcon(ToolbarIcon which)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF sheet(4, 4, 24, 24);
    const QRectF below(4, 10, 24, 18);
    switch (which) {
    case ToolbarIcon::NewItem:
        drawNewItem(p);
        break;
    case ToolbarIcon::Logo:
        drawLogo(p);
        break;
    case ToolbarIcon::DayCalendar:
        drawCalendar(p, sheet);
        drawCentredText(p, below, QStringLiteral("1"), 14);
        break;
    case ToolbarIcon::WeekCalendar:
        drawCalendar(p, sheet);
        drawCentredText(p, below, QStringLiteral("7"), 14);
        break;
    case ToolbarIcon::BatchDelete:
        drawCalendar(p, sheet);
        p.setPen(QPen(QColor(200, 20, 20), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 13), QPointF(22, 25));
        p.drawLine(QPointF(22, 13), QPointF(10, 25));
        break;
    case ToolbarIcon::LandscapeWeek:
        drawCalendar(p, QRectF(1, 8, 30, 18));
        drawGrid(p, QRectF(1, 12.5, 30, 13.5), 7, 1);
        break;
    case ToolbarIcon::WeekView:
        drawCalendar(p, QRectF(1, 5, 30, 23));
        drawGrid(p, QRectF(1, 10.75, 30, 17.25), 7, 3);
        break;
    }
    return QIcon(pixmap);
}

} // namespace korvalen
