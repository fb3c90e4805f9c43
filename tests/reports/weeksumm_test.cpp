// The two calendars printed straight to the printer, over real data files
// of a small household: the week summary's grid and the day listed by
// person, as their pages draw them, and their runs printing to PDF.

#include "reports/daypeo.h"
#include "reports/weeksumm.h"

#include "reportfixture.h"

#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>

#include <cstdlib>
#include <map>

namespace korvalen {
namespace {

using testing::hour;
using testing::ReportTest;

class DirectReportTest : public ReportTest
{
protected:
    void SetUp() override
    {
        ReportTest::SetUp();
        m_clock.setToday(m_monday + 1);
    }

    static ReportParameters parameters(Date start, const std::string &who,
                                       const std::string &name = "", bool notes = false)
    {
        return reportParameters(start, start, who, name, notes);
    }

    // Each page's texts by line, top to bottom, left to right, joined by
    // " | ".
    static QStringList lines(const QList<QPicture> &pages, int fromY = 0, int toY = 20000)
    {
        QStringList result;
        for (const QPicture &page : pages) {
            result += pageRows(page, fromY, toY);
        }
        return result;
    }

    const Date m_monday = makeDate(12, 7, 2026);
};

// The grid's cells: for each row of the body, the seven columns' texts
// (time, name and note joined by "/"), empty for an empty cell.
std::vector<std::vector<QString>> gridCells(const QPicture &page)
{
    constexpr int left[8] = {0, 1396, 2802, 4198, 5604, 7000, 8396, 9698};
    std::map<int, std::vector<QString>> rows;
    for (const DrawnText &text : drawnTexts(page)) {
        const int y = qRound(text.at.y()) - 802;
        if (y < 0 || y >= 6688)
            continue;
        std::vector<QString> &row = rows[y / 500];
        row.resize(7);
        for (int column = 0; column < 7; ++column)
            if (text.at.x() >= 500 + left[column] && text.at.x() < 500 + left[column + 1])
                row[std::size_t(column)] +=
                    (row[std::size_t(column)].isEmpty() ? "" : "/") + text.text;
    }
    std::vector<std::vector<QString>> result;
    for (auto &[index, row] : rows)
        result.push_back(row);
    return result;
}

TEST_F(DirectReportTest, WeekSummaryGridHoldsEachDaysActivitiesInRowsUnderTheirCaptions)
{
    activity(1, "Swimming", {"Ann", "Bob"});
    activity(2, "Piano", {"C+D", "Ann"}); // a "+" of the name's own, and a second person
    activity(3, "Chess", {"Bob"});
    activity(4, "Nobody's", {});
    occurrence(1, m_monday, hour(8), hour(9));
    occurrence(2, m_monday + 2, hour(15), hour(16));
    occurrence(3, m_monday + 2, 0);
    occurrence(4, m_monday + 2, hour(10));
    occurrence(3, m_monday + 6, hour(9));
    occurrence(1, m_monday - 1, hour(8)); // the Sunday before and the Monday after
    occurrence(1, m_monday + 7, hour(8));

    // Asked for the week's Sunday: the week that began the Monday before.
    const QList<QPicture> pages =
        weekSummaryPages(data(), parameters(m_monday + 6, "Everyone"), m_monday + 1);
    ASSERT_EQ(pages.size(), 1);
    const QStringList header = lines(pages, 0, 802);
    EXPECT_EQ(header,
              (QStringList{"Printed: | Dec 08,2026", "1", "Weekly Summary Calendar For  | Everyone",
                           "Mon. | Tue. | Wed. | Thu. | Fri. | Sat. | Sun.",
                           "Dec 07 | Dec 08 | Dec 09 | Dec 10 | Dec 11 | Dec 12 | "
                           "Dec 13"}));
    const std::vector<std::vector<QString>> expected = {
        {"8:00AM/Swimming/Ann  +", "", "Chess/Bob", "", "", "", "9:00AM/Chess/Bob"},
        {"", "", "10:00AM/Nobody's", "", "", "", ""},
        {"", "", "3:00PM/Piano/C+D  +", "", "", "", ""},
    };
    EXPECT_EQ(gridCells(pages[0]), expected);
    // The grid is placed from the form's origin (500, 302) and drawn whole:
    // its bottom line lies below the body area, under the last row.
    QList<QLineF> grid;
    for (int y : {604, 802, 7792})
        grid += QLineF(500, y, 10198, y);
    for (int x : {0, 1396, 2802, 4198, 5604, 7000, 8396, 9698})
        grid += QLineF(500 + x, 604, 500 + x, 7792);
    EXPECT_EQ(drawnPage(pages[0]).lines, grid);

    // The who filter holds on every day, Sunday included; an empty week
    // prints nothing.
    const QList<QPicture> bob =
        weekSummaryPages(data(), parameters(m_monday + 3, "Person", "Bob"), m_monday);
    ASSERT_EQ(bob.size(), 1);
    EXPECT_EQ(gridCells(bob[0]),
              (std::vector<std::vector<QString>>{
                  {"8:00AM/Swimming/Ann  +", "", "Chess/Bob", "", "", "", "9:00AM/Chess/Bob"}}));
    EXPECT_TRUE(
        weekSummaryPages(data(), parameters(m_monday, "Person", "Dan"), m_monday).isEmpty());
}

TEST_F(DirectReportTest, DayByPeopleListsEachParticipantsActivitiesInOrder)
{
    activity(1, "Swimming", {"Cid", "Ann", "Bob"}, "Towels");
    activity(2, "Piano", {"Ann"});
    activity(3, "Chess", {"Ann"});
    activity(4, "Alone", {}); // no participant: never listed
    occurrence(3, m_monday, hour(9), hour(11));
    occurrence(2, m_monday, hour(9), hour(10));
    occurrence(1, m_monday, hour(8), hour(9));
    occurrence(4, m_monday, hour(7), hour(8));
    occurrence(2, m_monday, hour(9), hour(11));
    occurrence(1, m_monday + 1, hour(8), hour(9));

    const QStringList printed =
        lines(dayPeoplePages(data(), parameters(m_monday, "Everyone", "", true), m_monday));
    const QStringList expected = {
        "DAY Calendar For | Everyone",
        "Monday",
        "Dec 07,2026",
        "Ann",
        "8:00AM | 9:00AM | Swimming",
        "Towels",
        "9:00AM | 10:00AM | Piano",
        "9:00AM | 11:00AM | Piano",
        "9:00AM | 11:00AM | Chess",
        "Bob",
        "8:00AM | 9:00AM | Swimming",
        "Towels",
        "Cid",
        "8:00AM | 9:00AM | Swimming",
        "Towels",
        "Printed on: | Dec 07,2026 | 1",
    };
    EXPECT_EQ(printed, expected);

    // A person left over from another calendar covers everyone, for nobody
    // named; without notes the italic lines go.
    const QStringList person =
        lines(dayPeoplePages(data(), parameters(m_monday, "Person", "Bob"), m_monday));
    EXPECT_EQ(person.first(), "DAY Calendar For");
    EXPECT_EQ(person.count(QStringLiteral("8:00AM | 9:00AM | Swimming")), 3);
    EXPECT_FALSE(person.contains(QStringLiteral("Towels")));
}

TEST_F(DirectReportTest, DayByPeopleTakesTheGroupExactlyAsTyped)
{
    for (const char *name : {"Ann", "Cid", "Cid"})
        member("Kids", name);
    member("KIDS", "Bob");
    activity(1, "Swimming", {"Bob", "Ann", "Cid"});
    occurrence(1, m_monday, hour(8), hour(9));

    const QStringList kids =
        lines(dayPeoplePages(data(), parameters(m_monday, "Group", "Kids"), m_monday));
    EXPECT_EQ(kids.mid(3, kids.size() - 4),
              (QStringList{"Ann", "8:00AM | 9:00AM | Swimming", "Cid", "8:00AM | 9:00AM | Swimming",
                           "8:00AM | 9:00AM | Swimming"}));

    // Another letter case names other membership records: "kids" has none
    // and lists nobody, still on one page with header and footer.
    const QList<QPicture> typed =
        dayPeoplePages(data(), parameters(m_monday, "Group", "kids"), m_monday);
    ASSERT_EQ(typed.size(), 1);
    EXPECT_EQ(lines(typed), (QStringList{"DAY Calendar For | kids", "Monday", "Dec 07,2026",
                                         "Printed on: | Dec 07,2026 | 1"}));
}

TEST_F(DirectReportTest, ReadFailuresNameTheirFileAndPrintNothing)
{
    activity(1, "Swimming", {"Ann"});
    occurrence(1, m_monday, hour(8), hour(9));
    releaseFiles();
    ASSERT_TRUE(use({&data().activity, &data().dates, &data().group, &data().groupPeople}));
    std::string failed;
    EXPECT_TRUE(weekSummaryPages(data(), parameters(m_monday, "Everyone"), m_monday,
                                 orientedPaper(kLetterPaper, PageOrientation::Landscape), &failed)
                    .isEmpty());
    EXPECT_EQ(failed, "PERSONACT");
    EXPECT_TRUE(
        dayPeoplePages(data(), parameters(m_monday, "Everyone"), m_monday, kLetterPaper, &failed)
            .isEmpty());
    EXPECT_EQ(failed, "PERSONACT");

    releaseFiles();
    ASSERT_TRUE(use({&data().activity, &data().groupPeople, &data().personAct}));
    EXPECT_TRUE(
        dayPeoplePages(data(), parameters(m_monday, "Everyone"), m_monday, kLetterPaper, &failed)
            .isEmpty());
    EXPECT_EQ(failed, "DATES");
}

// The text of a PDF file by pdftotext; null when the tool does not run.
QString pdfText(const QString &path)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!tool.waitForFinished(20000) || tool.exitCode() != 0)
        return QString();
    return QString::fromUtf8(tool.readAllStandardOutput());
}

