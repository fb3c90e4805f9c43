#include "ui/helpfile.h"

#include "runtime/text.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace korvalen {

extern const char *const kBuiltInHelpText; // generated from help/korvalen.hlp

namespace {

std::string trimmedRight(const std::string &line)
{
    std::size_t end = line.find_last_not_of(" \t\r");
    return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

bool contains(const std::string &haystack, const std::string &needle)
{
    return upperCase(haystack).find(upperCase(needle)) != std::string::npos;
}

} // namespace

const std::string &HelpFile::builtInText()
{
    static const std::string text = kBuiltInHelpText;
    return text;
}

bool HelpFile::load(const std::filesystem::path &directory)
{
    std::filesystem::path path = directory / fileName;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        std::ofstream out(path, std::ios::binary);
        out << builtInText();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        parse(builtInText());
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    parse(text.str());
    if (m_topics.empty()) {
        parse(builtInText());
        return false;
    }
    return true;
}

void HelpFile::parse(const std::string &text)
{
    m_topics.clear();
    std::istringstream in(text);
    std::string line;
    HelpTopic *current = nullptr;
    while (std::getline(in, line)) {
        line = trimmedRight(line);
        if (line.rfind("@topic ", 0) == 0) {
            m_topics.push_back({line.substr(7), {}, {}});
            current = &m_topics.back();
        } else if (current && line.rfind("@title ", 0) == 0 && current->title.empty()) {
            current->title = line.substr(7);
        } else if (current && !(current->body.empty() && line.empty())) {
            current->body += line + "\n";
        }
    }
    for (HelpTopic &topic : m_topics)
        topic.body = trimmedRight(topic.body);
    std::erase_if(m_topics, [](const HelpTopic &t) { return t.key.empty() || t.title.empty(); });
}

const HelpTopic *HelpFile::find(const std::string &key) const
{
    for (const HelpTopic &topic : m_topics)
        if (compareUpper(topic.key, key) == 0)
            return &topic;
    return nullptr;
}

std::vector<std::string> HelpFile::search(const std::string &query) const
{
    std::vector<std::string> words;
    std::istringstream in(query);
    for (std::string word; in >> word;)
        words.push_back(word);
    std::vector<std::string> inTitle, inText;
    if (words.empty())
        return inTitle;
    for (const HelpTopic &topic : m_topics) {
        auto all = [&](const std::string &where) {
            return std::all_of(words.begin(), words.end(),
                               [&](const std::string &w) { return contains(where, w); });
        };
        if (all(topic.title))
            inTitle.push_back(topic.key);
        else if (all(topic.title + "\n" + topic.body))
            inText.push_back(topic.key);
    }
    inTitle.insert(inTitle.end(), inText.begin(), inText.end());
    return inTitle;
}

} // namespace korvalen
