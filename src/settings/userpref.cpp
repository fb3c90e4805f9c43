#include "settings/userpref.h"

#include "runtime/pictures.h"
#include "storage/openfile.h"
#include "storage/recordupdate.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"
#include "ui/browselist.h"
#include "ui/formkit.h"
#include "ui/listview.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QString>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace korvalen {

using namespace keys;

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

struct HoursMinutes
{
    int hours = 0;
    int minutes = 0;
};

// Reads "h:mm" (one or two digits of hours, two of minutes, 0 to 59) from
// the front of `text`, leaving the rest in it.
std::optional<HoursMinutes> readHoursMinutes(std::string_view &text)
{
    std::size_t digits = 0;
    while (digits < text.size() && digits < 3 && isDigit(text[digits]))
        ++digits;
    if (digits < 1 || digits > 2 || text.size() < digits + 3 || text[digits] != ':' ||
        !isDigit(text[digits + 1]) || !isDigit(text[digits + 2]))
        return std::nullopt;
    HoursMinutes read;
    for (std::size_t i = 0; i < digits; ++i)
        read.hours = read.hours * 10 + (text[i] - '0');
    read.minutes = (text[digits + 1] - '0') * 10 + (text[digits + 2] - '0');
    if (read.minutes > 59)
        return std::nullopt;
    text.remove_prefix(digits + 3);
    return read;
}

ClockTime timeValue(int hours, int minutes)
{
    return hours * kHundredthsPerHour + minutes * kHundredthsPerMinute + 1;
}

// A few periods for the pictures, added only to an empty file.
void addSamplePeriods(AppContext &context)
{
    AppData &data = context.data;
    bool any = true;
    if (!data.special.hasRecords(any).ok() || any)
        return;
    const Date today = context.clock.today();
    const struct
    {
        const char *name;
        int from, to;
    } periods[] = {{"Spring Break", 20, 28},    {"Grandma visiting", 35, 38},
                   {"School trip", 35, 36},     {"Summer holidays", 90, 130},
                   {"Office closed", 140, 140}, {"Winter break", 200, 214}};
    for (const auto &period : periods) {
        data.SPE = {};
        data.SPE.STARTDATE = today + period.from;
        data.SPE.ENDDATE = today + period.to;
        data.SPE.DESCRIPTION = period.name;
        (void)data.special.add();
    }
}

} // namespace

std::optional<ClockTime> parseStartTime(std::string_view typed)
{
    std::string_view rest = trimmed(typed);
    std::optional<HoursMinutes> read = readHoursMinutes(rest);
    if (!read)
        return std::nullopt;
    rest = trimmed(rest);
    if (rest.empty())
        return read->hours <= 23 ? std::optional(timeValue(read->hours, read->minutes))
                                 : std::nullopt;
    const std::string suffix = upperCase(rest);
    if ((suffix != "AM" && suffix != "PM") || read->hours < 1 || read->hours > 12)
        return std::nullopt;
    int hours = read->hours % 12 + (suffix == "PM" ? 12 : 0);
    return timeValue(hours, read->minutes);
}

std::optional<ClockTime> parseDuration(std::string_view typed)
{
    std::string_view rest = trimmed(typed);
    std::optional<HoursMinutes> read = readHoursMinutes(rest);
    if (!read || !rest.empty() || read->hours > 23)
        return std::nullopt;
    return timeValue(read->hours, read->minutes);
}

BrowseConfig specialDaysConfig(AppContext &context)
{
    BrowseConfig config;
    config.file = &context.data.special;
    config.key = SPE_DATE_KEY;
    config.keyField = numberKeyField(&SpecialRecord::STARTDATE);
    BrowseColumn description = textColumn("Description", 82, "s20", &SpecialRecord::DESCRIPTION);
    description.rightBorder = true;
    BrowseColumn start = numberColumn("Start", 48, "D3", &SpecialRecord::STARTDATE);
    BrowseColumn end = numberColumn("End", 48, "D3", &SpecialRecord::ENDDATE);
    for (BrowseColumn *date : {&start, &end}) {
        date->alignRight = false;
        date->indent = 4;
    }
    start.rightBorder = true;
    config.columns = {description, start, end};
    // Dates spread too unevenly for a middle thumb position to mean a
    // period: the scroll box goes to the first or the last page only.
    config.thumbEndsOnly = true;
    config.updateProcedure = "UPDATESPECIAL";
    config.helpTopic = "~USERPREF";
    config.messages = {"Current Special Day periods", "Add Special Days",
                       "Change Special Days period ", "Delete Special Days period", ""};
    return config;
}

// ---------------------------------------------------------------------------

