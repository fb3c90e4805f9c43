#include "ui/appcontext.h"

#include "ui/procedures.h"

#include <QPrinter>

namespace korvalen {

AppContext::AppContext(Prompter &prompter_, Clock &clock_)
    : prompter(prompter_), clock(clock_), procedures(std::make_unique<ProcedureTable>()),
      launchOrigin("    ")
{
}

AppContext::~AppContext() = default;

QPrinter &AppContext::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

} // namespace korvalen
