#include "schedule/updateactivity.h"

#include "runtime/pictures.h"
#include "schedule/conflictwindow.h"
#include "schedule/repeatdialog.h"
#include "schedule/repeatkit.h"
#include "schedulelogic/conflicts.h"
#include "schedulelogic/generate.h"
#include "storage/cursor.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"
#include "ui/formkit.h"
#include "ui/formrequest.h"
#include "ui/listview.h"
#include "ui/procedures.h"
#include "ui/statusline.h"
#include "ui/timespinbox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <cstdio>

namespace korvalen {

namespace {

using namespace keys;

const char *const kTitle = "Update Activity";
const char *const kEndBeforeStart = "End time must be later than Start time";

const Picture &datePicture()
{
    static const Picture picture = *Picture::parse("D3B");
    return picture;
}

// Saves the caller's request and response around a nested procedure and
// puts them back after it.
class NestedCall
{
public:
    explicit NestedCall(AppContext &context)
        : m_globals(context.globals), m_request(context.globals.request),
          m_response(context.globals.response)
    {
    }
    ~NestedCall()
    {
        m_globals.request = m_request;
        m_globals.response = m_response;
    }
    NestedCall(const NestedCall &) = delete;
    NestedCall &operator=(const NestedCall &) = delete;

private:
    SharedGlobals &m_globals;
    std::int32_t m_request;
    std::int32_t m_response;
};

// Runs the called procedure `name` to select a record: true when it
// completed.
bool select(AppContext &context, const char *name)
{
    context.globals.request = SelectRecord;
    context.globals.response = 0;
    context.procedures->call(name, context);
    return context.globals.response == RequestCompleted;
}

} // namespace

ActivityForm::ActivityForm(AppContext &context, int request, QWidget *parent)
    : QDialog(parent), m_context(context), m_request(request)
{
    setWindowTitle(QString::fromLatin1(kTitle));
    setFont(dialogFont());
    createControls();
}

ActivityForm::~ActivityForm() = default;

void ActivityForm::createControls()
{
    auto makeButton = [this](const char *name, const QString &text, const QString &tip) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(QLatin1String(name));
        // Enter presses the button that has the focus; in the fields it
        // moves on instead (see eventFilter).
        button->setAutoDefault(true);
        if (!tip.isEmpty()) {
            button->setToolTip(tip);
            button->setStatusTip(tip);
        }
        return button;
    };
    auto tip = [](QWidget *widget, const QString &text) {
        widget->setToolTip(text);
        widget->setStatusTip(text);
    };

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setMaxLength(decltype(ActivityRecord::NAME)::width);
    m_name->setMinimumWidth(dialogUnitsToPixels(font(), 200));
    tip(m_name, QStringLiteral("Name of the activity "));
    m_start = new TimeSpinBox(this);
    m_start->setObjectName(QStringLiteral("startTime"));
    tip(m_start, QStringLiteral("Starting time of activity"));
    m_end = new TimeSpinBox(this);
    m_end->setObjectName(QStringLiteral("endTime"));
    tip(m_end, QStringLiteral("Ending time for activity"));

    m_people = new QTableView(this);
    m_people->setObjectName(QStringLiteral("people"));
    // The participants' short names, one column without a heading.
    m_peopleModel = new TextListModel(
        [this] { return static_cast<int>(m_edit.participants.size()); },
        [this](int row) {
            return qs(m_edit.participants[static_cast<std::size_t>(row)].person.view());
        },
        QString(), m_people);
    m_people->setModel(m_peopleModel);
    m_people->setItemDelegate(new ListRowDelegate(m_people));
    m_people->horizontalHeader()->hide();
    m_people->horizontalHeader()->setStretchLastSection(true);
    m_people->verticalHeader()->hide();
    m_people->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_people->setSelectionMode(QAbstractItemView::SingleSelection);
    m_people->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_people->setShowGrid(false);
    m_people->setMinimumWidth(dialogUnitsToPixels(font(), 40) + 24);
    tip(m_people, QStringLiteral("People involved with activity"));