UserPrefWindow::UserPrefWindow(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context),
      m_form(context, *this, context.data.userPref, context.data.USP)
{
    setWindowTitle(tr("User Preferences"));
    setFont(dialogFont());
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(createEntries());
    layout->addLayout(createList(context), 1);
    layout->addLayout(createButtons());
    configureForm();
    connect(this, &QDialog::finished, this, &UserPrefWindow::finishUp);
    // Coming back to this window from another one (or from the period form)
    // shows the periods as they now are.
    m_focusRefresh = refreshOnFocusRegained(*this, [this] {
        if (!m_finished)
            m_list->browse().refresh();
    });
    resize(440, 380);
}

UserPrefWindow::~UserPrefWindow()
{
    disconnect(m_focusRefresh);
    finishUp();
}

QLayout *UserPrefWindow::createEntries()
{
    m_startTime = new QLineEdit(this);
    m_startTime->setToolTip(tr("Default starting time for activities"));
    m_duration = new QLineEdit(this);
    m_duration->setToolTip(tr("Default duration for activities"));
    m_duration->setStatusTip(tr("Default duration of activities"));
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Default Start Time:"), this), 0, 0);
    grid->addWidget(m_startTime, 0, 1);
    grid->addWidget(new QLabel(tr("Default Duration:"), this), 1, 0);
    grid->addWidget(m_duration, 1, 1);
    grid->addWidget(new QLabel(tr("Hours:Mins"), this), 1, 2);
    for (QLineEdit *entry : {m_startTime, m_duration}) {
        entry->setFixedWidth(entry->fontMetrics().horizontalAdvance("00:00PMM") + 12);
        entry->installEventFilter(this);
    }
    grid->setColumnStretch(3, 1);
    return grid;
}

