#pragma once

// DAYPORT: the activities of one day, from the earliest start to the
// latest, each with its times, name, participants and, on request, notes.

#include "reports/bandlayout.h"
#include "reports/reportrun.h"

#include <optional>
#include <string>

namespace korvalen {

class AppContext;

// `time` in picture T3; zero blank only when `blankWhenZero` (otherwise a
// zero time shows as midnight, "12:00AM").
QString reportTime(ClockTime time, bool blankWhenZero = false);
// `text` cut after `width` characters, without trailing blanks.
QString reportText(std::string_view text, int width);

// The day report's pages as it prints the lines handed to it: an activity
// heading whenever the activity number changes, the participants, the notes
// when asked for, a small space after each activity.
class DayReportWriter : public ReportWriter
{
public:
    // `paper` upright in thousandths of an inch (Letter or A4).
    DayReportWriter(const ReportParameters &parameters, Date printDate, QSize paper = kLetterPaper);

    void print(const ReportLine &line) override;
    QList<QPicture> finish() override;

    // The page of the day report: header, footer and body area.
    static PageFormat pageFormatFor(const ReportParameters &parameters, Date printDate,
                                    QSize paper);

private:
    BandLayout m_layout;
    const bool m_notes;
    std::optional<std::int32_t> m_lastActivity;
};

// The participants text's width in the day report.
inline constexpr std::size_t kDayParticipantsWidth = 200;

// The day report of `parameters.start` read from `data` (ACTIVITY, DATES,
// GROUP, GROUPPEOPLE and PERSONACT open), without any window: its pages,
// none when nothing passes. A read failure ends the reading; `failedFile`
// then names the file.
QList<QPicture> dayReportPages(AppData &data, const ReportParameters &parameters, Date printDate,
                               QSize paper = kLetterPaper, std::string *failedFile = nullptr);

// The called procedure: the day report of Calstart for the report
// parameters, through the progress window and the preview.
void DAYPORT(AppContext &context);
// As DAYPORT, printing `copies` copies when the user prints.
void runDayReport(AppContext &context, int copies);

} // namespace korvalen
