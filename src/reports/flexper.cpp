#include "reports/flexper.h"

#include "reports/calendaroptions.h"
#include "reports/dayport.h"
#include "runtime/pictures.h"
#include "ui/appcontext.h"

namespace korvalen {

namespace {

const ReportFont kPlain{};
const ReportFont kBold{.bold = true};
const ReportFont kTitle{.points = 14, .bold = true};

} // namespace

PageFormat PeriodReportWriter::pageFormatFor(const ReportParameters &parameters, Date printDate,
                                             QSize paper)
{
    PageFormat sheet;
    sheet.paper = paper;
    sheet.body = QRect(531, 1240, 7010, 8260);
    sheet.headerAt = QPoint(500, 500);
    sheet.header = Band(500);
    sheet.header.text(1458, 0, 2365, 208, QStringLiteral("Summary Calendar For"), kTitle)
        .text(3927, 10, 1708, 292, reportText(forWhomText(parameters), 10), kTitle)
        .text(2219, 313, 1021, 208, reportDate(parameters.start), kBold)
        .text(3333, 313, 208, 208, QStringLiteral("to"), kBold)
        .text(3729, 323, 1042, 208, reportDate(parameters.end), kBold);
    sheet.footerAt = QPoint(500, 9500);
    sheet.footer = Band(594);
    sheet.footer.text(0, 313, 729, 208, QStringLiteral("Printed On:"), kPlain)
        .text(833, 313, 833, 208, reportDate(printDate), kPlain)
        .pageNumber(6563, 313, 417, 208, QStringLiteral("N3"), kPlain);
    return sheet;
}

PeriodReportWriter::PeriodReportWriter(const ReportParameters &parameters, Date printDate,
                                       QSize paper)
    : DayListWriter(pageFormatFor(parameters, printDate, paper), false)
{
}

Band PeriodReportWriter::dayHeading(const ReportLine &line) const
{
    const Date date = line.occurrence.DATE;
    Band heading(396);
    heading.text(104, 104, 979, 208, reportText(weekdayText(date), 9), kBold)
        .text(1354, 104, 1156, 208, reportDate(date), kBold);
    return heading;
}

Band PeriodReportWriter::activityHeading(const ReportLine &line) const
{
    const DatesRecord &occurrence = line.occurrence;
    Band heading(198);
    heading.text(729, 0, 865, 208, reportTime(occurrence.TIME), kBold)
        .text(1792, 10, 865, 208, reportTime(occurrence.ENDTIME), kBold)
        .text(3125, 0, 2833, 208, reportText(line.activity.NAME.view(), 30), kBold);
    return heading;
}

QList<QPicture> periodReportPages(AppData &data, const ReportParameters &parameters, Date printDate,
                                  QSize paper, std::string *failedFile)
{
    ReportParameters period = parameters;
    period.notes = false;
    PeriodReader reader(data, period, kWeekParticipantsWidth);
    PeriodReportWriter writer(period, printDate, paper);
    return renderPeriod(reader, writer, failedFile);
}

void FLEXPER(AppContext &context)
{
    PreviewReport report;
    report.participantsWidth = kWeekParticipantsWidth;
    report.adjustParameters = [](ReportParameters &parameters) { parameters.notes = false; };
    report.makeWriter = [](const ReportParameters &parameters, Date printDate, QSize paper) {
        return std::make_unique<PeriodReportWriter>(parameters, printDate, paper);
    };
    runPreviewReport(context, report, requestedCopies(context));
}

} // namespace korvalen