TEST_F(DirectReportTest, RunsPrintTheirCopiesStraightToThePrinter)
{
    activity(1, "Swimming", {"Ann", "Bob"}, "Towels");
    occurrence(1, m_monday + 2, hour(8), hour(9));
    SharedGlobals &globals = context().globals;
    QPrinter &printer = context().printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pathIn(QStringLiteral("today.pdf")));
    globals.Calstart = m_monday + 2;
    globals.CalWho = "Group";
    globals.CalGroup = "Nobody";
    weekSummaryForToday(context()); // everyone's week of today, one copy
    EXPECT_EQ(globals.CalWho, "Everyone");
    EXPECT_EQ(globals.Calstart, m_monday); // today's Monday, written back
    EXPECT_EQ(globals.response, RequestCompleted);

    const QString week = pathIn(QStringLiteral("week.pdf"));
    printer.setOutputFileName(week);
    globals.Calstart = m_monday + 4;
    runWeekSummary(context(), 2);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);

    const QString day = pathIn(QStringLiteral("day.pdf"));
    printer.setOutputFileName(day);
    globals.Calstart = m_monday + 2;
    globals.CalNotes = 1;
    runDayPeople(context(), 1);
    EXPECT_EQ(globals.response, RequestCompleted);
    EXPECT_TRUE(m_prompter.shown().empty());

    if (const char *samples = std::getenv("KORVALEN_REPORT_SAMPLES")) {
        QFile::copy(week, QString::fromLocal8Bit(samples) + QStringLiteral("/week-summary.pdf"));
        QFile::copy(day, QString::fromLocal8Bit(samples) + QStringLiteral("/day-by-people.pdf"));
    }
    const QString weekText = pdfText(week);
    if (weekText.isNull())
        GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_EQ(weekText.count(QStringLiteral("Weekly Summary Calendar For")), 2);
    EXPECT_EQ(weekText.count(QRegularExpression(QStringLiteral("Ann +\\+"))), 2);
    const QString dayText = pdfText(day);
    EXPECT_EQ(dayText.count(QStringLiteral("Towels")), 2) << dayText.toStdString();
}

} // namespace
} // namespace korvalen
