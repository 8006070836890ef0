#include "inventory/record/CSRMTupleFDStream.h"

#include <gtest/gtest.h>

#include <string>

#include "inventory/testing/ScratchFiles.h"

namespace {

using ulvar::testing::FedPipe;
using ulvar::testing::FileWith;
using ulvar::testing::ScopedFd;

std::string Drain(CSRMTupleFDStream &stream, int *lastStatus) {
    std::string out;
    char c;
    int status;
    while ((status = stream.GetNextCharacter(c)) == TUPLE_STATUS_OK) {
        out.push_back(c);
    }
    *lastStatus = status;
    return out;
}

TEST(CSRMTupleFDStreamTest, NeedsADescriptorToBeValid) {
    CSRMTupleFDStream stream;
    EXPECT_FALSE(stream.IsValid());
    EXPECT_EQ(TUPLE_STATUS_BAD_STATE, stream.SetFileDescriptor(-1));
    EXPECT_FALSE(stream.IsValid());
    EXPECT_EQ(TUPLE_STATUS_ERROR, stream.ResetToStart());
    EXPECT_TRUE(CSRMTupleFDStream::IsFDValid(0));
    EXPECT_FALSE(CSRMTupleFDStream::IsFDValid(-2));
}

TEST(CSRMTupleFDStreamTest, BufferSizeChangesOnlyWithoutDescriptor) {
    CSRMTupleFDStream stream;
    EXPECT_EQ(TUPLE_STATUS_ERROR, stream.SetBufferSize(0));
    EXPECT_EQ(TUPLE_STATUS_OK, stream.SetBufferSize(3));
    ASSERT_EQ(TUPLE_STATUS_OK, stream.SetFileDescriptor(3));
    EXPECT_EQ(TUPLE_STATUS_BAD_STATE, stream.SetBufferSize(4096));
}

TEST(CSRMTupleFDStreamTest, HandsOutEveryByteThroughASmallBuffer) {
    const std::string data = "\"Id=a\",;\n\"Id=b\",;\n";
    ScopedFd fd(FileWith(data));
    CSRMTupleFDStream stream;
    ASSERT_EQ(TUPLE_STATUS_OK, stream.SetBufferSize(4));
    ASSERT_EQ(TUPLE_STATUS_OK, stream.SetFileDescriptor(fd.get()));
    int status = 0;
    EXPECT_EQ(data, Drain(stream, &status));
    EXPECT_EQ(TUPLE_STATUS_END, status);
    char c = 'k';
    EXPECT_EQ(TUPLE_STATUS_END, stream.GetNextCharacter(c));
    EXPECT_EQ('k', c);
}

TEST(CSRMTupleFDStreamTest, ResetToStartRereadsAFile) {
    ScopedFd fd(FileWith("abc"));
    CSRMTupleFDStream stream;
    ASSERT_EQ(TUPLE_STATUS_OK, stream.SetFileDescriptor(fd.get()));
    int status = 0;
    EXPECT_EQ("abc", Drain(stream, &status));
    ASSERT_EQ(TUPLE_STATUS_OK, stream.ResetToStart());
    EXPECT_EQ("abc", Drain(stream, &status));
}

TEST(CSRMTupleFDStreamTest, ResetToStartOnAPipeContinuesWithWhatFollows) {
    FedPipe pipe("abcdef", 6);
    CSRMTupleFDStream stream;
    ASSERT_EQ(TUPLE_STATUS_OK, stream.SetBufferSize(2));
    ASSERT_EQ(TUPLE_STATUS_OK, stream.SetFileDescriptor(pipe.fd()));
    char c;
    ASSERT_EQ(TUPLE_STATUS_OK, stream.GetNextCharacter(c));
    EXPECT_EQ('a', c);
    EXPECT_EQ(TUPLE_STATUS_OK, stream.ResetToStart());
    int status = 0;
    // The buffered "b" is dropped; the pipe delivers from "c" on.
    EXPECT_EQ("cdef", Drain(stream, &status));
    EXPECT_EQ(TUPLE_STATUS_END, status);
}

TEST(CSRMTupleFDStreamTest, ReadErrorIsReported) {
    // Reading a directory fails.
    ScopedFd dir(open("/", O_RDONLY));
    ASSERT_GE(dir.get(), 0);
    CSRMTupleFDStream stream;
    ASSERT_EQ(TUPLE_STATUS_OK, stream.SetFileDescriptor(dir.get()));
    char c;
    EXPECT_EQ(TUPLE_STATUS_ERROR, stream.GetNextCharacter(c));
}

}  // namespace
