#pragma once

// The run the printed calendars share: the report parameters, the for-whom
// text, the who filter and participants text, the reading of a period's
// occurrences in slices, and (with windows) the progress window, the
// preview and printing. The reading needs no window, so a program without
// one renders the same pages.

#include "runtime/dates.h"
#include "runtime/procedureglobals.h"
#include "runtime/text.h"
#include "storage/datafiles.h"
#include "storage/status.h"
#include "storage/table.h"

#include <QDialog>
#include <QList>
#include <QPicture>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace korvalen {

class AppContext;
class FileUse;
class Prompter;

// The report parameters as a run takes them when it starts.
struct ReportParameters
{
    Date start = 0; // Calstart
    Date end = 0;   // CalEnd
    Text<8> who;    // "Everyone", "Person" or "Group"
    Text<10> person;
    Text<10> group;
    bool notes = false; // CalNotes is 1

    static ReportParameters from(const SharedGlobals &globals);
    bool isPerson() const { return who == "Person"; }
    bool isGroup() const { return who == "Group"; }
};

// "Everyone", the person or the group, by `who`; blank for any other who.
std::string forWhomText(const ReportParameters &parameters);

// The weekday name of `date` ("Sunday" .. "Saturday").
std::string weekdayText(Date date);

// Joins `names` with ", ", cut after `width` characters.
std::string joinParticipants(const std::vector<std::string> &names, std::size_t width);

// Who a report is for, judged only through each activity's PERSONACT
// participants (ACT:GROUP is never consulted). Each activity's answer and
// participants text are read once per run and kept.
//
// Person: an activity passes when one participant is the person exactly
// (letter case included); its participants text is empty. Group: the group
// is looked up without regard to letter case and its stored name used; an
// activity passes when a participant is a member, and its text lists the
// participants once per membership record naming them. Everyone: every
// activity passes and its text lists every participant.
class WhoFilter
{
public:
    // `data` keeps PERSONACT, GROUP and GROUPPEOPLE open while the filter
    // lives. `width` cuts the participants text (200 or 255).
    WhoFilter(AppData &data, const ReportParameters &parameters, std::size_t width);

    // Whether activity `actNumber` passes, and its participants text. On a
    // failure (its file named by failedFile()) the activity does not pass.
    [[nodiscard]] Status passes(std::int32_t actNumber, bool &pass);
    [[nodiscard]] Status participantsText(std::int32_t actNumber, std::string &text);
    const std::string &failedFile() const { return m_failedFile; }
    // PERSONACT range reads done (for tests: each activity is read once).
    int participantReads() const { return m_participantReads; }

private:
    struct Answer
    {
        bool pass = false;
        std::string text;
    };
    Status answerFor(std::int32_t actNumber, const Answer *&answer);
    Status loadMembers();

    AppData &m_data;
    const ReportParameters m_parameters;
    const std::size_t m_width;
    bool m_membersLoaded = false;
    std::map<std::string, int> m_memberships; // member -> membership records
    std::map<std::int32_t, Answer> m_answers;
    std::string m_failedFile;
    int m_participantReads = 0;
};

// One passing occurrence as a report prints it.
struct ReportLine
{
    DatesRecord occurrence;
    ActivityRecord activity; // blank (NOTES too) when the activity is missing
    std::string participants;
};

// What one slice of a report's reading may do.
struct SliceLimits
{
    int passing = 25; // passing records handed on per slice
    int reads = 400;  // records read per slice, passing or not
};

// Reads the occurrences of a period, in date and time order, from the date
// key's range of those days alone (never from the first occurrence ever or
// on to the end of the file), through the who filter. Works in slices: each
// reads a capped number of records, passing or not, so a window stays
// responsive on any file. Counts the period's occurrences first (in slices
// too) so the progress is the real share done. Reads through cursors of its
// own; the record buffers stay as they were. The files ACTIVITY, DATES,
// GROUP, GROUPPEOPLE and PERSONACT stay open while it lives.
// The files a report run reads (ACTIVITY, DATES, GROUP, GROUPPEOPLE and
// PERSONACT; GROUP left out with `withGroup` false), opened under their
// counters for as long as the object lives. A failed open has shown its
// message; ok() is then false.
class ReportFiles
{
public:
    ReportFiles(AppData &data, Prompter &prompter, bool withGroup = true);
    ~ReportFiles();
    ReportFiles(const ReportFiles &) = delete;
    ReportFiles &operator=(const ReportFiles &) = delete;

    bool ok() const;

private:
    std::vector<std::unique_ptr<FileUse>> m_uses;
};

