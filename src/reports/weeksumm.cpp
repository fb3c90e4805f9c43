#include "reports/weeksumm.h"

#include "reports/calendaroptions.h"
#include "reports/dayport.h"
#include "runtime/pictures.h"
#include "schedulelogic/participants.h"
#include "storage/openfile.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"

#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace korvalen {

using namespace keys;

namespace {

ReportFont arial(int points, bool bold = false)
{
    return ReportFont{QStringLiteral("Arial"), points, bold, false};
}

QString fromStd(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text);
}

// The columns of the grid, Monday first: where a cell's time, name and note
// start (Saturday's name and note sit a little right of its time).
constexpr int kCellX[7] = {10, 1406, 2813, 4208, 5615, 7000, 8406};
constexpr int kHeadingX[7] = {146, 1552, 2948, 4354, 5750, 7146, 8552};
constexpr int kCaptionX[7] = {854, 2188, 3573, 5010, 6448, 7885, 9104};
constexpr int kGridX[8] = {0, 1396, 2802, 4198, 5604, 7000, 8396, 9698};
const char *const kHeadings[7] = {"Mon.", "Tue.", "Wed.", "Thu.", "Fri.", "Sat.", "Sun."};

Band gridRow(const std::array<const WeekSummaryEntry *, 7> &cells)
{
    Band row(500);
    for (int day = 0; day < 7; ++day) {
        if (!cells[day])
            continue;
        const WeekSummaryEntry &entry = *cells[day];
        const int x = kCellX[day];
        const int textX = day == 5 ? 7010 : x;
        row.text(x, 21, 1375, 167, reportTime(entry.start, true), arial(8, true))
            .text(textX, 156, day == 6 ? 1250 : 1375, 167, reportText(entry.name, 50), arial(8))
            .text(textX, 313, 1375, 167, reportText(entry.note, 20), arial(8));
    }
    return row;
}

// Turns the printer to `orientation` while it lives.
class OrientationScope
{
public:
    OrientationScope(QPrinter &printer, QPageLayout::Orientation orientation)
        : m_printer(printer), m_before(printer.pageLayout().orientation())
    {
        m_printer.setPageOrientation(orientation);
    }
    ~OrientationScope() { m_printer.setPageOrientation(m_before); }
    OrientationScope(const OrientationScope &) = delete;
    OrientationScope &operator=(const OrientationScope &) = delete;

private:
    QPrinter &m_printer;
    const QPageLayout::Orientation m_before;
};

} // namespace

int WeekSummary::rowCount() const
{
    std::size_t rows = 0;
    for (const auto &day : days)
        rows = std::max(rows, day.size());
    return static_cast<int>(rows);
}

WeekSummaryReader::WeekSummaryReader(AppData &data, const ReportParameters &parameters)
    : m_data(data), m_filter(data, parameters, kDayParticipantsWidth),
      m_dates(data.dates, DAT_DATETIME_KEY)
{
    m_week.monday = mondayOf(parameters.start);
    startDay();
}

void WeekSummaryReader::startDay()
{
    DatesRecord probe;
    probe.DATE = m_week.monday + m_day;
    m_dates.setRangeEqual(1, probe);
    m_dates.setStart();
}

bool WeekSummaryReader::fail(const Status &status, const std::string &file)
{
    m_failure = status;
    m_failedFile = file;
    m_over = true;
    m_dates.release();
    return false;
}

Status WeekSummaryReader::noteOf(std::int32_t actNumber, std::string &note)
{
    if (const auto found = m_notes.find(actNumber); found != m_notes.end()) {
        note = found->second;
        return {};
    }
    TypedCursor<PersonActRecord> participants(m_data.personAct, PER_ACTIVITY_KEY);
    PersonActRecord probe;
    probe.ACTNUMBER = actNumber;
    participants.setRangeEqual(1, probe);
    std::string first;
    int count = 0;
    Status status;
    // The first name and whether there is a second are all the note needs;
    // counting them, a "+" in a short name is never taken for "more".
    while (count < 2 && (status = participants.next()).ok())
        if (count++ == 0)
            first = trimmed(participants.record().PERSON.view());
    participants.release();
    if (!status.ok() && !status.is(ErrorCode::NoRecord))
        return status;
    note = m_notes[actNumber] = participantsText(first, count);
    return {};
}

bool WeekSummaryReader::readSlice(int reads)
{
    for (int read = 0; read < reads && !m_over; ++read) {
        const Status status = m_dates.next();
        if (status.is(ErrorCode::NoRecord)) {
            m_dates.release();
            if (++m_day == 7) {
                m_over = true;
                break;
            }
            startDay();
            continue;
        }
        if (!status.ok())
            return fail(status, "DATES");
        const DatesRecord occurrence = m_dates.record();
        bool pass = false;
        if (Status checked = m_filter.passes(occurrence.ACTNUMBER, pass); !checked.ok())
            return fail(checked, m_filter.failedFile());
        if (!pass)
            continue;
        WeekSummaryEntry entry;
        entry.start = occurrence.TIME;
        ActivityRecord activity;
        activity.ACTNUMBER = occurrence.ACTNUMBER;
        const Status found = readByKey(m_data.activity, ACT_ACTNUMBER_KEY, activity);
        if (found.ok())
            entry.name = activity.NAME.str();
        else if (!found.is(ErrorCode::RecordNotFound))
            return fail(found, "ACTIVITY");
        if (Status noted = noteOf(occurrence.ACTNUMBER, entry.note); !noted.ok())
            return fail(noted, "PERSONACT");
        m_week.days[std::size_t(m_day)].push_back(std::move(entry));
    }
    m_dates.release();
    return !m_over;
}

