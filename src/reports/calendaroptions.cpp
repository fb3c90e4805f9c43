#include "reports/calendaroptions.h"

#include "runtime/pictures.h"
#include "storage/openfile.h"
#include "storage/table.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"
#include "ui/formkit.h"
#include "ui/listview.h"
#include "ui/pickdate.h"
#include "ui/procedures.h"
#include "ui/statusline.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <map>

namespace korvalen {

using namespace keys;

namespace {

const char *const kHelpTopic = "~CALOPTDIAL";
constexpr int kChoiceCount = 5;

const Picture &datePicture()
{
    static const Picture picture = *Picture::parse("D3B");
    return picture;
}

QString shownAsDate(Date date)
{
    return qs(datePicture().format(date));
}

// The copy count of the report procedure each program context is running
// from its options window. A report runs in the window's flow, so the count
// lives exactly as long as that call.
std::map<const AppContext *, int> &copiesInFlight()
{
    static std::map<const AppContext *, int> counts;
    return counts;
}

class CopiesHandOff
{
public:
    CopiesHandOff(const AppContext &context, int copies) : m_context(&context)
    {
        std::map<const AppContext *, int> &counts = copiesInFlight();
        if (auto it = counts.find(m_context); it != counts.end())
            m_previous = it->second;
        counts[m_context] = copies;
    }
    ~CopiesHandOff()
    {
        if (m_previous)
            copiesInFlight()[m_context] = m_previous;
        else
            copiesInFlight().erase(m_context);
    }
    CopiesHandOff(const CopiesHandOff &) = delete;
    CopiesHandOff &operator=(const CopiesHandOff &) = delete;

private:
    const AppContext *m_context;
    int m_previous = 0;
};

void setTips(QWidget *widget, const QString &tip, const QString &message)
{
    widget->setToolTip(tip);
    widget->setStatusTip(message);
}

// A focus the user moved: the look-up of a name entry opens its browse only
// then, never when the focus comes back from the browse it opened.
bool isUserFocus(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
}

} // namespace

const char *calendarChoiceText(CalendarChoice choice)
{
    switch (choice) {
    case CalendarChoice::Day:
        return "Day";
    case CalendarChoice::DayByPeople:
        return "Day by People";
    case CalendarChoice::Week:
        return "Week";
    case CalendarChoice::WeekSummary:
        return "Week - Summary";
    case CalendarChoice::FlexiblePeriod:
        return "Flexible Period -";
    }
    return "";
}

const char *calendarProcedure(CalendarChoice choice)
{
    switch (choice) {
    case CalendarChoice::Day:
        return "DAYPORT";
    case CalendarChoice::DayByPeople:
        return "DAYPEO";
    case CalendarChoice::Week:
        return "WEEKPORT";
    case CalendarChoice::WeekSummary:
        return "WEEKSUMM";
    case CalendarChoice::FlexiblePeriod:
        return "FLEXPER";
    }
    return "";
}

int requestedCopies(const AppContext &context)
{
    const std::map<const AppContext *, int> &counts = copiesInFlight();
    auto it = counts.find(&context);
    return it == counts.end() ? 1 : it->second;
}

// ---------------------------------------------------------------------------
// Controls

CalendarOptionsWindow::CalendarOptionsWindow(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context)
{
    setWindowTitle(tr("Calendar Options"));
    setFont(boldSmallDialogFont());
    createControls();
    layOut();
    connectControls();
    // Another window, or the report just printed (the week calendars move
    // the start to its Monday), may have changed the parameters.
    m_focusRefresh = refreshOnFocusRegained(*this, [this] { redisplay(); });
}

CalendarOptionsWindow::~CalendarOptionsWindow()
{
    disconnect(m_focusRefresh);
    finishUp();
}

void CalendarOptionsWindow::createControls()
{
    // Made in the order of the focus chain.
    m_choiceBox = createChoiceBox();
    m_whoBox = createWhoBox();
    m_personBox = createLookupBox(Lookup::Person);
    m_groupBox = createLookupBox(Lookup::Group);
    createDates();
    m_notes = new QCheckBox(tr("Include Notes"), this);
    setTips(m_notes, tr("Print Activity Notes With Calendar"),
            tr("Print Activity Notes With Calendar"));
    m_copies = new QSpinBox(this);
    m_copies->setRange(1, 99);
    m_copies->setSingleStep(1);
    m_copies->setValue(1);
    m_copies->setAlignment(Qt::AlignRight);
    m_copies->installEventFilter(this);
    setTips(m_copies, tr("Enter number of copies wanted"), tr("Enter number of copies wanted"));
    createButtons();
}

QGroupBox *CalendarOptionsWindow::createChoiceBox()
{
    auto *box = new QGroupBox(tr("Period/Format"), this);
    setTips(box, tr("Select time period and format for calendar"),
            tr("Select time period and format for calendar"));
    const char *const tips[kChoiceCount][2] = {
        {"All activities in a day listed from earliest to latest start", "One day's activities"},
        {"All activities of the day grouped by person", "Day's activities grouped by person"},
        {"All activities for a week (details optional) in date/time order and portrait format ",
         "Week's activities"},
        {"All the activities for a week in landscape (summary details only) ",
         "Summary of week's activities"},
        {"Activities for a user defined period (summary only)", "User defined period "}};
    auto *column = new QVBoxLayout(box);
    for (int i = 0; i < kChoiceCount; ++i) {
        auto *radio = new QRadioButton(qs(calendarChoiceText(static_cast<CalendarChoice>(i))), box);
        setTips(radio, tr(tips[i][0]), tr(tips[i][1]));
        column->addWidget(radio);
        m_choices[i] = radio;
    }
    // Under "Flexible Period -": the two read as one name.
    auto *summary = new QLabel(tr("Summary"), box);
    const int indent = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                       style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    summary->setContentsMargins(indent, 0, 0, 0);
    column->addWidget(summary);
    column->addStretch(1);
    return box;
}

QGroupBox *CalendarOptionsWindow::createWhoBox()
{
    auto *box = new QGroupBox(tr("Who"), this);
    setTips(box, tr("Select whose activities should be covered "),
            tr("Select whose activities should be covered "));
    m_everyone = new QRadioButton(tr("Everyone"), box);
    setTips(m_everyone, tr("Everybody in Korvalen"), tr("Everyone"));
    m_personRadio = new QRadioButton(tr("Person"), box);
    setTips(m_personRadio, tr("Limit to one person"), tr("One person"));
    m_groupRadio = new QRadioButton(tr("Group"), box);
    setTips(m_groupRadio, tr("Limit to members of a Group list"), tr("One Group"));
    auto *column = new QVBoxLayout(box);
    for (QRadioButton *radio : {m_everyone, m_personRadio, m_groupRadio})
        column->addWidget(radio);
    column->addStretch(1);
    return box;
}

QGroupBox *CalendarOptionsWindow::createLookupBox(Lookup lookup)
{
    const bool person = lookup == Lookup::Person;
    auto *box = new QGroupBox(person ? tr("Person") : tr("Group"), this);
    auto *button = new QPushButton(QStringLiteral("..."), box);
    button->setAutoDefault(true); // Enter presses the button that has the focus
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 20);
    const QString buttonTip = person ? tr("Look up person ") : tr("Lookup Group lists");
    setTips(button, buttonTip, buttonTip);
    auto *entry = new QLineEdit(box);
    entry->setMaxLength(10);
    entry->setFixedWidth(entry->fontMetrics().horizontalAdvance(QStringLiteral("MMMMMMMMMM")));
    const QString entryTip =
        person ? tr("Enter person to be covered") : tr("Enter Group list to be covered");
    setTips(entry, entryTip, entryTip);
    entry->installEventFilter(this);
    auto *row = new QHBoxLayout(box);
    row->addWidget(button);
    row->addWidget(entry);
    row->addStretch(1);
    // The window keeps its size whichever of the two boxes shows.
    QSizePolicy policy = box->sizePolicy();
    policy.setRetainSizeWhenHidden(person);
    box->setSizePolicy(policy);
    (person ? m_personLookup : m_groupLookup) = button;
    (person ? m_personEntry : m_groupEntry) = entry;
    return box;
}

