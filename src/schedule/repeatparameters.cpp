#include "schedule/repeatparameters.h"

#include "schedule/repeatkit.h"
#include "storage/openfile.h"
#include "ui/appcontext.h"
#include "ui/browselist.h"
#include "ui/formkit.h"
#include "ui/listview.h"
#include "ui/statusline.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <array>

namespace korvalen {

using namespace repeatkit;

namespace {

const char *const kFixedTitle = "Repeat Activity (Fixed Periods)";
const char *const kWeekdayTitle = "Specific Weekday";

} // namespace

RepeatParameterDialog::RepeatParameterDialog(AppContext &context, QWidget *parent,
                                             const char *title, Date startDate, Date until,
                                             const QString &untilTip)
    : QDialog(parent), m_context(context), m_start(startDate), m_until(until)
{
    setWindowTitle(tr(title));
    setFont(dialogFont());
    m_untilEntry = new QLineEdit(shownDate(until), this);
    m_untilEntry->setFixedWidth(m_untilEntry->fontMetrics().horizontalAdvance("Mmm 00,0000") + 16);
    setTip(m_untilEntry, untilTip);
    m_untilEntry->installEventFilter(this);
    m_calendar = newCalendarButton(this, QStringLiteral("Pop up calendar"));
    m_statusLine = new StatusLine(*this, context.prompter);
    connect(m_untilEntry, &QLineEdit::textChanged, this, [this] { updateOk(); });
    connect(m_calendar, &QPushButton::clicked, this, [this] { pickUntil(); });
}

QLayout *RepeatParameterDialog::createUntilRow(const QString &prompt, int promptWidth)
{
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(prompt, this);
    label->setMinimumWidth(promptWidth);
    label->setBuddy(m_untilEntry);
    row->addWidget(label);
    row->addWidget(m_untilEntry);
    row->addWidget(m_calendar);
    row->addStretch(1);
    return row;
}

QLayout *RepeatParameterDialog::createButtonRow()
{
    m_ok = newButton(this, QStringLiteral("OK"));
    m_cancel = newButton(this, QStringLiteral("Cancel"));
    m_help = newButton(this, QStringLiteral("Help"));
    connect(m_ok, &QPushButton::clicked, this, [this] { pressOk(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_help, &QPushButton::clicked, this, [this] { showHelp(m_context, "~REPACT"); });
    auto *column = new QVBoxLayout;
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *button : {m_ok, m_cancel, m_help})
        buttons->addWidget(button);
    column->addLayout(buttons);
    column->addWidget(m_statusLine);
    return column;
}

void RepeatParameterDialog::orderFocus(std::initializer_list<QWidget *> leading)
{
    QWidget *previous = nullptr;
    const auto follow = [&previous](QWidget *next) {
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    };
    for (QWidget *widget : leading)
        follow(widget);
    for (QWidget *widget : {static_cast<QWidget *>(m_untilEntry),
                            static_cast<QWidget *>(m_calendar), static_cast<QWidget *>(m_ok),
                            static_cast<QWidget *>(m_cancel), static_cast<QWidget *>(m_help)})
        follow(widget);
}

void RepeatParameterDialog::refuseUntil(const QString &reason)
{
    m_statusLine->refuseValue(m_untilEntry, reason);
}

void RepeatParameterDialog::updateOk()
{
    if (m_ok)
        m_ok->setEnabled(typedOrHeld(m_untilEntry, m_until) >= m_context.clock.today() &&
                         otherValuesAllowOk());
}

bool RepeatParameterDialog::acceptUntil()
{
    std::optional<Date> date =
        readDateField(m_untilEntry, m_until, *m_statusLine, m_context.clock.today());
    if (date)
        m_until = *date;
    updateOk();
    return date.has_value();
}

void RepeatParameterDialog::pressOk()
{
    // A changed until date is accepted first; refused, it keeps the focus.
    if (m_untilEntry->isModified() && !acceptUntil())
        return;
    if (m_ok->isEnabled())
        accept();
}

void RepeatParameterDialog::pickUntil()
{
    if (std::optional<Date> picked = pickFromCalendar(m_context)) {
        m_untilEntry->setText(shownDate(*picked));
        acceptUntil();
    }
    updateOk();
    m_untilEntry->setFocus();
}

bool RepeatParameterDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_untilEntry && isEnterPress(event)) {
        if (acceptUntil())
            focusNextChild();
        return true;
    }
    // Leaving a changed field accepts it once the focus has moved; OK and
    // Cancel pressed meanwhile have their say first.
    if (watched == m_untilEntry && isLeaving(event) && m_untilEntry->isModified()) {
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && m_untilEntry->isModified())
                acceptUntil();
        });
    }
    // Enter on an option goes on to the next control; it presses no button.
    if (qobject_cast<QRadioButton *>(watched) && isEnterPress(event)) {
        focusNextChild();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

FixedPeriodDialog::FixedPeriodDialog(AppContext &context, QWidget *parent,
                                     const ActivityRecord &activity, RepeatUnit unit,
                                     Date startDate)
    // The values stored for another pattern mean nothing for this one.
    : RepeatParameterDialog(context, parent, kFixedTitle, startDate,
                            activity.REPEATTYPE == patternOfUnit(unit) ? activity.REPEND : 0,
                            QStringLiteral("Must be later than start date")),
      m_repeatUnit(unit)
{
    createControls(unit);
    m_number->setValue(activity.REPEATTYPE == patternOfUnit(unit) ? activity.REPNUMBER : 0);
    m_numberPending = false;
    updateOk();
    m_number->setFocus();
}

void FixedPeriodDialog::createControls(RepeatUnit unit)
{
    m_number = new QSpinBox(this);
    // 0 is where a new pattern starts; shown blank, it keeps OK disabled.
    m_number->setRange(0, 99);
    m_number->setSpecialValueText(QStringLiteral(" "));
    m_number->setMinimumWidth(m_number->fontMetrics().horizontalAdvance("0000") + 32);
    setTip(m_number, QStringLiteral("How many days, weeks, or months   "));
    m_number->installEventFilter(this);
    connect(m_number, &QSpinBox::valueChanged, this, [this] {
        m_numberPending = true;
        updateOk();
    });
    m_unitLabel = new QLabel(qs(repeatUnitText(unit)), this);
    m_unitLabel->setMinimumWidth(m_unitLabel->fontMetrics().horizontalAdvance("Months") + 4);

    auto *numberRow = new QHBoxLayout;
    auto *prompt = new QLabel(QStringLiteral("Repeat Activity Every "), this);
    prompt->setBuddy(m_number);
    numberRow->addWidget(prompt);
    numberRow->addWidget(m_number);
    numberRow->addWidget(m_unitLabel);
    numberRow->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(numberRow);
    // The until date stands under the number.
    layout->addLayout(createUntilRow(QStringLiteral("Until"), prompt->sizeHint().width()));
    layout->addLayout(createButtonRow());
    // Tab and Enter go from the number to the until date below it.
    orderFocus({m_number});
}

int FixedPeriodDialog::number() const
{
    return m_number->value();
}

bool FixedPeriodDialog::otherValuesAllowOk() const
{
    return m_number->value() >= 1;
}

bool FixedPeriodDialog::acceptNumber()
{
    m_numberPending = false;
    if (m_repeatUnit != RepeatUnit::Months || dayOf(m_start) < 29)
        return true;
    const int answer = m_context.prompter.message(
        {kFixedTitle,
         "Warning: If a month does not have enough days, the activity will scheduled for the "
         "next month. Continue?",
         MessageIcon::Exclamation, ButtonYes | ButtonNo, ButtonNo});
    if (answer == ButtonYes)
        return true;
    m_number->setFocus();
    m_number->selectAll();
    return false;
}

void FixedPeriodDialog::pressOk()
{
    if (m_numberPending && !acceptNumber())
        return;
    RepeatParameterDialog::pressOk();
}

bool FixedPeriodDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_number && isEnterPress(event)) {
        m_number->interpretText();
        if (acceptNumber())
            focusNextChild();
        return true;
    }
    if (watched == m_number && isLeaving(event) && m_numberPending) {
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && m_numberPending)
                acceptNumber();
        });
    }
    return RepeatParameterDialog::eventFilter(watched, event);
}

