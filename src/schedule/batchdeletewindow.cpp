#include "schedule/batchdeletewindow.h"

#include "runtime/pictures.h"
#include "schedulelogic/batchdelete.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"
#include "ui/formkit.h"
#include "ui/statusline.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <optional>

namespace korvalen {

namespace {

const char *const kTitle = "Batch Delete Old Activities";
const char *const kFutureRefused = "Sorry, future dates are not allowed.";
constexpr int kMessageWidth = 35; // characters

const Picture &datePicture()
{
    static const Picture picture = *Picture::parse("D3");
    return picture;
}

QString plural(std::int64_t count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QString::fromLatin1(count == 1 ? one : many));
}

} // namespace

// A date in a spin box: a day a step, shown in the picture D3; typed dates
// are read as every date field reads them. Only this window has one yet.
class DateSpinBox : public QAbstractSpinBox
{
public:
    explicit DateSpinBox(QWidget *parent) : QAbstractSpinBox(parent)
    {
        setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
        setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 32);
    }

    Date value() const { return m_value; }
    void setValue(Date value)
    {
        m_value = value;
        lineEdit()->setText(qs(datePicture().format(m_value)));
        lineEdit()->setModified(false);
    }
    // The typed date; the value when the text is left as shown, nothing
    // when it is no date (blank included: the field always holds one).
    std::optional<Date> typedValue() const
    {
        if (text() == qs(datePicture().format(m_value)))
            return m_value;
        std::optional<std::int64_t> typed = datePicture().parseInput(text().toStdString());
        if (!typed || *typed == 0)
            return std::nullopt;
        return static_cast<Date>(*typed);
    }
    bool isEdited() const { return lineEdit()->isModified(); }

    // Runs after every step of the arrows, the keys or the wheel.
    std::function<void()> onStepped;

    void stepBy(int steps) override
    {
        setValue(typedValue().value_or(m_value) + steps);
        if (onStepped)
            onStepped();
    }
    QValidator::State validate(QString &, int &) const override { return QValidator::Intermediate; }
    void fixup(QString &input) const override { input = qs(datePicture().format(m_value)); }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    Date m_value = 0;
};

BatchDeleteWindow::BatchDeleteWindow(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context),
      m_batch(std::make_unique<BatchDelete>(context.data, context.prompter))
{
    setWindowTitle(tr(kTitle));
    setFont(dialogFont());
    createFields();
    createButtons();
    m_date->setValue(context.clock.today());
    m_date->setFocus();
    connect(this, &QDialog::finished, this, [this] {
        m_context.globals.response = m_completed ? RequestCompleted : RequestCancelled;
    });
}

BatchDeleteWindow::~BatchDeleteWindow() = default;

QAbstractSpinBox *BatchDeleteWindow::dateField() const
{
    return m_date;
}

Date BatchDeleteWindow::date() const
{
    return m_date->value();
}

void BatchDeleteWindow::createFields()
{
    auto *layout = new QVBoxLayout(this);
    auto *text =
        new QLabel(tr("Deletes all Activities scheduled BEFORE the specified date."), this);
    layout->addWidget(text);

    m_date = new DateSpinBox(this);
    m_date->setObjectName(QStringLiteral("date"));
    m_date->setToolTip(tr("Delete activitities before this date"));
    m_date->setStatusTip(m_date->toolTip());
    m_date->installEventFilter(this);
    // A step past today is refused as a typed date is.
    m_date->onStepped = [this] {
        if (m_date->value() > m_context.clock.today())
            acceptDate();
    };
    auto *dateRow = new QHBoxLayout;
    dateRow->addWidget(m_date);
    dateRow->addStretch(1);
    layout->addLayout(dateRow);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setFixedWidth(m_message->fontMetrics().averageCharWidth() * kMessageWidth + 8);
    layout->addWidget(m_message);
}

void BatchDeleteWindow::createButtons()
{
    m_ok = new QPushButton(tr("OK"), this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_help = new QPushButton(tr("Help"), this);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton *button : {m_ok, m_cancel, m_help}) {
        button->setAutoDefault(true); // Enter presses the button that has the focus
        row->addWidget(button);
    }
    connect(m_ok, &QPushButton::clicked, this, &BatchDeleteWindow::ok);
    connect(m_cancel, &QPushButton::clicked, this, [this] { close(); });
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_context.showHelp)
            m_context.showHelp("~DELBATDIAL");
    });
    auto *layout = static_cast<QVBoxLayout *>(this->layout());
    layout->addLayout(row);
    m_statusLine = new StatusLine(*this, m_context.prompter);
    layout->addWidget(m_statusLine);
}

bool BatchDeleteWindow::acceptDate()
{
    std::optional<Date> typed = m_date->typedValue();
    if (!typed) {
        m_date->setValue(m_date->value());
        m_statusLine->refuseValue(m_date, tr("Invalid date"));
        return false;
    }
    const Date today = m_context.clock.today();
    if (*typed > today) {
        m_date->setValue(today);
        m_message->setText(tr(kFutureRefused));
        m_date->setFocus();
        m_date->selectAll();
        return false;
    }
    m_date->setValue(*typed);
    return true;
}

