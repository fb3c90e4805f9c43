#pragma once

// The "Delete Activities" window (DELACT): confirms the delete of the
// occurrence highlighted in an activity list and, for an activity with
// several occurrences, asks which of them go.

#include "schedulelogic/deleteoccurrences.h"

#include <QDialog>

#include <array>

class QGroupBox;
class QKeyEvent;
class QPushButton;
class QRadioButton;
class QString;

namespace korvalen {

class AppContext;

// The question alone; DELACT does the delete. "&No" is the default button,
// so Enter never deletes.
class DeleteActivityDialog : public QDialog
{
    Q_OBJECT

public:
    // The window for an activity with several occurrences when `repeated`
    // (the scope group shown, "Just This One" chosen), for a single one
    // otherwise (the group hidden, the answer "All"). `context` must
    // outlive the window.
    DeleteActivityDialog(AppContext &context, bool repeated, QWidget *parent = nullptr);

    // The occurrences the user chose.
    DeleteScope scope() const { return m_scope; }
    // Whether the window closed with "&Yes".
    bool isConfirmed() const { return m_confirmed; }

    QGroupBox *scopeGroup() const { return m_group; }
    QRadioButton *scopeButton(DeleteScope scope) const;
    QPushButton *noButton() const { return m_no; }
    QPushButton *yesButton() const { return m_yes; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void showHelp();

    AppContext &m_context;
    DeleteScope m_scope = DeleteScope::All;
    bool m_confirmed = false;

    // Owned by this window through Qt; constant after construction.
    QGroupBox *m_group = nullptr;
    std::array<QRadioButton *, 3> m_scopeButtons{};
    QPushButton *m_no = nullptr;
    QPushButton *m_yes = nullptr;
};

// The procedure, called by the lists that show occurrences: the caller has
// read the highlighted occurrence into the DATES buffer (the file's current
// record) and set ACT:ACTNUMBER to its activity. Asks, and on "&Yes"
// deletes as answered; an activity whose form is open elsewhere is left
// alone with the "Information Safeguard" message, a failure shows its
// warning. The buffers are left as they were; the response is cancelled in
// every case, and the caller refreshes its list.
void DELACT(AppContext &context);

// Writes pictures of the window for a single occurrence and for a repeated
// activity into `directory` (delete-single.png, delete-repeated.png). True
// when both were written.
bool renderDeleteDialogs(AppContext &context, const QString &directory);

} // namespace korvalen
