#pragma once

// FLEXPER: the activities of a period the user chooses, from Calstart to
// CalEnd inclusive, as a summary: a heading for every day that has
// activities, then each activity's times, name and participants. Notes are
// never printed.

#include "reports/weekport.h"

namespace korvalen {

class AppContext;

// The period report's pages: the week report's listing at its own places,
// with the whole activity heading bold.
class PeriodReportWriter : public DayListWriter
{
public:
    // `paper` upright in thousandths of an inch.
    PeriodReportWriter(const ReportParameters &parameters, Date printDate,
                       QSize paper = kLetterPaper);

    static PageFormat pageFormatFor(const ReportParameters &parameters, Date printDate,
                                    QSize paper);

protected:
    Band dayHeading(const ReportLine &line) const override;
    Band activityHeading(const ReportLine &line) const override;
};

// The period report from `parameters.start` to `parameters.end` as they
// are (CalNotes is not read), from `data` (ACTIVITY, DATES, GROUP,
// GROUPPEOPLE and PERSONACT open), without any window: its pages, none
// when nothing passes or the end is before the start. A read failure ends
// the reading; `failedFile` then names the file.
QList<QPicture> periodReportPages(AppData &data, const ReportParameters &parameters, Date printDate,
                                  QSize paper = kLetterPaper, std::string *failedFile = nullptr);

// The called procedure: the period from Calstart to CalEnd for the report
// parameters, through the progress window and the preview, as many copies
// as the calendar options window asks for. The globals are not changed
// (but for the response).
void FLEXPER(AppContext &context);

} // namespace korvalen
