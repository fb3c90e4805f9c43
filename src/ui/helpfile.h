#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvalen {

// One topic of the help file, named by its "~" keyword.
struct HelpTopic
{
    std::string key;   // "~UPACTDIAL"
    std::string title; // "Adding and changing an activity"
    std::string body;  // plain text; "- " bullets; "@see ~KEY" links
};

// The program's help: KORVALEN.HLP in the working directory, a text file of
// topics. The program writes its own copy there when it is missing.
class HelpFile
{
public:
    static constexpr const char *fileName = "KORVALEN.HLP";
    static constexpr const char *contentsKey = "~TABCONT";
    static constexpr const char *howToUseKey = "~HOWTOUSEHELP";

    // Reads the help file of `directory`, writing the program's own copy
    // first when there is none. Returns false when neither works (the
    // built-in copy is used then).
    bool load(const std::filesystem::path &directory);
    // Parses help text; topics without a key or title are passed over.
    void parse(const std::string &text);

    const std::vector<HelpTopic> &topics() const { return m_topics; }
    // The topic named `key` (letter case ignored), nullptr when none.
    const HelpTopic *find(const std::string &key) const;
    // The keys of the topics whose title or text holds every word of
    // `query` (letter case ignored), titles first.
    std::vector<std::string> search(const std::string &query) const;

    // The help text the program carries.
    static const std::string &builtInText();

private:
    std::vector<HelpTopic> m_topics;
};

} // namespace korvalen
