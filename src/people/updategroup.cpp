#include "people/updategroup.h"

#include "storage/cursor.h"
#include "storage/openfile.h"
#include "storage/recordupdate.h"
#include "storage/warnings.h"
#include "ui/browselist.h"
#include "ui/formkit.h"
#include "ui/procedures.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QVBoxLayout>

#include <string>

namespace korvalen {

using namespace keys;

Status findMember(AppData &data, const Text<10> &group, const Text<10> &person, bool &found)
{
    found = false;
    BufferKeeper keep(data.GRP);
    GroupPeopleRecord probe;
    probe.GROUP = group;
    probe.PEOPLE = person;
    Cursor cursor(data.groupPeople, GRP_GROUP_KEY);
    // The key folds case: the range holds the group in every spelling, and
    // the reads start at the person's name in every spelling.
    cursor.setRangeEqual(1, &probe);
    cursor.setAt(&probe);
    for (;;) {
        Status status = cursor.next();
        if (status.is(ErrorCode::NoRecord))
            return {};
        if (!status.ok())
            return status;
        if (compareUpper(data.GRP.PEOPLE.view(), person.view()) != 0)
            return {};
        if (data.GRP.PEOPLE == person) {
            found = true;
            return {};
        }
    }
}

int addMembers(AppData &data, const Text<10> &group, const std::vector<PickedPerson> &people)
{
    BufferKeeper keep(data.GRP);
    int added = 0;
    for (const PickedPerson &picked : people) {
        if (picked.shortName.isBlank())
            continue;
        bool member = false;
        if (!findMember(data, group, picked.shortName, member).ok() || member)
            continue;
        data.GRP.GROUP = group;
        data.GRP.PEOPLE = picked.shortName;
        if (data.groupPeople.add().ok())
            ++added;
    }
    return added;
}

Status removeMember(AppData &data, std::int64_t recordNumber)
{
    BufferKeeper keep(data.GRP);
    Status status = data.groupPeople.getByRecordNumber(recordNumber);
    if (!status.ok())
        return status;
    return data.groupPeople.remove();
}

Status rereadGroup(AppData &data, const RecordRef &ref, GroupRecord &stored, RecordRef &storedRef)
{
    BufferKeeper keep(data.GRO);
    storedRef = {};
    data.group.watch();
    Status status = data.group.getByRecordNumber(ref.recordNumber);
    if (status.is(ErrorCode::RecordNotFound))
        return Status(ErrorCode::ChangedByOther, "Group deleted by another station");
    if (!status.ok())
        return status;
    stored = data.GRO;
    storedRef = data.group.current();
    if (storedRef.version != ref.version)
        return Status(ErrorCode::ChangedByOther, "Group changed by another station");
    return {};
}

namespace {

// Runs `change` on the group as stored now, in one transaction with the
// read that makes sure the group is still the one the form shows.
template <typename Change>
Status changeCurrentGroup(AppData &data, const RecordRef &ref, Change change)
{
    Transaction transaction(data.database);
    Status status = transaction.status();
    GroupRecord stored;
    RecordRef storedRef;
    if (status.ok())
        status = rereadGroup(data, ref, stored, storedRef);
    if (status.ok())
        status = change(stored);
    if (status.ok())
        status = transaction.commit();
    return status;
}

} // namespace

Status addMembersToGroup(AppData &data, const RecordRef &ref,
                         const std::vector<PickedPerson> &people, int &added)
{
    added = 0;
    int count = 0;
    Status status = changeCurrentGroup(data, ref, [&](const GroupRecord &stored) {
        count = addMembers(data, stored.GROUP, people);
        return Status();
    });
    if (status.ok())
        added = count;
    return status;
}

Status removeMemberOfGroup(AppData &data, const RecordRef &ref, std::int64_t recordNumber)
{
    return changeCurrentGroup(
        data, ref, [&](const GroupRecord &) { return removeMember(data, recordNumber); });
}

// ---------------------------------------------------------------------------
// The window

namespace {

const char *const kTitle = "Update Group Lists";

QPushButton *makeButton(QWidget *parent, const QString &text, const QString &tip,
                        const QString &status)
{
    auto *button = new QPushButton(text, parent);
    // Enter in the name entry accepts the name; it must not press a button.
    button->setAutoDefault(false);
    button->setToolTip(tip);
    button->setStatusTip(status);
    return button;
}

} // namespace

GroupFormWindow::GroupFormWindow(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context),
      m_form(context, *this, context.data.group, context.data.GRO)
{
    setWindowTitle(kTitle);
    setFont(dialogFont());
    createControls();
    configureForm();
    updateMemberButtons();
    m_focusWatch =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
            for (QWidget *widget = now; widget && widget != this; widget = widget->parentWidget()) {
                if (!widget->statusTip().isEmpty()) {
                    m_statusBar->showMessage(widget->statusTip());
                    return;
                }
            }
            if (now && isAncestorOf(now))
                m_statusBar->clearMessage();
        });
    resize(360, 300);
}

