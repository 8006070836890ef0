// A whole database as record text: the header, the resources kind by kind, the
// error records and the service groups, and the loader that reads such a file
// back into a database.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeWalk.h"
#include "inventory/kinds/internal/SrmBuiltWhole.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/record/CSRMReportTuple.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/SrmRecordWriter.h"
#include "inventory/record/TupleStatus.h"
#include "inventory/record/internal/SrmOutOfMemory.h"
#include "inventory/record/internal/SrmRecordWalk.h"

namespace {

// The header is identified only by being first; its elements are always all
// written, empty texts included, in this one format.
constexpr char kHeaderFormat[] =
    "\"%s=%s\",\"%s=%d\",\"%s=%s\",\"%s=%s\",\"%s=%s\",\"%s=%s\",\"%s=%d\",\"%s=%d\",;\n";

// A whole file is read in reads of this size rather than the stream's
// default of 1 KiB: a sixty-fourth of the system calls.
constexpr int kLoadBufferSize = 64 * 1024;

// File order of the top-level resources, with the "Type" word of each kind.
constexpr struct {
    SrmResourceType type;
    int word;
} kFileOrder[] = {{SRM_RES_DISK, SRM_KEY_Disk},
                  {SRM_RES_DISKCHUNK, SRM_KEY_DiskChunk},
                  {SRM_RES_VOLUMEMANAGER, SRM_KEY_VolumeManager},
                  {SRM_RES_VOLUME, SRM_KEY_Volume},
                  {SRM_RES_FILESYSTEM, SRM_KEY_FileSystem},
                  {SRM_RES_MOUNTPOINT, SRM_KEY_MountPoint},
                  {SRM_RES_SHARE, SRM_KEY_Share},
                  {SRM_RES_VIRTUALSERVER, SRM_KEY_VirtualServer},
                  {SRM_RES_VOLUMEGROUP, SRM_KEY_VolumeGroup},
                  {SRM_RES_COMPUTER, SRM_KEY_System},
                  {SRM_RES_ID, SRM_KEY_Id}};

// Writes all of `text` with one write(2); 1 when every byte went out.
int writeWhole(int fd, const char *text, std::size_t length) {
    ssize_t n = ::write(fd, text, length);
    return n >= 0 && static_cast<std::size_t>(n) == length ? 1 : 0;
}

// Reads the next record of `reader` into `record` and returns the status.
int nextRecord(CSRMReportTupleStreamReader *reader, CSRMReportTuple *record) {
    if (reader == nullptr) {
        record->clearTuple();
        return TUPLE_STATUS_BAD_STATE;
    }
    return reader->ReadNextTuple(*record);
}

// Whether a top-level record whose "Type" is `word` makes an object: one of
// the eleven resource kinds, or an error.
bool namesAnObject(int word) {
    switch (word) {
        case SRM_KEY_Disk:
        case SRM_KEY_DiskChunk:
        case SRM_KEY_VolumeManager:
        case SRM_KEY_Volume:
        case SRM_KEY_VolumeGroup:
        case SRM_KEY_FileSystem:
        case SRM_KEY_MountPoint:
        case SRM_KEY_Share:
        case SRM_KEY_VirtualServer:
        case SRM_KEY_System:
        case SRM_KEY_Id:
        case SRM_KEY_Error:
            return true;
        default:
            return false;
    }
}

// A fresh resource of the kind a "Type" word names; null for any other word
// (and for "Error", which is no resource) or when memory runs out.
SrmResource *newResourceOfWord(int word) {
    switch (word) {
        case SRM_KEY_Disk:
            return new (std::nothrow) SrmDisk();
        case SRM_KEY_DiskChunk:
            return new (std::nothrow) SrmDiskChunk();
        case SRM_KEY_VolumeManager:
            return new (std::nothrow) SrmVolumeManager();
        case SRM_KEY_Volume:
            return new (std::nothrow) SrmVolume();
        case SRM_KEY_VolumeGroup:
            return new (std::nothrow) SrmVolumeGroup();
        case SRM_KEY_FileSystem:
            return new (std::nothrow) SrmFileSystem();
        case SRM_KEY_MountPoint:
            return new (std::nothrow) SrmMountPoint();
        case SRM_KEY_Share:
            return new (std::nothrow) SrmShare();
        case SRM_KEY_VirtualServer:
            return new (std::nothrow) SrmVirtualServer();
        case SRM_KEY_System:
            return new (std::nothrow) SrmComputer();
        case SRM_KEY_Id:
            return new (std::nothrow) SrmId();
        default:
            return nullptr;
    }
}

}  // namespace

