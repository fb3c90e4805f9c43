#include "ui/reportpreview.h"

#include "../guifixture.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace korvalen::testing {
namespace {

class ReportPreviewTest : public GuiTest
{
protected:
    std::unique_ptr<ReportPreview> open(int pageCount)
    {
        std::unique_ptr<ReportPreview> preview =
            createReportPreview(*m_context, samplePages(pageCount));
        preview->show();
        preview->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(preview.get()));
        return preview;
    }

    static void trigger(ReportPreview &preview, PreviewCommand which)
    {
        preview.command(which)->trigger();
    }

    // The pages the left, centre, right and zoom places show.
    static std::array<int, 4> places(const ReportPreview &preview)
    {
        return {preview.shownPage(PagePlaceId::Left), preview.shownPage(PagePlaceId::Centre),
                preview.shownPage(PagePlaceId::Right), preview.shownPage(PagePlaceId::Zoom)};
    }

    static std::array<QString, 3> zones(const ReportPreview &preview)
    {
        return {preview.statusZone(2), preview.statusZone(3), preview.statusZone(4)};
    }

    static void click(ReportPreview &preview, PagePlaceId place)
    {
        QTest::mouseClick(preview.placeWidget(place), Qt::LeftButton);
    }
};

TEST_F(ReportPreviewTest, MenuBarHoldsTheSevenCommandsInOrder)
{
    auto preview = open(4);
    EXPECT_EQ(preview->windowTitle(), "Print Preview");
    const QMenuBar *bar = preview->findChild<QMenuBar *>();
    ASSERT_NE(bar, nullptr);
    QStringList texts;
    QStringList messages;
    for (const QAction *action : bar->actions()) {
        texts << action->text();
        messages << action->statusTip();
    }
    EXPECT_EQ(texts, QStringList({"&Cancel!", "&Print!", "&Zoom In!", "&Previous Page!",
                                  "&Next Page!", "&Jump!", "&Facing Pages!"}));
    EXPECT_EQ(messages,
              QStringList(
                  {"Cancel the printing of this report", "Print this report",
                   "Zoom in on a page of this report", "View the previous page(s) of this report",
                   "View the next page(s) of this report", "Jump to a selected page of the report",
                   "View the report two pages at a time"}));
    EXPECT_EQ(places(*preview), (std::array<int, 4>{0, 1, 0, 0}));
    EXPECT_EQ(zones(*preview), (std::array<QString, 3>{"", "Single Page", "Page 1 of 4"}));
    EXPECT_FALSE(preview->command(PreviewCommand::Previous)->isEnabled());
    EXPECT_TRUE(preview->command(PreviewCommand::Facing)->isEnabled());
}

