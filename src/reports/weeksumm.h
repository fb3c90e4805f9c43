#pragma once

// WEEKSUMM: one week, Monday to Sunday, as a landscape grid of seven day
// columns; row r holds the r-th activity of every day with its start time,
// name and a short note of who takes part. The week is gathered first, then
// printed straight to the printer without a preview.

#include "reports/bandlayout.h"
#include "reports/reportrun.h"

#include <array>
#include <map>
#include <string>
#include <vector>

namespace korvalen {

class AppContext;

// One cell of the grid.
struct WeekSummaryEntry
{
    ClockTime start = 0;
    std::string name; // ACT:NAME, blank when the activity is missing
    std::string note; // the first participant, "  +" when there are more
};

// The gathered week: for each day from Monday its passing occurrences in
// time order.
struct WeekSummary
{
    Date monday = 0;
    std::array<std::vector<WeekSummaryEntry>, 7> days;

    // The longest day's entry count: the grid's rows.
    int rowCount() const;
};

// Gathers the week of `parameters.start` (moved to its Monday) day by day
// from the date key's range of each day alone, through the who filter.
// Works in slices of capped reads so a window stays responsive. ACTIVITY,
// DATES, GROUP, GROUPPEOPLE and PERSONACT stay open while it lives.
class WeekSummaryReader
{
public:
    WeekSummaryReader(AppData &data, const ReportParameters &parameters);

    // Reads on for up to `reads` DATES records. False once the week is
    // gathered or a read failed (failure(), failedFile()).
    bool readSlice(int reads = 400);
    bool isOver() const { return m_over; }

    // Days done × 100 / 7, rounded to one decimal.
    double percent() const;
    const WeekSummary &week() const { return m_week; }
    const Status &failure() const { return m_failure; }
    const std::string &failedFile() const { return m_failedFile; }

private:
    bool fail(const Status &status, const std::string &file);
    Status noteOf(std::int32_t actNumber, std::string &note);
    void startDay();

    AppData &m_data;
    WhoFilter m_filter;
    WeekSummary m_week;
    TypedCursor<DatesRecord> m_dates;
    std::map<std::int32_t, std::string> m_notes; // per activity, read once
    int m_day = 0;                               // 0 = Monday .. 7 = done
    bool m_over = false;
    Status m_failure;
    std::string m_failedFile;
};

// The page of the week summary on landscape `paper`: header with the day
// headings and captions, the grid drawn on every page, body and no footer.
PageFormat weekSummaryPageFormat(const ReportParameters &parameters, Date monday, Date printDate,
                                 QSize paper);

// The pages of a gathered week: one grid row per row; none when the week
// holds nothing.
QList<QPicture>
weekSummaryPages(const WeekSummary &week, const ReportParameters &parameters, Date printDate,
                 QSize paper = orientedPaper(kLetterPaper, PageOrientation::Landscape));

// The week summary of `parameters.start`'s week read from `data` without
// any window; none when nothing passes or a read failed (`failedFile` then
// names the file).
QList<QPicture> weekSummaryPages(AppData &data, const ReportParameters &parameters, Date printDate,
                                 QSize paper = orientedPaper(kLetterPaper,
                                                             PageOrientation::Landscape),
                                 std::string *failedFile = nullptr);

// The run: response cancelled, Calstart moved to its Monday (written back
// to the globals), the week gathered in the "Printing Report" window, then
// printed `copies` times in landscape (response completed). An empty week,
// Cancel or a read failure (its warning shown) prints nothing.
void runWeekSummary(AppContext &context, int copies);

// The called procedure, printing the copies the options window asked for.
void WEEKSUMM(AppContext &context);

// The frame's week-summary command: everyone's week of today.
void weekSummaryForToday(AppContext &context);

} // namespace korvalen