void CalendarOptionsWindow::createDates()
{
    auto dateEntry = [this](QWidget *parent, const QString &tip) {
        auto *entry = new QLineEdit(parent);
        entry->setFixedWidth(
            entry->fontMetrics().horizontalAdvance(QStringLiteral("MMM 00,00000")));
        setTips(entry, tip, tip);
        entry->installEventFilter(this);
        return entry;
    };
    auto calButton = [](QWidget *parent) {
        auto *button = new QPushButton(QStringLiteral("Cal"), parent);
        button->setAutoDefault(true);
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("Cal")) + 24);
        const QString tip = tr("Pop up calendar to select date");
        setTips(button, tip, tip);
        return button;
    };
    m_startCal = calButton(this);
    m_startEntry = dateEntry(this, tr("First day covered by calendar"));
    m_endGroup = new QWidget(this);
    m_endCal = calButton(m_endGroup);
    m_endEntry = dateEntry(m_endGroup, tr("Last day covered by calendar"));
    auto *row = new QHBoxLayout(m_endGroup);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("End Date:"), m_endGroup));
    row->addWidget(m_endCal);
    row->addWidget(m_endEntry);
    QSizePolicy policy = m_endGroup->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_endGroup->setSizePolicy(policy);
}

void CalendarOptionsWindow::createButtons()
{
    m_print = new QPushButton(tr("Print"), this);
    setTips(m_print, tr("Print the selected calendar"), tr("Print the selected calendar"));
    m_close = new QPushButton(tr("Close"), this);
    m_help = new QPushButton(tr("Help"), this);
    for (QPushButton *button : {m_print, m_close, m_help})
        button->setAutoDefault(true);
}

