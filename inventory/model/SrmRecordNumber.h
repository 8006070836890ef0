// The record-number readers (srmRecordInt, srmRecordLong, srmRecordLongLong)
// live with the record walks; include "inventory/model/SrmRecordWalk.h".
// This name only forwards there for sources not yet moved.
#ifndef INVENTORY_MODEL_SRMRECORDNUMBER_H
#define INVENTORY_MODEL_SRMRECORDNUMBER_H

#include "inventory/model/SrmRecordWalk.h"

#endif