Response runFixedPeriodDialog(AppContext &context, QWidget *parent, ActivityRecord &activity,
                              RepeatUnit unit, Date startDate)
{
    FixedPeriodDialog dialog(context, parent, activity, unit, startDate);
    if (dialog.exec() != QDialog::Accepted)
        return RequestCancelled;
    activity.REPNUMBER = static_cast<std::int16_t>(dialog.number());
    activity.REPEND = dialog.until();
    return RequestCompleted;
}

namespace {

// The option texts and the week each stands for; ACT:WEEK keeps the first
// four characters of the week.
const std::array<const char *, 5> kWeekOptions = {"1st ", "2nd ", "3rd ", "4th ", "Last "};
const std::array<const char *, 5> kWeekTexts = {"1st Week", "2nd Week", "3rd Week", "4th Week",
                                                "Last Week"};

} // namespace

WeekdayDialog::WeekdayDialog(AppContext &context, QWidget *parent, const ActivityRecord &activity,
                             Date startDate)
    : RepeatParameterDialog(context, parent, kWeekdayTitle, startDate, activity.REPEND,
                            QStringLiteral("Must be Later than Start Date"))
{
    m_weekday = activity.WEEKDAY == 0 ? 1 : activity.WEEKDAY;
    createControls();
    // A stored week selects the option of the same first four characters;
    // a blank or unknown one selects the first.
    int checked = 0;
    for (std::size_t i = 0; i < kWeekTexts.size(); ++i) {
        if (!activity.WEEK.isBlank() && Text<4>(kWeekTexts[i]) == activity.WEEK)
            checked = static_cast<int>(i);
    }
    m_week = Text<4>(kWeekTexts[static_cast<std::size_t>(checked)]);
    m_weeks->button(checked)->setChecked(true);
    updateOk();
}

