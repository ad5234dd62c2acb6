#pragma once

#include "report/ServiceReport.h"
#include "report/ServiceReportSource.h"

// Makes the content of a service report from one visit, in the current language; numbers in the
// way of that language (German 1,25; English 1.25), times in local time. The same input gives the
// same report.
namespace ServiceReportBuilder
{
ServiceReport build(const ServiceReportInput& input);
} // namespace ServiceReportBuilder
