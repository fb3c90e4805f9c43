#pragma once

// The two parameter dialogs of "Activity Repeats": "Repeat Activity (Fixed
// Periods)" (REPWINDOW), the repeat number and until date of a series of
// days, weeks or months, and "Specific Weekday" (REPWINDOW2), the week of
// the month, weekday and until date of a monthly series.

#include "runtime/dates.h"
#include "runtime/procedureglobals.h"
#include "schedulelogic/generate.h"
#include "storage/datafiles.h"

#include <QDialog>

#include <initializer_list>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace korvalen {

class AppContext;
class BrowseList;
class StatusLine;

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

// What the two parameter dialogs share: the until date with its "Cal"
// button, OK (disabled while the until date is before today), Cancel and
// Help, and the status line. The values stay in the window until its caller
// stores them after OK.
class RepeatParameterDialog : public QDialog
{
    Q_OBJECT

public:
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
    // The order of Tab and Enter: `leading` (the window's own controls, in
    // their order on the screen), then the until date, "Cal", OK, Cancel and
    // Help. Call once every control is made.
    void orderFocus(std::initializer_list<QWidget *> leading);
    // Whether OK may be pressed besides the until date.
    virtual bool otherValuesAllowOk() const { return true; }
    // Reads the until field into until(): false when refused (the field
    // then keeps the focus).
    virtual bool acceptUntil();
    // OK: accepts what is typed first, then closes when OK is enabled.
    virtual void pressOk();
    void updateOk();
    // Refuses what the until field holds: a beep and `reason` on the status
    // line, the focus kept in the field.
    void refuseUntil(const QString &reason);

    bool eventFilter(QObject *watched, QEvent *event) override;

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
    StatusLine *m_statusLine = nullptr;
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

} // namespace korvalen
