#pragma once

// DAYPEO: one day's activities grouped by person. For every person taking
// part in something that day, a heading with the short name, then that
// person's activities in time order with their times, name and, on request,
// notes; an activity with several participants is listed under each. The day
// is gathered first, then printed straight to the printer without a preview.

#include "reports/bandlayout.h"
#include "reports/reportrun.h"

#include <optional>
#include <string>
#include <vector>

namespace korvalen {

class AppContext;

// One line of the report: a participant and one of their activities.
struct DayPeopleEntry
{
    Text<10> person;
    ClockTime start = 0;
    ClockTime end = 0;
    std::int32_t actNumber = 0;
    std::string name;  // ACT:NAME, blank when the activity is missing
    std::string notes; // ACT:NOTES, blank when the activity is missing
};

// The for-whom text of this report: "Everyone", the group as typed, or
// blank (a person left over from another calendar covers everyone).
std::string dayPeopleForWhom(const ReportParameters &parameters);

// Gathers the entries of `parameters.start` from the date key's range of
// that day alone, sorted by short name, start, end and activity number.
// Group: a participant is listed once per membership record of the group
// whose name equals CalGroup exactly, as typed (another letter case lists
// nobody); any other who lists every participant. Occurrences without
// participants are never listed. On a failure `failedFile` names the file.
[[nodiscard]] Status gatherDayPeople(AppData &data, const ReportParameters &parameters,
                                     std::vector<DayPeopleEntry> &entries, std::string &failedFile);

// Lays the entries out: a spacer and a heading whenever the person changes,
// an activity line per entry, its notes when asked for, a closing spacer.
class DayPeopleWriter
{
public:
    DayPeopleWriter(const ReportParameters &parameters, Date printDate, QSize paper = kLetterPaper);

    void print(const DayPeopleEntry &entry);
    // The pages; an empty day still gets one page with header and footer.
    QList<QPicture> finish();

    static PageFormat pageFormatFor(const ReportParameters &parameters, Date printDate,
                                    QSize paper);

private:
    BandLayout m_layout;
    const bool m_notes;
    std::optional<Text<10>> m_lastPerson;
};

// The report of `parameters.start` read from `data` (ACTIVITY, DATES,
// GROUPPEOPLE and PERSONACT open) without any window; none after a read
// failure (`failedFile` then names the file).
QList<QPicture> dayPeoplePages(AppData &data, const ReportParameters &parameters, Date printDate,
                               QSize paper = kLetterPaper, std::string *failedFile = nullptr);

// The run: response cancelled, the day gathered and laid out in the
// "Printing Report" window, then printed `copies` times (response
// completed). Cancel or a read failure (its warning shown) prints nothing.
void runDayPeople(AppContext &context, int copies);

// The called procedure, printing the copies the options window asked for.
void DAYPEO(AppContext &context);

} // namespace korvalen
