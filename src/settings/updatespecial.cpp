#include "settings/updatespecial.h"

#include "runtime/pictures.h"
#include "storage/openfile.h"
#include "storage/recordupdate.h"
#include "ui/appcontext.h"
#include "ui/formkit.h"
#include "ui/pickdate.h"
#include "ui/procedures.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

namespace korvalen {

namespace {

const Picture &datePicture()
{
    static const Picture picture = *Picture::parse("D3B");
    return picture;
}

} // namespace

SpecialDayForm::SpecialDayForm(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context),
      m_form(context, *this, context.data.special, context.data.SPE)
{
    setWindowTitle(tr("Update Special Days"));
    setFont(dialogFont());
    createControls();
    configureForm();
}

SpecialDayForm::~SpecialDayForm() = default;

QPushButton *SpecialDayForm::createCalendarButton()
{
    auto *button = new QPushButton(tr("Cal"), this);
    button->setAutoDefault(true);
    button->setToolTip(tr("Pop up calendar"));
    button->setStatusTip(tr("Pop up calendar"));
    button->setFixedWidth(button->fontMetrics().horizontalAdvance("Cal") + 24);
    return button;
}

void SpecialDayForm::createControls()
{
    m_description = new QLineEdit(this);
    fitCharacters(*m_description, decltype(SpecialRecord::DESCRIPTION)::width);
    m_description->setToolTip(tr("Identify the period (20 characters)"));
    m_description->setStatusTip(tr("Name of special period"));
    m_startDate = new QLineEdit(this);
    m_startDate->setToolTip(tr("First day of period"));
    m_endDate = new QLineEdit(this);
    m_endDate->setToolTip(tr("Last day of the period"));
    for (QLineEdit *entry : {m_description, m_startDate, m_endDate})
        entry->installEventFilter(this);
    m_startCalendar = createCalendarButton();
    m_endCalendar = createCalendarButton();
    m_action = new QLabel(this);
    m_ok = new QPushButton(tr("OK"), this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_help = new QPushButton(tr("Help"), this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Description:"), this), 0, 0);
    grid->addWidget(m_description, 0, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Start Date:"), this), 1, 0);
    grid->addWidget(m_startDate, 1, 1);
    grid->addWidget(m_startCalendar, 1, 2);
    grid->addWidget(new QLabel(tr("End Date:"), this), 2, 0);
    grid->addWidget(m_endDate, 2, 1);
    grid->addWidget(m_endCalendar, 2, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *button : {m_ok, m_cancel, m_help}) {
        // Enter presses the button that has the focus; in the entries it
        // moves on instead (see eventFilter), and no button is the default.
        button->setAutoDefault(true);
        buttons->addWidget(button);
    }
    grid->addLayout(buttons, 3, 0, 1, 3);
    connect(m_startCalendar, &QPushButton::clicked, this, [this] { pickDate(m_startDate); });
    connect(m_endCalendar, &QPushButton::clicked, this, [this] { pickDate(m_endDate); });
    connect(m_ok, &QPushButton::clicked, this, [this] { m_form.ok(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_form.cancel(); });
    connect(m_help, &QPushButton::clicked, this, [this] { m_form.help(); });
}

void SpecialDayForm::configureForm()
{
    m_form.setHelpTopic("~UPSPECDIAL");
    m_form.setFirstField(m_description);
    m_form.setActionLabel(m_action);
    static_cast<QGridLayout *>(layout())->addWidget(m_form.createStatusLine(), 4, 0, 1, 3);
    m_form.setShowRecord([this] { showRecord(); });
    m_form.setTakeRecord([this] {
        SpecialRecord &record = m_form.record();
        record.DESCRIPTION = m_description->text().toStdString();
        // A date typed but not yet accepted counts when it is one.
        if (auto start = datePicture().parseInput(m_startDate->text().toStdString()))
            record.STARTDATE = static_cast<Date>(*start);
        if (auto end = datePicture().parseInput(m_endDate->text().toStdString()))
            record.ENDDATE = static_cast<Date>(*end);
    });
    m_form.setValidate([this] { return validate(); });
    m_form.setUpdate(updateSpecial);
    m_form.setRemove(deleteSpecial);
}

void SpecialDayForm::showRecord()
{
    const SpecialRecord &record = m_form.record();
    m_description->setText(qs(record.DESCRIPTION.str()));
    m_startDate->setText(qs(datePicture().format(record.STARTDATE)));
    m_endDate->setText(qs(datePicture().format(record.ENDDATE)));
}

bool SpecialDayForm::endBeforeStart()
{
    const SpecialRecord &record = m_form.record();
    return record.ENDDATE < record.STARTDATE;
}

bool SpecialDayForm::acceptDate(QLineEdit *entry, bool leaving)
{
    const QString typed = entry->text().trimmed();
    std::optional<std::int64_t> date = datePicture().parseInput(typed.toStdString());
    SpecialRecord &record = m_form.record();
    if (!date) {
        // Only this entry is shown again: the others may hold typing that
        // is not in the record yet.
        entry->setText(
            qs(datePicture().format(entry == m_startDate ? record.STARTDATE : record.ENDDATE)));
        entry->setModified(false);
        showRefused(entry, false);
        m_form.refuseValue(entry,
                           tr("\"%1\" is not a date; type one as %2")
                               .arg(typed, qs(datePicture().format(m_context.clock.today()))),
                           !leaving);
        return false;
    }
    Date &field = entry == m_startDate ? record.STARTDATE : record.ENDDATE;
    const Date before = field;
    field = static_cast<Date>(*date);
    entry->setText(qs(datePicture().format(*date)));
    entry->setModified(false);
    const bool refused = entry == m_endDate && endBeforeStart();
    // A refused end date stays to be corrected (or the start moved), shown
    // as refused, and out of the record.
    showRefused(entry, refused);
    if (refused) {
        field = before;
        m_form.refuseValue(entry, tr("The end date %1 lies before the start date %2")
                                      .arg(qs(datePicture().format(*date)),
                                           qs(datePicture().format(record.STARTDATE))));
        return false;
    }
    return true;
}

void SpecialDayForm::showRefused(QLineEdit *entry, bool refused)
{
    if (!refused) {
        entry->setPalette(QPalette());
        return;
    }
    QPalette marked = entry->palette();
    marked.setColor(QPalette::Text, refusedColor());
    entry->setPalette(marked);
    connect(
        entry, &QLineEdit::textEdited, this, [this, entry] { showRefused(entry, false); },
        Qt::SingleShotConnection);
}

QColor SpecialDayForm::refusedColor()
{
    return QColor(0xC0, 0x00, 0x00);
}

void SpecialDayForm::enterEndDate()
{
    SpecialRecord &record = m_form.record();
    if (record.ENDDATE != 0)
        return;
    record.ENDDATE = record.STARTDATE;
    m_endDate->setText(qs(datePicture().format(record.ENDDATE)));
}

void SpecialDayForm::pickDate(QLineEdit *entry)
{
    const std::optional<Date> date = pickFromCalendar(m_context);
    if (!date) {
        entry->setFocus();
        return;
    }
    SpecialRecord &record = m_form.record();
    m_form.record().DESCRIPTION = m_description->text().toStdString();
    (entry == m_startDate ? record.STARTDATE : record.ENDDATE) = *date;
    showRecord();
    // A picked end date is held to the same rule as a typed one.
    if (entry == m_endDate)
        acceptDate(m_endDate);
}

QWidget *SpecialDayForm::validate()
{
    // Every control is entered and accepted in turn, as the user would.
    if (!acceptDate(m_startDate))
        return m_startDate;
    enterEndDate();
    if (!acceptDate(m_endDate))
        return m_endDate;
    return nullptr;
}

bool SpecialDayForm::eventFilter(QObject *watched, QEvent *event)
{
    auto *entry = qobject_cast<QLineEdit *>(watched);
    if (entry != m_description && entry != m_startDate && entry != m_endDate)
        return QDialog::eventFilter(watched, event);
    const bool isDate = entry != m_description;
    if (event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter accepts the entry and goes on; it never presses OK.
            if (!isDate || acceptDate(entry))
                focusNextChild();
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn && entry == m_endDate)
        enterEndDate();
    if (event->type() == QEvent::FocusOut && isDate && entry->isModified()) {
        Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            acceptDate(entry, true);
    }
    return QDialog::eventFilter(watched, event);
}

void UPDATESPECIAL(AppContext &context)
{
    SpecialDayForm dialog(context);
    dialog.form().run();
}

bool renderSpecialForm(AppContext &context, const QString &png)
{
    AppData &data = context.data;
    FileUse use(data.special, context.prompter);
    bool any = true;
    if (data.special.hasRecords(any).ok() && !any) {
        const Date today = context.clock.today();
        data.SPE = {today + 20, today + 28, "Spring Break"};
        (void)data.special.add();
    }
    data.special.set(keys::SPE_DATE_KEY);
    if (!data.special.next().ok())
        return false;
    data.special.cursor().release();
    context.globals.request = ChangeRecord;
    SpecialDayForm form(context);
    if (!form.form().start())
        return false;
    form.show();
    QApplication::processEvents();
    bool saved = form.grab().save(png);
    form.hide();
    form.form().finish();
    return saved;
}

} // namespace korvalen
