// The week and period calendars over real data files: the week a date
// stands for, the day and activity headings, the participants' cut, pages
// that run over, and the week run writing its Monday back.

#include "reports/weekport.h"

#include "reportfixture.h"
#include "reports/flexper.h"
#include "ui/reportpreview.h"

#include <QAction>
#include <QPrinter>
#include <QProcess>

#include <algorithm>
#include <set>

namespace korvalen {
namespace {

using testing::hour;
using testing::ReportTest;

class DayListReportTest : public ReportTest
{
protected:
    void SetUp() override
    {
        ReportTest::SetUp();
        m_clock.setToday(m_printed);
    }

    static ReportParameters everyone(Date start, Date end = 0, bool notes = false)
    {
        return reportParameters(start, end, "Everyone", "", notes);
    }

    // Each page's rows top to bottom ("#n" opens page n), a row's texts
    // left to right joined by " | ".
    static std::vector<std::string> rows(const QList<QPicture> &pages)
    {
        std::vector<std::string> result;
        for (qsizetype page = 0; page < pages.size(); ++page) {
            result.push_back("#" + std::to_string(page + 1));
            for (const QString &row : pageRows(pages[page]))
                result.push_back(row.toStdString());
        }
        return result;
    }

    const Date m_printed = makeDate(12, 1, 2026);
    const Date m_monday = makeDate(12, 7, 2026);
    const Date m_sunday = m_monday + 6;
};

TEST_F(DayListReportTest, WeekOfASundayHeadsEachDayAndEachRunOfAnActivity)
{
    activity(1, "Swimming", {"Ann", "Bob"}, "Towels");
    activity(2, "Piano", {"Cid"});
    occurrence(1, m_monday - 1, hour(8), hour(9)); // the Sunday before the week
    occurrence(1, m_monday, hour(8), hour(9));
    occurrence(1, m_monday, hour(9), hour(10));
    occurrence(2, m_monday, hour(10), 0);
    occurrence(2, m_monday + 1, hour(7), hour(8)); // Piano runs on into Tuesday
    occurrence(1, m_sunday, hour(8), hour(9));
    occurrence(2, m_sunday + 1, hour(8), hour(9)); // the Monday after

    const std::vector<std::string> expected = {
        "#1",
        "WEEK Calendar For",
        "Everyone",
        "Dec 07,2026 | to | Dec 13,2026",
        "Monday | Dec 07,2026",
        "Swimming",
        "8:00AM | 9:00AM",
        "Ann, Bob",
        "Towels",
        "Ann, Bob",
        "Towels",
        "Piano",
        "10:00AM", // a zero end time is blank in this calendar
        "Cid",
        "Tuesday | Dec 08,2026",
        "Piano",
        "7:00AM | 8:00AM",
        "Cid",
        "Sunday | Dec 13,2026",
        "Swimming",
        "8:00AM | 9:00AM",
        "Ann, Bob",
        "Towels",
        "Printed On: | Dec 01,2026 | 1",
    };
    EXPECT_EQ(rows(weekReportPages(data(), everyone(m_sunday, 0, true), m_printed)), expected);
}

TEST_F(DayListReportTest, DaysWithoutPassingActivitiesGetNoHeading)
{
    activity(1, "Chess", {"Bob", "Ann"});
    activity(2, "Golf", {"Bob"});
    occurrence(1, m_monday, hour(8), hour(9));
    occurrence(2, m_monday + 2, hour(8), hour(9));
    occurrence(1, m_monday + 4, hour(8), hour(9));
    ReportParameters ann = everyone(m_monday + 2);
    ann.who = "Person";
    ann.person = "Ann";

    const std::vector<std::string> printed = rows(weekReportPages(data(), ann, m_printed));
    const std::vector<std::string> expected = {
        "#1",
        "WEEK Calendar For",
        "Ann",
        "Dec 07,2026 | to | Dec 13,2026",
        "Monday | Dec 07,2026",
        "Chess",
        "8:00AM | 9:00AM",
        "Friday | Dec 11,2026",
        "Chess",
        "8:00AM | 9:00AM",
        "Printed On: | Dec 01,2026 | 1",
    };
    EXPECT_EQ(printed, expected);
}

TEST_F(DayListReportTest, ParticipantsAreCutAtTwoHundredFiftyFiveCharacters)
{
    std::vector<std::string> people;
    QStringList names;
    for (int i = 1; i <= 40; ++i) {
        people.push_back(numbered('K', i) + "xyz");
        names += QString::fromStdString(people.back());
    }
    activity(1, "Assembly", people);
    occurrence(1, m_monday + 3, hour(9), hour(10));

    const QList<QPicture> printed = weekReportPages(data(), everyone(m_monday), m_printed);
    ASSERT_EQ(printed.size(), 1);
    QStringList lines;
    for (const DrawnText &text : drawnTexts(printed[0]))
        if (qRound(text.at.x()) == 500 + 1979)
            lines += text.text;
    // The box wraps between names: its lines joined again give the text.
    EXPECT_EQ(lines.join(QLatin1Char(' ')).toStdString(),
              names.join(QStringLiteral(", ")).left(255).trimmed().toStdString());
}

TEST_F(DayListReportTest, PeriodRunsOverPagesKeepingHeadingsWithTheirLines)
{
    const Date first = makeDate(3, 2, 2026);
    const Date last = first + 20;
    activity(1, "Breakfast club", {"Ann", "Bob"}, "never printed");
    activity(2, "Homework", {"Cid"});
    activity(3, "Training", {"Ann", "Cid"});
    {
        Transaction many(data().database);
        for (Date day = first - 1; day <= last + 1; ++day) {
            occurrence(1, day, hour(7), hour(8));
            occurrence(2, day, hour(16), hour(17));
            occurrence(3, day, hour(18), 0);
        }
        ASSERT_TRUE(many.commit().ok());
    }

    const QList<QPicture> pages = periodReportPages(data(), everyone(first, last, true), m_printed);
    ASSERT_GT(pages.size(), 2);
    const std::vector<std::string> printed = rows(pages);
    const std::set<std::string> participants = {"Ann, Bob", "Cid", "Ann, Cid"};
    std::vector<std::string> days;
    int pageNumber = 0;
    for (std::size_t row = 0; row < printed.size(); ++row) {
        const QString text = QString::fromStdString(printed[row]);
        if (text.startsWith(QLatin1Char('#'))) {
            ++pageNumber;
            EXPECT_EQ(printed[row + 1], "Summary Calendar For");
            EXPECT_EQ(printed[row + 3], "Mar 02,2026 | to");
            EXPECT_EQ(printed[row + 4], "Mar 22,2026");
        } else if (text.startsWith(QStringLiteral("Printed On:"))) {
            EXPECT_EQ(text, QStringLiteral("Printed On: | Dec 01,2026 | %1").arg(pageNumber));
            // A page ends on a participants line, never on a heading.
            EXPECT_TRUE(participants.count(printed[row - 1]))
                << "a page ends on " << printed[row - 1];
        } else if (text.contains(QStringLiteral("day | "))) {
            days.push_back(printed[row]);
        }
    }
    ASSERT_EQ(days.size(), std::size_t(last - first + 1));
    EXPECT_EQ(days.front(), "Monday | Mar 02,2026");
    EXPECT_EQ(days.back(), "Sunday | Mar 22,2026");
    // Notes never print; a zero end time shows as midnight, unlike the week's.
    EXPECT_EQ(std::count(printed.begin(), printed.end(), "never printed"), 0);
    EXPECT_EQ(std::count(printed.begin(), printed.end(), "12:00AM"), last - first + 1);
    for (const DrawnText &text : drawnTexts(pages[0]))
        EXPECT_TRUE(text.font.bold() || text.text != QStringLiteral("Training")) << "not bold";
}

TEST_F(DayListReportTest, WeekportWritesTheMondayBackAndPrintsThatWeek)
{
    activity(1, "Swimming", {"Ann"}, "Towels");
    occurrence(1, m_monday + 2, hour(8), hour(9));
    m_clock.setToday(m_monday + 2);
    context().globals.CalWho = "Person";
    context().globals.CalNotes = 0;
    const QString pdf = pathIn(QStringLiteral("week.pdf"));
    context().printer().setOutputFormat(QPrinter::PdfFormat);
    context().printer().setOutputFileName(pdf);
    whenModal<ReportPreview>(
        [](ReportPreview &preview) { preview.command(PreviewCommand::Print)->trigger(); });

    printWeekOfToday(context());
    EXPECT_EQ(context().globals.Calstart, m_monday);
    EXPECT_EQ(context().globals.CalEnd, m_sunday);
    EXPECT_EQ(context().globals.response, RequestCompleted);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!text.waitForFinished(20000) || text.exitCode() != 0)
        GTEST_SKIP() << "pdftotext does not run";
    const QString printed = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    EXPECT_TRUE(printed.contains(QStringLiteral("WEEK Calendar For Everyone")));
    EXPECT_TRUE(printed.contains(QStringLiteral("Dec 07,2026 to Dec 13,2026")));
    EXPECT_TRUE(printed.contains(QStringLiteral("Towels"))) << printed.toStdString();

    // The period calendar takes its dates as they are.
    context().globals.Calstart = m_monday + 2;
    context().globals.CalEnd = m_monday + 3;
    whenModal<ReportPreview>([](ReportPreview &preview) { preview.reject(); });
    FLEXPER(context());
    EXPECT_EQ(context().globals.Calstart, m_monday + 2);
    EXPECT_EQ(context().globals.CalEnd, m_monday + 3);
    EXPECT_EQ(context().globals.response, RequestCancelled);
}

} // namespace
} // namespace korvalen
