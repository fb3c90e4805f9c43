#include "reports/bandlayout.h"

#include "runtime/pictures.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace korvalen {

namespace {

// One piece of a band that is drawn whole or not at all: a line of text or
// a ruled line. A band splits between pieces.
struct Piece
{
    int top = 0; // relative to the band
    int bottom = 0;
    const BandItem *item = nullptr;
    QString text;   // the line's text
    QPointF origin; // a text's baseline start, relative to the band
};

// `text` cut to the widest start that fits `width` in `metrics`.
QString fittedLine(const QString &text, const QFontMetricsF &metrics, int width)
{
    QString line = text;
    while (!line.isEmpty() && metrics.horizontalAdvance(line) > width)
        line.chop(1);
    return line;
}

qreal alignedX(const BandItem &item, const QFontMetricsF &metrics, const QString &line)
{
    const qreal free = item.rect.width() - metrics.horizontalAdvance(line);
    if (item.alignment & Qt::AlignRight)
        return item.rect.x() + std::max<qreal>(free, 0);
    if (item.alignment & Qt::AlignHCenter)
        return item.rect.x() + std::max<qreal>(free, 0) / 2;
    return item.rect.x();
}

void addFixedText(const BandItem &item, const QString &text, std::vector<Piece> &pieces)
{
    const QFontMetricsF metrics(item.font.font());
    const QString line = fittedLine(text, metrics, item.rect.width());
    const int bottom = item.rect.y() + item.rect.height();
    pieces.push_back({item.rect.y(), bottom, &item, line,
                      QPointF(alignedX(item, metrics, line), item.rect.y() + metrics.ascent())});
}

// The lines of a growing box, wrapped at word boundaries (a word wider than
// the box breaks where it must); a line break in the text starts a line.
void addGrowingText(const BandItem &item, std::vector<Piece> &pieces)
{
    const QFont font = item.font.font();
    const QFontMetricsF metrics(font);
    const int lineHeight = int(std::ceil(metrics.lineSpacing()));
    QString text = item.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int y = item.rect.y();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(item.rect.width());
        QString part = text.mid(line.textStart(), line.textLength());
        while (!part.isEmpty() && (part.back().isSpace() || part.back() == QChar::LineSeparator))
            part.chop(1);
        pieces.push_back(
            {y, y + lineHeight, &item, part, QPointF(item.rect.x(), y + metrics.ascent())});
        y += lineHeight;
    }
    layout.endLayout();
}

// The pieces of `band` and its height. Page numbers show `pageNumber`.
int prepare(const Band &band, int pageNumber, std::vector<Piece> &pieces)
{
    int height = band.height();
    for (const BandItem &item : band.items()) {
        switch (item.kind) {
        case BandItem::Kind::Text:
            addFixedText(item, item.text, pieces);
            break;
        case BandItem::Kind::PageNumber: {
            const std::optional<Picture> picture = Picture::parse(item.picture.toStdString());
            const std::string shown =
                picture ? picture->format(pageNumber) : std::to_string(pageNumber);
            addFixedText(item, QString::fromStdString(shown).trimmed(), pieces);
            break;
        }
        case BandItem::Kind::GrowingText:
            if (!item.text.isEmpty())
                addGrowingText(item, pieces);
            break;
        case BandItem::Kind::Line:
            pieces.push_back({std::min(item.rect.top(), item.rect.bottom()),
                              std::max(item.rect.top(), item.rect.bottom()),
                              &item,
                              {},
                              {}});
            break;
        }
    }
    for (const Piece &piece : pieces)
        if (piece.item->kind == BandItem::Kind::GrowingText)
            height = std::max(height, piece.bottom);
    return height;
}

// The lowest cut at or above `limit` (relative to the band) that no piece
// straddles, but below `from`: where a band split at `from` ends its part.
// `from` itself when no piece fits.
int cutAt(const std::vector<Piece> &pieces, int from, int limit)
{
    const auto straddled = [&](int cut) {
        return std::any_of(pieces.begin(), pieces.end(),
                           [cut](const Piece &p) { return p.top < cut && p.bottom > cut; });
    };
    int best = straddled(limit) ? from : limit;
    if (best == limit)
        return limit;
    for (const Piece &piece : pieces)
        for (int candidate : {piece.top, piece.bottom})
            if (candidate > best && candidate <= limit && !straddled(candidate))
                best = candidate;
    return best;
}

