#pragma once

// WEEKPORT: the activities of one week, Monday to Sunday, in portrait: a
// heading for each day that has activities, then that day's activities in
// time order with their participants and, on request, their notes.
//
// The day-by-day listing is shared with the period calendar (FLEXPER),
// which draws the same bands at its own positions.

#include "reports/bandlayout.h"
#include "reports/reportrun.h"

#include <optional>
#include <string>

namespace korvalen {

class AppContext;

// The participants text's width in the week and period calendars.
inline constexpr std::size_t kWeekParticipantsWidth = 255;

// `date` in picture D3 ("Dec 08,2026"); blank for no date.
QString reportDate(Date date);

// A calendar that lists the days of a period: a day heading whenever the
// date changes, an activity heading whenever the activity number changes
// and after every day heading, then the participants and, when asked for,
// the notes of each line handed to it. A subclass says how the headings
// look.
class DayListWriter : public ReportWriter
{
public:
    void print(const ReportLine &line) override;
    QList<QPicture> finish() override;

protected:
    // Bands go through `page`; `notes` prints each activity's notes.
    DayListWriter(PageFormat page, bool notes);

    virtual Band dayHeading(const ReportLine &line) const = 0;
    virtual Band activityHeading(const ReportLine &line) const = 0;

private:
    BandLayout m_layout;
    const bool m_notes;
    std::optional<Date> m_lastDate;
    std::optional<std::int32_t> m_lastActivity;
};

// The week report's pages.
class WeekReportWriter : public DayListWriter
{
public:
    // `parameters` hold the week already (start on its Monday, end on its
    // Sunday); `paper` upright in thousandths of an inch.
    WeekReportWriter(const ReportParameters &parameters, Date printDate,
                     QSize paper = kLetterPaper);

    static PageFormat pageFormatFor(const ReportParameters &parameters, Date printDate,
                                    QSize paper);

protected:
    Band dayHeading(const ReportLine &line) const override;
    Band activityHeading(const ReportLine &line) const override;
};

// The week a run for `date` prints: from its Monday to the Sunday after;
// a Sunday belongs to the week that ends on it.
struct ReportWeek
{
    Date monday = 0;
    Date sunday = 0;
};
ReportWeek reportWeekOf(Date date);

// The week report of the week holding `parameters.start` (CalEnd is not
// read), from `data` (ACTIVITY, DATES, GROUP, GROUPPEOPLE and PERSONACT
// open), without any window: its pages, none when nothing passes. A read
// failure ends the reading; `failedFile` then names the file.
QList<QPicture> weekReportPages(AppData &data, const ReportParameters &parameters, Date printDate,
                                QSize paper = kLetterPaper, std::string *failedFile = nullptr);

// The called procedure: moves Calstart to the Monday of its week and
// CalEnd to that week's Sunday (the globals keep them), then prints that
// week for the report parameters through the progress window and the
// preview, as many copies as the calendar options window asks for.
void WEEKPORT(AppContext &context);

// The frame's "this week" entry: the week of today for everyone, with the
// notes (CalWho "Everyone", CalNotes 1, Calstart today), then WEEKPORT.
void printWeekOfToday(AppContext &context);

} // namespace korvalen