void CalendarOptionsWindow::layOut()
{
    auto *lookups = new QGridLayout;
    lookups->setContentsMargins(0, 0, 0, 0);
    lookups->addWidget(m_personBox, 0, 0);
    lookups->addWidget(m_groupBox, 0, 0);
    auto *right = new QVBoxLayout;
    right->addWidget(m_whoBox);
    right->addLayout(lookups);
    right->addStretch(1);
    auto *top = new QHBoxLayout;
    top->addWidget(m_choiceBox);
    top->addLayout(right);

    auto *dates = new QHBoxLayout;
    dates->addWidget(new QLabel(tr("Start Date:"), this));
    dates->addWidget(m_startCal);
    dates->addWidget(m_startEntry);
    dates->addSpacing(12);
    dates->addWidget(m_endGroup);
    dates->addStretch(1);

    auto *options = new QHBoxLayout;
    options->addWidget(m_notes);
    options->addSpacing(24);
    options->addWidget(new QLabel(tr("No. of copies"), this));
    options->addWidget(m_copies);
    options->addStretch(1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *button : {m_print, m_close, m_help})
        buttons->addWidget(button);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(dates);
    layout->addLayout(options);
    layout->addLayout(buttons);
    m_statusLine = new StatusLine(*this, m_context.prompter);
    layout->addWidget(m_statusLine);
}

