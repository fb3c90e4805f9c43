#include "ui/statusline.h"

#include "runtime/prompter.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QStatusTipEvent>

namespace korvalen {

StatusLine::StatusLine(QWidget &window, Prompter &prompter, QLabel *action)
    : QStatusBar(&window), m_window(window), m_prompter(prompter), m_action(action)
{
    setObjectName(QStringLiteral("statusLine"));
    setSizeGripEnabled(false);
    if (m_action)
        addPermanentWidget(m_action);
    m_focusWatch =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
            if (m_holdReason) {
                m_holdReason = false;
                return;
            }
            if (!now || !m_window.isAncestorOf(now) || now == m_refusedField)
                return;
            m_refusedField = nullptr;
            showTipOf(now);
        });
    m_window.installEventFilter(this);
}

StatusLine::~StatusLine()
{
    disconnect(m_editWatch);
    // The window's own destruction moves the focus after this line is gone.
    disconnect(m_focusWatch);
    m_window.removeEventFilter(this);
}

void StatusLine::showTipOf(QWidget *widget)
{
    for (; widget && widget != &m_window; widget = widget->parentWidget()) {
        if (!widget->statusTip().isEmpty()) {
            showWide(widget->statusTip());
            return;
        }
    }
    clearMessage();
}

void StatusLine::showWide(const QString &message)
{
    showMessage(message);
    // A narrow form widens rather than cut what its status line says.
    const int actionWidth = m_action ? m_action->sizeHint().width() : 0;
    const int needed =
        fontMetrics().horizontalAdvance(message) + actionWidth + m_window.width() - width() + 32;
    if (!m_window.isVisible() || m_window.width() >= needed)
        return;
    // A form inside the frame grows with its sub-window.
    QWidget *frame = &m_window;
    if (auto *subWindow = qobject_cast<QMdiSubWindow *>(m_window.parentWidget()))
        frame = subWindow;
    frame->resize(frame->width() + needed - m_window.width(), frame->height());
}

void StatusLine::refuseValue(QWidget *field, const QString &reason, bool keepFocus)
{
    m_prompter.beep();
    disconnect(m_editWatch);
    showWide(reason);
    m_refusedField = field;
    m_holdReason = !keepFocus;
    if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        m_editWatch = connect(edit, &QLineEdit::textEdited, this, [this, edit] {
            disconnect(m_editWatch);
            m_refusedField = nullptr;
            showTipOf(edit);
        });
    }
    if (!keepFocus)
        return;
    field->setFocus();
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        edit->selectAll();
}

bool StatusLine::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_window && event->type() == QEvent::StatusTip) {
        // A reason on show stays until its field is edited or left.
        if (!m_refusedField)
            showMessage(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QStatusBar::eventFilter(watched, event);
}

} // namespace korvalen
