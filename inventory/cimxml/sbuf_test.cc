#include "inventory/cimxml/sbuf.h"

#include <gtest/gtest.h>

#include <cstdarg>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "inventory/cimxml/internal/sbuf_testing.h"

namespace {

struct BufferDeleter {
    void operator()(sbuf *b) const { sbufDestroy(b); }
};
using Buffer = std::unique_ptr<sbuf, BufferDeleter>;

std::string text(const sbuf *b) {
    return std::string(sbufGetString(b), sbufGetSize(b));
}

void *refuseToGrow(void *, size_t) {
    return nullptr;
}

class SbufTest : public ::testing::Test {
  protected:
    void TearDown() override { sbufSetReallocForTesting(nullptr); }
};

TEST_F(SbufTest, CreateRefusesZeroCapacity) {
    EXPECT_EQ(sbufCreate(0), nullptr);
    Buffer b(sbufCreate(1));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(sbufGetCapacity(b.get()), 1u);
    EXPECT_EQ(sbufGetSize(b.get()), 0u);
    EXPECT_STREQ(sbufGetString(b.get()), "");
}

TEST_F(SbufTest, EveryFunctionAnswersANullBuffer) {
    EXPECT_EQ(sbufAppendN(nullptr, "x", 1), nullptr);
    EXPECT_EQ(sbufAppend(nullptr, "x"), nullptr);
    EXPECT_EQ(sbufPrintf(nullptr, "%d", 1), nullptr);
    EXPECT_EQ(sbufGetString(nullptr), nullptr);
    EXPECT_EQ(sbufGetStringCopy(nullptr), nullptr);
    EXPECT_EQ(sbufGetSize(nullptr), 0u);
    EXPECT_EQ(sbufGetCapacity(nullptr), 0u);
    EXPECT_EQ(sbufClear(nullptr), nullptr);
    sbufDestroy(nullptr);
}

TEST_F(SbufTest, NullSourceOrFormatFailsAndLeavesTextAlone) {
    Buffer b(sbufCreate(8));
    sbufAppend(b.get(), "ab");
    EXPECT_EQ(sbufAppend(b.get(), nullptr), nullptr);
    EXPECT_EQ(sbufAppendN(b.get(), nullptr, 3), nullptr);
    EXPECT_EQ(sbufPrintf(b.get(), nullptr), nullptr);
    EXPECT_EQ(text(b.get()), "ab");
}

TEST_F(SbufTest, FirstByteIntoAFullBufferGrowsItToFour) {
    Buffer b(sbufCreate(1));
    EXPECT_EQ(sbufAppendN(b.get(), "x", 1), b.get());
    EXPECT_EQ(sbufGetCapacity(b.get()), 4u);
    EXPECT_EQ(text(b.get()), "x");
}

TEST_F(SbufTest, TenBytesIntoCapacityFourGrowTwiceToTwentyTwo) {
    Buffer b(sbufCreate(4));
    EXPECT_EQ(sbufAppendN(b.get(), "0123456789", 10), b.get());
    EXPECT_EQ(sbufGetCapacity(b.get()), 22u);
    EXPECT_EQ(sbufGetSize(b.get()), 10u);
    EXPECT_EQ(text(b.get()), "0123456789");
    EXPECT_EQ(sbufGetString(b.get())[10], '\0');
}

TEST_F(SbufTest, AppendNTakesOnlyTheCountAndZeroIsANoOp) {
    Buffer b(sbufCreate(16));
    sbufAppendN(b.get(), "abcdef", 3);
    EXPECT_EQ(sbufAppendN(b.get(), "zzz", 0), b.get());
    EXPECT_EQ(text(b.get()), "abc");
}

TEST_F(SbufTest, NegativeCountFailsWithoutTouchingTheText) {
    Buffer b(sbufCreate(16));
    sbufAppend(b.get(), "abc");
    EXPECT_EQ(sbufAppendN(b.get(), "xyz", -1), nullptr);
    EXPECT_EQ(text(b.get()), "abc");
    EXPECT_EQ(sbufGetCapacity(b.get()), 16u);
}

TEST_F(SbufTest, AppendNStopsReadingAtTheSourceTerminator) {
    // Like strncpy: the source is not read past its NUL; the count is kept
    // with NUL bytes.
    Buffer b(sbufCreate(2));
    const char *shortSource = "ab";
    EXPECT_EQ(sbufAppendN(b.get(), shortSource, 6), b.get());
    EXPECT_EQ(sbufGetSize(b.get()), 6u);
    EXPECT_EQ(text(b.get()), std::string("ab\0\0\0\0", 6));
}

TEST_F(SbufTest, PrintfAppendsFormattedTextAcrossGrowth) {
    Buffer b(sbufCreate(1));
    sbufAppend(b.get(), "n=");
    EXPECT_EQ(sbufPrintf(b.get(), "%d:%s:%05.1f", 42, "forty-two", 3.14159), b.get());
    EXPECT_EQ(text(b.get()), "n=42:forty-two:003.1");
    EXPECT_EQ(sbufGetSize(b.get()), strlen(sbufGetString(b.get())));
}

TEST_F(SbufTest, PrintfOfEmptyTextChangesNothing) {
    Buffer b(sbufCreate(4));
    sbufAppend(b.get(), "abc");
    EXPECT_EQ(sbufPrintf(b.get(), "%s", ""), b.get());
    EXPECT_EQ(text(b.get()), "abc");
    EXPECT_EQ(sbufGetCapacity(b.get()), 4u);
}

TEST_F(SbufTest, PrintfFillingTheRoomExactlyNeedsNoGrowth) {
    Buffer b(sbufCreate(6));
    EXPECT_EQ(sbufPrintf(b.get(), "%s", "abcde"), b.get());
    EXPECT_EQ(sbufGetCapacity(b.get()), 6u);
    EXPECT_EQ(text(b.get()), "abcde");
}

sbuf *printBoth(sbuf *b, const char *format, ...) {
    va_list args;
    va_start(args, format);
    sbufVPrintf(b, format, args);
    // The caller's list must still be whole for a second use.
    sbuf *result = sbufVPrintf(b, format, args);
    va_end(args);
    return result;
}

TEST_F(SbufTest, VPrintfLeavesTheCallersListUsable) {
    Buffer b(sbufCreate(2));
    EXPECT_EQ(printBoth(b.get(), "[%s %d]", "long enough to grow", 7), b.get());
    EXPECT_EQ(text(b.get()), "[long enough to grow 7][long enough to grow 7]");
}

TEST_F(SbufTest, StringCopyIsIndependentAndMalloced) {
    Buffer b(sbufCreate(1));
    char *empty = sbufGetStringCopy(b.get());
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], '\0');
    free(empty);

    sbufAppend(b.get(), "text");
    char *copy = sbufGetStringCopy(b.get());
    sbufClear(b.get());
    sbufAppend(b.get(), "else");
    EXPECT_STREQ(copy, "text");
    free(copy);
}