    QPushButton *insert =
        makeButton("insert", QStringLiteral("Insert"), "Add one or more people to the activity");
    QPushButton *remove =
        makeButton("delete", QStringLiteral("Delete"), "Delete the highlighted person");
    QPushButton *addGroupButton = makeButton("addGroup", QStringLiteral("Add Group"),
                                             "Add all members of a Group list to the Activity");
    QPushButton *deleteGroupButton =
        makeButton("deleteGroup", QStringLiteral("Delete Group"),
                   "Delete all members of a Group list from the Activity  ");

    m_date = new QLineEdit(this);
    m_date->setObjectName(QStringLiteral("date"));
    m_date->setMaxLength(11);
    m_date->setMaximumWidth(dialogUnitsToPixels(font(), 60));
    tip(m_date, QStringLiteral("Date of activity"));
    QPushButton *calendar = makeButton("calendar", QStringLiteral("Cal"), "Pop up calendar");
    calendar->setFixedWidth(calendar->fontMetrics().horizontalAdvance("Cal") + 24);
    QPushButton *repeatButton =
        makeButton("repeat", QStringLiteral("Repeat..."), "Repeat this activity");

    m_notes = new QPlainTextEdit(this);
    m_notes->setObjectName(QStringLiteral("notes"));
    m_notes->setTabChangesFocus(true);
    tip(m_notes, QStringLiteral("Free form text attached to activity"));

    QPushButton *okButton = makeButton("ok", QStringLiteral("OK"), {});
    QPushButton *cancel = makeButton("cancel", QStringLiteral("Cancel"), {});
    QPushButton *help = makeButton("help", QStringLiteral("Help"), {});
    for (QLabel *&text : m_summary) {
        text = new QLabel(this);
        text->setTextFormat(Qt::PlainText);
    }
    m_summary[0]->setObjectName(QStringLiteral("summary1"));
    QFont bold = font();
    bold.setBold(true);
    m_summary[0]->setFont(bold);
    m_action = new QLabel(this);
    m_action->setObjectName(QStringLiteral("action"));

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Activity:"), this), 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Start Time:"), this), 1, 0);
    grid->addWidget(m_start, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("End Time:"), this), 1, 2);
    grid->addWidget(m_end, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("People Selected Now: "), this), 2, 0, 1, 2);
    grid->addWidget(m_people, 3, 0, 4, 2);
    grid->addWidget(insert, 3, 2);
    grid->addWidget(remove, 4, 2);
    grid->addWidget(addGroupButton, 5, 2);
    grid->addWidget(deleteGroupButton, 6, 2);
    auto *summary = new QVBoxLayout;
    for (QLabel *text : m_summary)
        summary->addWidget(text);
    summary->addStretch(1);
    grid->addLayout(summary, 3, 3, 4, 2);
    grid->addWidget(new QLabel(QStringLiteral("Date:"), this), 7, 0);
    auto *dateRow = new QHBoxLayout;
    dateRow->addWidget(m_date);
    dateRow->addWidget(calendar);
    dateRow->addStretch(1);
    grid->addLayout(dateRow, 7, 1, 1, 2);
    grid->addWidget(repeatButton, 7, 3);
    grid->addWidget(new QLabel(QStringLiteral("Notes:"), this), 8, 0);
    grid->addWidget(m_notes, 9, 0, 1, 5);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *button : {okButton, cancel, help})
        buttons->addWidget(button);
    grid->addLayout(buttons, 10, 0, 1, 5);

    auto *outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    m_statusLine = new StatusLine(*this, m_context.prompter, m_action);
    outer->addWidget(m_statusLine);

    for (QWidget *field : {static_cast<QWidget *>(m_name), static_cast<QWidget *>(m_date),
                           static_cast<QWidget *>(m_start), static_cast<QWidget *>(m_end)})
        field->installEventFilter(this);
    m_notes->installEventFilter(this);

    connect(m_name, &QLineEdit::textEdited, this, [this] {
        takeName();
        refresh();
    });
    connect(m_date, &QLineEdit::textEdited, this, [this] { refresh(); });
    connect(m_start, &TimeSpinBox::valueEdited, this, [this] { acceptStartField(); });
    connect(m_end, &TimeSpinBox::valueEdited, this, [this] { acceptEndField(); });
    connect(m_notes, &QPlainTextEdit::textChanged, this, [this] { takeNotes(); });
    connect(m_people->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { refresh(); });
    connect(insert, &QPushButton::clicked, this, &ActivityForm::insertPeople);
    connect(remove, &QPushButton::clicked, this, &ActivityForm::deletePerson);
    connect(addGroupButton, &QPushButton::clicked, this, &ActivityForm::addGroup);
    connect(deleteGroupButton, &QPushButton::clicked, this, &ActivityForm::deleteGroup);
    connect(calendar, &QPushButton::clicked, this, &ActivityForm::pickDate);
    connect(repeatButton, &QPushButton::clicked, this, &ActivityForm::repeat);
    connect(okButton, &QPushButton::clicked, this, &ActivityForm::ok);
    connect(cancel, &QPushButton::clicked, this, &ActivityForm::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        if (m_context.showHelp)
            m_context.showHelp("~UPACTDIAL");
    });
}

