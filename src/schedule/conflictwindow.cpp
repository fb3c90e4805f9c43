#include "schedule/conflictwindow.h"

#include "runtime/pictures.h"
#include "storage/cursor.h"
#include "storage/openfile.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"
#include "ui/browselist.h"
#include "ui/formkit.h"
#include "ui/listview.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace korvalen {

using namespace keys;

namespace {

struct Decision
{
    const char *text;
    const char *tip;
};

// In the order of ConflictChoice.
constexpr std::array<Decision, 5> kDecisions = {{
    {"Accept This Conflict", "Accept the conflict and continue"},
    {"Accept All Conflicts", "Schedule all the activity dates regardless of conflicts"},
    {"Skip This Date", "Don't schedule for this date, but continue for future dates"},
    {"Stop, Save Accepted", "Stop scheduling, but keep all of the activites scheduled so far"},
    {"Cancel, Erase Accepted", "Stop scheduling and remove all occurrences accepted so far."},
}};

// The least width of a decision button, in dialog units.
constexpr int kButtonWidth = 92;
// The people list shows this many rows without scrolling.
constexpr int kListRows = 6;

std::string shown(const char *picture, std::int64_t value)
{
    return Picture::parse(picture)->format(value);
}

std::string shownText(const char *picture, std::string_view text)
{
    return Picture::parse(picture)->formatText(text);
}

std::size_t indexOf(ConflictChoice choice)
{
    return static_cast<std::size_t>(choice);
}

} // namespace

ConflictWindow::ConflictWindow(AppContext &context, const Collision &collision, bool seriesCheck,
                               QWidget *parent)
    : QDialog(parent), m_context(context), m_collision(collision), m_seriesCheck(seriesCheck),
      m_keptPersonAct(context.data.PER)
{
    setWindowTitle(tr("Activity Conflict"));
    setFont(dialogFont());
    AppData &data = context.data;
    for (DataFile *file : {&data.activity, &data.dates, &data.personAct})
        m_uses.push_back(std::make_unique<FileUse>(*file, context.prompter));
    createControls();
    showCollision();
    if (m_collision.specialPeriod)
        return;
    // A failure has been shown by the list (kind 35 or 36); the window
    // stays, so that the collision is still decided by the user.
    (void)m_people->browse().open();
    // Back from the help or another window, the list shows what changed.
    m_focusRefresh = refreshOnFocusRegained(*this, [this] { m_people->browse().refresh(); });
}

ConflictWindow::~ConflictWindow()
{
    disconnect(m_focusRefresh);
    // The list reads into the PERSONACT buffer; it is closed before the
    // buffer is put back, and its files released after.
    (void)m_people->browse().close();
    m_context.data.PER = m_keptPersonAct;
}

void ConflictWindow::createControls()
{
    auto *heading = new QLabel(tr("The new activity conflicts with:"), this);
    m_name = new QLabel(this);
    // Room for a name of 30 characters.
    m_name->setMinimumWidth(dialogUnitsToPixels(font(), 4 * 30));
    m_date = new QLabel(this);
    m_periodTo = new QLabel(tr("to"), this);
    m_endDate = new QLabel(this);
    m_startTime = new QLabel(this);
    m_timesTo = new QLabel(tr("to"), this);
    m_endTime = new QLabel(this);
    // A name is shown as typed, never read as markup.
    for (QLabel *value : {m_name, m_date, m_endDate, m_startTime, m_endTime})
        value->setTextFormat(Qt::PlainText);
    createPeopleList();

    auto *what = new QHBoxLayout;
    what->addWidget(m_name, 1);
    for (QLabel *label : {m_date, m_periodTo, m_endDate})
        what->addWidget(label);
    auto *times = new QHBoxLayout;
    for (QLabel *label : {m_startTime, m_timesTo, m_endTime})
        times->addWidget(label);
    times->addStretch(1);
    auto *details = new QVBoxLayout;
    details->addWidget(heading);
    details->addLayout(what);
    details->addWidget(m_people, 1);
    details->addLayout(times);
    auto *layout = new QHBoxLayout(this);
    layout->setSpacing(dialogUnitsToPixels(font(), 8));
    layout->addLayout(details, 1);
    layout->addWidget(createButtons(), 0, Qt::AlignTop);
}

