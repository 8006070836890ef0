#include "inventory/model/SrmError.h"

#include <new>
#include <tuple>
#include <utility>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/SrmRecordWriter.h"
#include "inventory/record/internal/SrmOutOfMemory.h"
#include "inventory/record/internal/SrmRecordWalk.h"

namespace {

// Folded byte by byte in the C locale, so the same key always lands in the
// same group whatever locale the process runs in.
std::string lowerCased(std::string key) {
    for (char &c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

}  // namespace

std::atomic<int32_t> SrmError::m_cur_seq{0};

SrmError::SrmError(SrmResourceDatabase *db) : db(db), seq(m_cur_seq.fetch_add(1)) {}

SrmError::SrmError(std::string description, int ecode, int severity, int reserved,
                   std::string eclass, std::string etype, std::string efunc)
    : db(nullptr),
      Sev(severity),
      Ecode(ecode),
      Efunc(std::move(efunc)),
      Eclass(std::move(eclass)),
      Etype(std::move(etype)),
      ErrorDesc(std::move(description)),
      seq(m_cur_seq.fetch_add(1)),
      reserved(reserved) {}

SrmError::~SrmError() = default;

int SrmError::serialize(int fd, int, std::string key) {
    if (db == nullptr || db->getBuffer() == nullptr) {
        return 0;
    }
    SrmRecordWriter w(db->getRecordText());
    w.addWord(SRM_KEY_Type, SRM_KEY_Error);
    w.addText(SRM_KEY_Id, key);
    w.addText(SRM_KEY_ErrorDesc, ErrorDesc);
    w.addLong(SRM_KEY_Ecode, Ecode);
    w.addLong(SRM_KEY_Sev, Sev);
    w.addText(SRM_KEY_FileName, FileName);
    w.addText(SRM_KEY_Etype, Etype);
    w.addText(SRM_KEY_Eclass, Eclass);
    w.addText(SRM_KEY_Efunc, Efunc);
    return w.write(fd);
}

int SrmError::deserialize(int, std::string &key, CSRMReportTuple *record) {
    if (record == nullptr) {
        return 0;
    }
    try {
        srm_walk::forEachElement(record, [&](int keyId, const std::string &value) {
            switch (keyId) {
                case SRM_KEY_Id:
                    key = value;
                    break;
                case SRM_KEY_ErrorDesc:
                    ErrorDesc = value;
                    break;
                case SRM_KEY_Etype:
                    Etype = value;
                    break;
                case SRM_KEY_Eclass:
                    Eclass = value;
                    break;
                case SRM_KEY_Efunc:
                    Efunc = value;
                    break;
                case SRM_KEY_FileName:
                    FileName = value;
                    break;
                case SRM_KEY_Ecode:
                    Ecode = srmRecordInt(value);
                    break;
                case SRM_KEY_Sev:
                    Sev = srmRecordInt(value);
                    break;
                default:
                    break;
            }
        });
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    return 1;
}

SrmErrorList::SrmErrorList(SrmResourceDatabase *db) : db(db) {}

SrmErrorList::~SrmErrorList() {
    for (auto &group : groups) {
        for (SrmError *e : group.second) {
            delete e;
        }
    }
}

int SrmErrorList::addError(std::string key, SrmError *e) {
    // Ownership passes only on success, so a refused error is still the
    // caller's to free (or to file elsewhere).
    if (e == nullptr || key.empty()) {
        return 0;
    }
    try {
        groups[lowerCased(std::move(key))].push_back(e);
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    e->db = db;
    return 1;
}

int SrmErrorList::getErrorCount(std::string key) const {
    const SrmErrorIdList *group = getSrmErrorIdMap(std::move(key));
    return group != nullptr ? static_cast<int>(group->size()) : 0;
}

int SrmErrorList::getErrorCount() const {
    int count = 0;
    for (const auto &group : groups) {
        count += static_cast<int>(group.second.size());
    }
    return count;
}

const SrmErrorIdList *SrmErrorList::getSrmErrorIdMap(std::string key) const {
    if (key.empty() || groups.empty()) {
        return nullptr;
    }
    try {
        auto found = groups.find(lowerCased(std::move(key)));
        return found != groups.end() ? &found->second : nullptr;
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return nullptr;
    }
}

int SrmErrorList::mergeErrors(SrmErrorList *other) {
    if (db == nullptr) {
        return 0;
    }
    if (other == nullptr || other->groups.empty()) {
        return 1;
    }
    // The copies are taken before any is added: adding to this list while
    // walking it (a list merged into itself) would move the very entries the
    // walk stands on.
    std::vector<std::tuple<std::string, std::string, int, int>> copies;
    try {
        for (const auto &group : other->groups) {
            for (const SrmError *e : group.second) {
                copies.emplace_back(group.first, e->ErrorDesc, e->Ecode, e->Sev);
            }
        }
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    for (auto &copy : copies) {
        if (db->addError(std::get<0>(copy), std::get<1>(copy), std::get<2>(copy),
                         std::get<3>(copy)) == 0) {
            return 0;
        }
    }
    return 1;
}

int SrmErrorList::serialize(int fd, int flags) {
    int written = 0;
    for (const auto &group : groups) {
        for (SrmError *e : group.second) {
            written += e->serialize(fd, flags, group.first);
        }
    }
    return written;
}
