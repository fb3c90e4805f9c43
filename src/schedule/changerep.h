#pragma once

// The "Change Repeated Activity" dialog (CHANGEREP): asks, when a change of
// an activity with several occurrences is saved, which of them the change
// applies to. The activity form acts on the answer (see ActivityEdit).

#include "schedulelogic/activityedit.h"

#include <QDialog>

#include <array>

class QPushButton;
class QRadioButton;
class QString;

namespace korvalen {

class AppContext;

// The dialog. Its option box is bound to the shared ChangeScope: opening it
// sets "Just This One" (the first radio, which takes the focus) and each
// radio chosen sets its text.
class ChangeScopeDialog : public QDialog
{
    Q_OBJECT

public:
    // `context` must outlive the dialog.
    explicit ChangeScopeDialog(AppContext &context, QWidget *parent = nullptr);

    // The scope whose radio is chosen.
    ChangeScope scope() const;
    QRadioButton *radio(ChangeScope scope) const;
    // "ok", "cancel" or "help".
    QPushButton *button(const char *name) const;

private:
    void createControls();

    AppContext &m_context;
    // In the order of ChangeScope; owned through Qt, constant after
    // construction.
    std::array<QRadioButton *, 3> m_radios{};
};

// The procedure: shows the dialog over the active window and leaves the
// response completed (OK, with the shared ChangeScope holding the answer)
// or cancelled (Cancel, Escape, the close box).
void CHANGEREP(AppContext &context);

// Writes a picture of the dialog as it opens, change-scope.png, into
// `directory`. True when it was written.
bool renderChangeScope(AppContext &context, const QString &directory);

} // namespace korvalen
