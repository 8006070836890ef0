// The hand-written cluster database under examples/cluster must stay in the
// record syntax with dictionary keys only, and its header must announce the
// records that follow it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <set>
#include <string>

#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/TupleStatus.h"
#include "inventory/testing/ScratchFiles.h"

namespace {

TEST(SampleClusterTest, EveryRecordParsesWithKnownKeysAndTheHeaderCountsMatch) {
    ulvar::testing::ScopedFd fd(
        open(ULVAR_EXAMPLES_DIR "/cluster/cluster.srdb", O_RDONLY | O_CLOEXEC));
    ASSERT_GE(fd.get(), 0);
    CSRMTupleFDStream stream;
    ASSERT_EQ(TUPLE_STATUS_OK, stream.SetFileDescriptor(fd.get()));
    CSRMReportTupleStreamReader reader;
    ASSERT_EQ(TUPLE_STATUS_OK, reader.SetTupleStream(&stream));

    // Full records are the ones with more than "Type" and "Id"; short member
    // records follow their container and are not counted by the header.
    const std::set<std::string> resourceWords = {
        "Disk",  "DiskChunk",     "VolumeManager", "Volume", "FileSystem", "MountPoint",
        "Share", "VirtualServer", "VolumeGroup",   "System", "Id"};
    int records = 0, fullResources = 0, groups = 0, resourceCount = -1, sgCount = -1;
    for (;;) {
        CSRMReportTuple *raw = nullptr;
        int status = reader.GetNextTuple(&raw);
        std::unique_ptr<CSRMReportTuple> record(raw);
        if (status == TUPLE_STATUS_END) {
            break;
        }
        ASSERT_EQ(TUPLE_STATUS_OK, status) << "after record " << records;
        ++records;
        std::string element, key, value, type;
        int elements = 0;
        while (record->getNextElement(element) == TUPLE_STATUS_OK) {
            ++elements;
            ASSERT_EQ(1, SrmSplitKeyValuePair(&element, &key, &value)) << element;
            ASSERT_TRUE(key == "Type" || SrmUlvarGetStringId(key) != 0)
                << "unknown key " << key << " in record " << records;
            if (key == "Type") {
                type = value;
            } else if (records == 1 && key == "ResourceCount") {
                resourceCount = std::stoi(value);
            } else if (records == 1 && key == "SGCount") {
                sgCount = std::stoi(value);
            }
        }
        bool full = elements > 2;
        if (resourceWords.count(type) != 0 && full) {
            ++fullResources;
        } else if (type == "ServiceGroup" && full) {
            ++groups;
        }
    }
    EXPECT_EQ(19, resourceCount);
    EXPECT_EQ(resourceCount, fullResources);
    EXPECT_EQ(2, sgCount);
    EXPECT_EQ(sgCount, groups);
}

}  // namespace
