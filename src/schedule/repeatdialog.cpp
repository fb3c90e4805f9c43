#include "schedule/repeatdialog.h"

#include "runtime/pictures.h"
#include "schedule/repeatkit.h"
#include "schedule/repeatparameters.h"
#include "storage/openfile.h"
#include "ui/appcontext.h"
#include "ui/formkit.h"
#include "ui/listview.h"
#include "ui/statusline.h"
#include "ui/timespinbox.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

namespace korvalen {

using namespace repeatkit;

namespace {

const char *const kRepeatTitle = "Activity Repeats";

} // namespace

// ---------------------------------------------------------------------------
// "Activity Repeats"

namespace {

// The option box's radio buttons in their order.
const std::array<std::string_view, 6> kPatternOrder = {kNoRepeats, kFixedWeeks,  kIrregularDates,
                                                       kFixedDays, kFixedMonths, kSpecificWeekday};
const std::array<const char *, 6> kPatternTips = {
    "Cancel any exisitng repeats other than the highlighted occurrence",
    "Schedule a fixed number of weeks between repeats ",
    "Schedule repeats at irregular dates and times",
    "Schedule repeats at irregular dates and times",
    "Schedule a fixed number of months between repeats",
    "(e.g. second Tuesday of the month)  "};

// Past this many occurrences a generation says how far it has come.
constexpr std::size_t kProgressFrom = 2000;

} // namespace

RepeatDialog::RepeatDialog(AppContext &context, QWidget *parent, ActivityRecord &activity,
                           OccurrenceQueue &queue, ClockTime defaultDuration)
    : QDialog(parent), m_context(context), m_activity(activity), m_queue(queue),
      m_defaultDuration(defaultDuration), m_selected(queue.current)
{
    setWindowTitle(tr(kRepeatTitle));
    setFont(dialogFont());
    m_weekdayUse = std::make_unique<FileUse>(context.data.weekday, context.prompter);
    createControls();
    if (!m_queue.empty()) {
        m_highlighted = m_queue[0];
        m_highlight = 0;
    }
    refresh();
    if (QAbstractButton *checked = m_patterns->checkedButton())
        checked->setFocus();
}

RepeatDialog::~RepeatDialog() = default;

QGroupBox *RepeatDialog::createOptionBox()
{
    m_optionBox = new QGroupBox(QStringLiteral("Repeat Options"), this);
    setTip(m_optionBox, QStringLiteral("Select how activity is to repeat"));
    m_patterns = new QButtonGroup(this);
    auto *grid = new QGridLayout(m_optionBox);
    for (std::size_t i = 0; i < kPatternOrder.size(); ++i) {
        auto *radio = new QRadioButton(qs(kPatternOrder[i]), m_optionBox);
        setTip(radio, QString::fromLatin1(kPatternTips[i]));
        radio->installEventFilter(this);
        m_patterns->addButton(radio, static_cast<int>(i));
        grid->addWidget(radio, static_cast<int>(i / 2), static_cast<int>(i % 2));
    }
    connect(m_patterns, &QButtonGroup::buttonClicked, this,
            [this](QAbstractButton *button) { choosePattern(button); });
    return m_optionBox;
}

QGroupBox *RepeatDialog::createSummaryGroup(std::initializer_list<const char *> parts,
                                            std::initializer_list<QLabel **> values,
                                            QPushButton *&change)
{
    auto *group = new QGroupBox(this);
    auto *row = new QHBoxLayout(group);
    auto value = values.begin();
    for (const char *part : parts) {
        // A null part stands for the next value.
        if (part) {
            row->addWidget(new QLabel(QString::fromLatin1(part), group));
        } else if (value != values.end()) {
            **value = new QLabel(group);
            row->addWidget(**value++);
        }
    }
    row->addStretch(1);
    change = newButton(group, QStringLiteral("Change"));
    row->addWidget(change);
    change->installEventFilter(this);
    return group;
}

void RepeatDialog::createPatternGroups()
{
    m_fixedGroup = createSummaryGroup({"Repeated every ", nullptr, nullptr, "until", nullptr},
                                      {&m_fixedNumber, &m_fixedUnit, &m_fixedUntil}, m_fixedChange);
    m_fixedUnit->setMinimumWidth(m_fixedUnit->fontMetrics().horizontalAdvance("Months") + 4);
    connect(m_fixedChange, &QPushButton::clicked, this, [this] { changeFixed(); });
    m_weekdayGroup =
        createSummaryGroup({"Repeated the", nullptr, nullptr, "of the month until", nullptr},
                           {&m_weekText, &m_weekdayName, &m_weekdayUntil}, m_weekdayChange);
    connect(m_weekdayChange, &QPushButton::clicked, this, [this] { changeWeekday(); });
}

void RepeatDialog::createIrregularGroup()
{
    m_irregularGroup = new QGroupBox(this);
    m_dates = new QTableView(m_irregularGroup);
    // The dates of the form's list of occurrences, as they stand in it.
    m_datesModel = new TextListModel(
        [this] { return static_cast<int>(m_queue.size()); },
        [this](int row) { return shownDate(m_queue[static_cast<std::size_t>(row)].date); },
        QStringLiteral("Dates"), m_dates);
    m_dates->setModel(m_datesModel);
    m_dates->setItemDelegate(new ListRowDelegate(m_dates));
    m_dates->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_dates->setSelectionMode(QAbstractItemView::SingleSelection);
    m_dates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_dates->verticalHeader()->hide();
    m_dates->horizontalHeader()->setStretchLastSection(true);
    m_dates->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_dates->setShowGrid(false);
    m_dates->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_dates->verticalHeader()->setDefaultSectionSize(m_dates->fontMetrics().height() + 4);
    // The longest date whole, beside the scroll bar.
    m_dates->setMinimumWidth(m_dates->fontMetrics().horizontalAdvance("Mmm 00,0000") + 48);
    setTip(m_dates, QStringLiteral("Dates for activity"));
    m_dates->installEventFilter(this);
    connect(m_dates->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (!m_acting && current.isValid())
                    highlightRow(current.row());
            });

