// The main window's protocol trace: recorded from the start, shown from the View menu.
#include "app/frmService.h"
#include "app/frmTrace.h"

frmTrace* frmService::traceWindow()
{
    if (!m_traceWindow)
        m_traceWindow = new frmTrace(m_trace, this);
    return m_traceWindow;
}

void frmService::mnuTrace_Click()
{
    traceWindow()->show();
    m_traceWindow->raise();
}
