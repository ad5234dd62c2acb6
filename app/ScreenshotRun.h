#pragma once

#include <QCoroTask>
#include <QString>

class frmService;

// Renders the windows to PNG files, in German and in English: the main window before and after
// connecting, the link window with its scan list, the technical-information window with table
// and curves, the date and time window, the protocol trace and the History window with the
// visit just made; and that visit's service report as PDF (report-de.pdf, report-en.pdf). Meant for
// the simulated gauge and the offscreen platform. Gives the number of files that could not be
// written or states that were not reached (0 = all done). The window must outlive it.
QCoro::Task<int> renderScreenshots(frmService& window, QString folder);