    m_insert = newButton(m_irregularGroup, QStringLiteral("Insert"),
                         QStringLiteral("Add a new irregular date"));
    m_delete = newButton(m_irregularGroup, QStringLiteral("Delete"),
                         QStringLiteral("Delete an irregular date"));
    connect(m_insert, &QPushButton::clicked, this, [this] { insertDate(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { deleteDate(); });

    m_entryGroup = new QWidget(m_irregularGroup);
    m_date = new QLineEdit(m_entryGroup);
    m_date->setFixedWidth(m_date->fontMetrics().horizontalAdvance("Mmm 00,0000") + 16);
    setTip(m_date, QStringLiteral("Enter a date for this occurrence of the activity"));
    m_calendar = newCalendarButton(m_entryGroup, QStringLiteral("Pop up calendar "));
    m_startTime = new TimeSpinBox(m_entryGroup);
    setTip(m_startTime, QStringLiteral("Starting time for this occurrence of the activity"));
    m_endTime = new TimeSpinBox(m_entryGroup);
    setTip(m_endTime, QStringLiteral("Ending time for this occurrence of activity"));
    auto *entries = new QGridLayout(m_entryGroup);
    entries->setContentsMargins(0, 0, 0, 0);
    entries->addWidget(new QLabel(QStringLiteral("Date:"), m_entryGroup), 0, 0);
    entries->addWidget(m_date, 0, 1);
    entries->addWidget(m_calendar, 0, 2, Qt::AlignLeft);
    entries->addWidget(new QLabel(QStringLiteral("Start Time:"), m_entryGroup), 1, 0);
    entries->addWidget(m_startTime, 1, 1);
    entries->addWidget(new QLabel(QStringLiteral("End Time:"), m_entryGroup), 2, 0);
    entries->addWidget(m_endTime, 2, 1);
    entries->setRowStretch(3, 1);
    for (QWidget *field : std::initializer_list<QWidget *>{m_date, m_startTime, m_endTime})
        field->installEventFilter(this);
    connect(m_startTime, &TimeSpinBox::valueEdited, this,
            [this](ClockTime value) { m_queue.current.time = value; });
    connect(m_endTime, &TimeSpinBox::valueEdited, this,
            [this](ClockTime value) { m_queue.current.endTime = value; });
    connect(m_calendar, &QPushButton::clicked, this, [this] { pickDate(); });

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_insert);
    buttons->addWidget(m_delete);
    buttons->addStretch(1);
    auto *row = new QHBoxLayout(m_irregularGroup);
    row->addWidget(m_dates, 1);
    row->addLayout(buttons);
    row->addWidget(m_entryGroup);
}

void RepeatDialog::createControls()
{
    QGroupBox *options = createOptionBox();
    createPatternGroups();
    m_ok = newButton(this, QStringLiteral("OK"));
    createIrregularGroup();
    m_help = newButton(this, QStringLiteral("Help"));
    m_cancel = newButton(this, QStringLiteral("Cancel"));
    connect(m_ok, &QPushButton::clicked, this, [this] { finishWith(RequestCompleted); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { finishWith(RequestCancelled); });
    connect(m_help, &QPushButton::clicked, this, [this] { showHelp(m_context, "~REPACTDIAL"); });
    m_statusLine = new StatusLine(*this, m_context.prompter);

    auto *top = new QHBoxLayout;
    top->addWidget(options, 1);
    auto *okColumn = new QVBoxLayout;
    okColumn->addWidget(m_ok);
    okColumn->addStretch(1);
    top->addLayout(okColumn);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_help);
    bottom->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_fixedGroup);
    layout->addWidget(m_weekdayGroup);
    layout->addWidget(m_irregularGroup, 1);
    layout->addLayout(bottom);
    layout->addWidget(m_statusLine);
}