// The paint engine of drawnPage(): keeps the strings and the ruled lines.
class PageRecorder : public QPaintEngine
{
public:
    explicit PageRecorder(DrawnPage &out) : QPaintEngine(AllFeatures), m_out(out) {}
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    // Shapes are passed over. Left to the base class, lines and shapes are
    // turned into one another and back without end.
    void drawRects(const QRect *, int) override {}
    void drawRects(const QRectF *, int) override {}
    void drawLines(const QLine *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            m_out.lines.append(painter()->transform().map(QLineF(lines[i])));
    }
    void drawLines(const QLineF *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            m_out.lines.append(painter()->transform().map(lines[i]));
    }
    void drawEllipse(const QRectF &) override {}
    void drawEllipse(const QRect &) override {}
    void drawPath(const QPainterPath &) override {}
    void drawPoints(const QPointF *, int) override {}
    void drawPoints(const QPoint *, int) override {}
    // A ruled line may come as a polyline of its two ends.
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode && count == 2)
            m_out.lines.append(painter()->transform().map(QLineF(points[0], points[1])));
    }
    void drawPolygon(const QPoint *points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode && count == 2)
            m_out.lines.append(painter()->transform().map(QLineF(points[0], points[1])));
    }
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        // A font of its own: the item's lives only while it is drawn.
        const QFont drawn = item.font();
        QFont font(drawn.family());
        font.setPixelSize(drawn.pixelSize());
        font.setWeight(drawn.weight());
        font.setItalic(drawn.italic());
        m_out.texts.append({painter()->transform().map(p), item.text(), font});
    }
    Type type() const override { return User; }

private:
    DrawnPage &m_out;
};

class RecordingDevice : public QPaintDevice
{
public:
    explicit RecordingDevice(DrawnPage &out) : m_engine(out) {}
    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 20000;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return QPicture().logicalDpiX();
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 1000;
        }
    }

private:
    mutable PageRecorder m_engine;
};

} // namespace

QSize orientedPaper(QSize paper, PageOrientation orientation)
{
    return orientation == PageOrientation::Landscape ? paper.transposed() : paper;
}

QSize reportPaper(const QPrinter &printer, PageOrientation orientation)
{
    const bool a4 = printer.pageLayout().pageSize().id() == QPageSize::A4;
    return orientedPaper(a4 ? kA4Paper : kLetterPaper, orientation);
}

QFont ReportFont::font() const
{
    // The printed calendars name the fonts of the desktop they were drawn
    // for; their metric-compatible families (installed by the set-up script)
    // keep the same line breaks on every machine.
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("MS Serif"), QStringLiteral("Liberation Serif"));
        return true;
    }();
    (void)substituted;
    QFont result(family);
    // Where the named family is missing, the system's substitute is at least
    // of the same kind.
    const bool serif = family.contains(QLatin1String("Serif"), Qt::CaseInsensitive) &&
                       !family.contains(QLatin1String("Sans"), Qt::CaseInsensitive);
    result.setStyleHint(serif ? QFont::Serif : QFont::SansSerif);
    result.setPixelSize(int(std::lround(points * 1000.0 / 72.0)));
    result.setWeight(bold ? QFont::Bold : QFont::Normal);
    result.setItalic(italic);
    // Pages are laid out in the printer's units, never the screen's.
    result.setHintingPreference(QFont::PreferNoHinting);
    result.setKerning(false);
    return result;
}

Band &Band::text(int x, int y, int width, int height, const QString &text, const ReportFont &font,
                 Qt::Alignment alignment)
{
    BandItem item;
    item.kind = BandItem::Kind::Text;
    item.rect = QRect(x, y, width, height);
    item.text = text;
    item.font = font;
    item.alignment = alignment;
    m_items.push_back(item);
    return *this;
}

Band &Band::growingText(int x, int y, int width, const QString &text, const ReportFont &font)
{
    BandItem item;
    item.kind = BandItem::Kind::GrowingText;
    item.rect = QRect(x, y, width, 0);
    item.text = text;
    item.font = font;
    m_items.push_back(item);
    return *this;
}

Band &Band::pageNumber(int x, int y, int width, int height, const QString &picture,
                       const ReportFont &font)
{
    BandItem item;
    item.kind = BandItem::Kind::PageNumber;
    item.rect = QRect(x, y, width, height);
    item.picture = picture;
    item.font = font;
    item.alignment = Qt::AlignRight;
    m_items.push_back(item);
    return *this;
}

Band &Band::line(int x1, int y1, int x2, int y2, int lineWidth)
{
    BandItem item;
    item.kind = BandItem::Kind::Line;
    item.rect = QRect(QPoint(x1, y1), QPoint(x2, y2));
    item.lineWidth = lineWidth;
    m_items.push_back(item);
    return *this;
}

BandLayout::BandLayout(PageFormat sheet) : m_format(std::move(sheet)) {}

BandLayout::~BandLayout()
{
    delete m_painter;
}

