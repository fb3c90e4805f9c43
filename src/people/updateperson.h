#pragma once

// The person form "Update Person Entry": adds, changes or deletes one
// PEOPLE record on the standard record form.

#include "storage/datafiles.h"
#include "ui/recordform.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QString;

namespace korvalen {

class AppContext;

class PersonForm : public QDialog
{
    Q_OBJECT

public:
    // The form over the PEOPLE record buffer; run() (or form().start())
    // takes the global request.
    explicit PersonForm(AppContext &context, QWidget *parent = nullptr);
    ~PersonForm() override;

    RecordFormFor<PeopleRecord> &form() { return m_form; }
    QLineEdit *shortName() const { return m_shortName; }
    QLineEdit *longName() const { return m_longName; }
    QLabel *actionLabel() const { return m_action; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *helpButton() const { return m_help; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void configureForm();
    QWidget *validate();

    AppContext &m_context;
    RecordFormFor<PeopleRecord> m_form;
    QLineEdit *m_shortName = nullptr;
    QLineEdit *m_longName = nullptr;
    QLabel *m_action = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_help = nullptr;
};

// The called procedure: takes the global request (1 insert, 2 change with
// the record re-read into the PEOPLE buffer, 3 delete) and leaves the global
// response. A completed insert or change leaves the saved record in the
// buffer.
void UPDATEPERSON(AppContext &context);

// Draws the person form, as a change of a sample person, into `png` (for the
// program's render mode). False when it could not be written.
bool renderPersonForm(AppContext &context, const QString &png);

} // namespace korvalen
