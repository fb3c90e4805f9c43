#include "reports/reportrun.h"

#include "reports/bandlayout.h"
#include "runtime/pictures.h"
#include "storage/openfile.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"
#include "ui/reportpreview.h"

#include <QLabel>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace korvalen {

using namespace keys;

namespace {

std::string trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text);
}

} // namespace

ReportFiles::ReportFiles(AppData &data, Prompter &prompter, bool withGroup)
{
    for (DataFile *file : {&data.activity, &data.dates, withGroup ? &data.group : nullptr,
                           &data.groupPeople, &data.personAct}) {
        if (file)
            m_uses.push_back(std::make_unique<FileUse>(*file, prompter));
    }
}

ReportFiles::~ReportFiles() = default;

bool ReportFiles::ok() const
{
    return std::all_of(m_uses.begin(), m_uses.end(),
                       [](const auto &use) { return use->status().ok(); });
}

ReportParameters ReportParameters::from(const SharedGlobals &globals)
{
    ReportParameters parameters;
    parameters.start = globals.Calstart;
    parameters.end = globals.CalEnd;
    parameters.who = globals.CalWho;
    parameters.person = globals.CalPerson;
    parameters.group = globals.CalGroup;
    parameters.notes = globals.CalNotes == 1;
    return parameters;
}

std::string forWhomText(const ReportParameters &parameters)
{
    if (parameters.who == "Everyone")
        return "Everyone";
    if (parameters.isPerson())
        return parameters.person.str();
    if (parameters.isGroup())
        return parameters.group.str();
    return {};
}

std::string weekdayText(Date date)
{
    return std::string(weekdayName(weekdayOf(date)));
}

std::string joinParticipants(const std::vector<std::string> &names, std::size_t width)
{
    std::string text;
    for (const std::string &name : names) {
        if (!text.empty())
            text += ", ";
        text += name;
        if (utf8Length(text) >= width)
            break;
    }
    return std::string(utf8Prefix(text, width));
}

WhoFilter::WhoFilter(AppData &data, const ReportParameters &parameters, std::size_t width)
    : m_data(data), m_parameters(parameters), m_width(width)
{
}

Status WhoFilter::passes(std::int32_t actNumber, bool &pass)
{
    const Answer *answer = nullptr;
    Status status = answerFor(actNumber, answer);
    pass = status.ok() && answer->pass;
    return status;
}

Status WhoFilter::participantsText(std::int32_t actNumber, std::string &text)
{
    const Answer *answer = nullptr;
    Status status = answerFor(actNumber, answer);
    text = status.ok() ? answer->text : std::string();
    return status;
}

// The group's members, once per run: the group as stored (looked up
// without regard to letter case; the name as typed when there is none),
// then its membership records that name it exactly.
Status WhoFilter::loadMembers()
{
    GroupRecord group;
    group.GROUP = m_parameters.group;
    Status status = readByKey(m_data.group, GRO_GROUP_KEY, group);
    if (!status.ok() && !status.is(ErrorCode::RecordNotFound)) {
        m_failedFile = "GROUP";
        return status;
    }
    TypedCursor<GroupPeopleRecord> members(m_data.groupPeople, GRP_GROUP_KEY);
    GroupPeopleRecord probe;
    probe.GROUP = group.GROUP;
    members.setRangeEqual(1, probe);
    while ((status = members.next()).ok())
        if (members.record().GROUP == group.GROUP)
            ++m_memberships[members.record().PEOPLE.str()];
    members.release();
    if (!status.is(ErrorCode::NoRecord)) {
        m_failedFile = "GROUPPEOPLE";
        return status;
    }
    m_membersLoaded = true;
    return {};
}