QLayout *UserPrefWindow::createList(AppContext &context)
{
    m_list = new BrowseList(context, specialDaysConfig(context), this);
    m_list->setMinimumHeight(m_list->fontMetrics().height() * 9);
    fitDateColumns();
    const BrowseMessages &messages = m_list->browse().config().messages;
    auto button = [this](const char *text, const char *tip, const std::string &message) {
        auto *b = new QPushButton(tr(text), this);
        b->setAutoDefault(true); // Enter presses the button that has the focus
        b->setToolTip(tr(tip));
        b->setStatusTip(qs(message));
        return b;
    };
    m_insert = button("Insert", "Add a Special Days period", messages.insert);
    m_change = button("Change", "Change highlighted Special Days period", messages.change);
    m_delete = button("Delete", "Delete highlighted Special Days period", messages.remove);
    PagedBrowse &browse = m_list->browse();
    connect(m_insert, &QPushButton::clicked, this, [&browse] { browse.insert(); });
    connect(m_change, &QPushButton::clicked, this, [&browse] { browse.change(); });
    connect(m_delete, &QPushButton::clicked, this, [&browse] { browse.remove(); });
    connect(m_list, &BrowseList::buttonsChanged, this, &UserPrefWindow::updateListButtons);
    connect(m_list, &BrowseList::closeRequested, this, [this] { close(); });

    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {m_insert, m_change, m_delete})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto *row = new QHBoxLayout;
    row->addWidget(m_list, 1);
    row->addLayout(buttons);
    auto *column = new QVBoxLayout;
    auto *heading = new QLabel(tr("SPECIAL DAYS"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    column->addSpacing(6);
    column->addWidget(heading);
    column->addLayout(row, 1);
    return column;
}

QLayout *UserPrefWindow::createButtons()
{
    m_action = new QLabel(this);
    m_ok = new QPushButton(tr("OK"), this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_help = new QPushButton(tr("Help"), this);
    auto *row = new QHBoxLayout;
    row->addWidget(m_action);
    row->addStretch(1);
    for (QPushButton *button : {m_ok, m_cancel, m_help}) {
        button->setAutoDefault(true);
        row->addWidget(button);
    }
    connect(m_ok, &QPushButton::clicked, this, [this] { m_form.ok(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_form.cancel(); });
    connect(m_help, &QPushButton::clicked, this, [this] { m_form.help(); });
    return row;
}

void UserPrefWindow::configureForm()
{
    m_form.setAllowedRequests(false, true, false);
    m_form.setCancelClosesAtOnce(true);
    m_form.setHelpTopic("~USERPREF");
    m_form.setFirstField(m_startTime);
    m_form.setActionLabel(m_action);
    layout()->addWidget(m_form.createStatusLine());
    m_form.setShowRecord([this] { showRecord(); });
    m_form.setTakeRecord([this] {
        // What is typed but not yet accepted counts when it is valid.
        for (QLineEdit *entry : {m_startTime, m_duration}) {
            if (std::optional<ClockTime> value = typedValue(entry))
                fieldOf(entry) = *value;
        }
    });
    m_form.setValidate([this] { return validate(); });
    m_form.setUpdate(updateUserPrefs);
}

void UserPrefWindow::fitDateColumns()
{
    // Where the system's font runs wider than the one the widths were made
    // for, the date columns still show the longest date whole.
    QTableView *table = m_list->table();
    const QFontMetrics metrics = table->fontMetrics();
    int widest = 0;
    for (int month = 1; month <= 12; ++month) {
        std::string longest = formatDate(makeDate(month, 28, 2000), "D3");
        widest = std::max(widest, metrics.horizontalAdvance(qs("  " + longest + "  ")));
    }
    for (int column = 1; column <= 2; ++column)
        table->setColumnWidth(column, std::max(table->columnWidth(column), widest));
}

bool UserPrefWindow::start()
{
    AppData &data = m_context.data;
    for (DataFile *file : {&data.special, &data.userPref})
        m_uses.push_back(std::make_unique<FileUse>(*file, m_context.prompter));
    data.userPref.watch();
    Status status = readUserPreferences(data);
    if (!status.ok()) {
        showWarning(m_context.prompter, WarningKind::RecordRetrievalError, status,
                    data.userPref.name());
        m_uses.clear();
        return false;
    }
    // Always the change of the one record, whatever the caller asked.
    m_context.globals.request = ChangeRecord;
    m_form.start();
    if (!m_list->browse().open()) {
        m_finished = true;
        m_form.finish();
        m_uses.clear();
        return false;
    }
    updateListButtons();
    m_startTime->setFocus();
    m_startTime->selectAll();
    return true;
}

void UserPrefWindow::showRecord()
{
    const UserPrefRecord &record = m_form.record();
    m_startTime->setText(qs(formatTime(record.STARTTIME, "T3")));
    m_duration->setText(qs(formatTime(record.DURATION, "T1")));
}

std::int32_t &UserPrefWindow::fieldOf(QLineEdit *entry)
{
    UserPrefRecord &record = m_form.record();
    return entry == m_startTime ? record.STARTTIME : record.DURATION;
}

std::optional<ClockTime> UserPrefWindow::typedValue(QLineEdit *entry)
{
    const std::string typed = entry->text().toStdString();
    const ClockTime held = fieldOf(entry);
    // The stored value may carry seconds the picture does not show: an
    // entry left as shown keeps it.
    if (typed == formatTime(held, entry == m_startTime ? "T3" : "T1"))
        return held;
    return entry == m_startTime ? parseStartTime(typed) : parseDuration(typed);
}

bool UserPrefWindow::acceptEntry(QLineEdit *entry, bool leaving)
{
    const QString typed = entry->text().trimmed();
    std::optional<ClockTime> value = typedValue(entry);
    if (value)
        fieldOf(entry) = *value;
    // Only this entry is shown again: the other may hold typing that is not
    // in the record yet.
    entry->setText(qs(formatTime(fieldOf(entry), entry == m_startTime ? "T3" : "T1")));
    if (!value) {
        m_form.refuseValue(entry,
                           entry == m_startTime
                               ? tr("\"%1\" is not a time; type one as 9:30AM or 21:30").arg(typed)
                               : tr("\"%1\" is not a duration; type hours and minutes "
                                    "up to 23:59")
                                     .arg(typed),
                           !leaving);
    }
    return value.has_value();
}

QWidget *UserPrefWindow::validate()
{
    for (QLineEdit *entry : {m_startTime, m_duration}) {
        if (!acceptEntry(entry))
            return entry;
    }
    return nullptr;
}

bool UserPrefWindow::eventFilter(QObject *watched, QEvent *event)
{
    auto *entry = qobject_cast<QLineEdit *>(watched);
    if (entry != m_startTime && entry != m_duration)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter accepts the entry and goes on; it never presses OK.
            if (acceptEntry(entry))
                focusNextChild();
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut && entry->isModified()) {
        Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            acceptEntry(entry, true);
            entry->setModified(false);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void UserPrefWindow::updateListButtons()
{
    PagedBrowse &browse = m_list->browse();
    m_insert->setEnabled(browse.canInsert());
    m_change->setEnabled(browse.canChange());
    m_delete->setEnabled(browse.canDelete());
}

void UserPrefWindow::finishUp()
{
    if (m_finished)
        return;
    m_finished = true;
    (void)m_list->browse().close();
    m_form.finish();
    m_uses.clear();
}

// ---------------------------------------------------------------------------

QWidget *USERPREF(AppContext &context)
{
    auto *window = new UserPrefWindow(context);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->start()) {
        delete window;
        return nullptr;
    }
    return window;
}

bool renderUserPrefs(AppContext &context, const QString &png)
{
    AppData &data = context.data;
    FileUse special(data.special, context.prompter);
    FileUse userPref(data.userPref, context.prompter);
    bool any = true;
    if (data.userPref.hasRecords(any).ok() && !any) {
        data.USP = {4320400, 360001};
        (void)data.userPref.add();
    }
    addSamplePeriods(context);
    UserPrefWindow window(context);
    if (!window.start())
        return false;
    window.show();
    window.list().browse().lineDown();
    QApplication::processEvents();
    bool saved = window.grab().save(png);
    window.close();
    return saved;
}

} // namespace korvalen
