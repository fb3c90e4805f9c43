// The band engine: growing boxes, page breaks, split bands and page
// numbers, checked through the texts the pages draw.

#include "reports/bandlayout.h"

#include <QFontInfo>
#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <algorithm>

namespace korvalen {
namespace {

// A small page so a few bands fill it: body from y 1000, 1000 high; the
// footer holds the page number.
PageFormat smallPage()
{
    PageFormat sheet;
    sheet.body = QRect(500, 1000, 6000, 1000);
    sheet.headerAt = QPoint(500, 500);
    sheet.header = Band(300);
    sheet.header.text(0, 0, 3000, 208, QStringLiteral("Head"), ReportFont{});
    sheet.footerAt = QPoint(500, 2100);
    sheet.footer = Band(300);
    sheet.footer.pageNumber(5000, 0, 400, 208, QStringLiteral("N3"), ReportFont{});
    return sheet;
}

// The texts of `page` other than the header and footer, in drawing order.
QList<DrawnText> bodyTexts(const QPicture &page)
{
    QList<DrawnText> texts = drawnTexts(page);
    texts.removeIf([](const DrawnText &t) { return t.at.y() < 1000 || t.at.y() > 2000; });
    return texts;
}

const DrawnText *find(const QList<DrawnText> &texts, const QString &text)
{
    const auto found = std::find_if(texts.begin(), texts.end(),
                                    [&](const DrawnText &t) { return t.text == text; });
    return found == texts.end() ? nullptr : &*found;
}

double lineSpacing()
{
    return QFontMetricsF(ReportFont{}.font()).lineSpacing();
}

TEST(BandLayoutTest, GrowingBoxWrapsAndPushesTheNextBandDown)
{
    BandLayout layout(smallPage());
    // Words that cannot share one line 1000 wide: three lines at least.
    Band notes(100);
    notes.growingText(0, 0, 1000,
                      QStringLiteral("alpha bravo charlie delta echo foxtrot golf hotel"),
                      ReportFont{});
    layout.add(notes);
    Band after(100);
    after.text(0, 0, 2000, 208, QStringLiteral("after"), ReportFont{});
    layout.add(after);
    const QList<QPicture> pages = layout.finish();
    ASSERT_EQ(pages.size(), 1);

    const QList<DrawnText> texts = bodyTexts(pages[0]);
    const DrawnText *afterText = find(texts, QStringLiteral("after"));
    ASSERT_NE(afterText, nullptr);
    ASSERT_GE(texts.size(), 4);
    const int wrapped = int(texts.size()) - 1;
    // No word lost or cut by the wrapping.
    QStringList words;
    for (int i = 0; i < wrapped; ++i)
        words += texts[i].text;
    EXPECT_EQ(words.join(QLatin1Char(' ')),
              QStringLiteral("alpha bravo charlie delta echo foxtrot golf hotel"));
    // The next band starts where the last wrapped line ends, not at the
    // growing band's fixed 100.
    EXPECT_NEAR(afterText->at.y() - texts[0].at.y(), wrapped * std::ceil(lineSpacing()), 2);
}

TEST(BandLayoutTest, BandThatDoesNotFitMovesWholeToTheNextPage)
{
    BandLayout layout(smallPage());
    for (int i = 1; i <= 3; ++i) {
        Band band(400);
        band.text(0, 0, 2000, 208, QStringLiteral("first %1").arg(i), ReportFont{})
            .text(0, 250, 2000, 208, QStringLiteral("second %1").arg(i), ReportFont{});
        layout.add(band);
    }
    const QList<QPicture> pages = layout.finish();
    ASSERT_EQ(pages.size(), 2);
    const QList<DrawnText> second = bodyTexts(pages[1]);
    ASSERT_EQ(second.size(), 2);
    EXPECT_EQ(second[0].text, QStringLiteral("first 3"));
    EXPECT_EQ(second[1].text, QStringLiteral("second 3"));
    // At the top of the next body area, with its header again.
    EXPECT_LT(second[0].at.y(), 1000 + 208);
    EXPECT_NE(find(drawnTexts(pages[1]), QStringLiteral("Head")), nullptr);
    EXPECT_EQ(bodyTexts(pages[0]).size(), 4);
}

TEST(BandLayoutTest, HeadingGoesToTheNextPageWithTheFirstLineAfterIt)
{
    BandLayout layout(smallPage());
    layout.add(Band(700));
    Band heading(200);
    heading.text(0, 0, 2000, 208, QStringLiteral("heading"), ReportFont{}).keepWithNext();
    layout.add(heading);
    // Room for the heading alone, not for it and the line under it.
    Band detail;
    detail.growingText(0, 0, 3000, QStringLiteral("detail"), ReportFont{});
    layout.add(detail);
    const QList<QPicture> pages = layout.finish();
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(bodyTexts(pages[0]).isEmpty());
    const QList<DrawnText> second = bodyTexts(pages[1]);
    ASSERT_EQ(second.size(), 2);
    EXPECT_EQ(second[0].text, QStringLiteral("heading"));
    EXPECT_EQ(second[1].text, QStringLiteral("detail"));
}

TEST(BandLayoutTest, BandTallerThanTheBodyIsSplitByLinesWithoutLosingAny)
{
    BandLayout layout(smallPage());
    Band lead(300);
    lead.text(0, 0, 2000, 208, QStringLiteral("lead"), ReportFont{});
    layout.add(lead);
    QStringList lines;
    for (int i = 1; i <= 25; ++i)
        lines += QStringLiteral("line %1").arg(i);
    Band tall;
    tall.growingText(100, 0, 5000, lines.join(QLatin1Char('\n')), ReportFont{});
    layout.add(tall);
    const QList<QPicture> pages = layout.finish();
    ASSERT_GE(pages.size(), 4);

    QStringList seen;
    for (const QPicture &page : pages) {
        for (const DrawnText &text : bodyTexts(page)) {
            if (text.text == QStringLiteral("lead"))
                continue;
            seen += text.text;
            // Every line wholly inside the body area.
            EXPECT_LE(text.at.y() + QFontMetricsF(text.font).descent(), 2000.5)
                << text.text.toStdString();
        }
    }
    EXPECT_EQ(seen, lines);
    // The split starts on the first page, under the lead band.
    EXPECT_EQ(bodyTexts(pages[0]).size(), 1 + int((1000 - 300) / std::ceil(lineSpacing())));
}

TEST(BandLayoutTest, FootersNumberThePagesAndAnEmptyReportHasOnePage)
{
    BandLayout layout(smallPage());
    for (int i = 0; i < 3; ++i) {
        layout.add(Band(100));
        layout.breakPage();
    }
    layout.add(Band(100));
    const QList<QPicture> pages = layout.finish();
    ASSERT_EQ(pages.size(), 4);
    for (int number = 1; number <= 4; ++number) {
        const QList<DrawnText> texts = drawnTexts(pages[number - 1]);
        EXPECT_NE(find(texts, QString::number(number)), nullptr) << "page " << number;
        EXPECT_EQ(pages[number - 1].boundingRect(), QRect(QPoint(0, 0), kLetterPaper));
    }
    const QList<DrawnText> last = drawnTexts(pages[3]);
    const DrawnText *number = find(last, QStringLiteral("4"));
    ASSERT_NE(number, nullptr);
    // Right-aligned in its box.
    EXPECT_NEAR(number->at.x() + QFontMetricsF(number->font).horizontalAdvance(QStringLiteral("4")),
                500 + 5000 + 400, 2);

    BandLayout empty(smallPage());
    const QList<QPicture> one = empty.finish();
    ASSERT_EQ(one.size(), 1);
    EXPECT_NE(find(drawnTexts(one[0]), QStringLiteral("Head")), nullptr);
}

} // namespace
} // namespace korvalen

namespace korvalen {
namespace {

TEST(BandLayoutTest, TheTextsOfAPageWithRuledLinesCanBeRead)
{
    BandLayout layout(smallPage());
    Band ruled(300);
    ruled.line(0, 0, 6000, 0)
        .line(0, 0, 0, 300)
        .text(100, 50, 2000, 208, QStringLiteral("Cell"), ReportFont{});
    layout.add(ruled);
    const QList<QPicture> pages = layout.finish();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_NE(find(drawnTexts(pages[0]), QStringLiteral("Cell")), nullptr);
}

TEST(ReportFontTest, TheNamedFamiliesResolveToTheirMetricCompatibleOnes)
{
    ReportFont arial;
    arial.family = QStringLiteral("Arial");
    ReportFont serif;
    serif.family = QStringLiteral("MS Serif");
    EXPECT_EQ(QFontInfo(arial.font()).family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(QFontInfo(serif.font()).family(), QStringLiteral("Liberation Serif"));
}

} // namespace
} // namespace korvalen
