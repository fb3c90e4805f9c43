#pragma once

// "Calendar Options" (CALENDARMAIN): the front end of the five printed
// calendars. The user chooses the calendar, whose activities it covers, its
// first day (and, for the flexible period, its last), whether notes are
// printed and how many copies; "Print" starts the calendar's procedure from
// the procedure table. The window itself reads no activity data: it fills
// the shared report parameters (Calstart, CalEnd, CalWho, CalPerson,
// CalGroup, CalNotes) as the user accepts each value, and it stays open after
// printing so that several calendars can be printed in a row.

#include "runtime/dates.h"

#include <QDialog>
#include <QMetaObject>

#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QKeyEvent;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QString;

namespace korvalen {

class AppContext;
class FileUse;
class StatusLine;

// The five calendars, in the order the window offers them.
enum class CalendarChoice
{
    Day,
    DayByPeople,
    Week,
    WeekSummary,
    FlexiblePeriod
};

// The choice as the window names it: "Day", "Day by People", "Week",
// "Week - Summary", "Flexible Period -".
const char *calendarChoiceText(CalendarChoice choice);

// The report procedure the choice starts: DAYPORT, DAYPEO, WEEKPORT,
// WEEKSUMM, FLEXPER.
const char *calendarProcedure(CalendarChoice choice);

// The number of copies asked of the report procedure that the options window
// is running right now; 1 at any other time (the frame's own calendar
// commands print one copy). A report reads it when it starts and prints its
// pages that many times in one run.
int requestedCopies(const AppContext &context);

class CalendarOptionsWindow : public QDialog
{
    Q_OBJECT

public:
    // The window over `context` (which must outlive it); start() must follow.
    explicit CalendarOptionsWindow(AppContext &context, QWidget *parent = nullptr);
    ~CalendarOptionsWindow() override;

    // Opens PEOPLE and GROUP under their counters, sets the report
    // parameters to their opening values (Calstart today, CalEnd 0, CalWho
    // "Everyone", CalPerson and CalGroup blank, CalNotes 1), the choice to
    // "Day" and the copies to 1, and puts the focus on "Day". False when a
    // file could not be opened; the window is then not to be shown.
    bool start();

    CalendarChoice choice() const;
    int copies() const;

    QRadioButton *choiceButton(CalendarChoice choice) const;
    QRadioButton *everyoneButton() const { return m_everyone; }
    QRadioButton *personButton() const { return m_personRadio; }
    QRadioButton *groupButton() const { return m_groupRadio; }
    QGroupBox *personBox() const { return m_personBox; }
    QGroupBox *groupBox() const { return m_groupBox; }
    QWidget *endDateGroup() const { return m_endGroup; }
    QLineEdit *personEntry() const { return m_personEntry; }
    QLineEdit *groupEntry() const { return m_groupEntry; }
    QLineEdit *startEntry() const { return m_startEntry; }
    QLineEdit *endEntry() const { return m_endEntry; }
    QPushButton *personLookupButton() const { return m_personLookup; }
    QPushButton *groupLookupButton() const { return m_groupLookup; }
    QPushButton *startCalButton() const { return m_startCal; }
    QPushButton *endCalButton() const { return m_endCal; }
    QCheckBox *notesBox() const { return m_notes; }
    QSpinBox *copiesBox() const { return m_copies; }
    QPushButton *printButton() const { return m_print; }
    QPushButton *closeButton() const { return m_close; }
    QPushButton *helpButton() const { return m_help; }

    // The buttons, as the user presses them.
    void lookUpPerson();
    void lookUpGroup();
    void pickStartDate();
    void pickEndDate();
    // Accepts what is being typed, then runs the chosen calendar's procedure
    // once with the copy count; the copies go back to 1. Nothing happens
    // while the rules disable "Print".
    void print();
    // Shows the report parameters as they now are (another window or a
    // report may have changed them), leaving alone what is being typed.
    void redisplay();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    enum class Lookup
    {
        Person,
        Group
    };

