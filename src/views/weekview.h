#pragma once

// "Week Summary": one calendar week, Monday to Sunday, as seven lists of
// occurrences side by side, each row on four lines (start time; activity
// name, and on Monday the activity number; its people; a blank line). Any
// date of the week may be typed or picked; a new activity is added with
// Insert, the occurrence highlighted in a list is changed or deleted with
// that list's buttons. Several week views may be open at once, each on its
// own week: a list reads its own day, never the week of another view.

#include "runtime/dates.h"
#include "schedulelogic/participants.h"
#include "storage/datafiles.h"
#include "storage/table.h"

#include <QDialog>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QString;

namespace korvalen {

class AppContext;
class FileUse;
class KeyedListControl;
class StatusLine;

class WeekView : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDays = 7;

    // What a refresh redoes beside showing a new week: nothing more (a new
    // selection), each list again around its highlighted row (a change
    // made), or that and each locator's key steps (the window regained the
    // focus, a date picked, an insert or a delete).
    enum class Refresh
    {
        Selection,
        Changed,
        Full
    };

    // The week of today; start() must follow.
    explicit WeekView(AppContext &context, QWidget *parent = nullptr);
    ~WeekView() override;

    // Opens ACTIVITY, DATES and PERSONACT and fills the seven lists. False
    // when a list could not be opened or read (its warning shown); the
    // window is then not to be shown and holds no file.
    bool start();

    // The date typed or picked, and the Monday of the week shown.
    Date weekDate() const { return m_weekDate; }
    Date monday() const { return m_monday; }
    // The day `day` (0 Monday .. 6 Sunday) its list shows.
    Date dayOf(int day) const;

    // Shows the week of the week date: a list whose day changed is filled
    // from its first row, the others as `how` says. Calstart becomes the
    // Monday.
    void refreshWeek(Refresh how = Refresh::Full);

    // The buttons of list `day`, and Insert and Cal. Each does nothing when
    // its button is disabled.
    void change(int day);
    void remove(int day);
    void insert();
    void pickWeek();
    // The popup menu of list `day` at `position` (in its table's viewport):
    // runs the chosen item and returns its number (1 Change, 2 Delete), 0
    // for none.
    int showPopup(int day, const QPoint &position);

    KeyedListControl &dayList(int day) const { return *m_days[static_cast<std::size_t>(day)].list; }
    QPushButton *changeButton(int day) const
    {
        return m_days[static_cast<std::size_t>(day)].change;
    }
    QPushButton *deleteButton(int day) const
    {
        return m_days[static_cast<std::size_t>(day)].remove;
    }
    QLabel *dayDateLabel(int day) const { return m_days[static_cast<std::size_t>(day)].date; }
    QLineEdit *weekEntry() const { return m_entry; }
    QPushButton *calendarButton() const { return m_calendar; }
    QPushButton *insertButton() const { return m_insert; }
    QPushButton *closeButton() const { return m_close; }
    QPushButton *helpButton() const { return m_help; }
    // The popup menu as last built (for tests and pictures).
    QMenu *popup() const { return m_popup; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Day
    {
        KeyedListControl *list = nullptr;
        QLabel *name = nullptr;
        QLabel *date = nullptr;
        QPushButton *change = nullptr;
        QPushButton *remove = nullptr;
        Date shown = 0; // the day the list was last filled for
    };

    QLayout *createWeekEntry();
    QLayout *createDays();
    QLayout *createButtons();
    void createDay(int day);
    // The day's list shows `date` from its first row.
    void showDay(int day, Date date);
    void listShown(int day);
    void updateButtons(int day);
    // Takes what is typed in the entry as the week date; false (with a
    // beep and its reason) when it is no date.
    bool acceptWeekDate(bool keepFocus);
    void showWeekDate();
    // Lists read nothing while a form they called runs.
    void suspendLists();
    void resumeLists();
    // Runs called procedure `name` with the global request `request` (0 for
    // none) while the lists read nothing; true when it completed.
    bool callProcedure(const char *name, std::int32_t request);
    // After an insert of activity `actNumber`: its occurrence `entered`
    // shown in its day's list, and the activity highlighted where a list
    // shows it.
    void showEntered(std::int32_t actNumber, const DatesRecord &entered);
    bool hasFailed() const;
    // The window closed: releases the lists and files, writes the INI.
    void finishUp();

    AppContext &m_context;
    Date m_weekDate = 0;
    Date m_monday = 0;
    std::vector<std::unique_ptr<FileUse>> m_uses;
    std::unique_ptr<ParticipantsReader> m_people;
    std::array<Day, kDays> m_days{};
    QLineEdit *m_entry = nullptr;
    QPushButton *m_calendar = nullptr;
    QPushButton *m_insert = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_help = nullptr;
    StatusLine *m_statusLine = nullptr;
    QMenu *m_popup = nullptr;
    QMetaObject::Connection m_focusRefresh;
    bool m_started = false;
    bool m_finished = false;
    bool m_refreshing = false;
};

// WEEKVIEW as an independent window (the toolbar's): the window, not yet
// shown, deleted when it closes; nullptr when it could not open (its
// warning shown).
QWidget *WEEKVIEW(AppContext &context);

// WEEKVIEW called from the frame's menu: runs the window modally. The
// global response is cancelled afterwards.
void viewWeek(AppContext &context);

// Draws the week view of today's week as weekview.png in `directory`, a
// busy sample week added to the context's data folder unless the week holds
// ten occurrences already. True when the picture was written.
bool renderWeekView(AppContext &context, const QString &directory);

} // namespace korvalen