GroupFormWindow::~GroupFormWindow()
{
    // Focus moves while the controls are destroyed; the status bar may be gone.
    disconnect(m_focusWatch);
}

void GroupFormWindow::createControls()
{
    auto *prompt = new QLabel(tr("Group List"), this);
    m_name = new QLineEdit(this);
    m_name->setMaxLength(static_cast<int>(Text<10>::width));
    m_name->setToolTip(tr("Name of Group"));
    prompt->setBuddy(m_name);
    m_name->installEventFilter(this);
    connect(m_name, &QLineEdit::returnPressed, this, [this] { acceptName(); });
    connect(m_name, &QLineEdit::textChanged, this, [this] { updateMemberButtons(); });

    createMemberList();

    m_insert = makeButton(this, tr("Insert"), tr("Add one or more people to the Group list"),
                          tr("Add people to Group"));
    m_help = makeButton(this, tr("Help"), {}, {});
    m_delete =
        makeButton(this, tr("Delete"), tr("Delete the highlighted person form the Group list"),
                   tr("Delete person from Group"));
    m_close = makeButton(this, tr("Close"), {}, {});
    connect(m_insert, &QPushButton::clicked, this, [this] { insertMembers(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { deleteMember(); });
    connect(m_close, &QPushButton::clicked, this, [this] { closeByButton(); });
    connect(m_help, &QPushButton::clicked, this, [this] { m_form.help(); });

    m_action = new QLabel(this);
    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->addPermanentWidget(m_action);

    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(prompt);
    nameRow->addWidget(m_name, 1);
    nameRow->addStretch(1);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *button : {m_insert, m_delete})
        buttons->addWidget(button);
    buttons->addStretch(1);
    for (QPushButton *button : {m_close, m_help})
        buttons->addWidget(button);
    auto *body = new QHBoxLayout;
    body->addWidget(m_members, 1);
    body->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addLayout(body, 1);
    layout->addWidget(m_statusBar);
}

void GroupFormWindow::createMemberList()
{
    BrowseConfig config;
    config.file = &m_context.data.groupPeople;
    config.key = GRP_GROUP_KEY;
    config.keyField = textKeyField(&GroupPeopleRecord::PEOPLE, 1);
    // The key folds case, so pinning its group component lists the members
    // stored under the name in any spelling.
    config.range = [this](Cursor &cursor) {
        GroupPeopleRecord pinned;
        pinned.GROUP = m_listedName;
        cursor.setRangeEqual(1, &pinned);
    };
    config.columns = {textColumn("People in Group", 40, "s10", &GroupPeopleRecord::PEOPLE)};
    config.messages.list = "People in This Group List";
    m_members = new BrowseList(m_context, std::move(config), this);
}

void GroupFormWindow::configureForm()
{
    m_form.addFile(m_context.data.groupPeople);
    m_form.setHelpTopic("~UPGROUPDIAL");
    m_form.setDuplicateKeyName("Name Order");
    m_form.setFirstField(m_name);
    m_form.setActionLabel(m_action);
    m_form.setUpdate(updateGroup);
    m_form.setRemove(deleteGroup);
    m_form.setShowRecord([this] { m_name->setText(qs(m_form.record().GROUP.view())); });
    m_form.setTakeRecord([this] { m_form.record().GROUP = takenName(); });
    // Used when closing the window offers to save a changed name.
    m_form.setValidate([this]() -> QWidget * {
        if (!takenName().empty())
            return nullptr;
        m_context.prompter.message(
            {kTitle, "Group Name can not be blank.", MessageIcon::Exclamation, ButtonOk, ButtonOk});
        return m_name;
    });
}

std::string GroupFormWindow::takenName() const
{
    return m_name->text().trimmed().toStdString();
}

bool GroupFormWindow::start()
{
    m_closedByButton = m_lastPickerCompleted = m_closing = false;
    if (!m_form.start())
        return false;
    m_listedName = storedName();
    (void)m_members->browse().open();
    updateMemberButtons();
    return true;
}

void GroupFormWindow::finish()
{
    const bool shown = m_form.request() == InsertRecord || m_form.request() == ChangeRecord;
    (void)m_members->browse().close();
    m_form.finish();
    if (shown) {
        const bool completed = !m_closedByButton && m_lastPickerCompleted;
        m_context.globals.response = completed ? RequestCompleted : RequestCancelled;
    }
}

void GroupFormWindow::done(int result)
{
    m_closing = true;
    QDialog::done(result);
}

void GroupFormWindow::closeByButton()
{
    m_closedByButton = true;
    done(QDialog::Rejected);
}

void GroupFormWindow::updateMemberButtons()
{
    const bool named = !m_name->text().trimmed().isEmpty();
    m_insert->setEnabled(named);
    m_delete->setEnabled(named);
}

void GroupFormWindow::focusName()
{
    m_name->setFocus();
    m_name->selectAll();
}

bool GroupFormWindow::hasPendingName() const
{
    // Compared as stored: a name longer than the field is kept cut.
    return mode() == InsertRecord || !(Text<10>(takenName()) == storedName());
}

void GroupFormWindow::acceptName()
{
    if (m_accepting || m_closing)
        return;
    m_accepting = true;
    m_name->setModified(false);
    const bool blank = takenName().empty();
    if (mode() == InsertRecord && blank) {
        const int answer =
            m_context.prompter.message({kTitle, "Group Name cannot be blank. Exit this procedure?",
                                        MessageIcon::Question, ButtonYes | ButtonNo, ButtonNo});
        if (answer == ButtonYes)
            closeByButton();
        else
            focusName();
    } else if (mode() == InsertRecord) {
        // addNow() reports a clash (kind 24) or another failure (kind 14)
        // and selects the entry; the window then stays a new group.
        if (m_form.addNow()) {
            refreshMembers();
            updateMemberButtons();
            m_insert->setFocus();
        }
    } else if (blank) {
        m_context.prompter.message(
            {kTitle, "Group Name can not be blank.", MessageIcon::Exclamation, ButtonOk, ButtonOk});
        focusName();
    } else {
        saveRename();
    }
    m_accepting = false;
}

void GroupFormWindow::saveRename()
{
    m_form.record().GROUP = takenName();
    for (;;) {
        SaveResult result;
        {
            WaitCursor wait;
            // updateGroup carries the name to the activities and the
            // members from the name stored just before this put.
            result = updateGroup(m_context.data, m_context.prompter, m_form.record(),
                                 m_form.storedRef());
        }
        if (result.ok()) {
            m_form.markStored();
            m_context.data.GRO = m_form.record();
            break;
        }
        showSaveFailure(m_context.prompter, result);
        const int answer =
            showWarning(m_context.prompter, WarningKind::RecordUpdateRetry, result.status);
        if (answer == ButtonYes)
            continue;
        if (answer == ButtonNo) {
            closeByButton();
            return;
        }
        focusName();
        break;
    }
    refreshMembers();
}

void GroupFormWindow::refreshMembers()
{
    PagedBrowse &list = m_members->browse();
    if (m_listedName == storedName()) {
        list.refresh();
        return;
    }
    // Another name: the open list shows that name's members.
    m_listedName = storedName();
    list.setRange(list.config().range);
}

bool GroupFormWindow::groupIsStored()
{
    if (hasPendingName())
        acceptName();
    return !m_closing && mode() == ChangeRecord && !hasPendingName();
}

bool GroupFormWindow::groupIsCurrent()
{
    GroupRecord stored;
    RecordRef storedRef;
    Status status = rereadGroup(m_context.data, m_form.storedRef(), stored, storedRef);
    if (!status.ok())
        refuseMemberChange(status);
    return status.ok();
}

void GroupFormWindow::refuseMemberChange(const Status &status)
{
    if (!status.is(ErrorCode::ChangedByOther)) {
        showWarning(m_context.prompter, WarningKind::RecordRetrievalError, status, "GROUP");
        return;
    }
    showWarning(m_context.prompter, WarningKind::UpdateOperationError, status, "GROUP");
    GroupRecord stored;
    RecordRef storedRef;
    const Status now = rereadGroup(m_context.data, m_form.storedRef(), stored, storedRef);
    if (now.is(ErrorCode::ChangedByOther) && !storedRef.isValid()) {
        // Gone: there is no group left to show or to give members to.
        closeByButton();
        return;
    }
    if (!storedRef.isValid())
        return;
    m_form.record() = stored;
    m_form.storedRef() = storedRef;
    m_form.markStored();
    m_context.data.GRO = stored;
    m_name->setText(qs(stored.GROUP.view()));
    m_name->setModified(false);
    // The member the user had highlighted stays highlighted, so that a
    // second Delete still means that person.
    PagedBrowse &list = m_members->browse();
    std::int64_t highlighted = 0;
    if (list.currentRow() > 0)
        highlighted =
            list.rows()[static_cast<std::size_t>(list.currentRow() - 1)].position.recordNumber();
    refreshMembers();
    for (std::size_t i = 0; highlighted && i < list.rows().size(); ++i)
        if (list.rows()[i].position.recordNumber() == highlighted)
            list.setCurrentRow(static_cast<int>(i) + 1);
}

void GroupFormWindow::insertMembers()
{
    // The group is read again before the picker is offered, and once more
    // with the adds: the picker may stay open while another station works.
    if (!m_insert->isEnabled() || !groupIsStored() || !groupIsCurrent())
        return;
    SharedGlobals &globals = m_context.globals;
    globals.request = SelectRecord;
    globals.response = RequestCancelled;
    const bool called = m_context.procedures->call("BROWSEPERSONM", m_context);
    m_lastPickerCompleted = called && globals.response == RequestCompleted;
    globals.request = 0;
    globals.response = 0;
    if (m_lastPickerCompleted) {
        int added = 0;
        Status status =
            addMembersToGroup(m_context.data, m_form.storedRef(), m_context.PickedPeople, added);
        if (status.is(ErrorCode::ChangedByOther)) {
            refuseMemberChange(status);
            return;
        }
        if (!status.ok()) // nothing was added
            showWarning(m_context.prompter, WarningKind::RecordInsertError, status);
    }
    refreshMembers();
}

void GroupFormWindow::deleteMember()
{
    if (!m_delete->isEnabled() || !groupIsStored())
        return;
    PagedBrowse &list = m_members->browse();
    if (list.currentRow() == 0)
        return;
    // By record number: never another spelling's membership of the person.
    const BrowseRow &row = list.rows()[static_cast<std::size_t>(list.currentRow() - 1)];
    Status status =
        removeMemberOfGroup(m_context.data, m_form.storedRef(), row.position.recordNumber());
    if (status.is(ErrorCode::ChangedByOther)) {
        refuseMemberChange(status);
        return;
    }
    if (!status.ok() && !status.is(ErrorCode::RecordNotFound))
        showWarning(m_context.prompter, WarningKind::DeleteOperationError, status, "GROUPPEOPLE");
    // The row is gone: the page comes back around the member that followed.
    list.refresh();
    m_members->setFocus();
}

bool GroupFormWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_name && event->type() == QEvent::FocusOut) {
        // Leaving the entry accepts a changed name; losing the focus to a
        // message box or another window does not.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            m_name->isModified() && isVisible())
            QMetaObject::invokeMethod(
                this, [this] { acceptName(); }, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}

void GroupFormWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The list fills as many rows as fit once the window has its size.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_members->browse().isOpen())
                refreshMembers();
        },
        Qt::QueuedConnection);
}