void CalendarOptionsWindow::connectControls()
{
    for (QRadioButton *radio : m_choices)
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                applyRules();
        });
    for (QRadioButton *radio : {m_everyone, m_personRadio, m_groupRadio})
        connect(radio, &QRadioButton::toggled, this, [this, radio](bool on) {
            if (!on)
                return;
            m_context.globals.CalWho = radio->text().toStdString();
            applyRules();
        });
    for (QLineEdit *entry : {m_personEntry, m_groupEntry, m_startEntry, m_endEntry})
        connect(entry, &QLineEdit::textEdited, this, [this, entry] {
            if (entry == m_personEntry)
                m_personRefused = false;
            else if (entry == m_groupEntry)
                m_groupRefused = false;
            applyRules();
        });
    connect(m_notes, &QCheckBox::toggled, this, [this](bool on) {
        m_context.globals.CalNotes = on ? 1 : 0;
        applyRules();
    });
    connect(m_personLookup, &QPushButton::clicked, this, &CalendarOptionsWindow::lookUpPerson);
    connect(m_groupLookup, &QPushButton::clicked, this, &CalendarOptionsWindow::lookUpGroup);
    connect(m_startCal, &QPushButton::clicked, this, &CalendarOptionsWindow::pickStartDate);
    connect(m_endCal, &QPushButton::clicked, this, &CalendarOptionsWindow::pickEndDate);
    connect(m_print, &QPushButton::clicked, this, &CalendarOptionsWindow::print);
    connect(m_close, &QPushButton::clicked, this, [this] { close(); });
    connect(m_help, &QPushButton::clicked, this, &CalendarOptionsWindow::showHelp);
}

// ---------------------------------------------------------------------------
// Opening, rules and display

bool CalendarOptionsWindow::start()
{
    AppData &data = m_context.data;
    for (DataFile *file : {&data.people, &data.group}) {
        m_uses.push_back(std::make_unique<FileUse>(*file, m_context.prompter));
        if (!m_uses.back()->status().ok()) {
            m_uses.clear();
            m_finished = true;
            return false;
        }
    }
    SharedGlobals &globals = m_context.globals;
    globals.Calstart = m_context.clock.today();
    globals.CalEnd = 0;
    globals.CalWho = "Everyone";
    globals.CalPerson = "";
    globals.CalGroup = "";
    globals.CalNotes = 1;
    m_choices[static_cast<int>(CalendarChoice::Day)]->setChecked(true);
    m_copies->setValue(1);
    m_started = true;
    redisplay();
    m_choices[static_cast<int>(CalendarChoice::Day)]->setFocus();
    return true;
}

CalendarChoice CalendarOptionsWindow::choice() const
{
    for (int i = 0; i < kChoiceCount; ++i) {
        if (m_choices[i]->isChecked())
            return static_cast<CalendarChoice>(i);
    }
    return CalendarChoice::Day;
}

int CalendarOptionsWindow::copies() const
{
    return m_copies->value();
}

QRadioButton *CalendarOptionsWindow::choiceButton(CalendarChoice choice) const
{
    return m_choices[static_cast<int>(choice)];
}

void CalendarOptionsWindow::redisplay()
{
    if (!m_started || m_finished)
        return;
    const SharedGlobals &globals = m_context.globals;
    // What is being typed stays until it is accepted.
    auto show = [](QLineEdit *entry, const QString &value) {
        if (!entry->isModified())
            entry->setText(value);
    };
    show(m_personEntry, qs(globals.CalPerson.view()));
    show(m_groupEntry, qs(globals.CalGroup.view()));
    show(m_startEntry, shownAsDate(globals.Calstart));
    show(m_endEntry, shownAsDate(globals.CalEnd));
    for (QRadioButton *radio : {m_everyone, m_personRadio, m_groupRadio}) {
        if (globals.CalWho == radio->text().toStdString())
            radio->setChecked(true);
    }
    m_notes->setChecked(globals.CalNotes != 0);
    applyRules();
}

void CalendarOptionsWindow::applyRules()
{
    const CalendarChoice chosen = choice();
    m_endGroup->setVisible(chosen == CalendarChoice::FlexiblePeriod);
    m_notes->setEnabled(chosen != CalendarChoice::FlexiblePeriod &&
                        chosen != CalendarChoice::WeekSummary);
    // Disabled, not unchecked: a person chosen before stays chosen.
    m_personRadio->setEnabled(chosen != CalendarChoice::DayByPeople);
    const SharedGlobals &globals = m_context.globals;
    m_personBox->setVisible(globals.CalWho == "Person");
    m_groupBox->setVisible(globals.CalWho == "Group");
    m_print->setEnabled(printAllowed());
}