QPushButton *ActivityForm::button(const char *name) const
{
    return findChild<QPushButton *>(QLatin1String(name));
}

std::array<QString, 4> ActivityForm::summary() const
{
    return {m_summary[0]->text(), m_summary[1]->text(), m_summary[2]->text(), m_summary[3]->text()};
}

bool ActivityForm::load(std::int32_t actNumber, const DatesRecord &selected)
{
    AppData &data = m_context.data;
    Prompter &prompter = m_context.prompter;
    if (readUserPreferences(data).ok())
        m_defaultDuration = data.USP.DURATION;
    const ClockTime startTime = data.USP.STARTTIME;
    {
        BufferKeeper<WeekdayRecord> keeper(data.WEE);
        Cursor cursor(data.weekday, WEE_DAYNUMBER_KEY);
        cursor.setStart();
        while (cursor.next().ok()) {
            if (data.WEE.DAYNUMBER >= 1 && data.WEE.DAYNUMBER <= 7)
                m_weekdayNames[data.WEE.DAYNUMBER] = data.WEE.DAY.str();
        }
    }

    if (m_request == InsertRecord) {
        if (Status status = m_edit.primeNew(data, startTime); !status.ok())
            showWarning(prompter, WarningKind::RecordRetrievalError, status, "ACTIVITY");
    } else {
        BufferKeeper<ActivityRecord> keeper(data.ACT);
        data.ACT.ACTNUMBER = actNumber;
        data.activity.watch();
        Status status = data.activity.get(ACT_ACTNUMBER_KEY);
        if (!status.ok()) {
            showWarning(prompter, WarningKind::RecordRetrievalError, status, "ACTIVITY");
            return false;
        }
        const ActivityRecord stored = data.ACT;
        const RecordRef ref = data.activity.current();
        status = data.activity.hold(m_hold, ref.recordNumber, 1000);
        if (status.is(ErrorCode::RecordHeld)) {
            prompter.message({"Information Safeguard",
                              "The Information window for this activity is already open.",
                              MessageIcon::Information, ButtonOk, ButtonOk});
            return false;
        }
        if (!status.ok()) {
            showWarning(prompter, WarningKind::RecordRetrievalError, status, "ACTIVITY");
            return false;
        }
        status = m_edit.loadForChange(data, stored, ref, selected);
        if (!status.ok()) {
            showWarning(prompter, WarningKind::RecordRetrievalError, status, "DATES");
            return false;
        }
    }
    m_name->setText(qs(m_edit.activity.NAME.view()));
    m_notes->setPlainText(QString::fromStdString(m_edit.activity.NOTES.text));
    m_edit.entryCopy = m_edit.activity; // as the notes box holds them
    showOccurrence();
    refillPeople(0);
    m_action->setText(m_request == InsertRecord ? QStringLiteral("Record will be Added")
                                                : QStringLiteral("Record will be Changed"));
    refresh();
    m_name->setFocus(Qt::OtherFocusReason);
    return true;
}

void ActivityForm::showOccurrence()
{
    const Occurrence &edited = m_edit.occurrences.current;
    m_date->setText(qs(datePicture().format(edited.date)));
    m_start->setValue(edited.time);
    m_end->setValue(edited.endTime);
}

void ActivityForm::refillPeople(int highlight)
{
    m_peopleModel->reload();
    const int count = static_cast<int>(m_edit.participants.size());
    if (count > 0)
        m_people->selectRow(std::clamp(highlight, 0, count - 1));
    refresh();
}

