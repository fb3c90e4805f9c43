#pragma once

#include "views/monthgrid.h"

#include <QDialog>
#include <QPalette>

#include <array>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QString;
class QToolButton;
class QWidget;

namespace korvalen {

class AppContext;
class DayCell;

// The "Look Up Calendar" window: one month as a grid of day numbers, the year
// and month stepped with arrow buttons or chosen from drop lists, a day
// picked by a click. It opens on today's date (from the context's clock),
// whatever the caller's field holds.
//
// Closing it writes the outcome into the context: OK (or a double-click on a
// day) sets context.PickedDate to the selected date and the global response
// to completed; Cancel, Escape or the close box set the response to cancelled
// and leave PickedDate alone. A step beyond 1802 or 2098 beeps through the
// context's prompter, says why in the status line and changes nothing.
class DatePickerDialog : public QDialog
{
public:
    // Builds the window for `context` (which must outlive it) without showing
    // it. `parent` only places the window over its caller.
    explicit DatePickerDialog(AppContext &context, QWidget *parent = nullptr);
    ~DatePickerDialog() override;

    // The shown month and selected day.
    const MonthGrid &grid() const { return m_grid; }

    // The label of grid cell `cell` (0..MonthGrid::kCells-1, row by row):
    // its text is the day number or blank, it is enabled only when it shows a
    // day, hidden in the rows the month does not use, and the selected day's
    // label has highlightColor() as its text colour. nullptr outside the grid.
    QLabel *dayCell(int cell) const;

    // Says why a step was refused; empty otherwise.
    QStatusBar *statusLine() const { return m_statusLine; }

    // The text colour of the selected day: blue.
    static QColor highlightColor();

    // Records the outcome in the context (see the class comment) and closes.
    void done(int result) override;

private:
    QWidget *createNavigation();
    QWidget *createGrid();
    QToolButton *createStepButton(const char *name, Qt::ArrowType arrow, const QString &purpose,
                                  bool (MonthGrid::*step)());
    void createButtons();

    // Beeps when `moved` is false; redraws otherwise.
    void afterStep(bool moved);
    void selectCell(int cell);
    void acceptCell(int cell);
    // Brings every control in line with m_grid.
    void redraw();

    AppContext &m_context;
    MonthGrid m_grid;
    // All constant after construction; owned by this window through Qt.
    std::array<DayCell *, MonthGrid::kCells> m_cells{};
    QComboBox *m_yearList = nullptr;
    QComboBox *m_monthList = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QStatusBar *m_statusLine = nullptr;
    QPalette m_normalPalette;
};

// Builds the date picker for `context` without running it, for tests and for
// rendering. `parent` only places the window.
std::unique_ptr<DatePickerDialog> makeDatePicker(AppContext &context, QWidget *parent = nullptr);

// LOOKUPCAL: runs the date picker as an application-modal dialog over the
// active window and returns when it closes. On OK, context.PickedDate holds
// the chosen date and the global response is completed (1); otherwise the
// response is cancelled (2) and PickedDate is unchanged.
void LOOKUPCAL(AppContext &context);

// Builds the date picker for today, draws it off screen and saves the picture
// as a PNG at `pngPath`. True when the file was written. Changes nothing in
// the context.
bool renderDatePicker(AppContext &context, const QString &pngPath);

} // namespace korvalen
