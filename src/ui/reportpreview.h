#pragma once

#include "ui/previewlogic.h"

#include <QDialog>
#include <QList>
#include <QPicture>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenuBar;
class QPainter;
class QPrinter;
class QSpinBox;
class QStatusBar;

namespace korvalen {

class AppContext;
class PageArea;

// Report pages are QPictures laid out in thousandths of an inch, (0, 0) being
// the top-left corner of the paper, with the picture's bounding rect set to
// the paper (QPicture::setBoundingRect). Fonts are sized in the same unit
// (QFont::setPixelSize, 1 pt = 1000/72). A page without a bounding rect is
// taken as a letter page.
inline constexpr int kLetterWidth = 8500;
inline constexpr int kLetterHeight = 11000;

// The paper size of `page` in thousandths of an inch.
QSizeF pagePaperSize(const QPicture &page);

// Paints `page` scaled into `target` (in `painter`'s coordinates) on white
// paper. The one painting function of the preview and of printing.
void paintPage(QPainter &painter, const QPicture &page, const QRectF &target);

// Prints `pages` on `printer` at their true size, one sheet per page, in
// order; the paper's corner is the pages' origin. Returns false when the
// printer cannot be opened or fails to finish (nothing or not all printed).
bool printPages(QPrinter &printer, const QList<QPicture> &pages);

// `count` letter-size sample pages: a frame, "Page n" in Arial and some ruled
// lines. For tests and for looking at the preview.
QList<QPicture> samplePages(int count);

// The commands of the preview's menu bar, in menu order.
enum class PreviewCommand
{
    Cancel,
    Print,
    Zoom,
    Previous,
    Next,
    Jump,
    Facing,
};

// The page places of the preview window.
enum class PagePlaceId
{
    Left,
    Centre,
    Right,
    Zoom,
};

// The jump window "Jump to a Report Page": a spin box from 1 to the page
// count. A typed value outside the range is refused with a beep.
class JumpDialog : public QDialog
{
public:
    // `beep` is called for every refused entry.
    JumpDialog(int pageCount, int startPage, std::function<void()> beep, QWidget *parent = nullptr);

    // The chosen page (1..pageCount).
    int page() const;
    QSpinBox *spinBox() const { return m_spinBox; }

    // Takes a typed value into the spin box and closes, or beeps and stays
    // open when the typed text is no page number in range.
    void accept() override;

private:
    QSpinBox *m_spinBox;
    std::function<void()> m_beep;
};

// The window "Print Preview" over a report's pages. Closing it any other way
// than by Print counts as Cancel.
class ReportPreview : public QDialog
{
public:
    // A preview of `pages` (at least one) in single mode on page 1.
    ReportPreview(AppContext &context, QList<QPicture> pages, QWidget *parent = nullptr);
    ~ReportPreview() override;

    // True once the user chose Print.
    bool isPrintChosen() const { return m_printChosen; }
    const PreviewLogic &logic() const { return m_logic; }
    QAction *command(PreviewCommand which) const;
    // Status zone 1 (the command messages) to 4.
    QString statusZone(int zone) const;
    // The page place's widget, and the page it shows (0 when hidden).
    QWidget *placeWidget(PagePlaceId place) const;
    int shownPage(PagePlaceId place) const;

    // Asks for a page to jump to, starting at the given page; nullopt when
    // the user cancels. Opens the jump window modally unless replaced.
    std::function<std::optional<int>(int startPage)> askPage;

protected:
    bool event(QEvent *event) override;

private:
    void createActions();
    void createMenuBar();
    void createStatusBar();
    void run(PreviewCommand which, void (PreviewLogic::*step)());
    void jump();
    void refresh();
    std::optional<int> runJumpDialog(int startPage);

    AppContext &m_context;
    const QList<QPicture> m_pages;
    PreviewLogic m_logic;
    bool m_printChosen = false;
    std::array<QAction *, 7> m_commands{};
    QMenuBar *m_menuBar = nullptr;
    PageArea *m_pageArea = nullptr;
    QStatusBar *m_statusBar = nullptr;
    std::array<QLabel *, 3> m_zones{}; // zones 2, 3 and 4
};

// Makes the preview window without showing it; the caller owns it.
std::unique_ptr<ReportPreview>
createReportPreview(AppContext &context, const QList<QPicture> &pages, QWidget *parent = nullptr);

// Shows `pages` in the preview, modal to the whole application, and returns
// true when the user chose Print (the caller then prints them with
// printPages), false for Cancel or the close box. An empty list shows
// nothing and returns false.
bool REPORTPREVIEW(AppContext &context, const QList<QPicture> &pages, QWidget *parent = nullptr);

// Draws the preview of `pages` in `mode` on page `page` (as the jump window
// would set it) into the PNG file `pngPath`, without showing a window.
// Returns false when `pages` is empty or the file cannot be written.
bool renderReportPreview(AppContext &context, const QList<QPicture> &pages, const QString &pngPath,
                         PreviewMode mode, int page = 1);

} // namespace korvalen