QRadioButton *RepeatDialog::patternButton(std::string_view pattern) const
{
    for (std::size_t i = 0; i < kPatternOrder.size(); ++i) {
        if (kPatternOrder[i] == pattern)
            return qobject_cast<QRadioButton *>(m_patterns->button(static_cast<int>(i)));
    }
    return nullptr;
}

std::string RepeatDialog::weekdayName(int weekday)
{
    AppData &data = m_context.data;
    if (!data.weekday.isOpen())
        return {};
    BufferKeeper keep(data.WEE);
    data.WEE = {};
    data.WEE.DAYNUMBER = static_cast<std::uint8_t>(weekday);
    std::string name;
    if (data.weekday.get(keys::WEE_DAYNUMBER_KEY).ok())
        name = data.WEE.DAY.str();
    data.weekday.cursor().release();
    return name;
}

void RepeatDialog::refresh()
{
    const std::string_view pattern = m_activity.REPEATTYPE.view();
    if (QRadioButton *radio = patternButton(pattern)) {
        radio->setChecked(true);
    } else if (QAbstractButton *checked = m_patterns->checkedButton()) {
        m_patterns->setExclusive(false);
        checked->setChecked(false);
        m_patterns->setExclusive(true);
    }
    const RepeatUnit unit = unitOfPattern(pattern);
    const bool fixed = unit != RepeatUnit::None;
    const bool weekday = pattern == kSpecificWeekday;
    const bool irregular = pattern == kIrregularDates;
    m_fixedGroup->setVisible(fixed);
    m_weekdayGroup->setVisible(weekday);
    m_irregularGroup->setVisible(irregular);
    if (!irregular)
        m_entryShown = false;
    m_entryGroup->setVisible(irregular && m_entryShown);
    if (fixed) {
        m_fixedNumber->setText(QString::number(m_activity.REPNUMBER));
        m_fixedUnit->setText(qs(repeatUnitText(unit)));
        m_fixedUntil->setText(qs(formatDate(m_activity.REPEND, "D3")));
    }
    if (weekday) {
        m_weekText->setText(qs(m_activity.WEEK.padded()));
        m_weekdayName->setText(qs(weekdayName(m_activity.WEEKDAY)));
        m_weekdayUntil->setText(shownDate(m_activity.REPEND));
    }
    if (!irregular)
        return;
    m_acting = true;
    m_datesModel->reload();
    m_acting = false;
    if (m_queue.empty()) {
        m_highlight = -1;
        m_queue.current = {};
    } else {
        const std::size_t at = m_queue.find(m_highlighted);
        highlightRow(at == OccurrenceQueue::npos ? static_cast<int>(m_queue.size()) - 1
                                                 : static_cast<int>(at));
    }
    m_dates->setEnabled(!m_queue.empty());
    m_delete->setEnabled(!m_queue.empty());
    showCurrent();
}

void RepeatDialog::highlightRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_queue.size()))
        return;
    m_highlight = row;
    m_highlighted = m_queue[static_cast<std::size_t>(row)];
    m_queue.current = m_highlighted;
    if (m_dates->currentIndex().row() != row) {
        m_acting = true;
        m_dates->setCurrentIndex(m_datesModel->index(row, 0));
        m_acting = false;
    }
    showCurrent();
}

