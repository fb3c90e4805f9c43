#pragma once

// "Activity Repeats" (REPEATACT), the repeat dialog of the activity form:
// the user chooses how an activity repeats and edits irregular dates. It
// works in memory on the activity form's own activity record and occurrence
// list; its parameter dialogs are in repeatparameters.h, and generation
// itself is schedulelogic's generateOccurrences().

#include "runtime/dates.h"
#include "runtime/procedureglobals.h"
#include "schedulelogic/generate.h"
#include "schedulelogic/occurrences.h"
#include "storage/datafiles.h"
#include "ui/timespinbox.h"

#include <QDialog>

#include <initializer_list>
#include <memory>
#include <string>

class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

namespace korvalen {

class AppContext;
class FileUse;
class TextListModel;
class StatusLine;

// Runs "Activity Repeats" modally over `parent` on the activity form's own
// state: `activity` (ACT:ACTNUMBER, REPEATTYPE and parameters; changed in
// place), `queue` (changed in place; queue.current is the occurrence being
// edited), `defaultDuration` (USP:DURATION). Returns RequestCompleted after a
// generation or OK, RequestCancelled otherwise; nothing is undone either way.
Response runRepeatDialog(AppContext &context, QWidget *parent, ActivityRecord &activity,
                         OccurrenceQueue &queue, ClockTime defaultDuration);

// Writes pictures of "Activity Repeats" in each pattern and of both
// parameter dialogs into `directory` (repeat-*.png). WEEKDAY must hold its
// rows. False when a picture could not be written.
bool renderRepeatDialogs(AppContext &context, const QString &directory);

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
    // Takes the time typed in `field`: false when it is not a time, which
    // the status line then says (the focus kept in the field unless the
    // user is `leaving` it).
    bool acceptTime(TimeSpinBox *field, bool leaving);
    // The end-time rule: false when the end was refused or had to be
    // corrected.
    bool acceptEndTime(bool leaving);
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
    TextListModel *m_datesModel = nullptr;
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
    StatusLine *m_statusLine = nullptr;
};

} // namespace korvalen