WeekdayDialog::~WeekdayDialog()
{
    (void)m_list->browse().close();
}

void WeekdayDialog::createList()
{
    BrowseConfig config;
    config.file = &m_context.data.weekday;
    config.key = keys::WEE_DAYNUMBER_KEY;
    config.keyField = numberKeyField(&WeekdayRecord::DAYNUMBER);
    config.columns = {textColumn("Day of the Week", 36, "s9", &WeekdayRecord::DAY)};
    config.messages.list = "Select the week day ";
    m_list = new BrowseList(m_context, std::move(config), this);
    m_list->setToolTip(QStringLiteral("Select the week day "));
    // The seven days fit without scrolling.
    m_list->setMinimumHeight(m_list->fontMetrics().height() * 10 + 12);
    m_list->setMinimumWidth(dialogUnitsToPixels(font(), 56));
    // Tab leaves the list for the week of the month; it does not walk the
    // days.
    m_list->table()->setTabKeyNavigation(false);
    m_list->table()->installEventFilter(this);
    m_list->table()->viewport()->installEventFilter(this);
}

void WeekdayDialog::createControls()
{
    createList();
    auto *occurrence = new QGroupBox(QStringLiteral("Occurrence"), this);
    setTip(occurrence, QStringLiteral("Which weekof the month"));
    m_weeks = new QButtonGroup(this);
    auto *weeks = new QVBoxLayout(occurrence);
    for (std::size_t i = 0; i < kWeekOptions.size(); ++i) {
        auto *radio = new QRadioButton(QString::fromLatin1(kWeekOptions[i]), occurrence);
        m_weeks->addButton(radio, static_cast<int>(i));
        radio->installEventFilter(this);
        weeks->addWidget(radio);
    }
    connect(m_weeks, &QButtonGroup::idClicked, this,
            [this](int id) { m_week = Text<4>(kWeekTexts[static_cast<std::size_t>(id)]); });

    auto *choices = new QHBoxLayout;
    choices->addWidget(m_list, 1);
    choices->addWidget(occurrence, 0, Qt::AlignTop);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Activity will repeat on the specified weekday"), this));
    layout->addLayout(choices);
    layout->addWidget(
        new QLabel(QStringLiteral("of each month. (e.g., 2nd Tueday of the month) "), this));
    layout->addLayout(createUntilRow(QStringLiteral("Until:")));
    layout->addLayout(createButtonRow());
    orderFocus({m_list, m_weeks->button(0), m_weeks->button(1), m_weeks->button(2),
                m_weeks->button(3), m_weeks->button(4)});
}

QRadioButton *WeekdayDialog::weekButton(int index) const
{
    return qobject_cast<QRadioButton *>(m_weeks->button(index));
}

bool WeekdayDialog::start()
{
    if (!m_list->browse().open())
        return false;
    showChosenDay();
    m_list->setFocus();
    return true;
}

void WeekdayDialog::showChosenDay()
{
    WeekdayRecord probe;
    probe.DAYNUMBER = static_cast<std::uint8_t>(m_weekday);
    m_list->browse().pages().repositionAtKey(&probe, 1);
}

void WeekdayDialog::showEvent(QShowEvent *event)
{
    RepeatParameterDialog::showEvent(event);
    // Once the list has its height, the chosen day is highlighted again
    // with as many days around it as fit.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_list->browse().isOpen())
                showChosenDay();
        },
        Qt::QueuedConnection);
}

void WeekdayDialog::chooseHighlighted()
{
    const BrowseRow *row = m_list->browse().pages().current();
    if (row && row->record)
        m_weekday = static_cast<const WeekdayRecord *>(row->record.get())->DAYNUMBER;
}

bool WeekdayDialog::acceptUntil()
{
    if (!RepeatParameterDialog::acceptUntil())
        return false;
    if (m_start < m_until)
        return true;
    refuseUntil(tr("The until date must be later than the start date %1").arg(shownDate(m_start)));
    return false;
}

bool WeekdayDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Enter or a click on a day chooses it; the arrow keys only move.
    if (watched == m_list->table() && isEnterPress(event)) {
        chooseHighlighted();
        return true;
    }
    if (watched == m_list->table()->viewport() && event->type() == QEvent::MouseButtonRelease &&
        m_list->table()->rowAt(static_cast<QMouseEvent *>(event)->position().toPoint().y()) >= 0)
        chooseHighlighted();
    return RepeatParameterDialog::eventFilter(watched, event);
}

Response runWeekdayDialog(AppContext &context, QWidget *parent, ActivityRecord &activity,
                          Date startDate)
{
    WeekdayDialog dialog(context, parent, activity, startDate);
    if (!dialog.start() || dialog.exec() != QDialog::Accepted)
        return RequestCancelled;
    activity.WEEK = dialog.week();
    activity.WEEKDAY = static_cast<std::uint8_t>(dialog.weekday());
    activity.REPEND = dialog.until();
    return RequestCompleted;
}

} // namespace korvalen
