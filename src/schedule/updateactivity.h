#pragma once

// The "Update Activity" form (UPDATEACT): a new activity or a change of one,
// with the occurrence it was opened on, its people, its notes and, through
// "Repeat...", its repeat pattern. Everything is saved on OK, after the
// conflict check, in one transaction. A change of a series first asks
// (CHANGEREP) whether it applies to all occurrences, to the edited one alone
// or to it and the later ones; the last two split the series.

#include "schedulelogic/activityedit.h"
#include "storage/lockfile.h"

#include <QDialog>

#include <array>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace korvalen {

class AppContext;
class FormRequest;
class StatusLine;
class TimeSpinBox;
class TextListModel;

class ActivityForm : public QDialog
{
    Q_OBJECT

public:
    // The form for `request` (insert or change); a change is of the
    // activity ACT:ACTNUMBER with the occurrence `selected`.
    ActivityForm(AppContext &context, int request, QWidget *parent = nullptr);
    ~ActivityForm() override;

    // Reads what the form edits: for a change, holds and reads the activity
    // (false, with the message shown, when it cannot be had), its
    // occurrences and people. Call before showing the window.
    bool load(std::int32_t actNumber, const DatesRecord &selected);
    bool isCompleted() const { return m_completed; }

    const ActivityEdit &edit() const { return m_edit; }
    QLineEdit *nameField() const { return m_name; }
    QLineEdit *dateField() const { return m_date; }
    TimeSpinBox *startField() const { return m_start; }
    TimeSpinBox *endField() const { return m_end; }
    QPlainTextEdit *notesField() const { return m_notes; }
    QTableView *peopleList() const { return m_people; }
    QPushButton *button(const char *name) const;
    // The four texts of the repeat summary.
    std::array<QString, 4> summary() const;

    // The buttons, as the user presses them.
    void ok();
    void repeat();
    void insertPeople();
    void deletePerson();
    void addGroup();
    void deleteGroup();
    void pickDate();

    // Cancel, Escape and the close box: asks before changes are lost.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void refresh();
    void showOccurrence();
    void refillPeople(int highlight);
    bool acceptDateField();
    void acceptStartField();
    void acceptEndField();
    void takeName();
    void takeNotes();
    void checkEndTime();
    // The conflict checks of an OK; false when the form is to close
    // cancelled (nothing is saved).
    enum class Checked
    {
        Save,
        Cancelled,
        Nothing
    };
    Checked checkNew();
    // A change: one occurrence, or the edited occurrence's date alone, is
    // checked when it moved; a change of a series in `scope` is applied to
    // the lists (the edited times used for the others when `useNewTimes`).
    Checked checkChange(std::optional<ChangeScope> scope, bool useNewTimes);
    // Whether OK asks which occurrences a change applies to: a change of a
    // series with more than the edited occurrence's date changed.
    bool needsScope() const;
    // CHANGEREP: the scope chosen, nothing when the question was cancelled.
    std::optional<ChangeScope> askScope();
    // The irregular series' question whether the edited times are used for
    // the other occurrences of `scope`.
    bool askAboutTimes(ChangeScope scope);
    bool save();
    // Leaves the occurrence the user edited, as stored, in the DATES buffer,
    // so that the calling list can show it.
    void leaveEditedOccurrence();
    void finish(bool completed);

    AppContext &m_context;
    const int m_request;
    ActivityEdit m_edit;
    RecordHold m_hold;
    ClockTime m_defaultDuration = 0;
    std::array<std::string, 8> m_weekdayNames; // 1 = Monday .. 7 = Sunday
    bool m_completed = false;
    bool m_closing = false;

    QLineEdit *m_name = nullptr;
    TimeSpinBox *m_start = nullptr;
    TimeSpinBox *m_end = nullptr;
    QTableView *m_people = nullptr;
    TextListModel *m_peopleModel = nullptr;
    QLineEdit *m_date = nullptr;
    QPlainTextEdit *m_notes = nullptr;
    std::array<QLabel *, 4> m_summary{};
    QLabel *m_action = nullptr;
    StatusLine *m_statusLine = nullptr;
};

// The procedure: takes the global request (1 insert, 2 change; for a change
// ACT:ACTNUMBER and the DATES buffer name the activity and occurrence) and
// leaves the response (1 saved, 2 not).
void UPDATEACT(AppContext &context);

// Writes pictures of the form for a new activity and for a change of a
// sample weekly one (which it adds to the data) into `directory`. True when
// both were written.
bool renderActivityForms(AppContext &context, const QString &directory);

} // namespace korvalen
