#pragma once

// The repeat dialogs of the activity form: "Activity Repeats" (REPEATACT),
// where the user chooses how an activity repeats and edits irregular dates,
// and its two parameter dialogs, "Repeat Activity (Fixed Periods)"
// (REPWINDOW) and "Specific Weekday" (REPWINDOW2). They work in memory on
// the activity form's own activity record and occurrence list; generation
// itself is schedulelogic's generateOccurrences().

#include "runtime/dates.h"
#include "runtime/procedureglobals.h"
#include "schedulelogic/generate.h"
#include "schedulelogic/occurrences.h"
#include "storage/datafiles.h"

#include <QAbstractSpinBox>
#include <QDialog>
#include <QMetaObject>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStatusBar;
class QTableView;

namespace korvalen {

class AppContext;
class BrowseList;
class FileUse;
class OccurrenceDatesModel;

// Runs "Activity Repeats" modally over `parent` on the activity form's own
// state: `activity` (ACT:ACTNUMBER, REPEATTYPE and parameters; changed in
// place), `queue` (changed in place; queue.current is the occurrence being
// edited), `defaultDuration` (USP:DURATION). Returns RequestCompleted after a
// generation or OK, RequestCancelled otherwise; nothing is undone either way.
Response runRepeatDialog(AppContext &context, QWidget *parent, ActivityRecord &activity,
                         OccurrenceQueue &queue, ClockTime defaultDuration);

// REPWINDOW: asks for the repeat number and until date of `unit` (Days,
// Weeks or Months) for a series starting on `startDate`. On OK stores them
// in activity.REPNUMBER and activity.REPEND and returns RequestCompleted;
// otherwise leaves `activity` alone and returns RequestCancelled.
Response runFixedPeriodDialog(AppContext &context, QWidget *parent, ActivityRecord &activity,
                              RepeatUnit unit, Date startDate);

// REPWINDOW2: asks for the week of the month, the weekday and the until
// date of a series starting on `startDate`. On OK stores them in
// activity.WEEK, WEEKDAY and REPEND and returns RequestCompleted; otherwise
// leaves `activity` alone and returns RequestCancelled. Reads the weekday
// names from WEEKDAY, opened under its counter while the window is up.
Response runWeekdayDialog(AppContext &context, QWidget *parent, ActivityRecord &activity,
                          Date startDate);

// Writes pictures of "Activity Repeats" in each pattern and of both
// parameter dialogs into `directory` (repeat-*.png). WEEKDAY must hold its
// rows. False when a picture could not be written.
bool renderRepeatDialogs(AppContext &context, const QString &directory);

// A time of day in a spin box: 1 to 8,640,000 hundredths in steps of
// 15 minutes, shown in the picture T3, and 0 ("no time") shown blank.
// Typed times are read as every time field reads them; blank is 0.
class TimeSpinBox : public QAbstractSpinBox
{
    Q_OBJECT

public:
    explicit TimeSpinBox(QWidget *parent = nullptr);

    ClockTime value() const { return m_value; }
    // Shows `value` (clamped to 0 .. 8,640,000) without emitting.
    void setValue(ClockTime value);
    // Takes what is typed (emitting valueEdited when the value changes).
    // False when it is not a time: the box then shows its value again and
    // the caller beeps.
    bool acceptTyped();
    // True when the text was typed into since the value was last shown.
    bool isEdited() const;

    void stepBy(int steps) override;
    QValidator::State validate(QString &input, int &position) const override;
    void fixup(QString &input) const override;

signals:
    // The user changed the value (by a step or by accepted typing).
    void valueEdited(ClockTime value);

protected:
    StepEnabled stepEnabled() const override;

private:
    void showValue();
    // What the text holds: the value when it is left as shown, the typed
    // time, or nothing when it is not one.
    std::optional<ClockTime> typedValue() const;