constexpr char kWriteFailed[] = "Failed to serialize the database";
constexpr char kNoFirstRecord[] = "Failed to get any tuple to deserialize";
constexpr char kTooFewResources[] = "Failed to deserialize required number of resources";
constexpr char kTooFewGroups[] = "Failed to deserialize required number of service groups";

namespace {

// Fills the slot for the record of `word` and `id` (the resource `r`, or null
// for an error record or a service group) that did not go out whole, and
// returns 0. The message names the record as the file would; errno stays
// what the failed write(2) left, so that a caller can tell why.
int recordNotWritten(SrmResourceDatabase *db, int word, const std::string &id, SrmResource *r) {
    const int why = errno;
    try {
        db->setErrorInfo(EIO,
                         std::string(kWriteFailed) + ": " + SrmRecordKeyText(word) + " \"" + id +
                             "\" not written whole",
                         r);
    } catch (const std::bad_alloc &) {
        db->setErrorInfo(EIO, kWriteFailed, r);  // needs no memory
    }
    errno = why;
    return 0;
}

}  // namespace

int SrmResourceDatabase::serialize(int fd, int flags) {
    // A writer that fails says nothing of its own; when memory was the cause,
    // the write fails as it does without a record buffer.
    SrmOutOfMemoryWatch watch;
    int result = 0;
    try {
        result = writeRecords(fd, flags);
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
    }
    if (result == 0 && watch.ranOut()) {
        setErrorInfo(ENOMEM, kWriteFailed, nullptr);
    }
    return result;
}

