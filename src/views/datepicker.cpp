#include "views/datepicker.h"

#include "ui/appcontext.h"
#include "ui/formkit.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace korvalen {

// One day of the grid: shows the day number and reports clicks on it. A
// disabled (blank) cell receives no mouse events at all.
class DayCell : public QLabel
{
public:
    DayCell(int cell, QWidget *parent) : QLabel(parent), m_cell(cell)
    {
        setAlignment(Qt::AlignCenter);
    }

    std::function<void(int cell)> clicked;
    std::function<void(int cell)> doubleClicked;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && clicked)
            clicked(m_cell);
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && doubleClicked)
            doubleClicked(m_cell);
    }

private:
    const int m_cell;
};

DatePickerDialog::DatePickerDialog(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context), m_grid(context.clock.today())
{
    setWindowTitle(QStringLiteral("Look Up Calendar"));
    setWindowModality(Qt::ApplicationModal);
    setFont(boldSmallDialogFont());
    m_normalPalette = palette();

    auto *calendar = new QGroupBox(this);
    auto *calendarLayout = new QVBoxLayout(calendar);
    calendarLayout->addWidget(createNavigation());
    calendarLayout->addWidget(createGrid(), 0, Qt::AlignHCenter | Qt::AlignTop);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto *body = new QHBoxLayout;
    body->addWidget(calendar, 0, Qt::AlignTop);
    createButtons();
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();
    body->addLayout(buttons);
    layout->addLayout(body);
    // Where a refused step says why; its text never widens the window.
    m_statusLine = new QStatusBar(this);
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    m_statusLine->setSizeGripEnabled(false);
    layout->addWidget(m_statusLine);

    redraw();
    m_okButton->setFocus();
}

DatePickerDialog::~DatePickerDialog() = default;

QLabel *DatePickerDialog::dayCell(int cell) const
{
    if (cell < 0 || cell >= MonthGrid::kCells)
        return nullptr;
    return m_cells[static_cast<std::size_t>(cell)];
}

QColor DatePickerDialog::highlightColor()
{
    return QColor(0x00, 0x00, 0xFF);
}

void DatePickerDialog::done(int result)
{
    if (result == QDialog::Accepted) {
        m_context.PickedDate = m_grid.date();
        m_context.globals.response = RequestCompleted;
    } else {
        m_context.globals.response = RequestCancelled;
    }
    QDialog::done(result);
}

QWidget *DatePickerDialog::createNavigation()
{
    auto *navigation = new QWidget(this);
    auto *layout = new QHBoxLayout(navigation);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    m_yearList = new QComboBox(navigation);
    m_yearList->setObjectName(QStringLiteral("yearList"));
    m_yearList->setAccessibleName(QStringLiteral("Year"));
    for (int year = MonthGrid::kFirstYear; year <= MonthGrid::kLastYear; ++year)
        m_yearList->addItem(QString::number(year));
    m_yearList->setMaxVisibleItems(12);
    connect(m_yearList, &QComboBox::activated, this, [this](int row) {
        m_grid.setYear(MonthGrid::kFirstYear + row);
        redraw();
    });

    m_monthList = new QComboBox(navigation);
    m_monthList->setObjectName(QStringLiteral("monthList"));
    m_monthList->setAccessibleName(QStringLiteral("Month"));
    for (int month = 1; month <= 12; ++month) {
        const std::string_view name = MonthGrid::monthAbbreviation(month);
        m_monthList->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }
    m_monthList->setMaxVisibleItems(12);
    connect(m_monthList, &QComboBox::activated, this, [this](int row) {
        m_grid.setMonth(row + 1);
        redraw();
    });

    layout->addWidget(
        createStepButton("B1", Qt::LeftArrow, tr("Previous year"), &MonthGrid::previousYear));
    layout->addWidget(m_yearList);
    layout->addWidget(
        createStepButton("B2", Qt::RightArrow, tr("Next year"), &MonthGrid::nextYear));
    layout->addStretch();
    layout->addWidget(
        createStepButton("B3", Qt::LeftArrow, tr("Previous month"), &MonthGrid::previousMonth));
    layout->addWidget(m_monthList);
    layout->addWidget(
        createStepButton("B4", Qt::RightArrow, tr("Next month"), &MonthGrid::nextMonth));
    return navigation;
}

