#include "schedule/repeatkit.h"

#include "runtime/pictures.h"
#include "ui/appcontext.h"
#include "ui/formkit.h"
#include "ui/procedures.h"
#include "ui/statusline.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>

namespace korvalen::repeatkit {

namespace {

const Picture &datePicture()
{
    static const Picture picture = *Picture::parse("D3B");
    return picture;
}

std::optional<Date> typedDate(const QLineEdit *field)
{
    std::optional<std::int64_t> typed = datePicture().parseInput(field->text().toStdString());
    if (!typed)
        return std::nullopt;
    return static_cast<Date>(*typed);
}

} // namespace

QString shownDate(Date date)
{
    return qs(datePicture().format(date));
}

bool isUserFocus(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
}

bool isLeaving(const QEvent *event)
{
    return event->type() == QEvent::FocusOut &&
           isUserFocus(static_cast<const QFocusEvent *>(event)->reason());
}

QPushButton *newButton(QWidget *parent, const QString &text, const QString &tip)
{
    auto *button = new QPushButton(text, parent);
    // Enter presses the button that has the focus; in the fields it moves
    // on instead (see the windows' event filters).
    button->setAutoDefault(true);
    if (!tip.isEmpty())
        setTip(button, tip);
    return button;
}

QPushButton *newCalendarButton(QWidget *parent, const QString &tip)
{
    QPushButton *button = newButton(parent, QStringLiteral("Cal"), tip);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("Cal")) + 24);
    return button;
}

void setTip(QWidget *widget, const QString &tip)
{
    widget->setToolTip(tip);
    widget->setStatusTip(tip);
}

std::optional<Date> readDateField(QLineEdit *field, Date held, StatusLine &statusLine, Date today)
{
    const QString text = field->text().trimmed();
    const std::optional<Date> typed = typedDate(field);
    field->setText(shownDate(typed.value_or(held)));
    field->setModified(false);
    if (!typed) {
        statusLine.refuseValue(field, QCoreApplication::translate("RepeatDialog",
                                                                  "\"%1\" is not a date; type "
                                                                  "one as %2")
                                          .arg(text, shownDate(today)));
    }
    return typed;
}

Date typedOrHeld(const QLineEdit *field, Date held)
{
    return typedDate(field).value_or(held);
}

void showHelp(AppContext &context, const char *topic)
{
    if (context.showHelp)
        context.showHelp(topic);
}

} // namespace korvalen::repeatkit