void RepeatDialog::showCurrent()
{
    m_date->setText(shownDate(m_queue.current.date));
    m_date->setModified(false);
    m_startTime->setValue(m_queue.current.time);
    m_endTime->setValue(m_queue.current.endTime);
}

void RepeatDialog::backToOptions()
{
    if (QAbstractButton *checked = m_patterns->checkedButton())
        checked->setFocus(Qt::OtherFocusReason);
    else
        m_optionBox->setFocus(Qt::OtherFocusReason);
}

void RepeatDialog::choosePattern(QAbstractButton *button)
{
    if (m_acting)
        return;
    const std::string pattern = button->text().toStdString();
    if (pattern == kNoRepeats) {
        chooseNoRepeats();
    } else if (pattern == kIrregularDates) {
        m_activity.REPEATTYPE = kIrregularDates;
        refresh();
    } else {
        chooseGeneratedPattern(pattern);
    }
}

void RepeatDialog::chooseNoRepeats()
{
    if (m_queue.size() > 1) {
        const int answer = m_context.prompter.message(
            {kRepeatTitle,
             "Selecting No Repeats will erase all occurrences of this activity except the one "
             "you originally selected. Do you want to continue?",
             MessageIcon::Exclamation, ButtonYes | ButtonNo, ButtonNo});
        if (answer != ButtonYes) {
            refresh();
            backToOptions();
            return;
        }
        const bool irregular = m_activity.REPEATTYPE == kIrregularDates;
        const Occurrence kept = irregular && m_highlight >= 0
                                    ? m_queue[static_cast<std::size_t>(m_highlight)]
                                    : m_selected;
        m_selected = kept;
        m_queue.clear();
        m_queue.insert(kept);
        m_queue.current = kept;
        m_highlighted = kept;
    }
    m_activity.REPEATTYPE = kNoRepeats;
    refresh();
}

void RepeatDialog::chooseGeneratedPattern(std::string_view pattern)
{
    m_queue.current.date = m_selected.date;
    // Compared with the pattern as stored before the click.
    if (m_activity.REPEATTYPE == pattern) {
        refresh();
        return;
    }
    const RepeatUnit unit =
        pattern == kSpecificWeekday ? RepeatUnit::Weekday : unitOfPattern(pattern);
    if (runParametersAndGenerate(unit))
        return;
    m_queue.current = m_selected;
    refresh();
    backToOptions();
}

void RepeatDialog::changeFixed()
{
    if (m_acting)
        return;
    if (!runParametersAndGenerate(unitOfPattern(m_activity.REPEATTYPE.view()))) {
        refresh();
        backToOptions();
    }
}

void RepeatDialog::changeWeekday()
{
    if (m_acting)
        return;
    if (!runParametersAndGenerate(RepeatUnit::Weekday)) {
        refresh();
        backToOptions();
    }
}

bool RepeatDialog::runParametersAndGenerate(RepeatUnit unit)
{
    if (unit == RepeatUnit::None)
        return false;
    const Date start = m_selected.date != 0 ? m_selected.date : m_context.clock.today();
    m_acting = true;
    const Response response = unit == RepeatUnit::Weekday
                                  ? runWeekdayDialog(m_context, this, m_activity, start)
                                  : runFixedPeriodDialog(m_context, this, m_activity, unit, start);
    m_acting = false;
    return response == RequestCompleted && generate(unit);
}

bool RepeatDialog::generate(RepeatUnit unit)
{
    if (m_selected.date == 0)
        m_selected.date = m_context.clock.today();
    m_queue.current = m_selected;
    if (m_queue.size() >= 2) {
        const int answer = m_context.prompter.message(
            {kRepeatTitle,
             "Any repeats of this activity scheduled for after this occurrence of the activity "
             "may be changed.  Continue?",
             MessageIcon::Exclamation, ButtonYes | ButtonNo, ButtonNo});
        if (answer != ButtonYes)
            return false;
    }
    WaitCursor wait;
    generateOccurrences(m_queue, m_selected, m_activity, unit, [this](std::size_t made) {
        if (made < kProgressFrom)
            return;
        m_statusLine->showMessage(tr("%1 occurrences made").arg(made));
        m_statusLine->repaint();
    });
    m_queue.current = m_selected;
    finishWith(RequestCompleted);
    return true;
}

void RepeatDialog::finishWith(Response response)
{
    m_response = response;
    if (response == RequestCompleted)
        accept();
    else
        reject();
}

