#pragma once

#include <QEvent>

#include <functional>
#include <map>
#include <string>

class QWidget;

namespace korvalen {

// Sent to an independent window before the program ends, so that every
// window is asked before any of them closes. Ask: the window asks its own
// questions (whether to save) and ignores the event to stay open; one that
// accepts it closes without asking again. Withdraw: the ending was given
// up, so the window asks again when it is next closed. A window that does
// not handle the event agrees.
class CloseQueryEvent : public QEvent
{
public:
    enum Phase
    {
        Ask,
        Withdraw
    };

    explicit CloseQueryEvent(Phase phase) : QEvent(eventType()), m_phase(phase) {}

    Phase phase() const { return m_phase; }
    static QEvent::Type eventType();

private:
    Phase m_phase;
};

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
