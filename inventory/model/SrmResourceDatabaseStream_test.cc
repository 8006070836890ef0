#include <fcntl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/TupleStatus.h"
#include "inventory/testing/ScratchFiles.h"

namespace {

using ulvar::testing::FileWith;
using ulvar::testing::ScopedFd;

// The elements of the next record the database's reader yields, or "status N".
std::string NextRecord(SrmResourceDatabase &db) {
    CSRMReportTupleStreamReader *reader = db.getTupleStream();
    if (reader == nullptr) {
        return "no reader";
    }
    CSRMReportTuple *t = nullptr;
    int status = reader->GetNextTuple(&t);
    std::unique_ptr<CSRMReportTuple> owned(t);
    if (status != TUPLE_STATUS_OK) {
        return "status " + std::to_string(status);
    }
    std::string all, e;
    while (t->getNextElement(e) == TUPLE_STATUS_OK) {
        all += e + "|";
    }
    return all;
}

void ExpectLastError(SrmResourceDatabase &db, int code, const std::string &message) {
    int got = 0;
    std::string text;
    db.getLastErrorInfo(&got, text, nullptr);
    EXPECT_EQ(code, got);
    EXPECT_EQ(message, text);
}

TEST(SrmDatabaseStreamTest, AttachedReaderReadsTheDescriptor) {
    ScopedFd fd(FileWith("\"Type=Disk\",\"Id=d1\",;\n\"Type=Disk\",\"Id=d2\",;\n"));
    SrmResourceDatabase db;
    ASSERT_EQ(1, db.attachStream(fd.get()));
    ASSERT_NE(nullptr, db.getStreamFD());
    EXPECT_EQ("\"Type=Disk\"|\"Id=d1\"|", NextRecord(db));
    EXPECT_EQ("\"Type=Disk\"|\"Id=d2\"|", NextRecord(db));
    EXPECT_EQ("status 257", NextRecord(db));
}

// A whole-file reader asks for a larger buffer; a size the stream refuses
// leaves it its default, never without a stream.
TEST(SrmDatabaseStreamTest, AnyBufferSizeReadsTheSameRecords) {
    const std::string text = "\"Type=Disk\",\"Id=d1\",;\n\"Type=Disk\",\"Id=d2\",;\n";
    for (int size : {65536, 1, 0, -5}) {
        ScopedFd fd(FileWith(text));
        SrmResourceDatabase db;
        ASSERT_EQ(1, db.attachStream(fd.get(), size)) << size;
        EXPECT_EQ("\"Type=Disk\"|\"Id=d1\"|", NextRecord(db)) << size;
        EXPECT_EQ("\"Type=Disk\"|\"Id=d2\"|", NextRecord(db)) << size;
        EXPECT_EQ("status 257", NextRecord(db)) << size;
    }
}

TEST(SrmDatabaseStreamTest, AttachingAgainStartsOverOnTheNewDescriptor) {
    ScopedFd first(FileWith("\"Id=a\",;\n\"Id=b\",;\n"));
    ScopedFd second(FileWith("\"Id=z\",;\n"));
    SrmResourceDatabase db;
    ASSERT_EQ(1, db.attachStream(first.get()));
    EXPECT_EQ("\"Id=a\"|", NextRecord(db));
    ASSERT_EQ(1, db.attachStream(second.get()));
    EXPECT_EQ("\"Id=z\"|", NextRecord(db));
    EXPECT_EQ("status 257", NextRecord(db));
}

TEST(SrmDatabaseStreamTest, NegativeDescriptorIsRefusedAndDropsTheOldStream) {
    ScopedFd fd(FileWith("\"Id=a\",;\n"));
    SrmResourceDatabase db;
    ASSERT_EQ(1, db.attachStream(fd.get()));
    EXPECT_EQ(0, db.attachStream(-1));
    ExpectLastError(db, 22, "attach Stream failed");
    EXPECT_EQ(nullptr, db.getTupleStream());
    EXPECT_EQ(nullptr, db.getStreamFD());
}

TEST(SrmDatabaseStreamTest, DetachDropsReaderButKeepsDescriptorOpen) {
    ScopedFd fd(FileWith("\"Id=a\",;\n"));
    SrmResourceDatabase db;
    ASSERT_EQ(1, db.attachStream(fd.get()));
    db.setErrorInfo(0, "untouched", nullptr);
    EXPECT_EQ(1, db.detachStream(fd.get()));
    EXPECT_EQ(nullptr, db.getTupleStream());
    EXPECT_EQ(nullptr, db.getStreamFD());
    EXPECT_NE(-1, fcntl(fd.get(), F_GETFD));
    ExpectLastError(db, 0, "untouched");
    // Detaching twice is harmless.
    EXPECT_EQ(1, db.detachStream(fd.get()));
}

TEST(SrmDatabaseStreamTest, DetachWithNegativeDescriptorFailsAndKeepsTheReader) {
    ScopedFd fd(FileWith("\"Id=a\",;\n"));
    SrmResourceDatabase db;
    ASSERT_EQ(1, db.attachStream(fd.get()));
    EXPECT_EQ(0, db.detachStream(-1));
    ExpectLastError(db, 9, "detach Stream failed");
    EXPECT_EQ("\"Id=a\"|", NextRecord(db));
}

}  // namespace