void ActivityForm::refresh()
{
    if (m_edit.occurrences.size() <= 1)
        m_edit.activity.REPEATTYPE = kNoRepeats;
    const std::uint8_t weekday = m_edit.activity.WEEKDAY;
    const RepeatSummary texts =
        repeatSummary(m_edit.activity, weekday <= 7 ? m_weekdayNames[weekday] : std::string());
    m_summary[0]->setText(qs(texts.line1));
    m_summary[1]->setText(qs(texts.line2));
    m_summary[2]->setText(qs(texts.line3));
    m_summary[3]->setText(qs(texts.line4));

    // A date typed but not yet accepted counts when it is one.
    ActivityEdit pending;
    pending.activity.NAME = m_edit.activity.NAME;
    pending.activity.TYPE = m_edit.activity.TYPE;
    pending.activity.GROUP = m_edit.activity.GROUP;
    pending.occurrences.current = m_edit.occurrences.current;
    if (auto typed = datePicture().parseInput(m_date->text().toStdString()))
        pending.occurrences.current.date = static_cast<Date>(*typed);
    if (!m_edit.participants.empty())
        pending.participants.insert(m_edit.participants[0]);
    button("repeat")->setEnabled(pending.repeatEnabled());
    button("ok")->setEnabled(pending.okEnabled());
    button("delete")->setEnabled(!m_edit.participants.empty());
}

void ActivityForm::takeName()
{
    m_edit.activity.NAME = m_name->text().toStdString();
}

void ActivityForm::takeNotes()
{
    QString text = m_notes->toPlainText();
    const QList<uint> characters = text.toUcs4();
    if (static_cast<std::size_t>(characters.size()) > Memo::maxLength) {
        // The notes hold at most their length: what goes beyond is cut.
        text = QString::fromUcs4(reinterpret_cast<const char32_t *>(characters.constData()),
                                 static_cast<qsizetype>(Memo::maxLength));
        const QSignalBlocker blocker(m_notes);
        m_notes->setPlainText(text);
        m_notes->moveCursor(QTextCursor::End);
        m_context.prompter.beep();
    }
    m_edit.activity.NOTES.text = text.toStdString();
}

bool ActivityForm::acceptDateField()
{
    const std::string text = m_date->text().toStdString();
    auto typed = datePicture().parseInput(text);
    if (!typed) {
        m_statusLine->refuseValue(m_date, QStringLiteral("Invalid date"));
        m_date->setText(qs(datePicture().format(m_edit.occurrences.current.date)));
        m_date->selectAll();
        return false;
    }
    m_edit.acceptDate(static_cast<Date>(*typed));
    m_date->setText(qs(datePicture().format(m_edit.occurrences.current.date)));
    refresh();
    return true;
}

void ActivityForm::acceptStartField()
{
    m_edit.acceptStart(m_start->value());
    refresh();
}

void ActivityForm::acceptEndField()
{
    m_edit.acceptEnd(m_end->value());
    refresh();
}

void ActivityForm::checkEndTime()
{
    if (!m_edit.endNotAfterStart())
        return;
    m_context.prompter.message(
        {kTitle, kEndBeforeStart, MessageIcon::Information, ButtonOk, ButtonOk});
    m_edit.correctEnd(m_defaultDuration);
    m_end->setValue(m_edit.occurrences.current.endTime);
    m_end->setFocus(Qt::OtherFocusReason);
    refresh();
}