void RepeatDialog::insertDate()
{
    if (m_activity.REPEATTYPE != kIrregularDates)
        return;
    m_entryShown = true;
    m_entryGroup->show();
    clearDateForEntry();
    m_date->setFocus(Qt::OtherFocusReason);
}

void RepeatDialog::clearDateForEntry()
{
    m_queue.current.date = 0;
    m_date->clear();
    m_date->setModified(false);
}

void RepeatDialog::deleteDate()
{
    if (m_highlight < 0 || m_highlight >= static_cast<int>(m_queue.size()))
        return;
    const int row = m_highlight;
    const std::size_t at = m_queue.find(m_queue[static_cast<std::size_t>(row)]);
    if (at == OccurrenceQueue::npos)
        return;
    m_queue.removeAt(at);
    if (!m_queue.empty())
        m_highlighted =
            m_queue[std::min<std::size_t>(static_cast<std::size_t>(row), m_queue.size() - 1)];
    refresh();
}

bool RepeatDialog::acceptDate()
{
    std::optional<Date> date =
        readDateField(m_date, m_queue.current.date, *m_statusLine, m_context.clock.today());
    if (!date)
        return false;
    m_queue.current.date = *date;
    if (*date == 0)
        return true;
    // Typing in the time fields counts as if they had been left.
    m_startTime->acceptTyped();
    m_endTime->acceptTyped();
    m_queue.current.time = m_startTime->value();
    m_queue.current.endTime = m_endTime->value();
    const Occurrence &entry = m_queue.current;
    if (entry.time == 0 || entry.endTime == 0 || entry.time >= entry.endTime) {
        m_context.prompter.message(
            {kRepeatTitle, "Missing or Wrong Times", MessageIcon::Information, ButtonOk, ButtonOk});
        m_startTime->setFocus(Qt::OtherFocusReason);
        return false;
    }
    m_queue.current.actNumber = m_activity.ACTNUMBER;
    m_queue.insert(m_queue.current);
    m_highlighted = m_queue.current;
    refresh();
    return true;
}

bool RepeatDialog::acceptTime(TimeSpinBox *field, bool leaving)
{
    const QString typed = field->text().trimmed();
    if (field->acceptTyped())
        return true;
    m_statusLine->refuseValue(
        field, tr("\"%1\" is not a time; type one as 9:30AM or 21:30").arg(typed), !leaving);
    return false;
}

bool RepeatDialog::acceptEndTime(bool leaving)
{
    if (!acceptTime(m_endTime, leaving))
        return false;
    m_queue.current.endTime = m_endTime->value();
    Occurrence &entry = m_queue.current;
    if (entry.endTime > entry.time)
        return true;
    m_context.prompter.message({kRepeatTitle, "End time must be later than Start time",
                                MessageIcon::Information, ButtonOk, ButtonOk});
    // Kept within the day when the start is late.
    entry.endTime = std::min<ClockTime>(entry.time + m_defaultDuration, kHundredthsPerDay);
    m_endTime->setValue(entry.endTime);
    m_endTime->setFocus(Qt::OtherFocusReason);
    return false;
}

void RepeatDialog::pickDate()
{
    std::optional<Date> picked = pickFromCalendar(m_context);
    if (!picked)
        return;
    m_date->setText(shownDate(*picked));
    acceptDate();
}

bool RepeatDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Enter on a pattern goes on to the next control; it presses no button.
    if (qobject_cast<QRadioButton *>(watched) && isEnterPress(event)) {
        focusNextChild();
        return true;
    }
    if ((watched == m_fixedChange || watched == m_weekdayChange) &&
        event->type() == QEvent::FocusIn) {
        // These act as soon as the user moves onto them; a click acts
        // through the button itself.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::MouseFocusReason && isUserFocus(reason) && !m_acting) {
            QPointer<QObject> button(watched);
            QTimer::singleShot(0, this, [this, button] {
                if (button && isVisible() && !m_acting)
                    button == m_fixedChange ? changeFixed() : changeWeekday();
            });
        }
    }
    if (watched == m_dates && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString letter = key->text().toUpper();
        if (letter == "I" || key->key() == Qt::Key_Insert) {
            insertDate();
            return true;
        }
        if (letter == "D" || key->key() == Qt::Key_Delete) {
            deleteDate();
            return true;
        }
    }
    if (watched == m_date) {
        if (event->type() == QEvent::FocusIn &&
            isUserFocus(static_cast<QFocusEvent *>(event)->reason()))
            clearDateForEntry();
        if (isEnterPress(event)) {
            if (acceptDate())
                focusNextChild();
            return true;
        }
        if (isLeaving(event) && m_date->isModified()) {
            QTimer::singleShot(0, this, [this] {
                if (isVisible() && m_date->isModified())
                    acceptDate();
            });
        }
    }
    if (watched == m_startTime && (isEnterPress(event) || isLeaving(event))) {
        const bool accepted = acceptTime(m_startTime, isLeaving(event));
        m_queue.current.time = m_startTime->value();
        if (isEnterPress(event)) {
            if (accepted)
                focusNextChild();
            return true;
        }
    }
    if (watched == m_endTime) {
        if (isEnterPress(event)) {
            if (acceptEndTime(false))
                focusNextChild();
            return true;
        }
        if (isLeaving(event) && m_endTime->isEdited()) {
            QTimer::singleShot(0, this, [this] {
                if (isVisible())
                    acceptEndTime(true);
            });
        }
    }
    return QDialog::eventFilter(watched, event);
}

