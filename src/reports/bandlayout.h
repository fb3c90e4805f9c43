#pragma once

// The band engine of the printed calendars: bands of text boxes and lines,
// placed in thousandths of an inch on pages recorded as QPictures (the pages
// the preview shows and printing replays).

#include <QFont>
#include <QLineF>
#include <QList>
#include <QPicture>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

class QPrinter;

namespace korvalen {

// Paper in thousandths of an inch.
inline constexpr QSize kLetterPaper{8500, 11000};
inline constexpr QSize kA4Paper{8268, 11693};

enum class PageOrientation
{
    Portrait,
    Landscape,
};

// The paper of `printer` as a report page takes it: A4 when the printer is
// set to A4, Letter otherwise; turned for landscape.
QSize reportPaper(const QPrinter &printer, PageOrientation orientation);
// `paper` (given upright) turned for `orientation`.
QSize orientedPaper(QSize paper, PageOrientation orientation);

// A font of a report: a family as the layouts name it ("Arial", "MS Serif"),
// resolved by the system's substitution, a size in points, bold (weight 700)
// or italic.
struct ReportFont
{
    QString family = QStringLiteral("Arial");
    int points = 10;
    bool bold = false;
    bool italic = false;

    // The QFont at the pages' scale (1 pt = 1000/72 units).
    QFont font() const;
};

// One thing a band draws, at a position relative to the band's top-left.
struct BandItem
{
    enum class Kind
    {
        Text,        // one line in a fixed box; what is wider than the box is cut
        GrowingText, // word-wrapped in a box of fixed width that grows downwards
        PageNumber,  // the page's number in a display picture, in a fixed box
        Line,        // a straight line from rect's top-left to its bottom-right
    };

    Kind kind = Kind::Text;
    QRect rect; // x, y, width, height (height unused for growing text)
    QString text;
    ReportFont font;
    Qt::Alignment alignment = Qt::AlignLeft;
    QString picture;    // of a page number, such as "N3"
    int lineWidth = 10; // of a line
};

// A band: a strip of the page, at least `height` high, holding text boxes
// and lines. Its growing text boxes make it taller when their text needs it.
class Band
{
public:
    explicit Band(int height = 0) : m_height(height) {}

    // The fixed height the band has when its content needs no more.
    int height() const { return m_height; }
    const std::vector<BandItem> &items() const { return m_items; }
    bool isEmpty() const { return m_items.empty(); }

    // A one-line text box: `text` from (x, y), `width` × `height`; text
    // wider than the box is cut at the box's edge.
    Band &text(int x, int y, int width, int height, const QString &text, const ReportFont &font,
               Qt::Alignment alignment = Qt::AlignLeft);
    // A text box `width` wide at (x, y) that wraps `text` at word boundaries
    // and grows with it (an empty text takes no room).
    Band &growingText(int x, int y, int width, const QString &text, const ReportFont &font);
    // The page number in `picture` ("N3", "n2"), right-aligned in the box;
    // only in page headers and footers.
    Band &pageNumber(int x, int y, int width, int height, const QString &picture,
                     const ReportFont &font);
    // A line from (x1, y1) to (x2, y2), `lineWidth` thick.
    Band &line(int x1, int y1, int x2, int y2, int lineWidth = 10);

    // A heading: it goes to the next page with the first line of the band
    // after it rather than stand alone at the bottom of a page.
    Band &keepWithNext(bool keep = true)
    {
        m_keepWithNext = keep;
        return *this;
    }
    bool keepsWithNext() const { return m_keepWithNext; }

private:
    int m_height;
    bool m_keepWithNext = false;
    std::vector<BandItem> m_items;
};

// Where the bands of a report go: the paper, the body area the detail
// bands flow through, and the page header, footer and form drawn on every
// page at their positions. All positions are from the paper's top-left.
struct PageFormat
{
    QSize paper = kLetterPaper;
    QRect body;
    QPoint headerAt;
    Band header;
    QPoint footerAt;
    Band footer;
    // Drawn on every page under the bands, such as the lines of a grid.
    QPoint formAt;
    Band form;
};

// Lays detail bands out one under the other in the body area of pages.
// A band that does not fit on the rest of a page moves to the next page; a
// band taller than a whole body area is split between its text lines over
// as many pages as it needs. Nothing is drawn below the body area. A page
// gets its header and form when its first band arrives and its footer
// (with its number) when it ends.
class BandLayout
{
public:
    explicit BandLayout(PageFormat sheet);
    ~BandLayout();
    BandLayout(const BandLayout &) = delete;
    BandLayout &operator=(const BandLayout &) = delete;

    const PageFormat &pageFormat() const { return m_format; }

    // The height `band` takes once its growing boxes hold their text.
    int measure(const Band &band) const;
    // Adds `band` under the last one (a heading waits for the band after it).
    void add(const Band &band);
    // Ends the current page and starts the next band on a new one.
    void breakPage();
    // Pages begun so far (the current one included).
    int pageCount() const { return static_cast<int>(m_pages.size()) + (m_painter ? 1 : 0); }
    // Ends the last page and hands over every page; a report without any
    // band gets one page with its header, form and footer.
    QList<QPicture> finish();

private:
    void place(const Band &band);
    void placeHeld(int following);
    void turnPage();
    void startPage();
    void endPage();
    void draw(const Band &band, QPoint at, int fromY, int toY, bool last);
    int bodyBottom() const { return m_format.body.top() + m_format.body.height(); }

    const PageFormat m_format;
    QList<QPicture> m_pages;
    QPicture m_page;
    QPainter *m_painter = nullptr;
    int m_y = 0;              // where the next band goes on the current page
    std::vector<Band> m_held; // headings waiting for the band they keep with
};

// What a page draws, in drawing order, in thousandths of an inch from the
// paper's top-left: for tests and tools that read what a page says.
struct DrawnText
{
    QPointF at; // the baseline start
    QString text;
    QFont font;
};
struct DrawnPage
{
    QList<DrawnText> texts;
    QList<QLineF> lines; // the ruled lines, from where they start to where they end
};
// The strings and ruled lines `page` draws, replayed from the picture.
DrawnPage drawnPage(const QPicture &page);
// The strings `page` draws: drawnPage(page).texts.
QList<DrawnText> drawnTexts(const QPicture &page);

} // namespace korvalen
