#include "ui/recordform.h"

#include "storage/openfile.h"
#include "storage/warnings.h"
#include "ui/formkit.h"
#include "ui/procedures.h"
#include "ui/statusline.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QStatusTipEvent>

namespace korvalen {

namespace {

} // namespace

RecordForm::RecordForm(AppContext &context, QDialog &window, DataFile &file)
    : m_context(context), m_file(file), m_window(window), m_core(context)
{
    m_core.addFile(file);
    m_window.installEventFilter(this);
}

RecordForm::~RecordForm()
{
    m_window.removeEventFilter(this);
}

void fitCharacters(QLineEdit &entry, std::size_t characters)
{
    entry.setMaxLength(static_cast<int>(characters));
    // Names mix capitals and small letters: the mean advance of the letters
    // is what an ordinary text of that length needs. The rest of the width
    // (frame and margins) is what the entry adds to its text anyway.
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics = entry.fontMetrics();
    const int perCharacter =
        (metrics.horizontalAdvance(letters) + letters.size() - 1) / letters.size();
    const int overhead =
        entry.sizeHint().width() - metrics.horizontalAdvance(QLatin1Char('x')) * 17;
    entry.setMinimumWidth(perCharacter * static_cast<int>(characters) + overhead);
}

void RecordForm::setAllowedRequests(bool insert, bool change, bool remove)
{
    m_core.setAllowed(insert, change, remove);
}

void RecordForm::addFile(DataFile &file)
{
    m_core.addFile(file);
}

Status RecordForm::missingOperation()
{
    return Status(ErrorCode::AccessDenied, "The form has no operation for this request");
}

std::string RecordForm::actionMessage() const
{
    return m_core.actionMessage();
}

bool RecordForm::start()
{
    m_shown = m_closing = false;
    if (!m_core.begin())
        return false;
    if (m_core.request() == DeleteRecord) {
        loadFromCaller();
        runDelete();
        return false;
    }
    if (m_core.request() == InsertRecord)
        primeNewRecord();
    else
        loadFromCaller();
    if (m_actionLabel)
        m_actionLabel->setText(QString::fromStdString(actionMessage()));
    if (m_showRecord)
        m_showRecord();
    m_shown = true;
    return true;
}

int RecordForm::run()
{
    if (start()) {
        selectFirstField();
        m_window.exec();
    }
    finish();
    return m_core.response();
}

void RecordForm::finish()
{
    m_shown = false;
    m_core.end();
}

void RecordForm::runDelete()
{
    Prompter &prompter = m_context.prompter;
    const Status &err = m_context.data.database.lastStatus();
    if (showWarning(prompter, WarningKind::ConfirmDelete, err) != ButtonOk)
        return;
    for (;;) {
        SaveResult result;
        {
            WaitCursor wait;
            result = deleteRecord();
        }
        if (result.ok()) {
            m_core.complete();
            return;
        }
        showSaveFailure(prompter, result);
        if (showWarning(prompter, WarningKind::RecordDeleteRetry, result.status) != ButtonYes)
            return;
    }
}

void RecordForm::ok()
{
    if (!m_shown || m_closing)
        return;
    if (save() != Outcome::KeepOpen)
        closeWindow();
}

void RecordForm::cancel()
{
    if (!m_shown || m_closing)
        return;
    if (m_cancelClosesAtOnce || mayClose())
        closeWindow();
}

void RecordForm::help()
{
    if (m_context.showHelp)
        m_context.showHelp(m_helpTopic);
}

QStatusBar *RecordForm::createStatusLine()
{
    if (!m_statusLine)
        m_statusLine = new StatusLine(m_window, m_context.prompter, m_actionLabel);
    return m_statusLine;
}

QStatusBar *RecordForm::statusLine() const
{
    return m_statusLine;
}

void RecordForm::showStatusMessage(const QString &message)
{
    if (m_statusLine)
        m_statusLine->showWide(message);
}

void RecordForm::refuseValue(QWidget *field, const QString &reason, bool keepFocus)
{
    if (m_statusLine) {
        m_statusLine->refuseValue(field, reason, keepFocus);
        return;
    }
    m_context.prompter.beep();
    if (!keepFocus)
        return;
    field->setFocus();
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        edit->selectAll();
}

RecordForm::Outcome RecordForm::save()
{
    if (m_takeRecord)
        m_takeRecord();
    if (m_validate) {
        if (QWidget *rejected = m_validate()) {
            rejected->setFocus();
            return Outcome::KeepOpen;
        }
    }
    return m_core.request() == InsertRecord ? saveNew() : saveChange();
}

RecordForm::Outcome RecordForm::saveNew()
{
    Status status = addRecord();
    if (status.ok()) {
        m_core.complete();
        handBack();
        return Outcome::Completed;
    }
    if (status.is(ErrorCode::DuplicateKey))
        showWarning(m_context.prompter, WarningKind::DuplicateKeyError, status, m_duplicateKeyName);
    else
        showWarning(m_context.prompter, WarningKind::RecordInsertError, status);
    selectFirstField();
    return Outcome::KeepOpen;
}

RecordForm::Outcome RecordForm::saveChange()
{
    for (;;) {
        SaveResult result;
        {
            WaitCursor wait;
            result = updateRecord();
        }
        if (result.ok()) {
            m_core.complete();
            handBack();
            return Outcome::Completed;
        }
        showSaveFailure(m_context.prompter, result);
        switch (showWarning(m_context.prompter, WarningKind::RecordUpdateRetry, result.status)) {
        case ButtonYes:
            continue;
        case ButtonNo:
            return Outcome::GiveUp;
        default:
            if (m_showRecord)
                m_showRecord();
            selectFirstField();
            return Outcome::KeepOpen;
        }
    }
}

bool RecordForm::addNow()
{
    if (m_takeRecord)
        m_takeRecord();
    if (saveNew() != Outcome::Completed)
        return false;
    m_core.cancel();
    continueAsChange();
    return true;
}

void RecordForm::continueAsChange()
{
    if (m_core.request() == InsertRecord) {
        m_ref = m_file.current();
        m_ref.watched = true;
    }
    m_core.continueAsChange();
    takeAddedAsEntry();
    if (m_actionLabel)
        m_actionLabel->setText(QString::fromStdString(actionMessage()));
}

bool RecordForm::mayClose()
{
    // A completed form is changed again only after a save its window
    // survived (see answerCloseQuery): the entry copy tells then.
    if (m_core.request() != InsertRecord && m_core.request() != ChangeRecord)
        return true;
    if (m_takeRecord)
        m_takeRecord();
    if (!isChanged())
        return true;
    switch (showWarning(m_context.prompter, WarningKind::UpdateCancelled,
                        m_context.data.database.lastStatus())) {
    case ButtonYes:
        return save() != Outcome::KeepOpen;
    case ButtonNo:
        return true;
    default:
        selectFirstField();
        return false;
    }
}

void RecordForm::closeWindow()
{
    m_closing = true;
    m_window.done(isCompleted() ? QDialog::Accepted : QDialog::Rejected);
}

void RecordForm::selectFirstField()
{
    if (!m_firstField)
        return;
    m_firstField->setFocus();
    if (auto *edit = qobject_cast<QLineEdit *>(m_firstField))
        edit->selectAll();
}

void RecordForm::answerCloseQuery(QEvent *event)
{
    event->accept();
    if (!m_shown || m_closing)
        return;
    if (static_cast<CloseQueryEvent *>(event)->phase() == CloseQueryEvent::Withdraw) {
        // A record saved on the way stays open as the change of what was
        // stored, and asks again about what is changed after.
        if (m_closeAgreed && isCompleted())
            continueAsChange();
        m_closeAgreed = false;
        return;
    }
    m_closeAgreed = mayClose();
    if (!m_closeAgreed)
        event->ignore();
}

bool RecordForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_window)
        return QObject::eventFilter(watched, event);
    if (event->type() == CloseQueryEvent::eventType()) {
        answerCloseQuery(event);
        return true;
    }
    if (!m_shown || m_closing)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Close) {
        // The close box, or the program shutting down (asked already when
        // the frame's question was answered).
        if (!m_closeAgreed && !mayClose()) {
            event->ignore();
            return true;
        }
        m_closing = true;
        return false;
    }
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        cancel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace korvalen
