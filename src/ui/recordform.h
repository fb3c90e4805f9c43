#pragma once

// The standard record form: the behaviour every insert/change/delete screen
// shares (the person, group, special-day and preferences forms). A screen is
// a QDialog with its own controls; it makes one RecordFormFor<Record> over
// itself, configures it and runs it:
//
//   PersonDialog::PersonDialog(AppContext &context)
//       : m_form(context, *this, context.data.people, context.data.PEO)
//   {
//       ...controls...
//       m_form.setFirstField(m_shortName);
//       m_form.setActionLabel(m_action);
//       m_form.setShowRecord([this] { m_shortName->setText(...m_form.record()...); });
//       m_form.setTakeRecord([this] { m_form.record().PERSON = ...; });
//       m_form.setPrime([&context](PeopleRecord &r) { r.DATE = context.clock.today(); });
//       m_form.setUpdate(updatePerson);
//       m_form.setRemove(deletePerson);
//       m_form.setDuplicateKeyName("Short Name Order");
//       connect(ok, &QPushButton::clicked, [this] { m_form.ok(); });
//       connect(cancel, &QPushButton::clicked, [this] { m_form.cancel(); });
//   }
//   void UPDATEPERSON(AppContext &context) { PersonDialog dialog(context); dialog.m_form.run(); }
//
// The form takes the global request and leaves the global response. The
// window keeps its own copy of the record it edits, the copy taken on
// entry, and the stored record's number and watched version: the shared
// record buffer only carries the record in from the caller (for a change,
// as the caller's watched re-read left it) and back out on completion.

#include "storage/datafiles.h"
#include "storage/recordupdate.h"
#include "storage/status.h"
#include "ui/appcontext.h"
#include "ui/formrequest.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QDialog;
class QLabel;
class QLineEdit;
class QStatusBar;
class QWidget;

namespace korvalen {

class FileUse;
class StatusLine;

class RecordForm : public QObject
{
public:
    // Shows the working record in the controls.
    using ShowRecord = std::function<void()>;
    // Takes the controls' values into the working record.
    using TakeRecord = std::function<void()>;
    // Validates every control in field order: the first one rejected (after
    // the screen's beep or message), nullptr when all are accepted.
    using Validate = std::function<QWidget *()>;

    // The form of `window` over `file`, opened under its open counter while
    // the form runs. `window` must outlive the form.
    RecordForm(AppContext &context, QDialog &window, DataFile &file);
    ~RecordForm() override;

    // Configuration, before run() or start().
    void setAllowedRequests(bool insert, bool change, bool remove);
    // Another file the form uses, opened with its own.
    void addFile(DataFile &file);
    // Cancel closes at once with the cancelled response instead of asking
    // whether to save the changes (the preferences form).
    void setCancelClosesAtOnce(bool atOnce) { m_cancelClosesAtOnce = atOnce; }
    // The key's name or description shown when an insert clashes (kind 24).
    void setDuplicateKeyName(std::string name) { m_duplicateKeyName = std::move(name); }
    void setHelpTopic(std::string topic) { m_helpTopic = std::move(topic); }
    void setFirstField(QWidget *field) { m_firstField = field; }
    // Where the action message is shown.
    void setActionLabel(QLabel *label) { m_actionLabel = label; }
    void setShowRecord(ShowRecord show) { m_showRecord = std::move(show); }
    void setTakeRecord(TakeRecord take) { m_takeRecord = std::move(take); }
    void setValidate(Validate validate) { m_validate = std::move(validate); }

    // Takes the global request and handles it up to showing the window:
    // returns true when the window is to be shown (insert or change, the
    // record primed or loaded and shown). Otherwise the request is done: a
    // request the form does not allow is refused (kind 19 or 21), a delete
    // is confirmed (kind 32) and run, and the response is set.
    bool start();
    // start(), then the window modally while it is to be shown, then
    // finish(). Returns the response (1 completed, 2 cancelled).
    int run();
    // Releases the files and leaves the response in the globals. Called by
    // run(); a screen that shows the window itself calls it after.
    void finish();

    // The OK button: validates, then adds (insert) or updates (change); on
    // success completes and closes the window.
    void ok();
    // The Cancel button: as closing the window, or at once (see above).
    void cancel();
    // The Help button.
    void help();

    // The window's status line: the status-bar message of the control that
    // has the focus or the mouse, the reason a value was refused, and the
    // action message (when set before) at its right. Made once; the screen
    // puts it at the bottom of its layout.
    QStatusBar *createStatusLine();
    QStatusBar *statusLine() const;
    // Shows `message` on the status line, widening the form to show it whole.
    void showStatusMessage(const QString &message);
    // A value typed into `field` was refused: beeps and shows `reason` in
    // the status line. With `keepFocus` the field keeps (or gets) the focus
    // with its text selected, and the reason stays until the field is
    // edited or left; without (the field is being left) the focus goes on
    // and the reason stays until the focus moves again. The screen has
    // already shown the field's last accepted value again.
    void refuseValue(QWidget *field, const QString &reason, bool keepFocus = true);
    // Adds the working record now (kind 24 or 14 on failure, the first field
    // selected) and, on success, goes on as a change of the added record.
    // For forms that save a new record before they close.
    bool addNow();