int SrmResourceDatabase::writeRecords(int fd, int flags) {
    completeConstruction();
    if (!buffer) {
        setErrorInfo(ENOMEM, kWriteFailed, nullptr);
        return 0;
    }
    if (attachStream(fd) == 0) {
        return 0;
    }
    SrmResourceDbVersion = "1.0";
    int total = 0;
    if (resources) {
        for (const auto &k : kFileOrder) {
            total += resources->getTypeCount(k.type);
        }
    }
    if (errors != nullptr) {
        total += errors->getErrorCount();
    }
    const int groupTotal = static_cast<int>(serviceGroups.size());

    // Header values are written the way every record writer writes them, so a
    // value that would break the record cannot; a header longer than the
    // shared buffer is formatted into a larger one instead of being cut.
    const std::string alias = SrmRecordSafeValue(ClusterAlias);
    const std::string clusterId = SrmRecordSafeValue(ClusterId);
    const std::string name = SrmRecordSafeValue(ClusterName);
    const std::string version = SrmRecordSafeValue(ClusterVersion);
    auto format = [&](char *out, std::size_t size) {
        return std::snprintf(out, size, kHeaderFormat,
                             SrmRecordKeyText(SRM_KEY_SrmResourceDbVersion),
                             SrmResourceDbVersion.c_str(), SrmRecordKeyText(SRM_KEY_ResourceCount),
                             total, SrmRecordKeyText(SRM_KEY_ClusterAlias), alias.c_str(),
                             SrmRecordKeyText(SRM_KEY_ClusterId), clusterId.c_str(),
                             SrmRecordKeyText(SRM_KEY_ClusterName), name.c_str(),
                             SrmRecordKeyText(SRM_KEY_ClusterVersion), version.c_str(),
                             SrmRecordKeyText(SRM_KEY_MemberCount), static_cast<int>(MemberCount),
                             SrmRecordKeyText(SRM_KEY_SGCount), groupTotal);
    };
    int length = format(buffer.get(), static_cast<std::size_t>(bufferLength));
    int written = 0;
    if (length >= 0 && length < bufferLength) {
        written = writeWhole(fd, buffer.get(), static_cast<std::size_t>(length));
    } else if (length >= 0) {
        std::unique_ptr<char[]> large(
            srmNoted(new (std::nothrow) char[static_cast<std::size_t>(length) + 1]));
        if (large) {
            format(large.get(), static_cast<std::size_t>(length) + 1);
            written = writeWhole(fd, large.get(), static_cast<std::size_t>(length));
        }
    }
    if (written == 0) {
        setErrorInfo(EIO, kWriteFailed, nullptr);
        return 0;
    }

    // A record that does not go out whole fails the write as a header that
    // does not, naming the record: the slot must not go on telling an older,
    // unrelated failure.
    int count = 0;
    for (const auto &k : kFileOrder) {
        SrmResourceIdMap *kind = resources ? resources->getSrmResourceIdMap(k.type) : nullptr;
        if (kind == nullptr) {
            continue;
        }
        if (k.type == SRM_RES_VOLUME) {
            // A sub-volume goes out through the volumes that hold it. One that
            // no volume holds (its holder's record was dropped, or the scanner
            // flags a volume it also reports on its own) stands where a volume
            // that is no sub-volume would; and any volume no walk reached
            // (sub-volume lists changed by hand, holders outside this
            // database) follows them all, so that every volume of the
            // database is written. The volume writer names a failed record.
            serializedVolumes.clear();
            for (const auto &entry : *kind) {
                auto *volume = dynamic_cast<SrmVolume *>(entry.second);
                if (volume != nullptr && volume->HierType == SRM_HIER_SUBVOLUME &&
                    volume->getHolderCount() > 0) {
                    continue;
                }
                if (serializeVolumes(entry.second, fd, flags, count) == 0) {
                    return 0;
                }
            }
            // Both maps are in Id order: one pass over the two finds the
            // volumes not written yet (an insertion leaves `written` valid).
            auto written = serializedVolumes.begin();
            for (const auto &entry : *kind) {
                while (written != serializedVolumes.end() && written->first < entry.first) {
                    ++written;
                }
                if ((written == serializedVolumes.end() || written->first != entry.first) &&
                    serializeVolumes(entry.second, fd, flags, count) == 0) {
                    return 0;
                }
            }
            continue;
        }
        for (const auto &entry : *kind) {
            if (entry.second->serialize(fd, flags) == 0) {
                return recordNotWritten(this, k.word, entry.first, entry.second);
            }
            ++count;
        }
    }
    if (errors != nullptr) {
        for (const auto &group : errors->getErrorMap()) {
            for (SrmError *e : group.second) {
                if (e->serialize(fd, flags, group.first) == 0) {
                    return recordNotWritten(this, SRM_KEY_Error, group.first, nullptr);
                }
                ++count;
            }
        }
    }
    if (count != total) {
        setErrorInfo(EINVAL, "Invalid resource count dumped", nullptr);
        return 0;
    }

    int groupCount = 0;
    for (const auto &entry : serviceGroups) {
        if (entry.second->serialize(fd, flags) == 0) {
            return recordNotWritten(this, SRM_KEY_ServiceGroup, entry.first, nullptr);
        }
        ++groupCount;
    }
    if (groupCount != groupTotal) {
        setErrorInfo(EINVAL, "Invalid service group count dumped", nullptr);
        return 0;
    }
    return 1;
}

