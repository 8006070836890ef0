// The maps a report files its instances in.
#ifndef INVENTORY_REPORT_INTERNAL_REPORTMAPS_H
#define INVENTORY_REPORT_INTERNAL_REPORTMAPS_H

#include "inventory/report/internal/NameIndex.h"

namespace rm_report {

struct ReportMaps {
    // Maps 1 to 9 at [0] to [8]; the name order GetReport needs is made when
    // it runs, so that filing and lookups cost the same at any size.
    NameIndex instances[9];
    // An association belongs to its entry until GetReport lists it.
    NameIndex associations;
};

}  // namespace rm_report

#endif