std::optional<Date> CalendarOptionsWindow::shownDate(const QLineEdit *entry) const
{
    const std::optional<std::int64_t> typed = datePicture().parseInput(entry->text().toStdString());
    if (!typed)
        return std::nullopt;
    return static_cast<Date>(*typed);
}

bool CalendarOptionsWindow::printAllowed() const
{
    // Judged on what the window shows, so that a name or date being typed
    // counts at once; "Print" takes it in before it starts the report.
    const SharedGlobals &globals = m_context.globals;
    const bool personBlank = m_personEntry->text().trimmed().isEmpty() || m_personRefused;
    const bool groupBlank = m_groupEntry->text().trimmed().isEmpty() || m_groupRefused;
    const Date start = shownDate(m_startEntry).value_or(globals.Calstart);
    const Date end = shownDate(m_endEntry).value_or(globals.CalEnd);
    const CalendarChoice chosen = choice();
    if (globals.CalWho == "Person" && personBlank)
        return false;
    if (globals.CalWho == "Group" && groupBlank)
        return false;
    if (start == 0)
        return false;
    if (chosen == CalendarChoice::FlexiblePeriod && end < start)
        return false;
    return m_context.procedures->hasCalled(calendarProcedure(chosen));
}

// ---------------------------------------------------------------------------
// Accepting values

bool CalendarOptionsWindow::acceptDate(QLineEdit *entry, bool leaving)
{
    std::int32_t &held =
        entry == m_startEntry ? m_context.globals.Calstart : m_context.globals.CalEnd;
    const QString typed = entry->text().trimmed();
    const std::optional<Date> date = shownDate(entry);
    entry->setModified(false);
    if (date)
        held = *date;
    entry->setText(shownAsDate(held));
    if (!date)
        m_statusLine->refuseValue(entry,
                                  tr("\"%1\" is not a date; type one as %2")
                                      .arg(typed, shownAsDate(m_context.clock.today())),
                                  !leaving);
    applyRules();
    return date.has_value();
}

std::optional<bool> CalendarOptionsWindow::isOnFile(Lookup lookup, const std::string &name,
                                                    std::string &stored)
{
    AppData &data = m_context.data;
    Status status;
    if (lookup == Lookup::Person) {
        PeopleRecord probe;
        probe.PERSON = name;
        status = readByKey(data.people, PEO_PERSON_KEY, probe);
        stored = probe.PERSON.str();
    } else {
        // The key folds case: a group typed in another case is the stored one.
        GroupRecord probe;
        probe.GROUP = name;
        status = readByKey(data.group, GRO_GROUP_KEY, probe);
        stored = probe.GROUP.str();
    }
    if (status.ok())
        return true;
    if (status.is(ErrorCode::RecordNotFound))
        return false;
    showWarning(m_context.prompter, WarningKind::RecordRetrievalError, status,
                lookup == Lookup::Person ? "PEOPLE" : "GROUP");
    return std::nullopt;
}

std::optional<std::string> CalendarOptionsWindow::browseFor(Lookup lookup, const std::string &from)
{
    AppData &data = m_context.data;
    SharedGlobals &globals = m_context.globals;
    const std::int32_t request = globals.request;
    const std::int32_t response = globals.response;
    const bool person = lookup == Lookup::Person;
    // The browse opens at the name on show.
    if (person) {
        data.PEO = {};
        data.PEO.PERSON = from;
    } else {
        data.GRO = {};
        data.GRO.GROUP = from;
    }
    globals.request = SelectRecord;
    globals.response = RequestCancelled;
    const bool called =
        m_context.procedures->call(person ? "BROWSEPERSON" : "BROWSEGROUPS", m_context);
    const bool completed = called && globals.response == RequestCompleted;
    globals.request = request;
    globals.response = response;
    if (!completed)
        return std::nullopt;
    return person ? data.PEO.PERSON.str() : data.GRO.GROUP.str();
}

