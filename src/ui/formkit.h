#pragma once

// Small pieces every window of the program uses alike.

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QString>

#include <string_view>

namespace korvalen {

// The wait cursor while a storage operation runs.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// Whether `event` is a press of Enter or Return (without Alt, which
// belongs to menus): the key that accepts a field and moves to the next.
inline bool isEnterPress(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           !(key->modifiers() & Qt::AltModifier);
}

// The fonts of the program's windows, named once: the dialog font of every
// form and list, and the small one of hints and the date picker.
inline QFont dialogFont()
{
    return QFont(QStringLiteral("MS Sans Serif"), 9);
}
inline QFont smallDialogFont()
{
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}
// The small font in bold: the date picker, the name browse, the calendar
// options.
inline QFont boldSmallDialogFont()
{
    QFont font = smallDialogFont();
    font.setBold(true);
    return font;
}

// A program text (UTF-8) as a QString.
inline QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace korvalen
