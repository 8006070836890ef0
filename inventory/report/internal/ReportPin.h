// The report's hold on an instance for the length of a scope.
#ifndef INVENTORY_REPORT_INTERNAL_REPORTPIN_H
#define INVENTORY_REPORT_INTERNAL_REPORTPIN_H

#include "inventory/report/OMX_Report.h"

// Holds one entry on an instance for as long as it lives, so that filing the
// instance somewhere it is not kept does not free it under the holder.
class OMX_Report::Pin {
  public:
    Pin(OMX_Report &report, nmspc_cim::CCIMInstance *instance)
        : report(report), instance(instance) {
        report.hold(instance);
    }
    ~Pin() { report.drop(instance); }
    Pin(const Pin &) = delete;
    Pin &operator=(const Pin &) = delete;

  private:
    OMX_Report &report;
    nmspc_cim::CCIMInstance *instance;
};

#endif