int BandLayout::measure(const Band &band) const
{
    std::vector<Piece> pieces;
    return prepare(band, 0, pieces);
}

void BandLayout::add(const Band &band)
{
    if (band.keepsWithNext()) {
        m_held.push_back(band);
        return;
    }
    // The held headings need room for the band's first line as well.
    std::vector<Piece> pieces;
    int first = prepare(band, 0, pieces);
    for (const Piece &piece : pieces)
        if (piece.item->kind == BandItem::Kind::GrowingText)
            first = std::min(first, piece.bottom);
    placeHeld(first);
    place(band);
}

void BandLayout::placeHeld(int following)
{
    if (m_held.empty())
        return;
    int needed = following;
    for (const Band &held : m_held)
        needed += measure(held);
    if (!m_painter)
        startPage();
    if (needed > bodyBottom() - m_y && needed <= m_format.body.height() &&
        m_y > m_format.body.top())
        turnPage();
    const std::vector<Band> held = std::move(m_held);
    m_held.clear();
    for (const Band &band : held)
        place(band);
}

void BandLayout::place(const Band &band)
{
    std::vector<Piece> pieces;
    const int height = prepare(band, 0, pieces);
    if (!m_painter)
        startPage();
    if (height > bodyBottom() - m_y && height <= m_format.body.height() &&
        m_y > m_format.body.top())
        turnPage();
    // From here the band either fits or is taller than a whole body area.
    int from = 0;
    while (true) {
        const int room = bodyBottom() - m_y;
        int to = height - from <= room ? height : cutAt(pieces, from, from + room);
        if (to == from && m_y == m_format.body.top())
            to = from + room; // one piece taller than a page: it goes as far as the page allows
        if (to > from) {
            draw(band, QPoint(m_format.body.left(), m_y), from, to, to >= height);
            m_y += to - from;
            from = to;
        }
        if (from >= height)
            break;
        turnPage();
    }
}

void BandLayout::breakPage()
{
    placeHeld(0);
    turnPage();
}

void BandLayout::turnPage()
{
    if (m_painter)
        endPage();
    startPage();
}

void BandLayout::startPage()
{
    m_page = QPicture();
    m_painter = new QPainter(&m_page);
    m_painter->setRenderHint(QPainter::TextAntialiasing);
    m_y = m_format.body.top();
    if (!m_format.form.isEmpty())
        draw(m_format.form, m_format.formAt, 0, 0, true);
    if (!m_format.header.isEmpty())
        draw(m_format.header, m_format.headerAt, 0, 0, true);
}

void BandLayout::endPage()
{
    if (!m_format.footer.isEmpty())
        draw(m_format.footer, m_format.footerAt, 0, 0, true);
    m_painter->end();
    delete m_painter;
    m_painter = nullptr;
    m_page.setBoundingRect(QRect(QPoint(0, 0), m_format.paper));
    m_pages.append(m_page);
}

// Draws the pieces of `band` that begin between `fromY` and `toY` (relative
// to the band) and end above `toY`, with the band's line `fromY` at `at`.
// The last part of a band (`toY` its height) draws every piece left, also
// boxes reaching below the band; so does a part that would be empty.
void BandLayout::draw(const Band &band, QPoint at, int fromY, int toY, bool last)
{
    std::vector<Piece> pieces;
    prepare(band, static_cast<int>(m_pages.size()) + 1, pieces);
    QPainter &painter = *m_painter;
    const QPointF offset(at.x(), at.y() - fromY);
    for (const Piece &piece : pieces) {
        if (piece.top < fromY ||
            (!last && (piece.top >= toY || (piece.bottom > toY && piece.top != fromY))))
            continue;
        if (piece.item->kind == BandItem::Kind::Line) {
            painter.setPen(QPen(Qt::black, piece.item->lineWidth));
            painter.drawLine(QLineF(QPointF(piece.item->rect.topLeft()) + offset,
                                    QPointF(piece.item->rect.bottomRight()) + offset));
            continue;
        }
        if (piece.text.isEmpty())
            continue;
        painter.setPen(Qt::black);
        painter.setFont(piece.item->font.font());
        painter.drawText(piece.origin + offset, piece.text);
    }
}

QList<QPicture> BandLayout::finish()
{
    placeHeld(0);
    if (!m_painter && m_pages.isEmpty())
        startPage();
    if (m_painter)
        endPage();
    return m_pages;
}

DrawnPage drawnPage(const QPicture &page)
{
    DrawnPage drawn;
    RecordingDevice device(drawn);
    QPainter painter(&device);
    painter.drawPicture(0, 0, page);
    painter.end();
    return drawn;
}

QList<DrawnText> drawnTexts(const QPicture &page)
{
    return drawnPage(page).texts;
}

} // namespace korvalen
