#pragma once

// What "Activity Repeats" and its two parameter dialogs share: how their
// date fields show and read dates, their buttons and tips, the date picker
// over a date field, and the user's own focus moves.

#include "runtime/dates.h"
#include "ui/pickdate.h"

#include <QString>
#include <Qt>

#include <optional>

class QEvent;
class QLineEdit;
class QPushButton;
class QWidget;

namespace korvalen {

class AppContext;
class StatusLine;

namespace repeatkit {

// `date` in the picture of the dialogs' date fields: D3, blank when 0.
QString shownDate(Date date);

// A focus the user gave (Tab, Backtab, mouse, shortcut). The controls that
// act when they receive the focus act on these only, never when their
// window is activated again after a dialog or message box closed.
bool isUserFocus(Qt::FocusReason reason);
// Whether `event` is the user's own move out of a field, so that what was
// typed counts.
bool isLeaving(const QEvent *event);

// A button of the dialogs: Enter presses it when it has the focus. `tip`,
// when given, is its tooltip and status tip.
QPushButton *newButton(QWidget *parent, const QString &text, const QString &tip = {});
// The narrow "Cal" button beside a date field.
QPushButton *newCalendarButton(QWidget *parent, const QString &tip);
// `tip` as the tooltip and the status tip of `widget`.
void setTip(QWidget *widget, const QString &tip);

// The date picker over a date field (ui/pickdate.h).
using korvalen::pickFromCalendar;

// Reads a date field and shows its date again. Nothing when the text is not
// a date: the field then shows `held` again, and `statusLine` beeps and
// says why, with the focus back in the field. `today` is the example given.
std::optional<Date> readDateField(QLineEdit *field, Date held, StatusLine &statusLine, Date today);
// The date a field has typed in it, or `held` while it holds none: what
// OK is enabled by while the user types.
Date typedOrHeld(const QLineEdit *field, Date held);

// Opens help on `topic` (a "~" keyword).
void showHelp(AppContext &context, const char *topic);

} // namespace repeatkit
} // namespace korvalen