bool ActivityForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_end && event->type() == QEvent::FocusIn &&
        repeatkit::isUserFocus(static_cast<QFocusEvent *>(event)->reason()) &&
        m_edit.occurrences.current.endTime == 0) {
        const ClockTime start = m_edit.occurrences.current.time;
        if (start != 0) {
            m_edit.acceptEnd(std::min(start + m_defaultDuration, kHundredthsPerDay));
            m_end->setValue(m_edit.occurrences.current.endTime);
            refresh();
        }
    }
    if (watched == m_date && event->type() == QEvent::FocusOut && m_date->isModified()) {
        m_date->setModified(false);
        acceptDateField();
    }
    if (watched == m_start && event->type() == QEvent::FocusOut && m_start->isEdited())
        m_start->acceptTyped();
    if (watched == m_end && event->type() == QEvent::FocusOut && m_end->isEdited())
        m_end->acceptTyped();
    if (isEnterPress(event) && watched != m_notes) {
        bool accepted = true;
        if (watched == m_date) {
            m_date->setModified(false);
            accepted = acceptDateField();
        } else if (watched == m_start) {
            accepted = !m_start->isEdited() || m_start->acceptTyped();
        } else if (watched == m_end) {
            accepted = !m_end->isEdited() || m_end->acceptTyped();
        } else if (watched == m_name) {
            takeName();
        }
        if (accepted)
            focusNextChild();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ActivityForm::pickDate()
{
    const std::optional<Date> picked = repeatkit::pickFromCalendar(m_context);
    if (!picked || *picked == 0)
        return;
    m_date->setText(qs(datePicture().format(*picked)));
    acceptDateField();
}

void ActivityForm::insertPeople()
{
    m_edit.peopleChanged = true;
    std::vector<Text<10>> people;
    {
        NestedCall nested(m_context);
        m_context.PickedPeople.clear();
        if (select(m_context, "BROWSEPERSONM")) {
            for (const PickedPerson &person : m_context.PickedPeople)
                people.push_back(person.shortName);
        }
        m_context.PickedPeople.clear();
    }
    m_edit.addPeople(people);
    refillPeople(m_people->currentIndex().row());
}

void ActivityForm::deletePerson()
{
    const int row = m_people->currentIndex().row();
    if (row < 0 || static_cast<std::size_t>(row) >= m_edit.participants.size())
        return;
    m_edit.peopleChanged = true;
    m_edit.removeParticipantAt(static_cast<std::size_t>(row));
    refillPeople(row);
}

void ActivityForm::addGroup()
{
    Text<10> group;
    {
        NestedCall nested(m_context);
        if (!select(m_context, "BROWSEGROUPS"))
            return;
        group = m_context.data.GRO.GROUP;
    }
    if (Status status = m_edit.addGroup(m_context.data, group); !status.ok())
        showWarning(m_context.prompter, WarningKind::RecordRetrievalError, status, "GROUPPEOPLE");
    refillPeople(m_people->currentIndex().row());
}

void ActivityForm::deleteGroup()
{
    Text<10> group;
    {
        NestedCall nested(m_context);
        if (!select(m_context, "BROWSEGROUPS"))
            return;
        group = m_context.data.GRO.GROUP;
    }
    if (Status status = m_edit.removeGroup(m_context.data, group); !status.ok())
        showWarning(m_context.prompter, WarningKind::RecordRetrievalError, status, "GROUPPEOPLE");
    refillPeople(m_people->currentIndex().row());
}

void ActivityForm::repeat()
{
    if (m_date->isModified()) {
        m_date->setModified(false);
        if (!acceptDateField())
            return;
    }
    checkEndTime();
    m_edit.writeEditedOccurrence();
    const Occurrence edited = m_edit.occurrences.current;
    runRepeatDialog(m_context, this, m_edit.activity, m_edit.occurrences, m_defaultDuration);
    m_edit.retakePosition(edited);
    if (m_edit.position >= m_edit.occurrences.size() && !m_edit.occurrences.empty()) {
        // "No Repeats" kept another occurrence than the edited one: that one
        // is now the form's.
        m_edit.retakePosition(m_edit.occurrences[0]);
    }
    showOccurrence();
    refresh();
}

ActivityForm::Checked ActivityForm::checkNew()
{
    ConflictWindowHost host(m_context, this);
    ConflictCheck check(m_context.data, m_edit.participants, host);
    OccurrenceQueue &queue = m_edit.occurrences;
    const bool series = queue.size() > 1;
    for (std::size_t at = 0; at < queue.size();) {
        switch (check.check(queue[at], series)) {
        case ConflictChoice::Skip:
            queue.removeAt(at);
            break;
        case ConflictChoice::Stop:
            queue.truncate(at);
            break;
        case ConflictChoice::Cancel:
            return Checked::Cancelled;
        case ConflictChoice::Accept:
        case ConflictChoice::AcceptAll:
            ++at;
            break;
        }
        if (check.choice() == ConflictChoice::Stop)
            break;
    }
    // An activity without dates would be invisible in every list but one.
    return queue.empty() ? Checked::Nothing : Checked::Save;
}

ActivityForm::Checked ActivityForm::checkChange(std::optional<ChangeScope> scope, bool useNewTimes)
{
    ConflictWindowHost host(m_context, this);
    ConflictCheck check(m_context.data, m_edit.participants, host);
    if (scope) {
        switch (m_edit.applyChange(*scope, check, useNewTimes)) {
        case ScopeOutcome::Save:
            return Checked::Save;
        case ScopeOutcome::Cancelled:
            return Checked::Cancelled;
        case ScopeOutcome::Nothing:
            return Checked::Nothing;
        }
    }
    // One occurrence, or only the edited occurrence's date changed: it alone
    // is checked, when it moved.
    const OccurrenceQueue &queue = m_edit.occurrences;
    const bool recheck =
        queue.size() <= 1 ? m_edit.dateChanged || m_edit.timeChanged : m_edit.dateChanged;
    if (recheck) {
        const Occurrence &edited =
            m_edit.position < queue.size() ? queue[m_edit.position] : queue.current;
        if (check.check(edited, false) == ConflictChoice::Cancel)
            return Checked::Cancelled;
    }
    m_edit.dateChanged = m_edit.timeChanged = false;
    return Checked::Save;
}

bool ActivityForm::needsScope() const
{
    return m_request != InsertRecord && m_edit.occurrences.size() > 1 &&
           !m_edit.onlyOccurrenceDateChanged();
}

std::optional<ChangeScope> ActivityForm::askScope()
{
    NestedCall nested(m_context);
    m_context.globals.response = 0;
    m_context.procedures->call("CHANGEREP", m_context);
    if (m_context.globals.response != RequestCompleted)
        return std::nullopt;
    return changeScopeFrom(m_context.globals.ChangeScope.view());
}

bool ActivityForm::askAboutTimes(ChangeScope scope)
{
    const Occurrence &edited = m_edit.occurrences.current;
    const std::string text = "Do you want to use " + formatTime(edited.time) + " and " +
                             formatTime(edited.endTime) + " as start and end for " +
                             (scope == ChangeScope::All ? "all" : "the future") + " occurrences.";
    return m_context.prompter.message({kTitle, text, MessageIcon::Exclamation, ButtonYes | ButtonNo,
                                       ButtonYes}) == ButtonYes;
}

bool ActivityForm::save()
{
    AppData &data = m_context.data;
    Prompter &prompter = m_context.prompter;
    if (m_request == InsertRecord) {
        SaveResult result;
        {
            WaitCursor wait;
            result = saveNewActivity(data, prompter, m_edit);
        }
        if (result.ok())
            return true;
        if (result.is(ErrorCode::DuplicateKey))
            showWarning(prompter, WarningKind::DuplicateKeyError, result.status,
                        "ACT:Actnumber_key");
        else
            showWarning(prompter, WarningKind::RecordInsertError, result.status);
        m_name->setFocus(Qt::OtherFocusReason);
        return false;
    }
    SaveResult result;
    {
        WaitCursor wait;
        result = saveChangedActivity(data, prompter, m_edit);
    }
    if (result.ok())
        return true;
    prompter.message({kTitle,
                      "An update error has occurred. To avoid corrupting your data, this "
                      "transaction must be cancelled",
                      MessageIcon::Information, ButtonOk, ButtonOk});
    finish(false);
    return false;
}

void ActivityForm::ok()
{
    if (m_closing)
        return;
    if (m_date->isModified()) {
        m_date->setModified(false);
        if (!acceptDateField())
            return;
    }
    takeName();
    takeNotes();
    refresh();
    if (!button("ok")->isEnabled())
        return;
    checkEndTime();
    m_edit.writeEditedOccurrence();

    std::optional<ChangeScope> scope;
    bool useNewTimes = true;
    if (needsScope()) {
        scope = askScope();
        if (!scope) {
            m_name->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (m_edit.asksAboutTimes(*scope))
            useNewTimes = askAboutTimes(*scope);
    }
    Checked checked = Checked::Save;
    {
        WaitCursor wait;
        checked = m_request == InsertRecord ? checkNew() : checkChange(scope, useNewTimes);
    }
    if (checked != Checked::Save) {
        finish(false);
        return;
    }
    if (save()) {
        leaveEditedOccurrence();
        finish(true);
    }
}

void ActivityForm::leaveEditedOccurrence()
{
    const OccurrenceQueue &queue = m_edit.occurrences;
    // A new activity's queue was renumbered by the save and may have lost
    // skipped entries; its current entry carries the stored values.
    Occurrence edited = m_request == InsertRecord || m_edit.position >= queue.size()
                            ? queue.current
                            : queue[m_edit.position];
    if (edited.actNumber == ActivityEdit::kSplitNumber && m_edit.split)
        edited.actNumber = m_edit.split->added.ACTNUMBER;
    DatesRecord stored;
    stored.ACTNUMBER = edited.actNumber;
    stored.DATE = edited.date;
    stored.TIME = edited.time;
    stored.ENDTIME = edited.endTime;
    m_context.data.DAT = stored;
}

void ActivityForm::finish(bool completed)
{
    m_completed = completed;
    m_closing = true;
    m_hold.release();
    done(completed ? QDialog::Accepted : QDialog::Rejected);
}

void ActivityForm::reject()
{
    if (m_closing) {
        QDialog::reject();
        return;
    }
    takeName();
    takeNotes();
    if (m_edit.hasUnsavedChanges() &&
        m_context.prompter.message({kTitle, "Discard the changes you made to this entry?",
                                    MessageIcon::Exclamation, ButtonYes | ButtonNo, ButtonNo}) !=
            ButtonYes) {
        m_name->setFocus(Qt::OtherFocusReason);
        return;
    }
    finish(false);
}

void ActivityForm::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    event->ignore();
    reject();
}

void UPDATEACT(AppContext &context)
{
    FormRequest request(context);
    AppData &data = context.data;
    for (DataFile *file : {&data.activity, &data.dates, &data.group, &data.groupPeople,
                           &data.personAct, &data.special, &data.userPref, &data.weekday})
        request.addFile(*file);
    request.setAllowed(true, true, false);
    const std::int32_t actNumber = data.ACT.ACTNUMBER;
    const DatesRecord selected = data.DAT;
    if (request.begin()) {
        ActivityForm form(context, request.request());
        if (form.load(actNumber, selected)) {
            form.exec();
            if (form.isCompleted())
                request.complete();
        }
    }
    request.end();
}

} // namespace korvalen

