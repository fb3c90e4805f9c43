#pragma once

// "Browse Activities By Activity Name" (BROWSEBYNAME): every activity in name
// order, found by typing the beginning of its name, and beside it the people
// and the dates of the highlighted activity. A window for looking only: it
// inserts, changes and deletes nothing, and calls no other screen.

#include "ui/pagedlist.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QPushButton;
class QString;

namespace korvalen {

class AppContext;
class BrowseList;

// The window. Its three lists are keyed lists: ACTIVITY on ACT:NAME_KEY, and
// PERSONACT on PER:ACTIVITY_KEY and DATES on DAT:ACTNUMBER_KEY, each of these
// two pinned by a key range to the highlighted activity's number, so that
// they read nothing of any other activity.
class BrowseByNameWindow : public QDialog
{
public:
    // The most characters the activity locator holds.
    static constexpr std::size_t kLocatorLength = 30;

    // The window over `context`, which must outlive it. start() must follow.
    explicit BrowseByNameWindow(AppContext &context, QWidget *parent = nullptr);
    ~BrowseByNameWindow() override;

    // Opens ACTIVITY, PERSONACT and DATES and fills the lists from their
    // tops, the locator empty and the focus on the activities. False when a
    // list could not be opened (its warning shown): the window is then not
    // to be shown.
    bool start();
    // What regaining the focus does: the activities list is rebuilt around
    // its highlighted activity, and the side lists around their highlighted
    // rows while that activity stays the one they show (from their tops when
    // another one is highlighted now), so that changes made meanwhile by
    // other windows and stations appear.
    void refresh();

    BrowseList &activities() const { return *m_activities; }
    BrowseList &people() const { return *m_people; }
    BrowseList &dates() const { return *m_dates; }
    // What has been typed into the activities list.
    const std::string &locatorText() const { return m_locator->text(); }
    // The activity the side lists show; none while no activity is highlighted.
    std::optional<std::int32_t> shownActivity() const { return m_pinned; }
    QPushButton *closeButton() const { return m_close; }
    QPushButton *helpButton() const { return m_help; }

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createLists();
    // Typed text moves the activities by the locator and the side lists to
    // their first rows; Enter and the double click only highlight.
    void setListKeys();
    // The columns as wide as the window's font needs to show them whole.
    void fitColumns();
    void createLayout();
    // The highlight of the activities list moved: the side lists are filled
    // from their tops when it is on another activity than they show.
    void activityHighlighted();
    void showActivity(std::optional<std::int32_t> number);
    void closeLists();

    AppContext &m_context;
    // Owned by this window through Qt; constant after construction.
    BrowseList *m_activities = nullptr;
    BrowseList *m_people = nullptr;
    BrowseList *m_dates = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_help = nullptr;
    std::unique_ptr<IncrementalLocator> m_locator;
    QMetaObject::Connection m_focusRefresh;

    std::optional<std::int32_t> m_pinned;
    // How often the side lists were pinned to an activity.
    int m_pins = 0;
    bool m_closed = false;
};

// BROWSEBYNAME called from the frame's menu: runs the window modally and
// leaves the cancelled response.
void BROWSEBYNAME(AppContext &context);

// BROWSEBYNAME as an independent window beside the frame: the window, not
// yet shown, deleted when it closes; nullptr when a list could not be opened.
QWidget *startBrowseByName(AppContext &context);

// Draws the window, with a few sample activities added when the data has
// none of them, into "browsebyname.png" in `directory`. True when the file
// was written.
bool renderBrowseByName(AppContext &context, const QString &directory);

} // namespace korvalen