QToolButton *DatePickerDialog::createStepButton(const char *name, Qt::ArrowType arrow,
                                                const QString &purpose, bool (MonthGrid::*step)())
{
    auto *button = new QToolButton(this);
    button->setObjectName(QLatin1String(name));
    button->setArrowType(arrow);
    button->setAccessibleName(purpose);
    connect(button, &QToolButton::clicked, this, [this, step] { afterStep((m_grid.*step)()); });
    return button;
}

QWidget *DatePickerDialog::createGrid()
{
    // Cells wide enough for "28" with room on both sides, and a little taller
    // than a line, so that the numbers neither touch nor crowd each other.
    const QFontMetrics metrics(font());
    const QSize cellSize(metrics.horizontalAdvance(QStringLiteral("00")) +
                             2 * metrics.averageCharWidth(),
                         metrics.height() + metrics.height() / 2);

    auto *gridArea = new QWidget(this);
    gridArea->setObjectName(QStringLiteral("gridArea"));
    auto *layout = new QGridLayout(gridArea);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int column = 0; column < MonthGrid::kColumns; ++column) {
        auto *heading =
            new QLabel(QString(QChar::fromLatin1(MonthGrid::weekdayLetter(column))), gridArea);
        heading->setAlignment(Qt::AlignCenter);
        heading->setFixedSize(cellSize);
        layout->addWidget(heading, 0, column);
    }
    for (int cell = 0; cell < MonthGrid::kCells; ++cell) {
        auto *label = new DayCell(cell, gridArea);
        label->setFixedSize(cellSize);
        label->clicked = [this](int clickedCell) { selectCell(clickedCell); };
        label->doubleClicked = [this](int clickedCell) { acceptCell(clickedCell); };
        layout->addWidget(label, 1 + cell / MonthGrid::kColumns, cell % MonthGrid::kColumns);
        m_cells[static_cast<std::size_t>(cell)] = label;
    }
    return gridArea;
}

void DatePickerDialog::createButtons()
{
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void DatePickerDialog::afterStep(bool moved)
{
    if (!moved) {
        m_context.prompter.beep();
        m_statusLine->showMessage(tr("The calendar runs from %1 to %2")
                                      .arg(MonthGrid::kFirstYear)
                                      .arg(MonthGrid::kLastYear));
        return;
    }
    m_statusLine->clearMessage();
    redraw();
}

void DatePickerDialog::selectCell(int cell)
{
    if (m_grid.selectCell(cell))
        redraw();
}

void DatePickerDialog::acceptCell(int cell)
{
    if (!m_grid.selectCell(cell))
        return;
    redraw();
    accept();
}

void DatePickerDialog::redraw()
{
    const int shownCells = m_grid.rows() * MonthGrid::kColumns;
    QPalette highlighted = m_normalPalette;
    highlighted.setColor(QPalette::WindowText, highlightColor());
    for (int cell = 0; cell < MonthGrid::kCells; ++cell) {
        DayCell *label = m_cells[static_cast<std::size_t>(cell)];
        const int day = m_grid.dayInCell(cell);
        label->setText(day != 0 ? QString::number(day) : QString());
        label->setEnabled(day != 0);
        label->setHidden(cell >= shownCells);
        label->setPalette(cell == m_grid.selectedCell() ? highlighted : m_normalPalette);
    }
    m_yearList->setCurrentIndex(m_grid.year() - MonthGrid::kFirstYear);
    m_monthList->setCurrentIndex(m_grid.month() - 1);
}

std::unique_ptr<DatePickerDialog> makeDatePicker(AppContext &context, QWidget *parent)
{
    return std::make_unique<DatePickerDialog>(context, parent);
}

void LOOKUPCAL(AppContext &context)
{
    context.globals.response = RequestCancelled;
    // The caller's window owns the dialog too; if it goes away while the
    // dialog runs, the guard is cleared and nothing is deleted twice.
    QPointer<DatePickerDialog> dialog =
        makeDatePicker(context, QApplication::activeWindow()).release();
    dialog->exec();
    delete dialog.data();
}

bool renderDatePicker(AppContext &context, const QString &pngPath)
{
    std::unique_ptr<DatePickerDialog> dialog = makeDatePicker(context);
    dialog->setAttribute(Qt::WA_DontShowOnScreen);
    dialog->show();
    const bool saved = dialog->grab().save(pngPath, "PNG");
    dialog->hide();
    return saved;
}

} // namespace korvalen
