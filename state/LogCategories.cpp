#include "state/LogCategories.h"

Q_LOGGING_CATEGORY(zvLink, "zv.link", QtWarningMsg)
Q_LOGGING_CATEGORY(zvState, "zv.state", QtWarningMsg)
Q_LOGGING_CATEGORY(zvInfo, "zv.info", QtWarningMsg)
Q_LOGGING_CATEGORY(zvService, "zv.service", QtWarningMsg)
Q_LOGGING_CATEGORY(zvSim, "zv.sim", QtWarningMsg)
Q_LOGGING_CATEGORY(zvApp, "zv.app", QtWarningMsg)
Q_LOGGING_CATEGORY(zvBle, "zv.ble", QtWarningMsg)
Q_LOGGING_CATEGORY(zvHistory, "zv.history", QtWarningMsg)
Q_LOGGING_CATEGORY(zvReport, "zv.report", QtWarningMsg)
