#pragma once

// The window "Batch Delete Old Activities" (BATCHDELETE): a day, and on OK
// every occurrence before it, every activity left without occurrences and
// its people deleted, the files compacted where nobody else uses them. It
// offers to copy the three files first, shows its progress in a modal
// progress window (so that no other window writes into the batch delete's
// transaction meanwhile), and says what it did.

#include "runtime/dates.h"

#include <QDialog>

#include <memory>

class QAbstractSpinBox;
class QLabel;
class QPushButton;
class QString;

namespace korvalen {

class AppContext;
class BatchDelete;
class DateSpinBox;
class StatusLine;

class BatchDeleteWindow : public QDialog
{
    Q_OBJECT

public:
    // The window over `context` (which must outlive it), its files open,
    // today's date in its date field.
    explicit BatchDeleteWindow(AppContext &context, QWidget *parent = nullptr);
    ~BatchDeleteWindow() override;

    QAbstractSpinBox *dateField() const;
    Date date() const;
    QLabel *messageArea() const { return m_message; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *helpButton() const { return m_help; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createFields();
    void createButtons();
    // Takes the typed date: a date later than today goes back to today with
    // the message, the focus staying on the date field. True when a date not
    // after today was taken.
    bool acceptDate();
    void ok();
    // Runs the batch delete before `before` under the progress window; true
    // when it went to its end.
    bool runBatch(Date before, bool archive);
    void showOutcome();

    AppContext &m_context;
    std::unique_ptr<BatchDelete> m_batch; // holds the three files while open
    DateSpinBox *m_date = nullptr;
    QLabel *m_message = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_help = nullptr;
    StatusLine *m_statusLine = nullptr;
    bool m_completed = false;
};

// The independent procedure: makes the batch delete window, not yet shown.
// The window deletes itself on closing and leaves the global response:
// completed after a batch delete, cancelled otherwise.
QWidget *BATCHDELETE(AppContext &context);

// Draws the batch delete window into batch-delete.png in `directory`. False
// when it failed.
bool renderBatchDelete(AppContext &context, const QString &directory);

} // namespace korvalen