class PeriodReader
{
public:
    PeriodReader(AppData &data, const ReportParameters &parameters, std::size_t participantsWidth);

    // Reads on for one slice, handing each passing occurrence to `print`.
    // Returns false once the reading is over: at the end of the period or
    // after a failure (failure(), failedFile()), which ends it as the end
    // would.
    bool readSlice(const std::function<void(const ReportLine &)> &print, SliceLimits limits = {});
    bool isOver() const { return m_over; }

    // The share done, 0 to 100, of the period's occurrences.
    int percent() const;
    std::int64_t recordsRead() const { return m_read; }
    std::int64_t passed() const { return m_passed; }
    // The period's occurrences (-1 while they are being counted).
    std::int64_t total() const { return m_total; }
    // DATES records read in all, counting included (for tests).
    std::int64_t datesReads() const { return m_datesReads; }

    const WhoFilter &filter() const { return m_filter; }
    const Status &failure() const { return m_failure; }
    // "DATES", "PERSONACT", "ACTIVITY" or "GROUP"/"GROUPPEOPLE": the file
    // that failed; empty when none did.
    const std::string &failedFile() const { return m_failedFile; }

private:
    void countSlice(int reads);
    bool fail(const Status &status, const std::string &file);

    AppData &m_data;
    const ReportParameters m_parameters;
    WhoFilter m_filter;
    TypedCursor<DatesRecord> m_counter;
    TypedCursor<DatesRecord> m_dates;
    std::int64_t m_total = -1;
    std::int64_t m_read = 0;
    std::int64_t m_passed = 0;
    std::int64_t m_datesReads = 0;
    bool m_over = false;
    Status m_failure;
    std::string m_failedFile;
};

// What a calendar prints: a line per passing occurrence, then its pages.
class ReportWriter
{
public:
    virtual ~ReportWriter() = default;
    virtual void print(const ReportLine &line) = 0;
    // The pages; none when nothing was printed.
    virtual QList<QPicture> finish() = 0;
};

// Reads the whole period through `writer` without any window: the pages,
// none when nothing passed. A failure ends the reading; `failedFile` then
// names the file and `failure` holds its status.
QList<QPicture> renderPeriod(PeriodReader &reader, ReportWriter &writer,
                             std::string *failedFile = nullptr, Status *failure = nullptr);

// The texts of a progress window.
struct ProgressTexts
{
    QString title = QStringLiteral("Generating Report");
    QString startText = QStringLiteral("0% Completed");
    // The percentage's picture, followed by "% Completed".
    std::string picture = "N3";
};

// The progress window of a report: a bar, an empty text line, the share
// done and "Cancel". While open, it runs `slice` on every timer event until
// `slice` returns false (accepted) or the user cancels (rejected).
class ReportProgress : public QDialog
{
public:
    ReportProgress(std::function<bool()> slice, std::function<double()> percent,
                   ProgressTexts texts = {}, QWidget *parent = nullptr);

    QProgressBar *bar() const { return m_bar; }
    QString completedText() const;
    QPushButton *cancelButton() const { return m_cancel; }

private:
    void step();
    void show(double percent);

    std::function<bool()> m_slice;
    std::function<double()> m_percent;
    ProgressTexts m_texts;
    QProgressBar *m_bar;
    QLabel *m_completed;
    QPushButton *m_cancel;
    QTimer *m_timer;
    double m_shown = -1;
};

// The kinds of report a preview run makes: a writer for the parameters and
// the print date, and the participants text's width.
struct PreviewReport
{
    std::size_t participantsWidth = 200;
    std::function<std::unique_ptr<ReportWriter>(const ReportParameters &, Date printDate,
                                                QSize paper)>
        makeWriter;
    // Fits the parameters taken from the globals to the report (the day
    // report reads Calstart's day alone); none leaves them as they are.
    std::function<void(ReportParameters &)> adjustParameters;
};

// The run of the day, week and period calendars: sets the response to
// cancelled, takes the parameters and today's date, opens the five files,
// reads in the progress window, shows a read failure naming its file, and
// shows what was produced in the preview; when the user prints, prints
// `copies` copies of the pages on the context's printer (response then
// completed). Nothing passing, or Cancel, ends the run without a window.
void runPreviewReport(AppContext &context, const PreviewReport &report, int copies = 1);

// Prints `pages` `copies` times on the context's printer as one job; tells
// the user when the printer fails. True when printed.
bool printReport(AppContext &context, const QList<QPicture> &pages, int copies = 1);

} // namespace korvalen
