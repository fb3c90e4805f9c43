#include "runtime/prompter.h"

namespace korvalen {

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
