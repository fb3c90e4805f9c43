#include "runtime/prompter.h"

namespace korvalen {

std::string displayedText(const MessageBoxRequest &request)
{
    std::string shown = request.text;
    for (const std::string &part : request.keepWhole) {
        if (part.find(' ') == std::string::npos)
            continue;
        std::string joined;
        for (char c : part)
            joined += c == ' ' ? std::string("\xC2\xA0") : std::string(1, c);
        for (std::size_t at = shown.find(part); at != std::string::npos;
             at = shown.find(part, at + joined.size())) {
            shown.replace(at, part.size(), joined);
        }
    }
    return shown;
}

int ScriptedPrompter::message(const MessageBoxRequest &request)
{
    int answer = request.defaultButton;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.erase(m_answers.begin());
    }
    m_shown.push_back({request, answer});
    return answer;
}

void ScriptedPrompter::halt(const std::string &finalText)
{
    m_halted = true;
    m_haltText = finalText;
    throw ProgramHalted{finalText};
}

void ScriptedPrompter::clear()
{
    m_answers.clear();
    m_shown.clear();
    m_beeps = 0;
    m_halted = false;
    m_haltText.clear();
}

} // namespace korvalen