double WeekSummaryReader::percent() const
{
    return std::min(100.0, std::round(m_day * 1000.0 / 7.0) / 10.0);
}

PageFormat weekSummaryPageFormat(const ReportParameters &parameters, Date monday, Date printDate,
                                 QSize paper)
{
    PageFormat sheet;
    sheet.paper = paper;
    sheet.body = QRect(500, 802, 10000, 6688);
    sheet.headerAt = QPoint(500, 302);
    sheet.header = Band(500);
    sheet.header.text(10, 10, 521, 177, QStringLiteral("Printed:"), arial(8))
        .text(531, 10, 958, 177, fromStd(formatDate(printDate, "D3")), arial(8))
        .text(2906, 10, 3208, 250, QStringLiteral("Weekly Summary Calendar For "), arial(14, true))
        .text(6135, 10, 1552, 250, reportText(forWhomText(parameters), 10), arial(14, true))
        .pageNumber(9198, 73, 240, 198, QStringLiteral("n2"), arial(8));
    for (int day = 0; day < 7; ++day) {
        sheet.header.text(kHeadingX[day], 313, 650, 208, QString::fromLatin1(kHeadings[day]),
                          arial(10, true));
        const std::string caption = formatDate(monday + day, "D3");
        sheet.header.text(kCaptionX[day], 344, 580, 177, reportText(caption, 6), arial(8));
    }
    // The grid's lines are placed from the form's origin and drawn whole,
    // the bottom line below the form's nominal height included.
    sheet.formAt = QPoint(500, 302);
    sheet.form = Band(7198);
    for (int y : {302, 500, 7490})
        sheet.form.line(0, y, 9698, y);
    for (int x : kGridX)
        sheet.form.line(x, 302, x, 302 + 7188);
    return sheet;
}

QList<QPicture> weekSummaryPages(const WeekSummary &week, const ReportParameters &parameters,
                                 Date printDate, QSize paper)
{
    const int rows = week.rowCount();
    if (rows == 0)
        return {};
    BandLayout layout(weekSummaryPageFormat(parameters, week.monday, printDate, paper));
    for (int row = 0; row < rows; ++row) {
        std::array<const WeekSummaryEntry *, 7> cells{};
        for (int day = 0; day < 7; ++day)
            if (std::size_t(row) < week.days[std::size_t(day)].size())
                cells[std::size_t(day)] = &week.days[std::size_t(day)][std::size_t(row)];
        layout.add(gridRow(cells));
    }
    return layout.finish();
}

QList<QPicture> weekSummaryPages(AppData &data, const ReportParameters &parameters, Date printDate,
                                 QSize paper, std::string *failedFile)
{
    WeekSummaryReader reader(data, parameters);
    while (reader.readSlice()) {
    }
    if (failedFile)
        *failedFile = reader.failedFile();
    if (!reader.failedFile().empty())
        return {};
    return weekSummaryPages(reader.week(), parameters, printDate, paper);
}

void runWeekSummary(AppContext &context, int copies)
{
    SharedGlobals &globals = context.globals;
    globals.response = RequestCancelled;
    const Date printDate = context.clock.today();
    globals.Calstart = mondayOf(globals.Calstart);
    const ReportParameters parameters = ReportParameters::from(globals);
    AppData &data = context.data;
    const ReportFiles files(data, context.prompter);
    if (!files.ok())
        return;

    WeekSummaryReader reader(data, parameters);
    ProgressTexts texts;
    texts.title = QStringLiteral("Printing Report");
    texts.startText = QStringLiteral("0.0% Completed");
    texts.picture = "N5.1";
    ReportProgress progress([&] { return reader.readSlice(); }, [&] { return reader.percent(); },
                            texts);
    const bool completed = progress.exec() == QDialog::Accepted;
    if (!reader.failedFile().empty()) {
        showWarning(context.prompter, WarningKind::RecordRetrievalError, reader.failure(),
                    reader.failedFile());
        return;
    }
    if (!completed)
        return;
    QPrinter &printer = context.printer();
    const OrientationScope landscape(printer, QPageLayout::Landscape);
    const QList<QPicture> pages = weekSummaryPages(
        reader.week(), parameters, printDate, reportPaper(printer, PageOrientation::Landscape));
    if (pages.isEmpty() || printReport(context, pages, copies))
        globals.response = RequestCompleted;
}

void WEEKSUMM(AppContext &context)
{
    runWeekSummary(context, requestedCopies(context));
}

void weekSummaryForToday(AppContext &context)
{
    context.globals.CalWho = "Everyone";
    context.globals.Calstart = context.clock.today();
    WEEKSUMM(context);
}

} // namespace korvalen