namespace korvalen {

bool renderActivityForms(AppContext &context, const QString &directory)
{
    AppData &data = context.data;
    FormRequest request(context);
    for (DataFile *file : {&data.activity, &data.dates, &data.group, &data.groupPeople,
                           &data.personAct, &data.special, &data.userPref, &data.weekday})
        request.addFile(*file);
    context.globals.request = ChangeRecord;
    if (!request.begin())
        return false;
    // A sample weekly activity for the filled form.
    const Date first = context.clock.today();
    ActivityEdit sample;
    if (!sample.primeNew(data, 18 * kHundredthsPerHour + 1).ok())
        return false;
    sample.activity.NAME = "Choir rehearsal";
    sample.activity.NOTES.text = "Bring the new songbook.";
    sample.activity.REPEATTYPE = kFixedWeeks;
    sample.activity.REPNUMBER = 1;
    sample.activity.REPEND = first + 21;
    for (int week = 0; week < 4; ++week)
        sample.occurrences.insert({sample.activity.ACTNUMBER, first + 7 * week,
                                   18 * kHundredthsPerHour + 1, 19 * kHundredthsPerHour + 1});
    sample.addPeople({Text<10>("Anna"), Text<10>("Bo")});
    if (!saveNewActivity(data, context.prompter, sample).ok())
        return false;

    bool ok = true;
    auto grab = [&](ActivityForm &form, const char *name) {
        form.show();
        QApplication::processEvents();
        const QString path = QDir(directory).filePath(QString(name) + ".png");
        const bool saved = form.grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
        ok = saved && ok;
        form.hide();
    };
    {
        ActivityForm form(context, InsertRecord);
        ok = form.load(0, {}) && ok;
        grab(form, "activity-insert");
    }
    {
        DatesRecord selected;
        selected.ACTNUMBER = sample.activity.ACTNUMBER;
        selected.DATE = first + 7;
        selected.TIME = 18 * kHundredthsPerHour + 1;
        selected.ENDTIME = 19 * kHundredthsPerHour + 1;
        ActivityForm form(context, ChangeRecord);
        ok = form.load(selected.ACTNUMBER, selected) && ok;
        grab(form, "activity-change");
    }
    request.end();
    return ok;
}

} // namespace korvalen