TEST_F(SbufTest, ClearKeepsCapacitySoTheNextAppendDoesNotGrow) {
    Buffer b(sbufCreate(4));
    sbufAppend(b.get(), "0123456789");
    unsigned capacity = sbufGetCapacity(b.get());
    EXPECT_EQ(sbufClear(b.get()), b.get());
    EXPECT_EQ(sbufGetSize(b.get()), 0u);
    EXPECT_STREQ(sbufGetString(b.get()), "");
    sbufSetReallocForTesting(refuseToGrow);
    EXPECT_EQ(sbufAppend(b.get(), "0123456789"), b.get());
    EXPECT_EQ(sbufGetCapacity(b.get()), capacity);
}

TEST_F(SbufTest, FailedGrowthKeepsWhatWasAppendedSoFar) {
    Buffer b(sbufCreate(4));
    sbufSetReallocForTesting(refuseToGrow);
    EXPECT_EQ(sbufAppend(b.get(), "abcdef"), nullptr);
    EXPECT_EQ(text(b.get()), "abc");
    EXPECT_EQ(sbufGetCapacity(b.get()), 4u);
}

TEST_F(SbufTest, FailedPrintfLeavesTheTextUnchanged) {
    Buffer b(sbufCreate(4));
    sbufAppend(b.get(), "ab");
    sbufSetReallocForTesting(refuseToGrow);
    EXPECT_EQ(sbufPrintf(b.get(), "%s", "longer than the room"), nullptr);
    EXPECT_EQ(text(b.get()), "ab");
}

TEST_F(SbufTest, ManySmallAppendsKeepTheTextExact) {
    // Growth with copies of every size: the text must come out byte for byte.
    Buffer b(sbufCreate(1));
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        std::string piece(static_cast<size_t>(i % 37), static_cast<char>('a' + i % 26));
        if (i % 3 == 0) {
            ASSERT_NE(sbufPrintf(b.get(), "%s|%d", piece.c_str(), i), nullptr);
            expected += piece + "|" + std::to_string(i);
        } else {
            ASSERT_NE(sbufAppendN(b.get(), piece.data(), static_cast<int>(piece.size())), nullptr);
            expected += piece;
        }
    }
    EXPECT_EQ(text(b.get()), expected);
    EXPECT_LT(sbufGetSize(b.get()), sbufGetCapacity(b.get()));
}

}  // namespace
