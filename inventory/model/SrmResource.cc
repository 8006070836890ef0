#include "inventory/model/SrmResource.h"

#include "inventory/model/SrmResourceDatabase.h"

SrmRef::~SrmRef() = default;

SrmResource::SrmResource() = default;

SrmResource::~SrmResource() = default;

void SrmResource::setReport(bool on) {
    if (on) {
        state |= SRM_STATE_REPORT;
    } else {
        state &= ~SRM_STATE_REPORT;
    }
}

void SrmResource::setVirtualReport(bool on) {
    if (on) {
        state |= SRM_STATE_VIRTUAL_REPORT;
    } else {
        state &= ~SRM_STATE_VIRTUAL_REPORT;
    }
}

char *SrmResource::getBuffer() const {
    return db != nullptr ? db->getBuffer() : nullptr;
}

int SrmResource::getBufferLength() const {
    return db != nullptr ? db->getBufferLength() : 0;
}

CSRMTupleFDStream *SrmResource::getStreamFD() const {
    return db != nullptr ? db->getStreamFD() : nullptr;
}

CSRMReportTupleStreamReader *SrmResource::getTupleStream() const {
    return db != nullptr ? db->getTupleStream() : nullptr;
}