bool GroupFormWindow::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        m_statusBar->showMessage(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    if (event->type() == QEvent::WindowActivate && m_members->browse().isOpen())
        refreshMembers();
    return QDialog::event(event);
}

void UPDATEGROUP2(AppContext &context)
{
    GroupFormWindow window(context, QApplication::activeWindow());
    if (window.start()) {
        window.nameEntry()->setFocus();
        window.nameEntry()->selectAll();
        window.exec();
    }
    window.finish();
}

bool renderGroupForm(AppContext &context, const QString &png)
{
    AppData &data = context.data;
    const SharedGlobals keptGlobals = context.globals;
    const GroupRecord keptGroup = data.GRO;
    bool saved = false;
    {
        FileUse groups(data.group, context.prompter);
        data.group.set(GRO_GROUP_KEY);
        const bool any = data.group.next().ok();
        context.globals.request = any ? ChangeRecord : InsertRecord;
        GroupFormWindow window(context);
        if (window.start()) {
            window.setAttribute(Qt::WA_DontShowOnScreen);
            window.show();
            window.nameEntry()->setFocus();
            QApplication::processEvents();
            saved = window.grab().save(png, "PNG");
            window.hide();
        }
        window.finish();
    }
    context.globals = keptGlobals;
    data.GRO = keptGroup;
    return saved;
}

} // namespace korvalen
