#pragma once

#include <QString>

namespace korvalen {

// How the print preview lays out its pages.
enum class PreviewMode
{
    Single, // one page centred
    Facing, // two pages side by side, the odd page on the right
    Zoom,   // one page filling the window
};

// The print preview without its widgets: the current page, the mode, what
// each page place shows, the texts of the changing commands, what the status
// zones say and which commands are available. Every command leaves the state
// as it is displayed (in facing mode the current page is always odd).
//
// Page numbers run 1..pageCount(); 0 means "no page". In facing mode the
// current page p is the right-hand page and may be pageCount() + 1 (the last,
// even page then stands alone on the left).
class PreviewLogic
{
public:
    // A preview of `pageCount` pages (at least 1; less is taken as 1), in
    // single mode on page 1.
    explicit PreviewLogic(int pageCount);

    int pageCount() const { return m_pageCount; }
    // The current page p.
    int page() const { return m_page; }
    // The left-hand page q of facing mode: p - 1 (0 when p is 1).
    int leftPage() const { return m_page - 1; }
    PreviewMode mode() const { return m_mode; }
    // Whether facing mode was active when zoom mode was entered.
    bool facingBeforeZoom() const { return m_facingBeforeZoom; }

    // The page each place shows, 0 when the place is hidden.
    int leftPlacePage() const;
    int rightPlacePage() const;
    int centrePlacePage() const;
    int zoomPlacePage() const;

    // Status zone 2 ("ZOOM" or empty), zone 3 (the layout) and zone 4 (the
    // page numbers).
    QString modeZone() const;
    QString layoutZone() const;
    QString pagesZone() const;

    bool canGoPrevious() const { return m_page > 1; }
    bool canGoNext() const { return m_page < m_pageCount; }
    // False in zoom mode and, for a one-page report, always.
    bool canToggleFacing() const;

    // Text and status message of the zoom and facing commands, which change
    // with the mode.
    QString zoomText() const;
    QString zoomMessage() const;
    QString facingText() const;
    QString facingMessage() const;

    // Zoom In (outside zoom mode) or Zoom Out (in it). Zooming from facing
    // mode zooms the right page, or the left one when there is no right page;
    // zooming out returns to the mode zoom was entered from.
    void toggleZoom();
    // Back or forward by a spread in facing mode, by a page otherwise; does
    // nothing when the command is disabled.
    void previous();
    void next();
    // Facing Pages or Single Pages; does nothing while !canToggleFacing().
    void toggleFacing();
    // The page the jump window starts at: p, or q when p is past the end.
    int jumpStart() const;
    // Makes `page` current (clamped to 1..pageCount()).
    void jumpTo(int page);
    // A click on the left page zooms it; one on the right or centre page
    // zooms the current page.
    void clickLeft();
    void clickRight();
    void clickCentre();

private:
    // Brings the state to its displayed form: in facing mode p is odd.
    void settle();

    int m_pageCount;
    int m_page = 1;
    PreviewMode m_mode = PreviewMode::Single;
    bool m_facingBeforeZoom = false;
};

} // namespace korvalen