Status WhoFilter::answerFor(std::int32_t actNumber, const Answer *&answer)
{
    if (const auto found = m_answers.find(actNumber); found != m_answers.end()) {
        answer = &found->second;
        return {};
    }
    if (m_parameters.isGroup() && !m_membersLoaded) {
        if (Status status = loadMembers(); !status.ok())
            return status;
    }
    TypedCursor<PersonActRecord> participants(m_data.personAct, PER_ACTIVITY_KEY);
    PersonActRecord probe;
    probe.ACTNUMBER = actNumber;
    participants.setRangeEqual(1, probe);
    ++m_participantReads;
    Answer result;
    result.pass = !m_parameters.isPerson() && !m_parameters.isGroup();
    std::vector<std::string> names;
    Status status;
    while ((status = participants.next()).ok()) {
        const Text<10> &person = participants.record().PERSON;
        if (m_parameters.isPerson()) {
            result.pass = result.pass || person == m_parameters.person;
        } else if (m_parameters.isGroup()) {
            const auto member = m_memberships.find(person.str());
            const int times = member == m_memberships.end() ? 0 : member->second;
            result.pass = result.pass || times > 0;
            names.insert(names.end(), std::size_t(times), trimmed(person.padded()));
        } else {
            names.push_back(trimmed(person.padded()));
        }
    }
    participants.release();
    if (!status.is(ErrorCode::NoRecord)) {
        m_failedFile = "PERSONACT";
        return status;
    }
    result.text = joinParticipants(names, m_width);
    answer = &(m_answers[actNumber] = std::move(result));
    return {};
}

PeriodReader::PeriodReader(AppData &data, const ReportParameters &parameters,
                           std::size_t participantsWidth)
    : m_data(data), m_parameters(parameters), m_filter(data, parameters, participantsWidth),
      m_counter(data.dates, DAT_DATETIME_KEY), m_dates(data.dates, DAT_DATETIME_KEY)
{
    DatesRecord first;
    first.DATE = parameters.start;
    DatesRecord last;
    last.DATE = parameters.end;
    m_counter.setRangeBetween(1, first, last);
    m_dates.setRangeBetween(1, first, last);
}

bool PeriodReader::fail(const Status &status, const std::string &file)
{
    m_failure = status;
    m_failedFile = file;
    m_over = true;
    m_counter.release();
    m_dates.release();
    return false;
}

void PeriodReader::countSlice(int reads)
{
    for (int i = 0; i < reads; ++i) {
        const Status status = m_counter.next();
        if (status.is(ErrorCode::NoRecord)) {
            m_total = m_datesReads; // every read so far was a count
            break;
        }
        if (!status.ok()) {
            fail(status, "DATES");
            return;
        }
        ++m_datesReads;
    }
    m_counter.release();
}

bool PeriodReader::readSlice(const std::function<void(const ReportLine &)> &print,
                             SliceLimits limits)
{
    if (m_over)
        return false;
    if (m_total < 0) {
        // Counting reads only the key's pages, so a slice takes many more.
        countSlice(limits.reads * 10);
        return !m_over;
    }
    int passing = 0;
    for (int reads = 0; reads < limits.reads && passing < limits.passing; ++reads) {
        const Status status = m_dates.next();
        if (status.is(ErrorCode::NoRecord)) {
            m_over = true;
            break;
        }
        if (!status.ok())
            return fail(status, "DATES");
        ++m_datesReads;
        ++m_read;
        const DatesRecord &occurrence = m_dates.record();
        bool pass = false;
        if (Status checked = m_filter.passes(occurrence.ACTNUMBER, pass); !checked.ok())
            return fail(checked, m_filter.failedFile());
        if (!pass)
            continue;
        ReportLine line;
        line.occurrence = occurrence;
        line.activity.ACTNUMBER = occurrence.ACTNUMBER;
        Status read = readByKey(m_data.activity, ACT_ACTNUMBER_KEY, line.activity);
        if (read.is(ErrorCode::RecordNotFound))
            line.activity = ActivityRecord{};
        else if (!read.ok())
            return fail(read, "ACTIVITY");
        (void)m_filter.participantsText(occurrence.ACTNUMBER, line.participants);
        ++passing;
        ++m_passed;
        print(line);
    }
    m_dates.release();
    return !m_over;
}

int PeriodReader::percent() const
{
    if (m_total < 0)
        return m_over ? 100 : 0;
    if (m_over || m_total == 0)
        return 100;
    return static_cast<int>(std::min<std::int64_t>(100, m_read * 100 / m_total));
}

