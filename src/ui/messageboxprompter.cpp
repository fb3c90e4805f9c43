#include "ui/messageboxprompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdlib>

namespace korvalen {

namespace {

QMessageBox::Icon iconOf(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonMap
{
    Button button;
    QMessageBox::StandardButton standard;
};

constexpr ButtonMap kButtons[] = {
    {ButtonOk, QMessageBox::Ok},
    {ButtonYes, QMessageBox::Yes},
    {ButtonNo, QMessageBox::No},
    {ButtonCancel, QMessageBox::Cancel},
};

} // namespace

int MessageBoxPrompter::message(const MessageBoxRequest &request)
{
    QMessageBox box(iconOf(request.icon), QString::fromStdString(request.caption),
                    QString::fromStdString(displayedText(request)), QMessageBox::NoButton,
                    m_parent);
    for (const ButtonMap &map : kButtons) {
        if (request.buttons & map.button) {
            box.addButton(map.standard);
            if (request.defaultButton == map.button)
                box.setDefaultButton(map.standard);
        }
    }
    int pressed = box.exec();
    for (const ButtonMap &map : kButtons)
        if (pressed == map.standard)
            return map.button;
    // Closed with Escape or the window's close box: the box's escape button.
    if (request.buttons & ButtonCancel)
        return ButtonCancel;
    if (request.buttons & ButtonNo)
        return ButtonNo;
    return ButtonOk;
}

void MessageBoxPrompter::beep()
{
    QApplication::beep();
}

void MessageBoxPrompter::halt(const std::string &finalText)
{
    QMessageBox::critical(m_parent, QStringLiteral("Korvalen"), QString::fromStdString(finalText));
    std::_Exit(1);
}

} // namespace korvalen
