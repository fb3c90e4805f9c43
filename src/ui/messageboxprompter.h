#pragma once

#include "runtime/prompter.h"

class QWidget;

namespace korvalen {

// The program's prompter: real message boxes, the system beep, and a last
// message box before the program stops.
class MessageBoxPrompter : public Prompter
{
public:
    explicit MessageBoxPrompter(QWidget *parent = nullptr) : m_parent(parent) {}

    int message(const MessageBoxRequest &request) override;
    void beep() override;
    [[noreturn]] void halt(const std::string &finalText) override;

private:
    QWidget *m_parent;
};

} // namespace korvalen