QList<QPicture> renderPeriod(PeriodReader &reader, ReportWriter &writer, std::string *failedFile,
                             Status *failure)
{
    const auto print = [&writer](const ReportLine &line) { writer.print(line); };
    while (reader.readSlice(print)) {
    }
    if (failedFile)
        *failedFile = reader.failedFile();
    if (failure)
        *failure = reader.failure();
    if (reader.passed() == 0)
        return {};
    return writer.finish();
}

ReportProgress::ReportProgress(std::function<bool()> slice, std::function<double()> percent,
                               ProgressTexts texts, QWidget *parent)
    : QDialog(parent), m_slice(std::move(slice)), m_percent(std::move(percent)),
      m_texts(std::move(texts))
{
    setWindowTitle(m_texts.title);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    auto *empty = new QLabel(this);
    m_completed = new QLabel(m_texts.startText, this);
    m_completed->setAlignment(Qt::AlignCenter);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(empty);
    layout->addWidget(m_completed);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) * 2 + 120);

    m_timer = new QTimer(this);
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &ReportProgress::step);
    connect(m_cancel, &QPushButton::clicked, this, &ReportProgress::reject);
    connect(this, &QDialog::finished, m_timer, &QTimer::stop);
    m_timer->start();
}

QString ReportProgress::completedText() const
{
    return m_completed->text();
}

void ReportProgress::step()
{
    const bool more = m_slice();
    show(m_percent());
    if (!more) {
        m_timer->stop();
        accept();
    }
}

void ReportProgress::show(double percent)
{
    if (percent == m_shown)
        return;
    m_shown = percent;
    const std::optional<Picture> picture = Picture::parse(m_texts.picture);
    const std::string number = picture ? picture->formatNumber(percent) : std::to_string(percent);
    m_completed->setText(QString::fromStdString(number) + QStringLiteral("% Completed"));
    m_bar->setValue(static_cast<int>(std::lround(percent)));
}

bool printReport(AppContext &context, const QList<QPicture> &pages, int copies)
{
    QPrinter &printer = context.printer();
    copies = std::max(copies, 1);
    QList<QPicture> sheets = pages;
    const int copiesBefore = printer.copyCount();
    // A PDF file has no copy count of its own: its pages are repeated.
    if (printer.outputFormat() == QPrinter::PdfFormat || !printer.supportsMultipleCopies()) {
        for (int copy = 1; copy < copies; ++copy)
            sheets.append(pages);
    } else {
        printer.setCopyCount(copies);
    }
    const bool printed = printPages(printer, sheets);
    printer.setCopyCount(copiesBefore);
    if (!printed) {
        MessageBoxRequest box;
        box.caption = "Print Error";
        box.text =
            "The report could not be printed on " +
            (printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName().toStdString()
                                                           : printer.printerName().toStdString()) +
            ".";
        box.icon = MessageIcon::Exclamation;
        context.prompter.message(box);
    }
    return printed;
}

void runPreviewReport(AppContext &context, const PreviewReport &report, int copies)
{
    SharedGlobals &globals = context.globals;
    globals.response = RequestCancelled;
    ReportParameters parameters = ReportParameters::from(globals);
    if (report.adjustParameters)
        report.adjustParameters(parameters);
    const Date printDate = context.clock.today();
    AppData &data = context.data;
    const ReportFiles files(data, context.prompter);
    if (!files.ok())
        return;

    PeriodReader reader(data, parameters, report.participantsWidth);
    const std::unique_ptr<ReportWriter> writer = report.makeWriter(
        parameters, printDate, reportPaper(context.printer(), PageOrientation::Portrait));
    const auto print = [&writer](const ReportLine &line) { writer->print(line); };
    ReportProgress progress([&] { return reader.readSlice(print); },
                            [&] { return double(reader.percent()); });
    const bool completed = progress.exec() == QDialog::Accepted;
    if (!reader.failedFile().empty())
        showWarning(context.prompter, WarningKind::RecordRetrievalError, reader.failure(),
                    reader.failedFile());
    if (!completed || reader.passed() == 0)
        return;
    const QList<QPicture> pages = writer->finish();
    if (REPORTPREVIEW(context, pages) && printReport(context, pages, copies))
        globals.response = RequestCompleted;
}

} // namespace korvalen