void CalendarOptionsWindow::takeName(Lookup lookup, const std::string &name)
{
    const bool person = lookup == Lookup::Person;
    Text<10> &parameter = person ? m_context.globals.CalPerson : m_context.globals.CalGroup;
    parameter = name;
    (person ? m_personRefused : m_groupRefused) = false;
    QLineEdit *entry = person ? m_personEntry : m_groupEntry;
    entry->setText(qs(parameter.view()));
    entry->setModified(false);
    applyRules();
}

bool CalendarOptionsWindow::acceptName(Lookup lookup, bool leaving)
{
    QLineEdit *entry = lookup == Lookup::Person ? m_personEntry : m_groupEntry;
    entry->setModified(false);
    const std::string typed = Text<10>(entry->text().toStdString()).str();
    if (typed.empty()) {
        takeName(lookup, typed);
        return true;
    }
    std::string stored;
    const std::optional<bool> known = isOnFile(lookup, typed, stored);
    if (known && *known) {
        takeName(lookup, stored);
        return true;
    }
    if (known) {
        if (std::optional<std::string> chosen = browseFor(lookup, typed)) {
            takeName(lookup, *chosen);
            return true;
        }
    }
    // Not accepted: the typed name stays to be corrected, the parameter as
    // it was, and leaving the entry asks again.
    entry->setModified(true);
    (lookup == Lookup::Person ? m_personRefused : m_groupRefused) = true;
    applyRules();
    auto keepFocus = [entry] {
        entry->setFocus();
        entry->selectAll();
    };
    if (leaving)
        QTimer::singleShot(0, entry, keepFocus);
    else
        keepFocus();
    return false;
}

void CalendarOptionsWindow::lookUpOnFocus(Lookup lookup)
{
    QLineEdit *entry = lookup == Lookup::Person ? m_personEntry : m_groupEntry;
    if (!m_started || m_finished || !entry->hasFocus())
        return;
    const std::string shown = Text<10>(entry->text().toStdString()).str();
    std::string stored;
    const std::optional<bool> known = isOnFile(lookup, shown, stored);
    if (!known || *known)
        return;
    // A cancelled browse leaves the value as it was.
    if (std::optional<std::string> chosen = browseFor(lookup, shown))
        takeName(lookup, *chosen);
}

bool CalendarOptionsWindow::acceptPending()
{
    if (m_personBox->isVisibleTo(this) && m_personEntry->isModified() &&
        !acceptName(Lookup::Person))
        return false;
    if (m_groupBox->isVisibleTo(this) && m_groupEntry->isModified() && !acceptName(Lookup::Group))
        return false;
    if (m_startEntry->isModified() && !acceptDate(m_startEntry))
        return false;
    if (m_endGroup->isVisibleTo(this) && m_endEntry->isModified() && !acceptDate(m_endEntry))
        return false;
    m_copies->interpretText();
    return true;
}

// ---------------------------------------------------------------------------
// Buttons

void CalendarOptionsWindow::lookUpPerson()
{
    browseAndTake(Lookup::Person);
}

void CalendarOptionsWindow::lookUpGroup()
{
    browseAndTake(Lookup::Group);
}

void CalendarOptionsWindow::browseAndTake(Lookup lookup)
{
    if (!m_started || m_finished)
        return;
    const SharedGlobals &globals = m_context.globals;
    const std::string held =
        lookup == Lookup::Person ? globals.CalPerson.str() : globals.CalGroup.str();
    if (std::optional<std::string> chosen = browseFor(lookup, held))
        takeName(lookup, *chosen);
}

void CalendarOptionsWindow::pickStartDate()
{
    pickDate(m_startEntry);
}

void CalendarOptionsWindow::pickEndDate()
{
    pickDate(m_endEntry);
}

void CalendarOptionsWindow::pickDate(QLineEdit *entry)
{
    if (!m_started || m_finished)
        return;
    if (const std::optional<Date> picked = pickFromCalendar(m_context)) {
        (entry == m_startEntry ? m_context.globals.Calstart : m_context.globals.CalEnd) = *picked;
        entry->setModified(false);
        redisplay();
    } else {
        entry->setFocus();
    }
}

