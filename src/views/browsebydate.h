#pragma once

// "Browse Activities" (BROWSEBYDATE): the occurrences of activities from a
// display-from date on, in date and time order, on three tabs: every
// occurrence, only those of activities a chosen person takes part in, or
// only those in which a member of a chosen group takes part. Beside them,
// the people of the highlighted occurrence's activity (on the group tab only
// the group's members). Insert, Change and Delete go to the activity form
// (UPDATEACT) and the occurrence delete (DELACT).
//
// Both lists are the one paging core in the one list control: the
// occurrences over an OccurrenceSource (occurrencesources.h), the people a
// KeyedList over PERSONACT pinned to the highlighted activity.

#include "runtime/dates.h"
#include "runtime/text.h"
#include "ui/rowsource.h"

#include <QDialog>
#include <QMetaObject>

#include <cstdint>
#include <memory>
#include <vector>

class QLineEdit;
class QPushButton;
class QString;
class QTabWidget;

namespace korvalen {

class AppContext;
class FileUse;
class KeyedList;
class ListControl;
class OccurrenceSource;
class PagedList;
struct BrowseColumn;
struct BrowseRow;
struct DatesRecord;

class BrowseByDateWindow : public QDialog
{
    Q_OBJECT

public:
    enum Tab
    {
        ByDate,
        ByPerson,
        ByGroup
    };

    // The window over `context` (which must outlive it); start() must follow.
    explicit BrowseByDateWindow(AppContext &context, QWidget *parent = nullptr);
    ~BrowseByDateWindow() override;

    // Opens ACTIVITY, DATES, PEOPLE, GROUP, GROUPPEOPLE and PERSONACT under
    // their counters and fills both lists from today on, the focus on the
    // occurrence list. False when a file could not be opened or the first
    // read failed (its warning shown); the window is then not to be shown.
    bool start();

    Tab tab() const;
    // Shows another tab: a full reload, the date, person and group kept.
    void setTab(Tab tab);
    Date displayFrom() const { return m_from; }
    // The person and the group the tabs show (as accepted, not as typed).
    const Text<10> &person() const { return m_person; }
    const Text<10> &group() const { return m_group; }

    PagedList &occurrences() { return *m_occurrences; }
    KeyedList &people() { return *m_people; }
    OccurrenceSource &source() const { return *m_source; }
    ListControl *occurrenceControl() const { return m_occurrenceControl; }
    ListControl *peopleControl() const { return m_peopleControl; }
    QTabWidget *sheet() const { return m_sheet; }
    QLineEdit *personEntry() const { return m_personEntry; }
    QLineEdit *groupEntry() const { return m_groupEntry; }
    QLineEdit *fromEntry() const { return m_fromEntry; }
    QPushButton *personButton() const { return m_personButton; }
    QPushButton *groupButton() const { return m_groupButton; }
    QPushButton *calButton() const { return m_cal; }
    QPushButton *insertButton() const { return m_insert; }
    QPushButton *changeButton() const { return m_change; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *closeButton() const { return m_close; }
    QPushButton *helpButton() const { return m_help; }

    // The buttons, as the user presses them.
    void insert();
    void change();
    void remove();
    void pickDate();
    void choosePerson();
    void chooseGroup();
    // `typed` into the person, group or display-from entry, accepted.
    void enterPerson(const QString &typed);
    void enterGroup(const QString &typed);
    void enterDisplayFrom(const QString &typed);
    // Reads both lists again around the highlighted occurrence (what a
    // regained focus and every action do).
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    QWidget *createSheet();
    QLayout *createLists();
    BrowseColumn participationColumn();
    QLayout *createButtons();
    void updateButtons();

    // The source set for the tab, person, group and date shown; false when
    // a read failed (reported, the window closing).
    bool configureSource();
    // Fills the list again from the display-from date on; false when a read
    // failed (reported).
    bool fillFromDisplayDate();
    // Full reload around the occurrence `wanted` when the view holds it,
    // else around the highlighted row.
    void reloadAround(const DatesRecord *wanted);
    void showPeopleOf(const BrowseRow *occurrence);
    // Reads the highlighted occurrence (watched), its activity and the
    // highlighted participant into the buffers; false when there is none.
    bool readSelected();
    // Calls `procedure` with `request`; its response.
    int call(const char *procedure, int request);
    // Lets go of the lists' reads, as before every procedure called.
    void releaseReads();
    void acceptPerson();
    void acceptGroup();
    void acceptDisplayDate();
    // Asks BROWSEPERSON or BROWSEGROUPS for a choice; true when completed.
    bool select(const char *procedure);
    void fail(const Status &status, std::string_view file);
    void finishUp();

    AppContext &m_context;
    std::vector<std::unique_ptr<FileUse>> m_uses;
    Date m_from = 0;
    Text<10> m_person;
    Text<10> m_group;
    std::vector<Text<10>> m_members;
    // The tab the source shows and the occurrence the people list follows.
    Tab m_shownTab = ByDate;
    std::int64_t m_peopleOf = -1;
    bool m_started = false;
    bool m_finished = false;
    // A full reload ran in this turn of the event loop.
    bool m_readThisTurn = false;

    std::unique_ptr<PagedList> m_occurrences;
    OccurrenceSource *m_source = nullptr; // owned by m_occurrences
    std::unique_ptr<KeyedList> m_people;
    ListControl *m_occurrenceControl = nullptr;
    ListControl *m_peopleControl = nullptr;
    QTabWidget *m_sheet = nullptr;
    QLineEdit *m_personEntry = nullptr;
    QLineEdit *m_groupEntry = nullptr;
    QLineEdit *m_fromEntry = nullptr;
    QPushButton *m_personButton = nullptr;
    QPushButton *m_groupButton = nullptr;
    QPushButton *m_cal = nullptr;
    QPushButton *m_insert = nullptr;
    QPushButton *m_change = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_help = nullptr;
    QMetaObject::Connection m_focusRefresh;
};

// BROWSEBYDATE from the toolbar: the window beside the frame, not yet shown,
// deleted when it closes; nullptr when it could not open.
QWidget *BROWSEBYDATE(AppContext &context);

// BROWSEBYDATE from the menu: runs the window in the caller's flow and
// returns when it closes; the global response is cancelled.
void runBrowseByDate(AppContext &context);

// Writes pictures of the three tabs, with sample people, a group and a
// fortnight of activities added to empty files, into `directory`. True when
// all were written.
bool renderBrowseByDate(AppContext &context, const QString &directory);

} // namespace korvalen
