// How resolution and the integrity check file a problem they find with a
// resource: in the database's last-error slot and as an error record.
//
// Internal to libulvar (not exported, not installed).
#ifndef INVENTORY_MODEL_INTERNAL_SRMRESOURCEPROBLEM_H
#define INVENTORY_MODEL_INTERNAL_SRMRESOURCEPROBLEM_H

#include <cerrno>
#include <string>

#include "inventory/model/SrmResourceDatabase.h"

// Sets the last error to (EINVAL, `lastErrorText`, `r`; the slot takes a
// reference on `r`) and files an error record with `recordText`, code EINVAL and
// severity 2 under the host name of the database's computer; no record when
// that name is empty.
//
// The computer is looked up before the slot is filled: when the database has
// no single computer that lookup leaves its own error in the slot, and the
// problem found must be what the slot reports afterwards.
inline void srmRecordResourceProblem(SrmResourceDatabase *db, SrmResource *r,
                                     const std::string &lastErrorText,
                                     const std::string &recordText) {
    db->getThisComputer();
    db->setErrorInfo(EINVAL, lastErrorText, r);
    db->addError(db->getHostName(), recordText, EINVAL, 2);
}

// The same with one text for both, followed by taking `r` out of the report.
inline void srmExcludeResource(SrmResourceDatabase *db, SrmResource *r, const std::string &text) {
    srmRecordResourceProblem(db, r, text, text);
    r->setReport(false);
}

#endif
