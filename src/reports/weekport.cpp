#include "reports/weekport.h"

#include "reports/calendaroptions.h"
#include "reports/dayport.h"
#include "runtime/pictures.h"
#include "schedulelogic/participants.h"
#include "ui/appcontext.h"

namespace korvalen {

namespace {

ReportFont arial(int points, bool bold = false, bool italic = false)
{
    return ReportFont{QStringLiteral("Arial"), points, bold, italic};
}

} // namespace

QString reportDate(Date date)
{
    return QString::fromStdString(formatDate(date, "D3"));
}

DayListWriter::DayListWriter(PageFormat page, bool notes)
    : m_layout(std::move(page)), m_notes(notes)
{
}

void DayListWriter::print(const ReportLine &line)
{
    const DatesRecord &occurrence = line.occurrence;
    const bool newDay = m_lastDate != occurrence.DATE;
    if (newDay) {
        m_lastDate = occurrence.DATE;
        m_layout.add(dayHeading(line).keepWithNext());
    }
    // A new day repeats the heading of an activity that runs on from the
    // day before.
    if (newDay || m_lastActivity != occurrence.ACTNUMBER) {
        m_lastActivity = occurrence.ACTNUMBER;
        m_layout.add(activityHeading(line).keepWithNext());
    }
    Band participants;
    participants.growingText(1979, 0, 5000, QString::fromStdString(line.participants), arial(10));
    m_layout.add(participants);
    if (m_notes) {
        Band notes;
        notes.growingText(1979, 0, 5000, QString::fromStdString(line.activity.NOTES.text),
                          arial(10, false, true));
        m_layout.add(notes);
    }
}

QList<QPicture> DayListWriter::finish()
{
    return m_layout.finish();
}

PageFormat WeekReportWriter::pageFormatFor(const ReportParameters &parameters, Date printDate,
                                           QSize paper)
{
    PageFormat sheet;
    sheet.paper = paper;
    sheet.body = QRect(500, 1229, 7000, 8250);
    sheet.headerAt = QPoint(500, 500);
    sheet.header = Band(500);
    sheet.header.text(1771, 0, 2219, 208, QStringLiteral("WEEK Calendar For"), arial(14, true))
        .text(4104, 10, 1375, 292, reportText(forWhomText(parameters), 10), arial(14, true))
        .text(2208, 313, 1021, 208, reportDate(parameters.start), arial(10, true))
        .text(3333, 313, 208, 208, QStringLiteral("to"), arial(10, true))
        .text(3542, 313, 990, 208, reportDate(parameters.end), arial(10, true));
    sheet.footerAt = QPoint(500, 9500);
    sheet.footer = Band(563);
    sheet.footer.text(0, 313, 729, 208, QStringLiteral("Printed On:"), arial(10))
        .text(833, 313, 833, 208, reportDate(printDate), arial(10))
        .pageNumber(6563, 313, 417, 208, QStringLiteral("N3"), arial(10));
    return sheet;
}

WeekReportWriter::WeekReportWriter(const ReportParameters &parameters, Date printDate, QSize paper)
    : DayListWriter(pageFormatFor(parameters, printDate, paper), parameters.notes)
{
}

Band WeekReportWriter::dayHeading(const ReportLine &line) const
{
    const Date date = line.occurrence.DATE;
    Band heading(396);
    heading.text(104, 104, 927, 208, reportText(weekdayText(date), 9), arial(10, true))
        .text(1354, 104, 1125, 208, reportDate(date), arial(10, true));
    return heading;
}

Band WeekReportWriter::activityHeading(const ReportLine &line) const
{
    const DatesRecord &occurrence = line.occurrence;
    Band heading(198);
    heading.text(750, 10, 646, 208, reportTime(occurrence.TIME), arial(10))
        .text(1573, 10, 646, 208, reportTime(occurrence.ENDTIME, true), arial(10))
        .text(3125, 0, 2604, 208, reportText(line.activity.NAME.view(), 30), arial(10));
    return heading;
}

ReportWeek reportWeekOf(Date date)
{
    ReportWeek week;
    week.monday = mondayOf(date);
    week.sunday = week.monday + 6;
    return week;
}

QList<QPicture> weekReportPages(AppData &data, const ReportParameters &parameters, Date printDate,
                                QSize paper, std::string *failedFile)
{
    ReportParameters week = parameters;
    const ReportWeek days = reportWeekOf(parameters.start);
    week.start = days.monday;
    week.end = days.sunday;
    PeriodReader reader(data, week, kWeekParticipantsWidth);
    WeekReportWriter writer(week, printDate, paper);
    return renderPeriod(reader, writer, failedFile);
}

void WEEKPORT(AppContext &context)
{
    // Written back before anything is read, so the options window shows
    // the Monday and a second copy computes the same week.
    SharedGlobals &globals = context.globals;
    const ReportWeek week = reportWeekOf(globals.Calstart);
    globals.Calstart = week.monday;
    globals.CalEnd = week.sunday;

    PreviewReport report;
    report.participantsWidth = kWeekParticipantsWidth;
    report.makeWriter = [](const ReportParameters &parameters, Date printDate, QSize paper) {
        return std::make_unique<WeekReportWriter>(parameters, printDate, paper);
    };
    runPreviewReport(context, report, requestedCopies(context));
}

void printWeekOfToday(AppContext &context)
{
    SharedGlobals &globals = context.globals;
    globals.CalWho = "Everyone";
    globals.CalNotes = 1;
    globals.Calstart = context.clock.today();
    WEEKPORT(context);
}

} // namespace korvalen