void CalendarOptionsWindow::print()
{
    if (!m_started || m_finished || !acceptPending())
        return;
    applyRules();
    if (!m_print->isEnabled())
        return;
    SharedGlobals &globals = m_context.globals;
    const std::int32_t request = globals.request;
    const std::int32_t response = globals.response;
    QPointer<CalendarOptionsWindow> alive(this);
    {
        // One run prints every copy: one data read and one preview.
        CopiesHandOff handOff(m_context, m_copies->value());
        m_context.procedures->call(calendarProcedure(choice()), m_context);
    }
    globals.request = request;
    globals.response = response;
    if (!alive || m_finished)
        return;
    m_copies->setValue(1);
    redisplay();
}

void CalendarOptionsWindow::showHelp()
{
    if (m_context.showHelp)
        m_context.showHelp(kHelpTopic);
}

// ---------------------------------------------------------------------------
// Keys, focus and closing

bool CalendarOptionsWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_copies) {
        if (isEnterPress(event)) {
            m_copies->interpretText();
            focusNextChild();
            return true;
        }
        return QDialog::eventFilter(watched, event);
    }
    auto *entry = qobject_cast<QLineEdit *>(watched);
    if (!entry)
        return QDialog::eventFilter(watched, event);
    const bool isDate = entry == m_startEntry || entry == m_endEntry;
    const Lookup lookup = entry == m_personEntry ? Lookup::Person : Lookup::Group;
    if (isEnterPress(event)) {
        if (isDate ? acceptDate(entry) : acceptName(lookup))
            focusNextChild();
        return true;
    }
    if (event->type() == QEvent::FocusOut && entry->isModified()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (isDate)
                acceptDate(entry, true);
            else
                acceptName(lookup, true);
        }
    }
    if (event->type() == QEvent::FocusIn && !isDate &&
        isUserFocus(static_cast<QFocusEvent *>(event)->reason())) {
        // After the focus event, not inside it: the browse is a window of
        // its own.
        QTimer::singleShot(0, this, [this, lookup] { lookUpOnFocus(lookup); });
    }
    return QDialog::eventFilter(watched, event);
}

void CalendarOptionsWindow::keyPressEvent(QKeyEvent *event)
{
    // Enter presses the button that has the focus, and no other: on a
    // choice it would press the first button of the window ("...").
    if (isEnterPress(event) && !qobject_cast<QPushButton *>(focusWidget())) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CalendarOptionsWindow::finishUp()
{
    if (m_finished)
        return;
    m_finished = true;
    m_uses.clear();
    m_context.globals.response = RequestCancelled;
}

void CalendarOptionsWindow::closeEvent(QCloseEvent *event)
{
    finishUp();
    QDialog::closeEvent(event);
}

void CalendarOptionsWindow::reject()
{
    // Escape closes the window as "Close" does.
    close();
}

// ---------------------------------------------------------------------------
// Entry points

QWidget *CALENDARMAIN(AppContext &context)
{
    auto *window = new CalendarOptionsWindow(context);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->start()) {
        delete window;
        return nullptr;
    }
    return window;
}

bool renderCalendarOptions(AppContext &context, const QString &directory)
{
    const SharedGlobals kept = context.globals;
    bool saved = false;
    {
        CalendarOptionsWindow window(context);
        if (!window.start())
            return false;
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.show();
        window.choiceButton(CalendarChoice::FlexiblePeriod)->setChecked(true);
        window.personButton()->setChecked(true);
        // Shown as typed, without the look-up: the picture needs no people.
        context.globals.CalPerson = "Anna";
        context.globals.CalEnd = context.globals.Calstart + 6;
        window.redisplay();
        window.choiceButton(CalendarChoice::FlexiblePeriod)->setFocus();
        QApplication::processEvents();
        const QString path = QDir(directory).filePath(QStringLiteral("calendar-options.png"));
        saved = window.grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
        window.close();
    }
    context.globals = kept;
    return saved;
}

} // namespace korvalen