// Sub-volumes go out before the volumes that hold them, so that a reader finds
// them in the database when it links them. The walk keeps its own stack and
// never enters a volume twice, so a hierarchy whose lists loop (made by hand,
// or by two databases sharing volumes) ends; the written-volumes map keeps a
// volume reachable from several parents, or from several top volumes, to one
// record per write.
int SrmResourceDatabase::serializeVolumes(SrmResource *volume, int fd, int flags, int &written) {
    if (volume == nullptr) {
        return 1;
    }
    SrmVolumeWalk walk;
    int wrote = 0;
    auto visit = [&](SrmVolume *v) -> int {
        try {
            if (!serializedVolumes.emplace(v->Id, 1).second) {
                return 1;
            }
        } catch (const std::bad_alloc &) {
            srmNoteOutOfMemory();
            return 0;
        }
        if (v->serialize(fd, flags) == 0) {
            return recordNotWritten(this, SRM_KEY_Volume, v->Id, v);
        }
        ++wrote;
        return 1;
    };
    int result = 1;
    if (dynamic_cast<SrmVolume *>(volume) != nullptr) {
        result = walk.subVolumesFirst(volume, visit);
    } else if (serializedVolumes.count(volume->Id) == 0) {
        // Not a volume object at all: written like any resource, once.
        serializedVolumes[volume->Id] = 1;
        result = volume->serialize(fd, flags);
        if (result == 0) {
            recordNotWritten(this, SRM_KEY_Volume, volume->Id, volume);
        }
        wrote += result;
    }
    written += wrote;
    return result;
}

int SrmResourceDatabase::deserialize(int fd, CSRMReportTuple *) {
    // Memory that runs out anywhere in the load may have cost a record, an
    // element of one or a link, whatever the counts say afterwards.
    SrmOutOfMemoryWatch watch;
    const char *failure = "attach Stream failed";
    int result = 0;
    try {
        result = readRecords(fd, &failure);
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
    }
    if (watch.ranOut()) {
        setErrorInfo(ENOMEM, failure, nullptr);
        return 0;
    }
    return result;
}