Response runRepeatDialog(AppContext &context, QWidget *parent, ActivityRecord &activity,
                         OccurrenceQueue &queue, ClockTime defaultDuration)
{
    RepeatDialog dialog(context, parent, activity, queue, defaultDuration);
    dialog.exec();
    return dialog.response();
}

// ---------------------------------------------------------------------------
// Pictures

namespace {

bool savePicture(QWidget &window, const QString &directory, const QString &name)
{
    window.show();
    QApplication::processEvents();
    const QString path = QDir(directory).filePath(name + ".png");
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    window.hide();
    return saved;
}

// A weekly series of the sample activity: ten Tuesdays from two weeks ago.
void sampleSeries(Date today, ActivityRecord &activity, OccurrenceQueue &queue)
{
    activity = {};
    activity.ACTNUMBER = 1;
    activity.NAME = "Piano lesson";
    const Date first = today - 14 + (2 - weekdayOf(today) + 7) % 7;
    queue.clear();
    for (int i = 0; i < 10; ++i)
        queue.insert({1, first + 7 * i, 16 * kHundredthsPerHour + 1, 17 * kHundredthsPerHour + 1});
    queue.current = queue[2];
}

} // namespace

bool renderRepeatDialogs(AppContext &context, const QString &directory)
{
    const Date today = context.clock.today();
    ActivityRecord activity;
    OccurrenceQueue queue;
    bool ok = true;
    struct Shot
    {
        std::string_view pattern;
        const char *name;
    };
    QDir().mkpath(directory);
    for (const Shot &shot :
         {Shot{kNoRepeats, "repeat-none"}, Shot{kFixedDays, "repeat-days"},
          Shot{kFixedWeeks, "repeat-weeks"}, Shot{kFixedMonths, "repeat-months"},
          Shot{kSpecificWeekday, "repeat-weekday"}, Shot{kIrregularDates, "repeat-irregular"}}) {
        sampleSeries(today, activity, queue);
        activity.REPEATTYPE = shot.pattern;
        activity.REPNUMBER = shot.pattern == kFixedDays ? 3 : 1;
        activity.REPEND = queue[queue.size() - 1].date;
        activity.WEEK = "2nd ";
        activity.WEEKDAY = 2;
        if (shot.pattern == kNoRepeats) {
            const Occurrence one = queue.current;
            queue.clear();
            queue.insert(one);
        }
        RepeatDialog dialog(context, nullptr, activity, queue, kHundredthsPerHour);
        ok = savePicture(dialog, directory, shot.name) && ok;
        if (shot.pattern == kIrregularDates) {
            dialog.insertButton()->click();
            ok = savePicture(dialog, directory, "repeat-irregular-insert") && ok;
        }
    }
    sampleSeries(today, activity, queue);
    activity.REPEATTYPE = kFixedMonths;
    activity.REPNUMBER = 2;
    activity.REPEND = today + 180;
    FixedPeriodDialog fixed(context, nullptr, activity, RepeatUnit::Months, queue.current.date);
    ok = savePicture(fixed, directory, "repeat-fixed") && ok;
    activity.REPEATTYPE = kSpecificWeekday;
    activity.WEEK = "Last";
    activity.WEEKDAY = 5;
    WeekdayDialog weekday(context, nullptr, activity, queue.current.date);
    ok = weekday.start() && savePicture(weekday, directory, "repeat-weekdaydialog") && ok;
    return ok;
}

} // namespace korvalen
