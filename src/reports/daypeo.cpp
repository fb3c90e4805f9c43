#include "reports/daypeo.h"

#include "reports/calendaroptions.h"
#include "reports/dayport.h"
#include "runtime/pictures.h"
#include "storage/openfile.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"

#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace korvalen {

using namespace keys;

namespace {

ReportFont font(const char *family, int points, bool bold = false, bool italic = false)
{
    return ReportFont{QString::fromLatin1(family), points, bold, italic};
}

QString fromStd(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The empty band before each person and after the last: a line's space.
constexpr int kSpacerHeight = 208;

// The membership records of the group exactly as typed, per member.
Status membersOf(AppData &data, const Text<10> &group, std::map<std::string, int> &members)
{
    TypedCursor<GroupPeopleRecord> cursor(data.groupPeople, GRP_GROUP_KEY);
    GroupPeopleRecord probe;
    probe.GROUP = group;
    cursor.setRangeEqual(1, probe);
    Status status;
    while ((status = cursor.next()).ok())
        if (cursor.record().GROUP == group) // the key itself ignores letter case
            ++members[cursor.record().PEOPLE.str()];
    cursor.release();
    return status.is(ErrorCode::NoRecord) ? Status() : status;
}

Status participantsOf(AppData &data, std::int32_t actNumber, std::vector<Text<10>> &people)
{
    TypedCursor<PersonActRecord> cursor(data.personAct, PER_ACTIVITY_KEY);
    PersonActRecord probe;
    probe.ACTNUMBER = actNumber;
    cursor.setRangeEqual(1, probe);
    Status status;
    while ((status = cursor.next()).ok())
        people.push_back(cursor.record().PERSON);
    cursor.release();
    return status.is(ErrorCode::NoRecord) ? Status() : status;
}

} // namespace

std::string dayPeopleForWhom(const ReportParameters &parameters)
{
    return parameters.isPerson() ? std::string() : forWhomText(parameters);
}

Status gatherDayPeople(AppData &data, const ReportParameters &parameters,
                       std::vector<DayPeopleEntry> &entries, std::string &failedFile)
{
    entries.clear();
    std::map<std::string, int> members;
    if (parameters.isGroup()) {
        if (Status status = membersOf(data, parameters.group, members); !status.ok()) {
            failedFile = "GROUPPEOPLE";
            return status;
        }
    }
    TypedCursor<DatesRecord> dates(data.dates, DAT_DATETIME_KEY);
    DatesRecord probe;
    probe.DATE = parameters.start;
    dates.setRangeEqual(1, probe);
    std::vector<DatesRecord> day;
    Status status;
    while ((status = dates.next()).ok())
        day.push_back(dates.record());
    dates.release();
    if (!status.is(ErrorCode::NoRecord)) {
        failedFile = "DATES";
        return status;
    }
    for (const DatesRecord &occurrence : day) {
        std::vector<Text<10>> people;
        if (status = participantsOf(data, occurrence.ACTNUMBER, people); !status.ok()) {
            failedFile = "PERSONACT";
            return status;
        }
        ActivityRecord activity;
        activity.ACTNUMBER = occurrence.ACTNUMBER;
        if (!people.empty()) {
            status = readByKey(data.activity, ACT_ACTNUMBER_KEY, activity);
            if (status.is(ErrorCode::RecordNotFound)) {
                activity = ActivityRecord{};
            } else if (!status.ok()) {
                failedFile = "ACTIVITY";
                return status;
            }
        }
        for (const Text<10> &person : people) {
            int times = 1;
            if (parameters.isGroup()) {
                const auto member = members.find(person.str());
                times = member == members.end() ? 0 : member->second;
            }
            for (int i = 0; i < times; ++i)
                entries.push_back({person, occurrence.TIME, occurrence.ENDTIME,
                                   occurrence.ACTNUMBER, activity.NAME.str(), activity.NOTES.text});
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const DayPeopleEntry &a, const DayPeopleEntry &b) {
                         return std::tie(a.person, a.start, a.end, a.actNumber) <
                                std::tie(b.person, b.start, b.end, b.actNumber);
                     });
    return {};
}

PageFormat DayPeopleWriter::pageFormatFor(const ReportParameters &parameters, Date printDate,
                                          QSize paper)
{
    PageFormat sheet;
    sheet.paper = paper;
    sheet.body = QRect(1000, 1302, 6000, 8198);
    sheet.headerAt = QPoint(1000, 500);
    sheet.header = Band(563);
    sheet.header
        .text(1594, 10, 1844, 208, QStringLiteral("DAY Calendar For"), font("MS Serif", 14, true))
        .text(3656, 10, 1552, 208, reportText(dayPeopleForWhom(parameters), 10),
              font("MS Serif", 14, true))
        .text(1875, 313, 1354, 208, reportText(weekdayText(parameters.start), 9),
              font("Arial", 14, true))
        .text(3302, 344, 1615, 208, fromStd(formatDate(parameters.start, "D3")),
              font("MS Serif", 14, true));
    sheet.footerAt = QPoint(1000, 9500);
    sheet.footer = Band(469);
    sheet.footer.text(0, 208, 729, 208, QStringLiteral("Printed on:"), font("Arial", 10))
        .text(833, 208, 938, 208, fromStd(formatDate(printDate, "D3")), font("Arial", 10))
        .pageNumber(5625, 208, 313, 208, QStringLiteral("N3"), font("Arial", 10));
    return sheet;
}

DayPeopleWriter::DayPeopleWriter(const ReportParameters &parameters, Date printDate, QSize paper)
    : m_layout(pageFormatFor(parameters, printDate, paper)), m_notes(parameters.notes)
{
}

void DayPeopleWriter::print(const DayPeopleEntry &entry)
{
    if (m_lastPerson != entry.person) {
        m_lastPerson = entry.person;
        m_layout.add(Band(kSpacerHeight));
        Band heading(208);
        heading.text(0, 52, 1302, 208, reportText(entry.person.view(), 10), font("Arial", 10, true))
            .keepWithNext();
        m_layout.add(heading);
    }
    Band line(208);
    line.text(313, 52, 750, 208, reportTime(entry.start), font("Arial", 10, true))
        .text(1042, 52, 688, 208, reportTime(entry.end), font("Arial", 10, true))
        .text(1729, 52, 4271, 208, reportText(entry.name, 50), font("Arial", 10));
    m_layout.add(line);
    if (m_notes) {
        Band notes;
        notes.growingText(1771, 0, 4208, fromStd(entry.notes), font("Arial", 10, false, true));
        m_layout.add(notes);
    }
}

QList<QPicture> DayPeopleWriter::finish()
{
    m_layout.add(Band(kSpacerHeight));
    return m_layout.finish();
}

QList<QPicture> dayPeoplePages(AppData &data, const ReportParameters &parameters, Date printDate,
                               QSize paper, std::string *failedFile)
{
    std::vector<DayPeopleEntry> entries;
    std::string failed;
    const Status status = gatherDayPeople(data, parameters, entries, failed);
    if (failedFile)
        *failedFile = failed;
    if (!status.ok())
        return {};
    DayPeopleWriter writer(parameters, printDate, paper);
    for (const DayPeopleEntry &entry : entries)
        writer.print(entry);
    return writer.finish();
}

void runDayPeople(AppContext &context, int copies)
{
    SharedGlobals &globals = context.globals;
    globals.response = RequestCancelled;
    const Date printDate = context.clock.today();
    const ReportParameters parameters = ReportParameters::from(globals);
    AppData &data = context.data;
    // The group is compared as typed: GROUP itself is not read.
    const ReportFiles files(data, context.prompter, false);
    if (!files.ok())
        return;

    QPrinter &printer = context.printer();
    DayPeopleWriter writer(parameters, printDate, reportPaper(printer, PageOrientation::Portrait));
    std::vector<DayPeopleEntry> entries;
    std::string failedFile;
    Status failure;
    bool gathered = false;
    std::size_t printed = 0;
    // The first slice gathers the day; the next ones lay out 25 entries each.
    const auto slice = [&] {
        if (!gathered) {
            gathered = true;
            failure = gatherDayPeople(data, parameters, entries, failedFile);
            return failure.ok();
        }
        for (int i = 0; i < 25 && printed < entries.size(); ++i)
            writer.print(entries[printed++]);
        return printed < entries.size();
    };
    const auto percent = [&] {
        if (!gathered)
            return 0.0;
        if (entries.empty())
            return 100.0;
        return std::round(double(printed) * 1000.0 / double(entries.size())) / 10.0;
    };
    ProgressTexts texts;
    texts.title = QStringLiteral("Printing Report");
    texts.startText = QStringLiteral("0.0% Completed");
    texts.picture = "N5.1";
    ReportProgress progress(slice, percent, texts);
    const bool completed = progress.exec() == QDialog::Accepted;
    if (!failedFile.empty()) {
        showWarning(context.prompter, WarningKind::RecordRetrievalError, failure, failedFile);
        return;
    }
    if (!completed)
        return;
    const QPageLayout::Orientation before = printer.pageLayout().orientation();
    printer.setPageOrientation(QPageLayout::Portrait);
    if (printReport(context, writer.finish(), copies))
        globals.response = RequestCompleted;
    printer.setPageOrientation(before);
}

void DAYPEO(AppContext &context)
{
    runDayPeople(context, requestedCopies(context));
}

} // namespace korvalen