void ConflictWindow::createPeopleList()
{
    BrowseConfig config;
    config.file = &m_context.data.personAct;
    config.key = PER_ACTIVITY_KEY;
    config.keyField = numberKeyField(&PersonActRecord::ACTNUMBER);
    // Every row of the list has the same key value.
    config.thumbEndsOnly = true;
    const std::int32_t activity = m_collision.activity.ACTNUMBER;
    config.range = [activity](Cursor &cursor) {
        PersonActRecord pinned;
        pinned.ACTNUMBER = activity;
        cursor.setRangeEqual(1, &pinned);
    };
    config.columns = {textColumn("People For Activity", 60, "s10", &PersonActRecord::PERSON)};
    m_people = new BrowseList(m_context, std::move(config), this);
    const QString tip = tr("People involved with activity");
    m_people->setToolTip(tip);
    m_people->table()->setToolTip(tip);
    const int rowHeight = m_people->table()->verticalHeader()->defaultSectionSize();
    m_people->setMinimumHeight(m_people->table()->horizontalHeader()->sizeHint().height() +
                               2 * m_people->table()->frameWidth() + kListRows * rowHeight);
}

QWidget *ConflictWindow::createButtons()
{
    auto *box = new QWidget(this);
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    for (std::size_t i = 0; i < kDecisions.size(); ++i) {
        auto *button = new QPushButton(tr(kDecisions[i].text), box);
        button->setToolTip(tr(kDecisions[i].tip));
        const auto choice = static_cast<ConflictChoice>(i);
        connect(button, &QPushButton::clicked, this, [this, choice] { decide(choice); });
        column->addWidget(button);
        m_decisions[i] = button;
    }
    // Skipping or stopping means something only between several dates.
    for (ConflictChoice choice : {ConflictChoice::Skip, ConflictChoice::Stop})
        decisionButton(choice)->setEnabled(m_seriesCheck);
    m_help = new QPushButton(tr("Help"), box);
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_context.showHelp)
            m_context.showHelp("~CONFLICTDEAL");
    });
    column->addSpacing(dialogUnitsToPixels(font(), 6));
    column->addWidget(m_help);
    // One width for the column, never less than the longest text needs.
    int width = dialogUnitsToPixels(font(), kButtonWidth);
    for (QPushButton *button : m_decisions)
        width = std::max(width, button->sizeHint().width());
    for (QPushButton *button : m_decisions)
        button->setMinimumWidth(width);
    m_help->setMinimumWidth(width);
    QPushButton *accept = decisionButton(ConflictChoice::Accept);
    accept->setDefault(true);
    accept->setFocus();
    return box;
}

void ConflictWindow::showCollision()
{
    const bool special = m_collision.specialPeriod;
    if (special) {
        const SpecialRecord &period = m_collision.period;
        m_name->setText(qs(shownText("s20", period.DESCRIPTION.view())));
        m_date->setText(qs(shown("D3B", period.STARTDATE)));
        m_endDate->setText(qs(shown("D3B", period.ENDDATE)));
    } else {
        const DatesRecord &occurrence = m_collision.occurrence;
        m_name->setText(qs(shownText("s30", m_collision.activity.NAME.view())));
        m_date->setText(qs(shown("D3B", occurrence.DATE)));
        m_startTime->setText(qs(shown("T3B", occurrence.TIME)));
        m_endTime->setText(qs(shown("T3B", occurrence.ENDTIME)));
    }
    for (QWidget *periodOnly : std::initializer_list<QWidget *>{m_periodTo, m_endDate})
        periodOnly->setVisible(special);
    for (QWidget *activityOnly :
         std::initializer_list<QWidget *>{m_people, m_startTime, m_timesTo, m_endTime})
        activityOnly->setVisible(!special);
}

QPushButton *ConflictWindow::decisionButton(ConflictChoice choice) const
{
    return m_decisions.at(indexOf(choice));
}