    ClockTime m_value = 0;
};

// What the two parameter dialogs share: the until date with its "Cal"
// button, OK (disabled while the until date is before today), Cancel and
// Help, and the status line. The values stay in the window until its caller
// stores them after OK.
class RepeatParameterDialog : public QDialog
{
    Q_OBJECT

public:
    ~RepeatParameterDialog() override;

    Date until() const { return m_until; }
    QLineEdit *untilField() const { return m_untilEntry; }
    QPushButton *calendarButton() const { return m_calendar; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

protected:
    // The window titled `title` for a series from `startDate`, its until
    // field showing `until` with the tip `untilTip`.
    RepeatParameterDialog(AppContext &context, QWidget *parent, const char *title, Date startDate,
                          Date until, const QString &untilTip);

    // The until row with its prompt (at least `promptWidth` pixels wide),
    // and the row of OK, Cancel and Help with the status line.
    QLayout *createUntilRow(const QString &prompt, int promptWidth = 0);
    QLayout *createButtonRow();
    // Whether OK may be pressed besides the until date.
    virtual bool otherValuesAllowOk() const { return true; }
    // Reads the until field into until(): false when refused (the field
    // then keeps the focus).
    virtual bool acceptUntil();
    // OK: accepts what is typed first, then closes when OK is enabled.
    virtual void pressOk();
    void updateOk();

    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

    AppContext &m_context;
    const Date m_start;
    Date m_until = 0;

private:
    void pickUntil();

    QLineEdit *m_untilEntry = nullptr;
    QPushButton *m_calendar = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_help = nullptr;
    QStatusBar *m_statusLine = nullptr;
    QMetaObject::Connection m_focusWatch;
};

// "Repeat Activity (Fixed Periods)": the window of runFixedPeriodDialog().
class FixedPeriodDialog : public RepeatParameterDialog
{
    Q_OBJECT

public:
    FixedPeriodDialog(AppContext &context, QWidget *parent, const ActivityRecord &activity,
                      RepeatUnit unit, Date startDate);

    int number() const;
    QSpinBox *numberField() const { return m_number; }
    QLabel *unitLabel() const { return m_unitLabel; }

protected:
    bool otherValuesAllowOk() const override;
    void pressOk() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls(RepeatUnit unit);
    // The month warning: false when the user declined it (the focus is
    // then on the number).
    bool acceptNumber();

    const RepeatUnit m_repeatUnit;
    bool m_numberPending = false;
    QSpinBox *m_number = nullptr;
    QLabel *m_unitLabel = nullptr;
};

// "Specific Weekday": the window of runWeekdayDialog().
class WeekdayDialog : public RepeatParameterDialog
{
    Q_OBJECT

public:
    WeekdayDialog(AppContext &context, QWidget *parent, const ActivityRecord &activity,
                  Date startDate);
    ~WeekdayDialog() override;

    // Opens WEEKDAY and fills the list around the chosen weekday. False
    // when the list could not be read (its warning shown).
    bool start();

    const Text<4> &week() const { return m_week; }
    int weekday() const { return m_weekday; }
    BrowseList *weekdayList() const { return m_list; }
    QRadioButton *weekButton(int index) const;

protected:
    // An until date not after the start date is refused with a beep.
    bool acceptUntil() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void createList();
    void showChosenDay();
    void chooseHighlighted();

    Text<4> m_week;
    int m_weekday = 1;
    BrowseList *m_list = nullptr;
    QButtonGroup *m_weeks = nullptr;
};

// "Activity Repeats": the window of runRepeatDialog().
class RepeatDialog : public QDialog
{
    Q_OBJECT

public:
    RepeatDialog(AppContext &context, QWidget *parent, ActivityRecord &activity,
                 OccurrenceQueue &queue, ClockTime defaultDuration);
    ~RepeatDialog() override;

    // RequestCompleted after a generation or OK, RequestCancelled otherwise.
    Response response() const { return m_response; }
    // The occurrence the dialog was opened from (its date made today's by
    // a generation when it had none).
    const Occurrence &selected() const { return m_selected; }