bool BatchDeleteWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_date)
        return QDialog::eventFilter(watched, event);
    if (isEnterPress(event)) {
        // Enter takes the date and goes on; it never presses OK.
        if (acceptDate())
            focusNextChild();
        return true;
    }
    if (event->type() == QEvent::FocusOut && m_date->isEdited()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Tab leaves the field as Enter does. A click on OK leaves the date
        // to OK, which refuses a future one itself: refused on the way
        // there, it would turn into today's and be deleted before.
        const bool tabbed = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
        if (tabbed || (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                       QApplication::focusWidget() != m_ok))
            acceptDate();
    }
    return QDialog::eventFilter(watched, event);
}

void BatchDeleteWindow::ok()
{
    if (!acceptDate())
        return;
    m_message->clear();
    const int answer = m_context.prompter.message(
        {kTitle,
         "Save a copy of the activities, their dates and their people beside the data files "
         "first, from which they can be restored?",
         MessageIcon::Question, ButtonYes | ButtonNo, ButtonYes});
    if (!runBatch(m_date->value(), answer == ButtonYes))
        return;
    showOutcome();
    m_completed = true;
    close();
}

bool BatchDeleteWindow::runBatch(Date before, bool archive)
{
    // The progress window is modal to the whole program: no other window
    // may write while the batch delete's transaction is open.
    QProgressDialog progress(tr("Copying the files..."), tr("Cancel"), 0, 100, this);
    progress.setWindowTitle(tr(kTitle));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(400);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    QPointer<BatchDeleteWindow> alive(this);
    if (archive) {
        progress.show();
        QCoreApplication::processEvents();
    }
    SaveResult result;
    {
        WaitCursor wait;
        result = m_batch->begin(before, archive ? m_context.clock.today() : 0);
    }
    while (result.ok() && m_batch->stage() != BatchDelete::Stage::Done) {
        if (progress.wasCanceled() && m_batch->stage() == BatchDelete::Stage::Occurrences) {
            m_batch->cancel();
            m_batch = std::make_unique<BatchDelete>(m_context.data, m_context.prompter);
            m_message->setText(tr("Nothing was deleted."));
            return false;
        }
        const BatchDelete::Stage stage = m_batch->stage();
        progress.setLabelText(stage == BatchDelete::Stage::Occurrences
                                  ? tr("Deleting old occurrences...")
                              : stage == BatchDelete::Stage::Activities
                                  ? tr("Deleting activities left without dates...")
                                  : tr("Compacting %1...").arg(qs(m_batch->stageFile())));
        // Once the deletions are stored there is nothing left to cancel.
        if (stage != BatchDelete::Stage::Occurrences)
            progress.setCancelButton(nullptr);
        const std::int64_t total = std::max<std::int64_t>(m_batch->progressTotal(), 1);
        progress.setValue(static_cast<int>(m_batch->progress() * 100 / total));
        QCoreApplication::processEvents();
        result = m_batch->step();
    }
    if (!result.ok()) {
        showSaveFailure(m_context.prompter, result);
        // A new batch for a new try: the failed one has ended.
        m_batch = std::make_unique<BatchDelete>(m_context.data, m_context.prompter);
        return false;
    }
    return alive;
}

void BatchDeleteWindow::showOutcome()
{
    const BatchDeleteCounts &counts = m_batch->counts();
    QString text = tr("Deleted %1, %2 and %3.")
                       .arg(plural(counts.occurrences, "occurrence", "occurrences"),
                            plural(counts.activities, "activity", "activities"),
                            plural(counts.participants, "participant", "participants"));
    if (counts.skippedActivities > 0)
        text += tr(" %1 left alone: the Information window is open.")
                    .arg(plural(counts.skippedActivities, "activity", "activities"));
    if (!m_batch->archive().empty()) {
        QStringList names;
        for (const std::filesystem::path &copy : m_batch->archive())
            names << QString::fromStdString(copy.filename().string());
        text += tr(" The copy is in %1.").arg(names.join(QStringLiteral(", ")));
    }
    m_context.prompter.message(
        {kTitle, text.toStdString(), MessageIcon::Information, ButtonOk, ButtonOk});
}

// ---------------------------------------------------------------------------

QWidget *BATCHDELETE(AppContext &context)
{
    auto *window = new BatchDeleteWindow(context);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}

bool renderBatchDelete(AppContext &context, const QString &directory)
{
    BatchDeleteWindow window(context);
    window.show();
    QCoreApplication::processEvents();
    const bool saved =
        window.grab().save(QDir(directory).filePath(QStringLiteral("batch-delete.png")));
    window.close();
    return saved;
}

} // namespace korvalen
