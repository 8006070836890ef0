// The report's hold on an instance for the length of a scope.
#ifndef INVENTORY_REPORT_INTERNAL_REPORTPIN_H
#define INVENTORY_REPORT_INTERNAL_REPORTPIN_H

#include <new>

#include "inventory/report/OMX_Report.h"
#include "inventory/report/internal/InstanceHoldings.h"

// Holds one entry on an instance for as long as it lives, so that filing the
// instance somewhere it is not kept does not free it under the holder.
class OMX_Report::Pin {
  public:
    // When there is no memory to pin it, an instance nobody holds yet is
    // freed (the report has taken it over) and std::bad_alloc goes on.
    Pin(OMX_Report &report, nmspc_cim::CCIMInstance *instance)
        : report(report), instance(instance) {
        try {
            report.hold(instance);
        } catch (const std::bad_alloc &) {
            if (report.holdings == nullptr || report.holdings->find(instance) == nullptr) {
                nmspc_cim::cim_freeInstance(instance);
            }
            throw;
        }
    }
    ~Pin() { report.drop(instance); }
    Pin(const Pin &) = delete;
    Pin &operator=(const Pin &) = delete;

  private:
    OMX_Report &report;
    nmspc_cim::CCIMInstance *instance;
};

#endif
