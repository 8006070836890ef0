// Intrusive reference count of the report builders: the one the resources and
// service groups have (inventory/model/SrmRef.h), by the name the report's
// classes use.
#ifndef INVENTORY_REPORT_RM_REF_H
#define INVENTORY_REPORT_RM_REF_H

#include "inventory/model/SrmRef.h"

using RM_Ref = SrmRef;

#endif
