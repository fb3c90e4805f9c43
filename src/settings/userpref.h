#pragma once

// The window "User Preferences": the default start time and duration that a
// new activity receives, and the list of special-day periods on which the
// conflict check warns. The preferences are saved by OK; the periods are
// stored by their own form (UPDATESPECIAL) at once, whatever OK or Cancel
// does here.

#include "runtime/dates.h"
#include "storage/datafiles.h"
#include "ui/pagedbrowse.h"
#include "ui/recordform.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <string_view>

class QLabel;
class QLineEdit;
class QPushButton;
class QString;

namespace korvalen {

class AppContext;
class BrowseList;
class FileUse;

// The start time typed into the preferences: "h:mm" followed by an optional
// AM or PM in any letter case (hours 1 to 12; 12AM is midnight, 12PM noon),
// or "h:mm" on the 24-hour clock (hours 0 to 23), minutes in two digits;
// blanks around the parts are ignored. nullopt for anything else, blank
// included.
std::optional<ClockTime> parseStartTime(std::string_view typed);

// The duration typed into the preferences: "h:mm", hours 0 to 23, minutes in
// two digits, held as a time value (the length plus one hundredth: "1:00" is
// 360001). nullopt for anything else, blank included.
std::optional<ClockTime> parseDuration(std::string_view typed);

// The special-days list as the preferences window shows it: SPECIAL in start
// date order, equal start dates in file order, its form UPDATESPECIAL.
BrowseConfig specialDaysConfig(AppContext &context);

class UserPrefWindow : public QDialog
{
    Q_OBJECT

public:
    // The window over `context` (which must outlive it); start() must follow.
    explicit UserPrefWindow(AppContext &context, QWidget *parent = nullptr);
    ~UserPrefWindow() override;

    // Opens SPECIAL and USERPREF under their counters, reads the single
    // preferences record with a watch, shows it as a change and fills the
    // list. False when the record could not be read (warning kind 35 with
    // "USERPREF" shown) or the list could not be opened (its warning shown);
    // the window is then not to be shown and has released what it took.
    bool start();

    RecordFormFor<UserPrefRecord> &form() { return m_form; }
    BrowseList &list() { return *m_list; }
    QLineEdit *startTime() const { return m_startTime; }
    QLineEdit *duration() const { return m_duration; }
    QLabel *actionLabel() const { return m_action; }
    QPushButton *insertButton() const { return m_insert; }
    QPushButton *changeButton() const { return m_change; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *helpButton() const { return m_help; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLayout *createEntries();
    QLayout *createList(AppContext &context);
    QLayout *createButtons();
    void configureForm();
    void fitDateColumns();
    void updateListButtons();
    // The accept rule of an entry: takes a valid value into the working
    // record and shows it in its picture; otherwise shows the record's value
    // again and refuses the typed one with its reason, keeping the focus
    // unless the entry is being left. True when accepted.
    bool acceptEntry(QLineEdit *entry, bool leaving = false);
    // The record field shown in `entry`.
    std::int32_t &fieldOf(QLineEdit *entry);
    // The value typed into `entry`, nullopt when it is none.
    std::optional<ClockTime> typedValue(QLineEdit *entry);
    void showRecord();
    QWidget *validate();
    // The window closed: releases the list, the form and the files.
    void finishUp();

    AppContext &m_context;
    RecordFormFor<UserPrefRecord> m_form;
    std::vector<std::unique_ptr<FileUse>> m_uses;
    QLineEdit *m_startTime = nullptr;
    QLineEdit *m_duration = nullptr;
    BrowseList *m_list = nullptr;
    QLabel *m_action = nullptr;
    QPushButton *m_insert = nullptr;
    QPushButton *m_change = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_help = nullptr;
    bool m_finished = false;
    QMetaObject::Connection m_focusRefresh;
};

// The independent procedure: makes the preferences window, not yet shown,
// whatever the global request; nullptr when it could not open (its warning
// shown). The window deletes itself on closing and leaves the global
// response: completed after a successful save, cancelled otherwise.
QWidget *USERPREF(AppContext &context);

// Draws the preferences window, with a few sample periods added to an empty
// SPECIAL file (and the default preferences record added to an empty
// USERPREF file) of the context's data folder, into `png`. False when it
// failed.
bool renderUserPrefs(AppContext &context, const QString &png);

} // namespace korvalen
