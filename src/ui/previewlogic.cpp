#include "ui/previewlogic.h"

#include <algorithm>

namespace korvalen {

PreviewLogic::PreviewLogic(int pageCount) : m_pageCount(std::max(pageCount, 1)) {}

int PreviewLogic::leftPlacePage() const
{
    return m_mode == PreviewMode::Facing ? leftPage() : 0;
}

int PreviewLogic::rightPlacePage() const
{
    return m_mode == PreviewMode::Facing && m_page <= m_pageCount ? m_page : 0;
}

int PreviewLogic::centrePlacePage() const
{
    return m_mode == PreviewMode::Single ? m_page : 0;
}

int PreviewLogic::zoomPlacePage() const
{
    return m_mode == PreviewMode::Zoom ? m_page : 0;
}

QString PreviewLogic::modeZone() const
{
    return m_mode == PreviewMode::Zoom ? QStringLiteral("ZOOM") : QString();
}

QString PreviewLogic::layoutZone() const
{
    return m_mode == PreviewMode::Facing ? QStringLiteral("Facing Pages")
                                         : QStringLiteral("Single Page");
}

QString PreviewLogic::pagesZone() const
{
    const QString total = QString::number(m_pageCount);
    if (m_mode == PreviewMode::Facing && leftPage() > 0) {
        if (m_page <= m_pageCount)
            return QStringLiteral("Pages %1 and %2 of %3").arg(leftPage()).arg(m_page).arg(total);
        return QStringLiteral("Page %1 of %2").arg(leftPage()).arg(total);
    }
    return QStringLiteral("Page %1 of %2").arg(m_page).arg(total);
}

bool PreviewLogic::canToggleFacing() const
{
    // A one-page report has nothing to face; zoom mode leaves the layout to
    // the zoom command.
    return m_pageCount > 1 && m_mode != PreviewMode::Zoom;
}

QString PreviewLogic::zoomText() const
{
    return m_mode == PreviewMode::Zoom ? QStringLiteral("&Zoom Out!") : QStringLiteral("&Zoom In!");
}

QString PreviewLogic::zoomMessage() const
{
    if (m_mode != PreviewMode::Zoom)
        return QStringLiteral("Zoom in on a page of this report");
    return m_facingBeforeZoom ? QStringLiteral("Zoom out to facing page mode")
                              : QStringLiteral("Zoom out to full page mode");
}

QString PreviewLogic::facingText() const
{
    return m_mode == PreviewMode::Facing ? QStringLiteral("&Single Pages!")
                                         : QStringLiteral("&Facing Pages!");
}

QString PreviewLogic::facingMessage() const
{
    return m_mode == PreviewMode::Facing ? QStringLiteral("View the report one page at a time")
                                         : QStringLiteral("View the report two pages at a time");
}

void PreviewLogic::toggleZoom()
{
    if (m_mode == PreviewMode::Zoom) {
        m_mode = m_facingBeforeZoom ? PreviewMode::Facing : PreviewMode::Single;
        settle();
        return;
    }
    m_facingBeforeZoom = m_mode == PreviewMode::Facing;
    // Past the end there is no right page: zoom the lone left one.
    if (m_page > m_pageCount)
        m_page = leftPage();
    m_mode = PreviewMode::Zoom;
}

void PreviewLogic::previous()
{
    if (!canGoPrevious())
        return;
    m_page = std::max(m_page - (m_mode == PreviewMode::Facing ? 2 : 1), 1);
    settle();
}

void PreviewLogic::next()
{
    if (!canGoNext())
        return;
    m_page += m_mode == PreviewMode::Facing ? 2 : 1;
    settle();
}

void PreviewLogic::toggleFacing()
{
    if (!canToggleFacing())
        return;
    if (m_mode == PreviewMode::Facing) {
        if (m_page > m_pageCount)
            m_page = leftPage();
        m_mode = PreviewMode::Single;
    } else {
        m_mode = PreviewMode::Facing;
    }
    settle();
}

int PreviewLogic::jumpStart() const
{
    return m_page > m_pageCount ? leftPage() : m_page;
}

void PreviewLogic::jumpTo(int page)
{
    m_page = std::clamp(page, 1, m_pageCount);
    settle();
}

void PreviewLogic::clickLeft()
{
    if (leftPlacePage() == 0)
        return;
    m_page = leftPage();
    toggleZoom();
}

void PreviewLogic::clickRight()
{
    if (rightPlacePage() != 0)
        toggleZoom();
}

void PreviewLogic::clickCentre()
{
    if (centrePlacePage() != 0)
        toggleZoom();
}

void PreviewLogic::settle()
{
    if (m_mode == PreviewMode::Facing && m_page % 2 == 0)
        ++m_page;
}

} // namespace korvalen