int SrmResourceDatabase::readRecords(int fd, const char **failure) {
    if (!completeConstruction()) {
        throw std::bad_alloc();
    }
    if (attachStream(fd, kLoadBufferSize) == 0) {
        return 0;
    }
    *failure = kNoFirstRecord;
    // One record at a time, read into the same tuple.
    CSRMReportTuple record;
    if (nextRecord(reader, &record) != TUPLE_STATUS_OK) {
        detachStream(fd);
        setErrorInfo(EINVAL, kNoFirstRecord, nullptr);
        return 0;
    }

    int resourceTotal = 0;
    int groupTotal = 0;
    std::string_view key;
    std::string_view value;
    record.walkElements([&](std::string_view element) {
        if (!srm_walk::splitElement(element, &key, &value)) {
            return true;
        }
        switch (SrmRecordKeyId(key.data(), key.size())) {
            case SRM_KEY_ClusterName:
                ClusterName = value;
                break;
            case SRM_KEY_ClusterVersion:
                ClusterVersion = value;
                break;
            case SRM_KEY_ClusterAlias:
                ClusterAlias = value;
                break;
            case SRM_KEY_ClusterId:
                ClusterId = value;
                break;
            case SRM_KEY_SrmResourceDbVersion:
                SrmResourceDbVersion = value;
                break;
            case SRM_KEY_MemberCount:
                MemberCount = srmRecordInt(value);
                break;
            case SRM_KEY_ResourceCount:
                resourceTotal = srmRecordInt(value);
                break;
            case SRM_KEY_SGCount:
                groupTotal = srmRecordInt(value);
                break;
            default:
                break;
        }
        return true;
    });

    // Makes the object a "Type" word names and lets it read `r`: 1 when it
    // counts (its read succeeded, whether or not the database then keeps it).
    auto readRecordAs = [this](int word, int fd, CSRMReportTuple *r) -> int {
        if (word == SRM_KEY_Error) {
            SrmOutOfMemoryWatch watch;
            std::unique_ptr<SrmError> error(srmNoted(new (std::nothrow) SrmError(this)));
            std::string errorKey;
            int read = error ? error->deserialize(fd, errorKey, r) : 0;
            if (watch.ranOut()) {
                throw std::bad_alloc();
            }
            if (read == 0) {
                return 0;
            }
            if (addError(error.get(), errorKey) != 0) {
                error.release();  // the error list owns it now
            }
            return 1;
        }
        // The creator's reference goes at the end of the record, whatever happened.
        SrmScopedRef<SrmResource> resource(newResourceOfWord(word));
        if (!srmBuiltWhole(resource.get())) {
            throw std::bad_alloc();  // only memory keeps a named kind from being made
        }
        resource->db = this;
        // Every computer record names this computer before it is read; one the
        // database does not keep gives the name back to the computer that held
        // it before, so the name never outlives its computer.
        SrmComputer *previous = thisComputer;
        SrmComputer *computer = dynamic_cast<SrmComputer *>(resource.get());
        setThisComputer(computer);
        // A record read in part for lack of memory is not kept, and the load
        // stops there.
        SrmOutOfMemoryWatch watch;
        int read = 0;
        try {
            read = resource->deserialize(fd, r);
        } catch (const std::bad_alloc &) {
            srmNoteOutOfMemory();
        }
        if (watch.ranOut()) {
            thisComputer = previous;
            throw std::bad_alloc();
        }
        if (read == 0) {
            thisComputer = previous;
            return 0;
        }
        // A computer also joins the computer list, as one added by the scanner's
        // batches does: without it a loaded cluster has no nodes for
        // getLowestLLTNodeIp, and getThisComputer's single-computer rule never
        // applies. The record still counts when the add is refused.
        int added = 0;
        try {
            added = computer != nullptr ? addComputer(computer, 0) : addResource(resource.get());
        } catch (const std::bad_alloc &) {
            thisComputer = previous;
            throw;
        }
        if (added == 0) {
            thisComputer = previous;
        }
        return 1;
    };
    // A record is walked for its first "Type" element whose word names an
    // object (an unknown word names none and the walk goes on). That object's
    // reader rewinds the record and reads it up to its first element that does
    // not split (to its end, when well formed), and may read nested records
    // from the same reader. The walk would go on after the element where that
    // reader stopped; but any further object word found there would make an
    // object that reads the same elements again and hands the walk back to the
    // same place, without end. So a record makes at most one object, as a
    // well-formed record does. The count, not the end of the data, decides how
    // many records are read.
    *failure = kTooFewResources;
    int count = 0;
    for (int i = 0; i < resourceTotal; ++i) {
        if (nextRecord(reader, &record) != TUPLE_STATUS_OK) {
            break;
        }
        int word = SRM_KEY_Type;
        record.walkElements([&](std::string_view element) {
            if (srm_walk::splitElement(element, &key, &value) &&
                SrmRecordKeyId(key.data(), key.size()) == SRM_KEY_Type) {
                word = SrmRecordKeyId(value.data(), value.size());
            }
            return !namesAnObject(word);
        });
        if (namesAnObject(word)) {
            count += readRecordAs(word, fd, &record);
        }
    }
    if (count != resourceTotal) {
        setErrorInfo(EINVAL, kTooFewResources, nullptr);
        return 0;
    }

    *failure = kTooFewGroups;
    count = 0;
    for (int i = 0; i < groupTotal; ++i) {
        if (nextRecord(reader, &record) != TUPLE_STATUS_OK) {
            break;
        }
        std::string groupName;
        bool named = false;
        record.walkElements([&](std::string_view element) {
            if (!srm_walk::splitElement(element, &key, &value)) {
                return false;
            }
            int id = SrmRecordKeyId(key.data(), key.size());
            if (id == SRM_KEY_Id) {
                groupName = value;
                named = !groupName.empty();
            } else if (id == SRM_KEY_Type && value != SrmRecordKeyText(SRM_KEY_ServiceGroup)) {
                named = false;
                return false;
            }
            return true;
        });
        if (named) {
            SrmServiceGroup *held = findServiceGroup(groupName);
            if (held != nullptr) {
                count += held->deserialize(fd, &record) != 0 ? 1 : 0;
            } else {
                SrmScopedRef<SrmServiceGroup> group(
                    srmNoted(new (std::nothrow) SrmServiceGroup(groupName)));
                if (group) {
                    group->setDb(this);
                    group->deserialize(fd, &record);
                    count += addServiceGroup(group.get()) != 0 ? 1 : 0;
                }
            }
        }
    }
    detachStream(fd);
    if (count != groupTotal) {
        setErrorInfo(EINVAL, kTooFewGroups, nullptr);
        return 0;
    }
    return 1;
}