    QRadioButton *patternButton(std::string_view pattern) const;
    QGroupBox *fixedGroup() const { return m_fixedGroup; }
    QGroupBox *weekdayGroup() const { return m_weekdayGroup; }
    QGroupBox *irregularGroup() const { return m_irregularGroup; }
    QWidget *dateEntryGroup() const { return m_entryGroup; }
    QPushButton *fixedChangeButton() const { return m_fixedChange; }
    QPushButton *weekdayChangeButton() const { return m_weekdayChange; }
    QTableView *datesList() const { return m_dates; }
    QPushButton *insertButton() const { return m_insert; }
    QPushButton *deleteButton() const { return m_delete; }
    QLineEdit *dateField() const { return m_date; }
    QPushButton *calendarButton() const { return m_calendar; }
    TimeSpinBox *startTimeField() const { return m_startTime; }
    TimeSpinBox *endTimeField() const { return m_endTime; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    // The highlighted row of the dates list, 0-based; -1 for none.
    int highlightedRow() const { return m_highlight; }
    void highlightRow(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void createControls();
    QGroupBox *createOptionBox();
    // A group of fixed texts and value labels in a row (a null text stands
    // for the next value label, made into *value) with a "Change" button.
    QGroupBox *createSummaryGroup(std::initializer_list<const char *> parts,
                                  std::initializer_list<QLabel **> values, QPushButton *&change);
    void createPatternGroups();
    void createIrregularGroup();

    void refresh();
    void showCurrent();
    std::string weekdayName(int weekday);

    void choosePattern(QAbstractButton *button);
    void chooseNoRepeats();
    void chooseGeneratedPattern(std::string_view pattern);
    void changeFixed();
    void changeWeekday();
    // Runs the parameter dialog of `unit` and, when it completes, the
    // generation. True when the occurrences were generated.
    bool runParametersAndGenerate(RepeatUnit unit);
    bool generate(RepeatUnit unit);
    void backToOptions();

    void insertDate();
    void deleteDate();
    void clearDateForEntry();
    bool acceptDate();
    // The end-time rule: false when the end had to be corrected.
    bool acceptEndTime();
    void pickDate();
    void finishWith(Response response);

    AppContext &m_context;
    ActivityRecord &m_activity;
    OccurrenceQueue &m_queue;
    const ClockTime m_defaultDuration;
    Occurrence m_selected;
    // The highlighted entry of the dates list, kept by value so that it is
    // found again after the list changed.
    Occurrence m_highlighted;
    int m_highlight = -1;
    bool m_entryShown = false;
    bool m_acting = false;
    Response m_response = RequestCancelled;
    std::unique_ptr<FileUse> m_weekdayUse;

    QButtonGroup *m_patterns = nullptr;
    QGroupBox *m_optionBox = nullptr;
    QGroupBox *m_fixedGroup = nullptr;
    QLabel *m_fixedNumber = nullptr;
    QLabel *m_fixedUnit = nullptr;
    QLabel *m_fixedUntil = nullptr;
    QPushButton *m_fixedChange = nullptr;
    QGroupBox *m_weekdayGroup = nullptr;
    QLabel *m_weekText = nullptr;
    QLabel *m_weekdayName = nullptr;
    QLabel *m_weekdayUntil = nullptr;
    QPushButton *m_weekdayChange = nullptr;
    QGroupBox *m_irregularGroup = nullptr;
    QTableView *m_dates = nullptr;
    OccurrenceDatesModel *m_datesModel = nullptr;
    QPushButton *m_insert = nullptr;
    QPushButton *m_delete = nullptr;
    QWidget *m_entryGroup = nullptr;
    QLineEdit *m_date = nullptr;
    QPushButton *m_calendar = nullptr;
    TimeSpinBox *m_startTime = nullptr;
    TimeSpinBox *m_endTime = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_help = nullptr;
    QStatusBar *m_statusLine = nullptr;
    QMetaObject::Connection m_focusWatch;
};

} // namespace korvalen
