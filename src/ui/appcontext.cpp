#include "ui/appcontext.h"

#include "ui/procedures.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QPrinter>

namespace korvalen {

AppContext::AppContext(Prompter &prompter_, Clock &clock_)
    : prompter(prompter_), clock(clock_), procedures(std::make_unique<ProcedureTable>()),
      launchOrigin("    ")
{
}

AppContext::~AppContext()
{
    QObject::disconnect(m_idleConnection);
}

QPrinter &AppContext::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void AppContext::releaseReadsWhenIdle()
{
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || m_idleConnection)
        return;
    m_idleConnection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                        [this] { data.database.releaseReads(); });
}

} // namespace korvalen
