#pragma once

#include <string>
#include <vector>

namespace korvalen {

// Buttons of a message box, with the values the program's procedures test.
enum Button : int
{
    ButtonNone = 0,
    ButtonOk = 1,
    ButtonYes = 2,
    ButtonNo = 4,
    ButtonCancel = 64,
};

enum class MessageIcon
{
    None,
    Exclamation,
    Question,
    Information
};

struct MessageBoxRequest
{
    std::string caption;
    std::string text;
    MessageIcon icon = MessageIcon::None;
    int buttons = ButtonOk;       // an OR of Button values
    int defaultButton = ButtonOk; // one Button value
    // Parts of `text` that a box never breaks across lines, such as a key's
    // name: see displayedText().
    std::vector<std::string> keepWhole;
};

// The text a message box shows for `request`: `text` with the blanks inside
// each of its keepWhole parts made no-break spaces (U+00A0), so that the box
// wraps the lines around them. What was asked for (and what a scripted
// prompter records) stays `text` itself.
std::string displayedText(const MessageBoxRequest &request);

// Every message box, beep and "end the program with this text" goes through
// one Prompter. The GUI shows real message boxes; tests script the answers
// and read back exactly what was shown.
class Prompter
{
public:
    virtual ~Prompter() = default;

    // Shows the box modally and returns the Button pressed.
    virtual int message(const MessageBoxRequest &request) = 0;

    virtual void beep() = 0;

    // Shows `finalText` as the program's last word and stops the program at
    // once (open files are not closed in an orderly way). A scripted prompter
    // records the text and throws ProgramHalted instead, so a test can go on.
    [[noreturn]] virtual void halt(const std::string &finalText) = 0;
};

// Thrown only by ScriptedPrompter::halt, never by the real program.
struct ProgramHalted
{
    std::string finalText;
};

// A prompter for tests: answers come from a queue (the default button when
// the queue is empty), and everything shown is kept in order.
class ScriptedPrompter : public Prompter
{
public:
    struct Shown
    {
        MessageBoxRequest request;
        int answer = ButtonNone;
    };

    void queueAnswer(int button) { m_answers.push_back(button); }

    int message(const MessageBoxRequest &request) override;
    void beep() override { ++m_beeps; }
    [[noreturn]] void halt(const std::string &finalText) override;

    const std::vector<Shown> &shown() const { return m_shown; }
    int beeps() const { return m_beeps; }
    const std::string &haltText() const { return m_haltText; }
    bool halted() const { return m_halted; }
    void clear();

private:
    std::vector<int> m_answers;
    std::vector<Shown> m_shown;
    int m_beeps = 0;
    bool m_halted = false;
    std::string m_haltText;
};

} // namespace korvalen
