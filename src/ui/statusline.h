#pragma once

// A window's status line: the status-bar message of the control that has
// the focus or the mouse, the reason a typed value was refused, and a
// permanent text at its right (the form's action message). Every form of
// the program has one.

#include <QMetaObject>
#include <QStatusBar>

class QLabel;

namespace korvalen {

class Prompter;

class StatusLine : public QStatusBar
{
public:
    // The status line of `window` (which owns it); `action`, when given, is
    // shown at its right.
    StatusLine(QWidget &window, Prompter &prompter, QLabel *action = nullptr);
    ~StatusLine() override;

    // Shows `message`, widening the window (or its frame's sub-window) to
    // show it whole.
    void showWide(const QString &message);
    // Shows the status tip of `widget` or of its nearest parent that has one.
    void showTipOf(QWidget *widget);
    // A value typed into `field` was refused: beeps and shows `reason`. With
    // `keepFocus` the field keeps (or gets) the focus with its text selected,
    // and the reason stays until the field is edited or left; without (the
    // field is being left) the focus goes on and the reason stays until the
    // focus moves again.
    void refuseValue(QWidget *field, const QString &reason, bool keepFocus = true);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget &m_window;
    Prompter &m_prompter;
    QLabel *m_action;
    QWidget *m_refusedField = nullptr; // its refusal reason is on show
    bool m_holdReason = false;         // through the focus move under way
    QMetaObject::Connection m_editWatch;
    QMetaObject::Connection m_focusWatch;
};

} // namespace korvalen
