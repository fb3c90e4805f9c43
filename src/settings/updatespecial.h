#pragma once

// The form "Update Special Days": adds, changes or deletes one special-day
// period (a SPECIAL record) on the standard record form. Called from the
// special-days list of the preferences window.

#include "storage/datafiles.h"
#include "ui/recordform.h"

#include <QColor>
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QString;

namespace korvalen {

class AppContext;

class SpecialDayForm : public QDialog
{
    Q_OBJECT

public:
    // The form over the SPECIAL record buffer; run() (or form().start())
    // takes the global request.
    explicit SpecialDayForm(AppContext &context, QWidget *parent = nullptr);
    ~SpecialDayForm() override;

    RecordFormFor<SpecialRecord> &form() { return m_form; }
    QLineEdit *description() const { return m_description; }
    QLineEdit *startDate() const { return m_startDate; }
    QLineEdit *endDate() const { return m_endDate; }
    QPushButton *startCalendar() const { return m_startCalendar; }
    QPushButton *endCalendar() const { return m_endCalendar; }
    QLabel *actionLabel() const { return m_action; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *helpButton() const { return m_help; }

    // The text colour of a date entry whose date was refused, until the
    // date is typed again or accepted.
    static QColor refusedColor();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    QPushButton *createCalendarButton();
    void configureForm();
    void showRecord();
    // The accept rule of a date entry: a valid date (or blank) goes into the
    // working record and is shown in its picture; anything else is refused
    // with its reason and the record's value shown again (the focus kept
    // unless the entry is being left). An end date before the start date
    // is refused with its reason and the focus kept; it stays in the entry,
    // shown as refused, and out of the record. True when accepted.
    bool acceptDate(QLineEdit *entry, bool leaving = false);
    bool endBeforeStart();
    void showRefused(QLineEdit *entry, bool refused);
    // The end date entered while empty takes the start date.
    void enterEndDate();
    // Picks a date for `entry` from the date picker.
    void pickDate(QLineEdit *entry);
    QWidget *validate();

    AppContext &m_context;
    RecordFormFor<SpecialRecord> m_form;
    QLineEdit *m_description = nullptr;
    QLineEdit *m_startDate = nullptr;
    QLineEdit *m_endDate = nullptr;
    QPushButton *m_startCalendar = nullptr;
    QPushButton *m_endCalendar = nullptr;
    QLabel *m_action = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_help = nullptr;
};

// The called procedure: takes the global request (1 insert with the SPECIAL
// buffer cleared, 2 change with the period re-read into the buffer with a
// watch, 3 delete the same, asked with "Confirm Delete" and never shown) and
// leaves the global response. A completed insert or change leaves the saved
// period in the buffer and as the file's current record.
void UPDATESPECIAL(AppContext &context);

// Draws the form, as a change of a sample period added to the SPECIAL file
// of the context's data folder when it holds none, into `png`. False when it
// failed.
bool renderSpecialForm(AppContext &context, const QString &png);

} // namespace korvalen
