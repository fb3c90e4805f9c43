#include "ui/procedures.h"

#include "ui/appcontext.h"

#include <QWidget>

namespace korvalen {

QEvent::Type CloseQueryEvent::eventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void ProcedureTable::setCalled(const std::string &name, Called procedure)
{
    m_called[name] = std::move(procedure);
}

void ProcedureTable::setIndependent(const std::string &name, Independent procedure)
{
    m_independent[name] = std::move(procedure);
}

bool ProcedureTable::call(const std::string &name, AppContext &context) const
{
    auto found = m_called.find(name);
    if (found == m_called.end())
        return false;
    found->second(context);
    return true;
}

QWidget *ProcedureTable::start(const std::string &name, AppContext &context) const
{
    auto found = m_independent.find(name);
    if (found == m_independent.end())
        return nullptr;
    QWidget *window = found->second(context);
    if (!window)
        return nullptr;
    if (context.addIndependentWindow)
        context.addIndependentWindow(window);
    else
        window->show();
    return window;
}

} // namespace korvalen
