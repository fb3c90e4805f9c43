// The day report over real data files of a small household: the text its
// pages draw, who it is for, what it reads, and the run through the
// progress window and the preview.

#include "reports/dayport.h"

#include "reportfixture.h"
#include "runtime/pictures.h"
#include "ui/reportpreview.h"

#include <QAction>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>

namespace korvalen {
namespace {

using testing::hour;
using testing::ReportTest;

// The text of the PDF file `path` (pdftotext, or Ghostscript's text
// device); a null string when neither tool runs.
QString pdfText(const QString &path)
{
    const QList<std::pair<QString, QStringList>> tools = {
        {QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")}},
        {QStringLiteral("gs"),
         {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
          QStringLiteral("-sDEVICE=txtwrite"), QStringLiteral("-sOutputFile=-"), path}},
    };
    for (const auto &[program, arguments] : tools) {
        QProcess tool;
        tool.start(program, arguments);
        if (tool.waitForFinished(20000) && tool.exitStatus() == QProcess::NormalExit &&
            tool.exitCode() == 0)
            return QString::fromUtf8(tool.readAllStandardOutput())
                .replace(QLatin1Char('\t'), QLatin1Char(' '));
    }
    return QString();
}

class DayReportTest : public ReportTest
{
protected:
    void SetUp() override
    {
        ReportTest::SetUp();
        m_clock.setToday(m_day);
    }

    ReportParameters parameters(const std::string &who, const std::string &name = "",
                                bool notes = false) const
    {
        return reportParameters(m_day, m_day, who, name, notes);
    }

    // The rows the pages draw, top to bottom, the texts of a row left to
    // right joined by " | "; "#n" starts page n.
    static QStringList rows(const QList<QPicture> &pages)
    {
        QStringList result;
        for (qsizetype page = 0; page < pages.size(); ++page) {
            result += QStringLiteral("#%1").arg(page + 1);
            result += pageRows(pages[page]);
        }
        return result;
    }

    QList<QPicture> pages(const ReportParameters &given, std::string *failedFile = nullptr)
    {
        return dayReportPages(data(), given, m_day, kLetterPaper, failedFile);
    }

    const Date m_day = makeDate(12, 8, 2026); // a Tuesday
};

TEST_F(DayReportTest, EveryoneDayPrintsOneHeadingPerRunOfAnActivityAndItsNotes)
{
    activity(1, "Swimming", {"Ann", "Bob"}, "Towels");
    activity(2, "Piano", {"Cid"}, "Bring the music book");
    activity(3, "Elsewhere", {"Ann"});
    occurrence(1, m_day, hour(8), hour(9));
    occurrence(1, m_day, hour(9), hour(10));
    occurrence(2, m_day, hour(10), 0);
    occurrence(1, m_day, hour(11), hour(12));
    occurrence(3, m_day - 1, hour(8), hour(9));
    occurrence(3, m_day + 1, hour(8), hour(9));

    const QStringList expected = {
        "#1",
        "DAY Calendar For | Everyone",
        "Tuesday",
        "Dec 08,2026",
        "8:00AM | 9:00AM",
        "Swimming",
        "Ann, Bob",
        "Towels",
        "Ann, Bob",
        "Towels",
        "10:00AM | 12:00AM",
        "Piano",
        "Cid",
        "Bring the music book",
        "11:00AM | 12:00PM",
        "Swimming",
        "Ann, Bob",
        "Towels",
        "Printed on: | Dec 08,2026 | 1",
    };
    EXPECT_EQ(rows(pages(parameters("Everyone", "", true))), expected);
    // Without notes the italic band goes.
    EXPECT_FALSE(rows(pages(parameters("Everyone"))).contains(QStringLiteral("Towels")));
}

TEST_F(DayReportTest, ParticipantsAreCutAtTwoHundredCharacters)
{
    std::vector<std::string> people;
    QStringList names;
    for (int i = 1; i <= 30; ++i) {
        people.push_back(numbered('P', i) + "abcde");
        names += QString::fromStdString(people.back());
    }
    activity(1, "Assembly", people);
    occurrence(1, m_day, hour(9), hour(10));

    const QList<QPicture> printed = pages(parameters("Everyone"));
    ASSERT_EQ(printed.size(), 1);
    QStringList wrapped;
    for (const DrawnText &text : drawnTexts(printed[0]))
        if (text.at.x() >= 1000 + 2188 && text.at.y() > 1302 && text.at.y() < 9500)
            wrapped += text.text;
    // The text box wraps between names: its lines joined back give the text.
    EXPECT_EQ(wrapped.join(QLatin1Char(' ')), names.join(QStringLiteral(", ")).left(200).trimmed());
    EXPECT_GT(wrapped.size(), 2);
}

TEST_F(DayReportTest, PersonReportMatchesExactlyAndLeavesParticipantsEmpty)
{
    activity(1, "Swimming", {"Bob", "Ann"});
    activity(2, "Chess", {"ann"});
    activity(3, "Piano", {"Cid"});
    occurrence(1, m_day, hour(8), hour(9));
    occurrence(2, m_day, hour(9), hour(10));
    occurrence(3, m_day, hour(10), hour(11));

    const QStringList printed = rows(pages(parameters("Person", "Ann")));
    EXPECT_EQ(printed.mid(1, 5), (QStringList{"DAY Calendar For | Ann", "Tuesday", "Dec 08,2026",
                                              "8:00AM | 9:00AM", "Swimming"}));
    EXPECT_EQ(printed.size(), 7) << printed.join('\n').toStdString();

    // A person in no activity of the day: no pages at all.
    EXPECT_TRUE(pages(parameters("Person", "Dan")).isEmpty());
}

TEST_F(DayReportTest, GroupReportFindsTheGroupInAnyCaseAndListsOnlyMembers)
{
    data().GRO.GROUP = "Kids";
    ASSERT_TRUE(data().group.add().ok());
    for (const char *name : {"Ann", "Cid", "Cid"})
        member("Kids", name);
    activity(1, "Swimming", {"Bob", "Ann", "Cid"});
    activity(2, "Golf", {"Bob"});
    occurrence(1, m_day, hour(8), hour(9));
    occurrence(2, m_day, hour(9), hour(10));

    const QStringList printed = rows(pages(parameters("Group", "KIDS")));
    EXPECT_TRUE(printed.contains(QStringLiteral("DAY Calendar For | KIDS")));
    // Cid is a member twice: named once per membership.
    EXPECT_TRUE(printed.contains(QStringLiteral("Ann, Cid, Cid")));
    EXPECT_FALSE(printed.contains(QStringLiteral("Golf")));
    EXPECT_FALSE(printed.join(' ').contains(QStringLiteral("Bob")));
}

TEST_F(DayReportTest, ReadsOnlyTheDaysRangeShowsTheRealShareAndAsksEachActivityOnce)
{
    activity(1, "Early", {"Ann"});
    activity(2, "Late", {"Ann"});
    {
        Transaction many(data().database);
        for (int i = 0; i < 300; ++i) {
            occurrence(1, m_day - 1 - i % 50, hour(8), hour(9));
            occurrence(2, m_day + 1 + i % 50, hour(8), hour(9));
        }
        ASSERT_TRUE(many.commit().ok());
    }
    for (int i = 0; i < 4; ++i)
        occurrence(i % 2 + 1, m_day, hour(8 + i), hour(9 + i));

    PeriodReader reader(data(), parameters("Person", "Ann"), kDayParticipantsWidth);
    std::vector<int> shares;
    int printed = 0;
    const auto print = [&](const ReportLine &) { ++printed; };
    while (reader.readSlice(print, SliceLimits{1, 10}))
        shares.push_back(reader.percent());
    EXPECT_EQ(printed, 4);
    EXPECT_EQ(reader.total(), 4);
    // Counting and reading each go over the day's four records alone.
    EXPECT_EQ(reader.datesReads(), 8);
    EXPECT_EQ(shares, (std::vector<int>{0, 25, 50, 75, 100}));
    EXPECT_EQ(reader.filter().participantReads(), 2);
}

TEST_F(DayReportTest, ReadFailuresNameTheirFile)
{
    activity(1, "Swimming", {"Ann"});
    occurrence(1, m_day, hour(8), hour(9));
    releaseFiles();
    ASSERT_TRUE(use({&data().activity, &data().dates, &data().group, &data().groupPeople}));
    std::string failed;
    EXPECT_TRUE(pages(parameters("Everyone"), &failed).isEmpty());
    EXPECT_EQ(failed, "PERSONACT");

    releaseFiles();
    ASSERT_TRUE(use({&data().activity, &data().personAct}));
    EXPECT_TRUE(pages(parameters("Everyone"), &failed).isEmpty());
    EXPECT_EQ(failed, "DATES");
}

TEST_F(DayReportTest, ProgressWindowShowsTheShareDoneAndCancelStopsTheSlices)
{
    const std::vector<double> shares = {20, 55.5, 100};
    std::size_t slices = 0;
    QStringList seen;
    ReportProgress progress(
        [&] {
            ++slices;
            return slices < shares.size();
        },
        [&] { return shares[slices - 1]; });
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("Generating Report"));
    EXPECT_EQ(progress.completedText(), QStringLiteral("0% Completed"));
    QObject::connect(progress.bar(), &QProgressBar::valueChanged,
                     [&] { seen += progress.completedText(); });
    EXPECT_EQ(progress.exec(), QDialog::Accepted);
    EXPECT_EQ(slices, shares.size());
    // The real share, in three positions, as each slice ends.
    EXPECT_EQ(seen, (QStringList{" 20% Completed", " 56% Completed", "100% Completed"}));
    EXPECT_EQ(progress.bar()->value(), 100);

    int endless = 0;
    ReportProgress cancelled([&] { return ++endless > 0; }, [] { return 1.0; });
    whenModal<ReportProgress>([&](ReportProgress &window) {
        while (endless < 3)
            QCoreApplication::processEvents();
        click(window.cancelButton());
    });
    EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
    const int afterCancel = endless;
    QCoreApplication::processEvents();
    EXPECT_EQ(endless, afterCancel);
    EXPECT_EQ(cancelled.completedText(), QStringLiteral("  1% Completed"));
    EXPECT_EQ(cancelled.bar()->value(), 1);
}

TEST_F(DayReportTest, DayportPreviewsThenPrintsTheSamePagesToPdf)
{
    activity(1, "Swimming", {"Ann"}, "Towels");
    occurrence(1, m_day, hour(8), hour(9));
    context().globals.Calstart = m_day;
    context().globals.CalEnd = m_day + 30; // not read by the day report
    context().globals.CalWho = "Everyone";
    context().globals.CalNotes = 1;
    const QString pdf = pathIn(QStringLiteral("day.pdf"));
    context().printer().setOutputFormat(QPrinter::PdfFormat);
    context().printer().setOutputFileName(pdf);

    int previewPages = 0;
    whenModal<ReportPreview>([&](ReportPreview &preview) {
        previewPages = preview.logic().pageCount();
        preview.command(PreviewCommand::Print)->trigger();
    });
    runDayReport(context(), 2);
    EXPECT_EQ(previewPages, 1);
    EXPECT_EQ(context().globals.response, RequestCompleted);

    const QString text = pdfText(pdf);
    if (text.isNull())
        GTEST_SKIP() << "neither pdftotext nor gs is installed";
    EXPECT_EQ(text.count(QStringLiteral("DAY Calendar For")), 2) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("Towels")), 2);
    EXPECT_TRUE(m_prompter.shown().empty());

    // A printer that fails is reported, never taken for success.
    context().printer().setOutputFileName(pathIn(QStringLiteral("missing/day.pdf")));
    EXPECT_FALSE(printReport(context(), DayReportWriter(ReportParameters{}, m_day).finish()));
    EXPECT_EQ(captions(), std::vector<std::string>{"Print Error"});
    m_prompter.clear();

    // A day where nothing passes: no preview, no message, still cancelled.
    context().globals.CalWho = "Person";
    context().globals.CalPerson = "Nobody";
    DAYPORT(context());
    EXPECT_EQ(context().globals.response, RequestCancelled);
    EXPECT_TRUE(m_prompter.shown().empty());
}

} // namespace
} // namespace korvalen
