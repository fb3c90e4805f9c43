#pragma once

#include <functional>
#include <map>
#include <string>

class QWidget;

namespace korvalen {

class AppContext;

// The screens of the program by their upper-case names. A called procedure
// runs in its caller's flow (a modal dialog) and returns when its window
// closes; an independent procedure makes a window that runs beside the frame
// and the others (several at once, two of one kind included). Tests replace
// entries with scripted ones.
class ProcedureTable
{
public:
    using Called = std::function<void(AppContext &)>;
    using Independent = std::function<QWidget *(AppContext &)>;

    void setCalled(const std::string &name, Called procedure);
    void setIndependent(const std::string &name, Independent procedure);

    bool hasCalled(const std::string &name) const { return m_called.count(name) != 0; }
    bool hasIndependent(const std::string &name) const { return m_independent.count(name) != 0; }
    bool has(const std::string &name) const { return hasCalled(name) || hasIndependent(name); }

    // Runs the called procedure `name`; false when there is none.
    bool call(const std::string &name, AppContext &context) const;
    // Makes the window of independent procedure `name` and hands it to the
    // context's addIndependentWindow; nullptr when there is none.
    QWidget *start(const std::string &name, AppContext &context) const;

private:
    std::map<std::string, Called> m_called;
    std::map<std::string, Independent> m_independent;
};

} // namespace korvalen
