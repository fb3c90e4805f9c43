#pragma once

// The group form "Update Group Lists": one group's name and its members.
// There is no OK button: the name is written when the entry is accepted and
// every member added or removed is written at once.

#include "runtime/text.h"
#include "storage/datafiles.h"
#include "storage/status.h"
#include "ui/appcontext.h"
#include "ui/recordform.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QString;

namespace korvalen {

class BrowseList;

// --- Membership, without windows -------------------------------------------
//
// The members of a group are the GROUPPEOPLE records whose group name equals
// the group's without regard to letter case; within them a person is matched
// byte for byte, so "ANN" is not the member "Ann". GROUPPEOPLE must be open.
// These leave the GROUPPEOPLE record buffer as they found it.

// Sets `found` to whether `person` is a member of `group`. A read failure
// other than the end of the file is returned, `found` then false.
[[nodiscard]] Status findMember(AppData &data, const Text<10> &group, const Text<10> &person,
                                bool &found);

// Adds a membership of `group` for every person of `people`, in their order,
// who is not a member yet (blank short names and repeats are passed over).
// A failing add is passed over silently. Returns how many were added.
int addMembers(AppData &data, const Text<10> &group, const std::vector<PickedPerson> &people);

// Deletes the membership record number `recordNumber`: 35 when it is gone,
// the engine's failure otherwise.
[[nodiscard]] Status removeMember(AppData &data, std::int64_t recordNumber);

// The group a window shows changes under it when another window or station
// renames or deletes it; its members are only changed after the group has
// been read again, in the transaction that changes them. GROUP must be open
// too; its buffer is left as found.

// Reads the group `ref` again, watched, into `stored` with its reference in
// `storedRef`. Returns 0 when its version is still that of `ref`; 89 when
// another window or station changed it since (`stored` then holds it as it
// is now) or deleted it (`storedRef` then invalid); the engine's failure
// when the read fails.
[[nodiscard]] Status rereadGroup(AppData &data, const RecordRef &ref, GroupRecord &stored,
                                 RecordRef &storedRef);

// addMembers() for the group `ref` under its name as stored, in one
// transaction with rereadGroup(): nothing is added when that fails (89
// when the group changed or went). `added` counts the memberships added.
[[nodiscard]] Status addMembersToGroup(AppData &data, const RecordRef &ref,
                                       const std::vector<PickedPerson> &people, int &added);

// removeMember() in one transaction with rereadGroup() of the group `ref`:
// nothing is deleted when that fails.
[[nodiscard]] Status removeMemberOfGroup(AppData &data, const RecordRef &ref,
                                         std::int64_t recordNumber);

// --- The window ---------------------------------------------------------------

// The form over GROUP with its stored record's reference open to the window.
class GroupRecordForm : public RecordFormFor<GroupRecord>
{
public:
    using RecordFormFor<GroupRecord>::RecordFormFor;
    RecordRef &storedRef() { return m_ref; }
    // The working record has been written: it becomes the entry copy.
    void markStored() { takeAddedAsEntry(); }
};

// "Update Group Lists" (help "~UPGROUPDIAL"). Built by UPDATEGROUP2; tests
// and rendering build it themselves and drive it through start() / finish().
class GroupFormWindow : public QDialog
{
public:
    // The window for `context`, which must outlive it. Nothing is read yet.
    explicit GroupFormWindow(AppContext &context, QWidget *parent = nullptr);
    ~GroupFormWindow() override;

    // Takes the global request. Insert and change prime or load the record,
    // fill the member list and return true (the window is to be shown);
    // delete confirms and deletes without showing it and returns false.
    bool start();
    // Releases the files and leaves the response in the globals: completed
    // after a completed delete, or when the window was closed other than by
    // "Close" and the last picker call completed; cancelled otherwise.
    void finish();

    // 1 insert until the name has been added, 2 change from then on.
    int mode() const { return m_form.request(); }
    // The name as stored in GROUP (blank before it is added).
    const Text<10> &storedName() const { return m_form.entryCopy().GROUP; }

    // The name entry was accepted (Enter, or leaving it with a changed text).
    void acceptName();
    // The member buttons.
    void insertMembers();
    void deleteMember();
    // "Close": the response is cancelled, the window closes.
    void closeByButton();

    QLineEdit *nameEntry() const { return m_name; }
    QPushButton *insertButton() const { return m_insert; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *closeButton() const { return m_close; }
    QPushButton *helpButton() const { return m_help; }
    BrowseList *memberList() const { return m_members; }
    QStatusBar *statusBar() const { return m_statusBar; }

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void createMemberList();
    void configureForm();
    void updateMemberButtons();
    void saveRename();
    // Accepts a pending name first; true when the group is stored under the
    // name the entry shows, so that its members may be changed.
    bool groupIsStored();
    // Reads the group again before its members change; false (after
    // refuseMemberChange) when that fails.
    bool groupIsCurrent();
    // A change of the members failed with `status`: says so and, when
    // another window or station changed the group, shows it as it is stored
    // now; a group that is gone closes the window.
    void refuseMemberChange(const Status &status);
    bool hasPendingName() const;
    void refreshMembers();
    void focusName();
    std::string takenName() const;

    AppContext &m_context;
    GroupRecordForm m_form;
    // Owned by this window through Qt; constant after construction.
    QLineEdit *m_name = nullptr;
    BrowseList *m_members = nullptr;
    QPushButton *m_insert = nullptr;
    QPushButton *m_help = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_close = nullptr;
    QLabel *m_action = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QMetaObject::Connection m_focusWatch;

    bool m_accepting = false;
    bool m_closing = false;
    bool m_closedByButton = false;
    bool m_lastPickerCompleted = false;
    // The name the member list was last built for.
    Text<10> m_listedName;
};

// UPDATEGROUP2: runs the group form for the global request (1 insert,
// 2 change, 3 delete) as a modal window; a change or delete takes the group
// from the GROUP buffer as the list's watched re-read left it. Leaves the
// global response as GroupFormWindow::finish() says.
void UPDATEGROUP2(AppContext &context);

// Draws the group form for a group of the data (the first in name order, or
// a new one when there is none) off screen and saves it as a PNG at `png`.
// True when the file was written.
bool renderGroupForm(AppContext &context, const QString &png);

} // namespace korvalen