TEST_F(ReportPreviewTest, HoveringACommandShowsItsMessageInZoneOne)
{
    auto preview = open(4);
    QMenuBar *bar = preview->findChild<QMenuBar *>();
    QAction *next = preview->command(PreviewCommand::Next);
    // A plain move event: the offscreen platform moves no cursor.
    const QPoint over = bar->actionGeometry(next).center();
    QMouseEvent move(QEvent::MouseMove, over, bar->mapToGlobal(over), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    EXPECT_EQ(preview->statusZone(1), "View the next page(s) of this report");
}

TEST_F(ReportPreviewTest, FourPagesFacingWithPageKeys)
{
    auto preview = open(4);
    trigger(*preview, PreviewCommand::Facing);
    EXPECT_EQ(preview->command(PreviewCommand::Facing)->text(), "&Single Pages!");
    EXPECT_EQ(preview->statusZone(1), "View the report one page at a time");
    EXPECT_EQ(places(*preview), (std::array<int, 4>{0, 0, 1, 0}));
    EXPECT_EQ(zones(*preview), (std::array<QString, 3>{"", "Facing Pages", "Page 1 of 4"}));

    QTest::keyClick(preview.get(), Qt::Key_PageDown);
    EXPECT_EQ(places(*preview), (std::array<int, 4>{2, 0, 3, 0}));
    EXPECT_EQ(preview->statusZone(4), "Pages 2 and 3 of 4");
    QTest::keyClick(preview.get(), Qt::Key_PageDown);
    EXPECT_EQ(places(*preview), (std::array<int, 4>{4, 0, 0, 0}));
    EXPECT_EQ(preview->statusZone(4), "Page 4 of 4");
    EXPECT_FALSE(preview->command(PreviewCommand::Next)->isEnabled());
    QTest::keyClick(preview.get(), Qt::Key_PageDown);
    EXPECT_EQ(preview->statusZone(4), "Page 4 of 4");

    QTest::keyClick(preview.get(), Qt::Key_PageUp);
    QTest::keyClick(preview.get(), Qt::Key_PageUp);
    EXPECT_EQ(places(*preview), (std::array<int, 4>{0, 0, 1, 0}));
    EXPECT_FALSE(preview->command(PreviewCommand::Previous)->isEnabled());
}

TEST_F(ReportPreviewTest, OnePageKeepsFacingDisabledAfterAZoom)
{
    auto preview = open(1);
    EXPECT_FALSE(preview->command(PreviewCommand::Facing)->isEnabled());
    EXPECT_FALSE(preview->command(PreviewCommand::Previous)->isEnabled());
    EXPECT_FALSE(preview->command(PreviewCommand::Next)->isEnabled());
    EXPECT_EQ(preview->statusZone(4), "Page 1 of 1");

    click(*preview, PagePlaceId::Centre);
    EXPECT_EQ(places(*preview), (std::array<int, 4>{0, 0, 0, 1}));
    EXPECT_EQ(preview->command(PreviewCommand::Zoom)->text(), "&Zoom Out!");
    EXPECT_EQ(preview->statusZone(2), "ZOOM");
    trigger(*preview, PreviewCommand::Zoom);
    EXPECT_EQ(places(*preview), (std::array<int, 4>{0, 1, 0, 0}));
    EXPECT_FALSE(preview->command(PreviewCommand::Facing)->isEnabled());
}

TEST_F(ReportPreviewTest, ZoomPastTheEndOfFacingPagesAndBack)
{
    auto preview = open(4);
    trigger(*preview, PreviewCommand::Facing);
    trigger(*preview, PreviewCommand::Next);
    trigger(*preview, PreviewCommand::Next);
    trigger(*preview, PreviewCommand::Zoom);
    EXPECT_EQ(places(*preview), (std::array<int, 4>{0, 0, 0, 4}));
    EXPECT_EQ(zones(*preview), (std::array<QString, 3>{"ZOOM", "Single Page", "Page 4 of 4"}));
    EXPECT_EQ(preview->statusZone(1), "Zoom out to facing page mode");
    EXPECT_FALSE(preview->command(PreviewCommand::Facing)->isEnabled());

    trigger(*preview, PreviewCommand::Zoom);
    EXPECT_EQ(places(*preview), (std::array<int, 4>{4, 0, 0, 0}));
    EXPECT_EQ(preview->command(PreviewCommand::Zoom)->text(), "&Zoom In!");
    EXPECT_TRUE(preview->command(PreviewCommand::Facing)->isEnabled());
}

TEST_F(ReportPreviewTest, ClickingAPageZoomsIt)
{
    auto preview = open(4);
    trigger(*preview, PreviewCommand::Facing);
    trigger(*preview, PreviewCommand::Next);
    click(*preview, PagePlaceId::Left);
    EXPECT_EQ(places(*preview), (std::array<int, 4>{0, 0, 0, 2}));
    click(*preview, PagePlaceId::Zoom); // the zoomed page is no command
    EXPECT_EQ(places(*preview), (std::array<int, 4>{0, 0, 0, 2}));
    trigger(*preview, PreviewCommand::Zoom);
    click(*preview, PagePlaceId::Right);
    EXPECT_EQ(places(*preview), (std::array<int, 4>{0, 0, 0, 3}));
}

TEST_F(ReportPreviewTest, JumpWindowRefusesPagesOutOfRange)
{
    auto preview = open(4);
    trigger(*preview, PreviewCommand::Next);
    int startValue = 0;
    bool stayedOpen = false;
    whenModal<JumpDialog>([&](JumpDialog &jump) {
        EXPECT_EQ(jump.parent(), preview.get());
        EXPECT_EQ(jump.windowTitle(), "Jump to a Report Page");
        EXPECT_EQ(jump.spinBox()->maximum(), 4);
        startValue = jump.page();
        type(jump.spinBox(), "9"); // refused as typed
        EXPECT_EQ(m_prompter.beeps(), 1);
        type(jump.spinBox(), "0"); // no page yet: OK refuses it
        jump.accept();
        stayedOpen = jump.isVisible();
        EXPECT_EQ(m_prompter.beeps(), 2);
        type(jump.spinBox(), "3");
        jump.accept();
    });
    trigger(*preview, PreviewCommand::Jump);
    EXPECT_EQ(startValue, 2);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(preview->statusZone(4), "Page 3 of 4");
}

TEST_F(ReportPreviewTest, JumpInFacingModeStartsAtTheLonePageAndCancelKeepsIt)
{
    auto preview = open(4);
    trigger(*preview, PreviewCommand::Facing);
    trigger(*preview, PreviewCommand::Next);
    trigger(*preview, PreviewCommand::Next);
    int startValue = 0;
    whenModal<JumpDialog>([&](JumpDialog &jump) {
        startValue = jump.page();
        jump.spinBox()->setValue(2);
        jump.reject();
    });
    trigger(*preview, PreviewCommand::Jump);
    EXPECT_EQ(startValue, 4);
    EXPECT_EQ(places(*preview), (std::array<int, 4>{4, 0, 0, 0}));

    preview->askPage = [](int) { return std::optional<int>(2); };
    trigger(*preview, PreviewCommand::Jump);
    EXPECT_EQ(places(*preview), (std::array<int, 4>{2, 0, 3, 0}));
}

TEST_F(ReportPreviewTest, AnswersPrintOnlyForPrint)
{
    const QList<QPicture> pages = samplePages(2);
    const auto choose = [this](PreviewCommand which) {
        whenModal<ReportPreview>([which](ReportPreview &preview) {
            if (which == PreviewCommand::Zoom) // stands for the close box
                preview.close();
            else
                preview.command(which)->trigger();
        });
    };
    choose(PreviewCommand::Print);
    EXPECT_TRUE(REPORTPREVIEW(*m_context, pages));
    choose(PreviewCommand::Cancel);
    EXPECT_FALSE(REPORTPREVIEW(*m_context, pages));
    choose(PreviewCommand::Zoom);
    EXPECT_FALSE(REPORTPREVIEW(*m_context, pages));
    EXPECT_FALSE(REPORTPREVIEW(*m_context, {}));
}

class PrintPagesTest : public ReportPreviewTest
{
protected:
    static int pdfPageCount(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        const QString text = QString::fromLatin1(file.readAll());
        return int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
    }
};

TEST_F(PrintPagesTest, WritesOnePdfPagePerPicture)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pathIn("report.pdf"));
    ASSERT_TRUE(printPages(printer, samplePages(4)));
    EXPECT_EQ(pdfPageCount(pathIn("report.pdf")), 4);
}