    void createControls();
    QGroupBox *createChoiceBox();
    QGroupBox *createWhoBox();
    QGroupBox *createLookupBox(Lookup lookup);
    void createDates();
    void createButtons();
    void layOut();
    void connectControls();

    // The enabling and hiding rules, from the values on show.
    void applyRules();
    bool printAllowed() const;
    std::optional<Date> shownDate(const QLineEdit *entry) const;

    // Takes a typed date into its parameter; a date that does not fit the
    // picture is refused (beep, the held date shown again). With `leaving`
    // the focus goes on.
    bool acceptDate(QLineEdit *entry, bool leaving = false);
    // Takes a typed name into CalPerson or CalGroup: a name on file is taken
    // (a group as it is stored), another opens the browse to choose one; a
    // cancelled browse leaves the parameter as it was and the focus on the
    // entry (given back after the focus move when `leaving`). A blank name
    // is taken as it is.
    bool acceptName(Lookup lookup, bool leaving = false);
    // The look-up made when the entry receives the focus: when the value on
    // show is not on file (blank included) the browse opens.
    void lookUpOnFocus(Lookup lookup);
    // Whether `name` is on file; the stored name in `stored`. nullopt when
    // the read failed (its warning shown).
    std::optional<bool> isOnFile(Lookup lookup, const std::string &name, std::string &stored);
    // Runs the browse to select; the chosen name, nullopt when cancelled.
    std::optional<std::string> browseFor(Lookup lookup, const std::string &from);
    void takeName(Lookup lookup, const std::string &name);
    // "...": the browse opened at the name held; a chosen name is taken.
    void browseAndTake(Lookup lookup);
    // "Cal" beside `entry`: a date picked is taken; cancelled, the focus
    // goes to the entry.
    void pickDate(QLineEdit *entry);
    // Accepts every modified entry (what pressing a button does first);
    // false when one was refused.
    bool acceptPending();
    void showHelp();
    void finishUp();

    AppContext &m_context;
    std::vector<std::unique_ptr<FileUse>> m_uses;
    bool m_started = false;
    bool m_finished = false;

    QRadioButton *m_choices[5] = {};
    QRadioButton *m_everyone = nullptr;
    QRadioButton *m_personRadio = nullptr;
    QRadioButton *m_groupRadio = nullptr;
    QGroupBox *m_choiceBox = nullptr;
    QGroupBox *m_whoBox = nullptr;
    QGroupBox *m_personBox = nullptr;
    QGroupBox *m_groupBox = nullptr;
    QPushButton *m_personLookup = nullptr;
    QLineEdit *m_personEntry = nullptr;
    QPushButton *m_groupLookup = nullptr;
    QLineEdit *m_groupEntry = nullptr;
    QPushButton *m_startCal = nullptr;
    QLineEdit *m_startEntry = nullptr;
    QWidget *m_endGroup = nullptr;
    QPushButton *m_endCal = nullptr;
    QLineEdit *m_endEntry = nullptr;
    QCheckBox *m_notes = nullptr;
    QSpinBox *m_copies = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_help = nullptr;
    StatusLine *m_statusLine = nullptr;
    // The name on show in the person or group entry was refused and has not
    // been edited since: no calendar is printed for it.
    bool m_personRefused = false;
    bool m_groupRefused = false;
    QMetaObject::Connection m_focusRefresh;
};

// CALENDARMAIN as an independent window: the window, not yet shown, deleted
// when it closes (leaving the cancelled response); nullptr when it could not
// open.
QWidget *CALENDARMAIN(AppContext &context);

// Draws the window, with the flexible period and a person chosen, into
// calendar-options.png in `directory`. True when the file was written. The
// report parameters are as they were afterwards.
bool renderCalendarOptions(AppContext &context, const QString &directory);

} // namespace korvalen