    int request() const { return m_core.request(); }
    int response() const { return m_core.response(); }
    bool isCompleted() const { return m_core.isCompleted(); }
    // "Record will be Added", "Record will be Changed" or empty.
    std::string actionMessage() const;
    // The stored record the form changes: number and watched version.
    const RecordRef &recordRef() const { return m_ref; }

protected:
    // The record-type part, given by RecordFormFor.
    virtual void loadFromCaller() = 0;     // working record and entry copy from the buffer
    virtual void primeNewRecord() = 0;     // blank record, the screen's defaults, entry copy
    virtual bool isChanged() const = 0;    // working record differs from the entry copy
    virtual Status addRecord() = 0;        // add the working record; nothing shown
    virtual SaveResult updateRecord() = 0; // the update operation; shows nothing
    virtual SaveResult deleteRecord() = 0; // the delete operation; shows nothing
    virtual void handBack() = 0;           // working record into the buffer
    virtual void takeAddedAsEntry() = 0;   // entry copy := working record

    bool eventFilter(QObject *watched, QEvent *event) override;
    // The failure of an operation the screen did not configure.
    static Status missingOperation();

    AppContext &m_context;
    DataFile &m_file;
    RecordRef m_ref;

private:
    enum class Outcome
    {
        Completed,
        KeepOpen,
        GiveUp
    };

    void runDelete();
    Outcome save();
    Outcome saveNew();
    Outcome saveChange();
    // Closing the window: whether it may close (asking kind 33 first).
    bool mayClose();
    // The frame's question before the program ends (see CloseQueryEvent).
    void answerCloseQuery(QEvent *event);
    // Goes on as the change of the record just stored.
    void continueAsChange();
    void closeWindow();
    void selectFirstField();

    QDialog &m_window;
    FormRequest m_core;
    bool m_cancelClosesAtOnce = false;
    std::string m_duplicateKeyName;
    std::string m_helpTopic;
    QWidget *m_firstField = nullptr;
    QLabel *m_actionLabel = nullptr;
    ShowRecord m_showRecord;
    TakeRecord m_takeRecord;
    Validate m_validate;

    bool m_shown = false;
    bool m_closing = false;
    bool m_closeAgreed = false; // the frame's close question was answered yes

    StatusLine *m_statusLine = nullptr;
};

// Gives `entry` room to show `characters` characters of ordinary text and
// makes it take no more than that many.
void fitCharacters(QLineEdit &entry, std::size_t characters);

// The form over one record type. The update and delete operations are those
// of storage/recordupdate.h (or any with their signatures).
template <class Record> class RecordFormFor : public RecordForm
{
public:
    using Prime = std::function<void(Record &record)>;
    using Update = std::function<SaveResult(AppData &, Prompter &, const Record &, RecordRef &)>;
    using Remove = std::function<SaveResult(AppData &, Prompter &, const RecordRef &)>;

    // `buffer` is `file`'s record buffer.
    RecordFormFor(AppContext &context, QDialog &window, DataFile &file, Record &buffer)
        : RecordForm(context, window, file), m_buffer(buffer)
    {
    }

    // The window's own copy of the record it edits.
    Record &record() { return m_record; }
    const Record &entryCopy() const { return m_entry; }

    // Fills the screen's defaults into a new, blank record.
    void setPrime(Prime prime) { m_prime = std::move(prime); }
    // Takes the entry copy of a new record from the buffer as the caller
    // left it (after `adjust`) instead of from the primed record, so that a
    // new record counts as changed from the start (the person form).
    void setEntryCopyFromCaller(Prime adjust)
    {
        m_entryFromCaller = true;
        m_adjustEntry = std::move(adjust);
    }
    void setUpdate(Update update) { m_update = std::move(update); }
    void setRemove(Remove remove) { m_remove = std::move(remove); }

protected:
    void loadFromCaller() override
    {
        m_record = m_buffer;
        m_entry = m_buffer;
        m_ref = m_file.current();
    }
    void primeNewRecord() override
    {
        m_entry = m_buffer;
        if (m_adjustEntry)
            m_adjustEntry(m_entry);
        m_record = Record{};
        if (m_prime)
            m_prime(m_record);
        if (!m_entryFromCaller)
            m_entry = m_record;
        m_ref = {};
    }
    bool isChanged() const override { return !(m_record == m_entry); }
    Status addRecord() override
    {
        m_buffer = m_record;
        return m_file.add();
    }
    SaveResult updateRecord() override
    {
        if (!m_update)
            return {missingOperation()};
        return m_update(m_context.data, m_context.prompter, m_record, m_ref);
    }
    SaveResult deleteRecord() override
    {
        if (!m_remove)
            return {missingOperation()};
        return m_remove(m_context.data, m_context.prompter, m_ref);
    }
    void handBack() override { m_buffer = m_record; }
    void takeAddedAsEntry() override { m_entry = m_record; }

private:
    Record &m_buffer;
    Record m_record{};
    Record m_entry{};
    Prime m_prime;
    Prime m_adjustEntry;
    bool m_entryFromCaller = false;
    Update m_update;
    Remove m_remove;
};

} // namespace korvalen