void ConflictWindow::decide(ConflictChoice choice)
{
    if (!decisionButton(choice)->isEnabled())
        return;
    m_choice = choice;
    done(QDialog::Accepted);
}

std::optional<ConflictChoice> ConflictWindow::run()
{
    m_choice.reset();
    decisionButton(ConflictChoice::Accept)->setFocus();
    exec();
    return m_choice;
}

std::optional<ConflictChoice> CONFLDISP(AppContext &context, const Collision &collision,
                                        bool seriesCheck, QWidget *parent)
{
    ConflictWindow window(context, collision, seriesCheck,
                          parent ? parent : QApplication::activeWindow());
    return window.run();
}

ConflictWindowHost::ConflictWindowHost(AppContext &context, QWidget *parent)
    : m_context(context), m_parent(parent)
{
}

std::optional<ConflictChoice> ConflictWindowHost::show(const Collision &collision, bool seriesCheck)
{
    return CONFLDISP(m_context, collision, seriesCheck, m_parent.data());
}

void ConflictWindowHost::readFailed(std::string_view fileName, const Status &status)
{
    if (m_failureShown)
        return;
    m_failureShown = true;
    showWarning(m_context.prompter, WarningKind::RecordRetrievalError, status, fileName);
}

// ---------------------------------------------------------------------------
// Pictures

namespace {

// The first activity of the data with its first occurrence, or a sample one
// whose people are added to PERSONACT.
void sampleActivity(AppContext &context, Collision &collision)
{
    AppData &data = context.data;
    FileUse activities(data.activity, context.prompter);
    FileUse dates(data.dates, context.prompter);
    FileUse people(data.personAct, context.prompter);
    data.activity.set(ACT_ACTNUMBER_KEY);
    if (data.activity.next().ok()) {
        collision.activity = data.ACT;
        data.DAT = {};
        data.DAT.ACTNUMBER = data.ACT.ACTNUMBER;
        data.dates.setAt(DAT_ACTNUMBER_KEY);
        if (data.dates.next().ok() && data.DAT.ACTNUMBER == data.ACT.ACTNUMBER)
            collision.occurrence = data.DAT;
    } else {
        collision.activity.ACTNUMBER = 1;
        collision.activity.NAME = "Piano lesson at the music school";
        for (const char *person : {"Anna", "Ben", "Carla"}) {
            data.PER.ACTNUMBER = 1;
            data.PER.PERSON = person;
            (void)data.personAct.add();
        }
    }
    if (collision.occurrence.DATE == 0) {
        collision.occurrence.ACTNUMBER = collision.activity.ACTNUMBER;
        collision.occurrence.DATE = context.clock.today();
        collision.occurrence.TIME = 16 * kHundredthsPerHour + 1;
        collision.occurrence.ENDTIME = 17 * kHundredthsPerHour + 1;
    }
    data.activity.cursor().release();
    data.dates.cursor().release();
}

void samplePeriod(AppContext &context, Collision &collision)
{
    AppData &data = context.data;
    FileUse periods(data.special, context.prompter);
    data.special.set(SPE_DATE_KEY);
    if (data.special.next().ok()) {
        collision.period = data.SPE;
    } else {
        const Date today = context.clock.today();
        collision.period = {today - 2, today + 5, "Autumn holidays"};
    }
    data.special.cursor().release();
}

} // namespace

bool renderConflictWindow(AppContext &context, const QString &png, bool specialPeriod)
{
    AppData &data = context.data;
    BufferKeeper keepActivity(data.ACT);
    BufferKeeper keepDates(data.DAT);
    BufferKeeper keepPeople(data.PER);
    BufferKeeper keepPeriod(data.SPE);
    Collision collision;
    collision.specialPeriod = specialPeriod;
    if (specialPeriod)
        samplePeriod(context, collision);
    else
        sampleActivity(context, collision);
    ConflictWindow window(context, collision, true);
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    QApplication::processEvents();
    const bool saved = window.grab().save(png, "PNG");
    window.hide();
    return saved;
}

} // namespace korvalen
