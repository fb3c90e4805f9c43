#pragma once

// The "Activity Conflict" window (CONFLDISP): shows one collision that the
// conflict check found for an occurrence about to be saved, a special period
// or another activity of one of its people, and asks what to do with it.
// ConflictWindowHost puts the window in the check's way.

#include "schedulelogic/conflicts.h"
#include "storage/datafiles.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class QLabel;
class QPushButton;
class QString;

namespace korvalen {

class AppContext;
class BrowseList;
class FileUse;

// The window for one collision. For another activity it shows that
// activity's name (its first 30 characters), the occurrence's date and
// times and the activity's people; for a special period its description and
// its first and last day. The five decision buttons close it with their
// decision; Skip and Stop are offered only while a series of dates is being
// checked. Closing it any other way (the close box, Escape) gives none.
class ConflictWindow : public QDialog
{
    Q_OBJECT

public:
    // The window for `collision`. Opens ACTIVITY, DATES and PERSONACT under
    // their open counters for as long as it lives and, for another activity,
    // fills its people list. The PERSONACT record buffer is as it was once
    // the window is gone. `context` must outlive the window.
    ConflictWindow(AppContext &context, const Collision &collision, bool seriesCheck,
                   QWidget *parent = nullptr);
    ~ConflictWindow() override;

    // Shows the window modally and returns the decision, or nothing when it
    // was closed without one.
    std::optional<ConflictChoice> run();
    // The decision taken so far: nothing until a decision button is pressed.
    std::optional<ConflictChoice> choice() const { return m_choice; }
    // A decision button: takes `choice` and closes. Does nothing for a
    // button that is disabled.
    void decide(ConflictChoice choice);

    QPushButton *decisionButton(ConflictChoice choice) const;
    QPushButton *helpButton() const { return m_help; }
    QLabel *nameLabel() const { return m_name; }
    QLabel *dateLabel() const { return m_date; }
    // The second date of a special period with its "to".
    QLabel *periodToLabel() const { return m_periodTo; }
    QLabel *endDateLabel() const { return m_endDate; }
    // The colliding occurrence's times with their "to".
    QLabel *startTimeLabel() const { return m_startTime; }
    QLabel *timesToLabel() const { return m_timesTo; }
    QLabel *endTimeLabel() const { return m_endTime; }
    // The people of the colliding activity (hidden for a special period).
    BrowseList *peopleList() const { return m_people; }

private:
    void createControls();
    void createPeopleList();
    QWidget *createButtons();
    void showCollision();

    AppContext &m_context;
    const Collision m_collision;
    const bool m_seriesCheck;
    // Taken before the people list reads into the buffer, put back after.
    const PersonActRecord m_keptPersonAct;
    std::vector<std::unique_ptr<FileUse>> m_uses;
    std::optional<ConflictChoice> m_choice;
    QMetaObject::Connection m_focusRefresh;

    // Owned by this window through Qt; constant after construction.
    std::array<QPushButton *, 5> m_decisions{};
    QPushButton *m_help = nullptr;
    QLabel *m_name = nullptr;
    QLabel *m_date = nullptr;
    QLabel *m_periodTo = nullptr;
    QLabel *m_endDate = nullptr;
    QLabel *m_startTime = nullptr;
    QLabel *m_timesTo = nullptr;
    QLabel *m_endTime = nullptr;
    BrowseList *m_people = nullptr;
};

// CONFLDISP: shows the window for `collision` modally over `parent` (may be
// nullptr) and returns the decision, nothing when it was closed without one.
std::optional<ConflictChoice> CONFLDISP(AppContext &context, const Collision &collision,
                                        bool seriesCheck, QWidget *parent = nullptr);

// What the conflict check of one save shows its collisions and failures
// through. Make one per save: it reports a read failure only once.
class ConflictWindowHost : public ConflictHost
{
public:
    // Windows go over `parent` (may be nullptr, or go away meanwhile).
    // `context` must outlive the host.
    explicit ConflictWindowHost(AppContext &context, QWidget *parent = nullptr);

    // Runs CONFLDISP.
    std::optional<ConflictChoice> show(const Collision &collision, bool seriesCheck) override;
    // Shows the record retrieval warning (kind 35) for `fileName` the first
    // time; later failures of the same save add nothing.
    void readFailed(std::string_view fileName, const Status &status) override;

private:
    AppContext &m_context;
    QPointer<QWidget> m_parent;
    bool m_failureShown = false;
};

// Draws the window for a sample collision with another activity, or with a
// special period when `specialPeriod`, off screen into `png`. The activity
// is the first of the data with its first occurrence; when there is none,
// a sample one whose people are added to the context's PERSONACT file.
// True when the file was written.
bool renderConflictWindow(AppContext &context, const QString &png, bool specialPeriod);

} // namespace korvalen
