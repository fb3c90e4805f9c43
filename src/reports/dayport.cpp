#include "reports/dayport.h"

#include "reports/calendaroptions.h"
#include "runtime/pictures.h"
#include "ui/appcontext.h"

namespace korvalen {

namespace {

ReportFont arial(int points, bool bold = false, bool italic = false)
{
    return ReportFont{QStringLiteral("Arial"), points, bold, italic};
}

QString fromStd(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString reportTime(ClockTime time, bool blankWhenZero)
{
    if (time == 0 && !blankWhenZero)
        time = 1; // midnight
    return fromStd(formatTime(time, "T3"));
}

QString reportText(std::string_view text, int width)
{
    return fromStd(Picture::parse("s" + std::to_string(width))->formatText(text));
}

PageFormat DayReportWriter::pageFormatFor(const ReportParameters &parameters, Date printDate,
                                          QSize paper)
{
    PageFormat sheet;
    sheet.paper = paper;
    sheet.body = QRect(1000, 1302, 6000, 8198);
    sheet.headerAt = QPoint(1000, 500);
    sheet.header = Band(563);
    sheet.header.text(1594, 10, 1917, 208, QStringLiteral("DAY Calendar For"), arial(14, true))
        .text(3573, 10, 1417, 208, reportText(forWhomText(parameters), 10), arial(14, true))
        .text(1875, 323, 1198, 208, reportText(weekdayText(parameters.start), 9), arial(14, true))
        .text(3125, 333, 1656, 208, fromStd(formatDate(parameters.start, "D3")), arial(14, true));
    sheet.footerAt = QPoint(1000, 9500);
    sheet.footer = Band(469);
    sheet.footer.text(0, 208, 729, 208, QStringLiteral("Printed on:"), arial(10))
        .text(833, 208, 938, 208, fromStd(formatDate(printDate, "D3")), arial(10))
        .pageNumber(5625, 208, 313, 208, QStringLiteral("N3"), arial(10));
    return sheet;
}

DayReportWriter::DayReportWriter(const ReportParameters &parameters, Date printDate, QSize paper)
    : m_layout(pageFormatFor(parameters, printDate, paper)), m_notes(parameters.notes)
{
}

void DayReportWriter::print(const ReportLine &line)
{
    const DatesRecord &occurrence = line.occurrence;
    if (m_lastActivity != occurrence.ACTNUMBER) {
        if (m_lastActivity)
            m_layout.add(Band(52)); // the footing of the activity before
        m_lastActivity = occurrence.ACTNUMBER;
        Band heading(250);
        heading.text(0, 0, 823, 208, reportTime(occurrence.TIME), arial(10, true))
            .text(938, 0, 833, 208, reportTime(occurrence.ENDTIME), arial(10, true))
            .text(2167, 10, 2917, 208, reportText(line.activity.NAME.view(), 30), arial(10))
            .keepWithNext();
        m_layout.add(heading);
    }
    Band participants;
    participants.growingText(2188, 0, 3750, fromStd(line.participants), arial(10));
    m_layout.add(participants);
    if (m_notes) {
        Band notes;
        notes.growingText(2188, 0, 3750, fromStd(line.activity.NOTES.text), arial(10, false, true));
        m_layout.add(notes);
    }
}

QList<QPicture> DayReportWriter::finish()
{
    if (m_lastActivity)
        m_layout.add(Band(52));
    return m_layout.finish();
}

QList<QPicture> dayReportPages(AppData &data, const ReportParameters &parameters, Date printDate,
                               QSize paper, std::string *failedFile)
{
    ReportParameters day = parameters;
    day.end = day.start;
    PeriodReader reader(data, day, kDayParticipantsWidth);
    DayReportWriter writer(day, printDate, paper);
    return renderPeriod(reader, writer, failedFile);
}

void runDayReport(AppContext &context, int copies)
{
    PreviewReport report;
    // The day calendar reads Calstart's day alone, whatever CalEnd holds.
    report.adjustParameters = [](ReportParameters &parameters) {
        parameters.end = parameters.start;
    };
    report.participantsWidth = kDayParticipantsWidth;
    report.makeWriter = [](const ReportParameters &parameters, Date printDate, QSize paper) {
        return std::make_unique<DayReportWriter>(parameters, printDate, paper);
    };
    runPreviewReport(context, report, copies);
}

void DAYPORT(AppContext &context)
{
    runDayReport(context, requestedCopies(context));
}

} // namespace korvalen