TEST_F(PrintPagesTest, ReportsAPrinterThatCannotOpen)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pathIn("missing/folder/report.pdf"));
    EXPECT_FALSE(printPages(printer, samplePages(1)));
}

TEST_F(PrintPagesTest, PagesKeepTheirPlaceAtEveryResolution)
{
    // The page's frame lies half an inch in from the paper's edges, on a
    // screen as on a printer's many dots per inch.
    const QPicture page = samplePages(1).front();
    for (int dotsPerInch : {96, 300, 1200}) {
        SCOPED_TRACE(dotsPerInch);
        QImage image(850, 1100, QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
        image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
        image.fill(Qt::red);
        QPainter painter(&image);
        paintPage(painter, page, QRectF(0, 0, 850, 1100));
        painter.end();
        EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::white));
        EXPECT_LT(image.pixelColor(50, 500).lightness(), 160);
        EXPECT_EQ(image.pixelColor(60, 500), QColor(Qt::white));
        EXPECT_LT(image.pixelColor(425, 1050).lightness(), 160);
        EXPECT_EQ(image.pixelColor(425, 1060), QColor(Qt::white));
        EXPECT_EQ(image.pixelColor(849, 1099), QColor(Qt::white));
    }
    EXPECT_EQ(pagePaperSize(page), QSizeF(kLetterWidth, kLetterHeight));
}

TEST_F(PrintPagesTest, RendersEachModeToAPng)
{
    const QList<QPicture> pages = samplePages(4);
    for (PreviewMode mode : {PreviewMode::Single, PreviewMode::Facing, PreviewMode::Zoom}) {
        const QString path = pathIn(QStringLiteral("preview%1.png").arg(int(mode)));
        ASSERT_TRUE(renderReportPreview(*m_context, pages, path, mode, 2));
        EXPECT_FALSE(QImage(path).isNull());
    }
    EXPECT_FALSE(renderReportPreview(*m_context, {}, pathIn("none.png"), PreviewMode::Single));
}

} // namespace
} // namespace korvalen::testing
