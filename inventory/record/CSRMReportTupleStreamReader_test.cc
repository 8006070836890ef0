#include "inventory/record/CSRMReportTupleStreamReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/TupleStatus.h"
#include "inventory/testing/ScratchFiles.h"

namespace {

using ulvar::testing::FedPipe;
using ulvar::testing::FileWith;
using ulvar::testing::ScopedFd;
using Record = std::vector<std::string>;

// A source that is not an FD stream, so the reader takes it one character per call.
class StringStream : public CSRMTupleStream {
  public:
    explicit StringStream(std::string data) : data(std::move(data)), at(0) {}
    int IsValid() override { return 1; }
    int GetNextCharacter(char &c) override {
        if (at >= data.size()) {
            return TUPLE_STATUS_END;
        }
        c = data[at++];
        return TUPLE_STATUS_OK;
    }
    int ResetToStart() override {
        at = 0;
        return TUPLE_STATUS_OK;
    }

  private:
    std::string data;
    std::size_t at;
};

// How the bytes reach the reader.
enum class Source { kFile, kTinyBuffer, kPipe, kCharacterStream };

// Owns a source of `data` of the chosen kind and a reader bound to it.
class Fixture {
  public:
    Fixture(const std::string &data, Source source) {
        switch (source) {
            case Source::kCharacterStream:
                chars.reset(new StringStream(data));
                EXPECT_EQ(TUPLE_STATUS_OK, reader.SetTupleStream(chars.get()));
                return;
            case Source::kPipe:
                pipe.reset(new ulvar::testing::FedPipe(data, 7));
                fdStream.SetBufferSize(5);
                EXPECT_EQ(TUPLE_STATUS_OK, fdStream.SetFileDescriptor(pipe->fd()));
                break;
            case Source::kTinyBuffer:
                fdStream.SetBufferSize(1);
                [[fallthrough]];
            case Source::kFile:
                file.reset(new ScopedFd(FileWith(data)));
                EXPECT_EQ(TUPLE_STATUS_OK, fdStream.SetFileDescriptor(file->get()));
                break;
        }
        EXPECT_EQ(TUPLE_STATUS_OK, reader.SetTupleStream(&fdStream));
    }

    // Reads records until a non-zero code, which lands in `*last`: each into a new tuple, or
    // with `reuse` all into one tuple, which must be empty after any code but success.
    std::vector<Record> ReadAll(int *last, bool reuse = false) {
        std::vector<Record> records;
        CSRMReportTuple kept;
        for (;;) {
            CSRMReportTuple *t = nullptr;
            int status = reuse ? reader.ReadNextTuple(kept) : reader.GetNextTuple(&t);
            std::unique_ptr<CSRMReportTuple> owned(t);
            if (reuse) {
                t = &kept;
            }
            if (status != TUPLE_STATUS_OK) {
                EXPECT_TRUE(!reuse || kept.elementCount() == 0);
                *last = status;
                return records;
            }
            Record r;
            t->getAllElements(r);
            records.push_back(r);
        }
    }

    CSRMReportTupleStreamReader reader;

  private:
    std::unique_ptr<ScopedFd> file;
    std::unique_ptr<FedPipe> pipe;
    std::unique_ptr<StringStream> chars;
    CSRMTupleFDStream fdStream;
};

class ReaderOverEverySource : public ::testing::TestWithParam<Source> {
  protected:
    // Also reads `data` a second time, every record into one reused tuple, which must give the
    // same records, code, state and count.
    std::vector<Record> Read(const std::string &data, int *last, int *state = nullptr,
                             long *count = nullptr) {
        Fixture f(data, GetParam());
        std::vector<Record> records = f.ReadAll(last);
        Fixture again(data, GetParam());
        int reusedLast = 0;
        EXPECT_EQ(records, again.ReadAll(&reusedLast, true));
        EXPECT_EQ(*last, reusedLast);
        EXPECT_EQ(f.reader.GetState(), again.reader.GetState());
        EXPECT_EQ(f.reader.GetTupleCount(), again.reader.GetTupleCount());
        if (state != nullptr) {
            *state = f.reader.GetState();
        }
        if (count != nullptr) {
            *count = f.reader.GetTupleCount();
        }
        return records;
    }
};

TEST_P(ReaderOverEverySource, CutsRecordsKeepingQuotes) {
    int last = 0;
    auto records = Read("\"Type=Disk\",\"Id=d1\",;\n\"Type=Disk\",\"Id=d2\",;\n", &last);
    EXPECT_EQ(TUPLE_STATUS_END, last);
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ((Record{"\"Type=Disk\"", "\"Id=d1\""}), records[0]);
    EXPECT_EQ((Record{"\"Type=Disk\"", "\"Id=d2\""}), records[1]);
}

TEST_P(ReaderOverEverySource, SkipsBlanksAndEmptyRecordsBetweenRecords) {
    int last = 0;
    auto records = Read(" \t\n\n;\r\n\"Id=a\",;\n ; \v\f\"Id=b\",;\n\n", &last);
    EXPECT_EQ(TUPLE_STATUS_END, last);
    EXPECT_EQ((std::vector<Record>{{"\"Id=a\""}, {"\"Id=b\""}}), records);
}

TEST_P(ReaderOverEverySource, SemicolonAfterAClosingQuoteDoesNotEndTheRecord) {
    int last = 0;
    auto records = Read("\"Id=a\";\n\"Name=b\",;\n", &last);
    EXPECT_EQ((std::vector<Record>{{"\"Id=a\";\n\"Name=b\""}}), records);
}

TEST_P(ReaderOverEverySource, SeparatorsInsideQuotesAndEmptyElements) {
    int last = 0;
    auto records = Read("\"Desc=a,b;c\",,\"Id=x\",;\n, \"Id=y\",;\n", &last);
    EXPECT_EQ(TUPLE_STATUS_END, last);
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ((Record{"\"Desc=a,b;c\"", "", "\"Id=x\""}), records[0]);
    // The blank after the comma starts the next element.
    EXPECT_EQ((Record{"", " \"Id=y\""}), records[1]);
}

TEST_P(ReaderOverEverySource, DataEndingInsideARecordIsAnErrorThatSticks) {
    for (const char *data : {"\"Id=a\",", "\"Id=a\",\"Id=b\"", "\"Id=a,;\n", "Id=a,;\n\"Id"}) {
        int last = 0, state = 0;
        auto records = Read(data, &last, &state);
        EXPECT_EQ(TUPLE_STATUS_ERROR, last) << data;
        EXPECT_EQ(CSRMReportTupleStreamReader::kError, state) << data;
    }
    Fixture f("\"Id=a\",", GetParam());
    CSRMReportTuple *t = nullptr;
    EXPECT_EQ(TUPLE_STATUS_ERROR, f.reader.GetNextTuple(&t));
    EXPECT_EQ(nullptr, t);
    EXPECT_EQ(TUPLE_STATUS_BAD_STATE, f.reader.GetNextTuple(&t));
    std::string raw = "untouched";
    EXPECT_EQ(TUPLE_STATUS_BAD_STATE, f.reader.GetNextTuple(raw));
    EXPECT_EQ("untouched", raw);
}

TEST_P(ReaderOverEverySource, EmptyDataGivesOneEmptyTupleThenNothing) {
    Fixture f(" \n", GetParam());
    CSRMReportTuple *t = nullptr;
    ASSERT_EQ(TUPLE_STATUS_END, f.reader.GetNextTuple(&t));
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(0u, t->elementCount());
    delete t;
    CSRMReportTuple sentinel;
    t = &sentinel;
    EXPECT_EQ(TUPLE_STATUS_END, f.reader.GetNextTuple(&t));
    EXPECT_EQ(&sentinel, t);
}

TEST_P(ReaderOverEverySource, RawRecordsEndAtTheFirstSemicolonOutsideQuotes) {
    Fixture f("  \"Id=a;b\",\"N=c\",;\n;x,y;\"open", GetParam());
    std::string raw;
    ASSERT_EQ(TUPLE_STATUS_OK, f.reader.GetNextTuple(raw));
    EXPECT_EQ("\"Id=a;b\",\"N=c\",", raw);
    ASSERT_EQ(TUPLE_STATUS_OK, f.reader.GetNextTuple(raw));
    EXPECT_EQ("", raw);  // the blank line's lone ";"
    ASSERT_EQ(TUPLE_STATUS_OK, f.reader.GetNextTuple(raw));
    EXPECT_EQ("x,y", raw);
    raw = "untouched";
    EXPECT_EQ(TUPLE_STATUS_ERROR, f.reader.GetNextTuple(raw));
    EXPECT_EQ("untouched", raw);
}

TEST_P(ReaderOverEverySource, RawAndParsedReadsShareOneStream) {
    Fixture f("\"Id=a\",;\n\"Id=b\",;\n", GetParam());
    std::string raw;
    ASSERT_EQ(TUPLE_STATUS_OK, f.reader.GetNextTuple(raw));
    EXPECT_EQ("\"Id=a\",", raw);
    // The raw read stopped at ";", so the parsed read starts with the newline.
    int last = 0;
    EXPECT_EQ((std::vector<Record>{{"\"Id=b\""}}), f.ReadAll(&last));
    EXPECT_EQ(TUPLE_STATUS_END, last);
    EXPECT_EQ(2, f.reader.GetTupleCount());
    raw = "x";
    EXPECT_EQ(TUPLE_STATUS_END, f.reader.GetNextTuple(raw));
    EXPECT_EQ("x", raw);
}

// Every prefix of a good file reads as the records it holds whole, which the reader counts, then
// ends cleanly when the cut falls between records and with an error when it falls inside one.
TEST_P(ReaderOverEverySource, DataCutAtEveryByte) {
    const std::string full =
        "\"Type=Disk\",\"Id=d;1\",\"Name=a,b\",;\n"
        "\"Type=DiskChunk\",\"Id=c\",\"Start=0\",;\n"
        "\n\"Type=Error\",\"ErrorDesc=x \"y\" z\",;\n";
    const std::size_t ends[] = {full.find(";\n") + 1, full.find(";\n\n") + 1, full.size() - 1};
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        int last = 0;
        long count = -1;
        auto records = Read(full.substr(0, cut), &last, nullptr, &count);
        std::size_t whole = 0;
        bool between = true;
        for (std::size_t end : ends) {
            if (cut >= end) {
                ++whole;
            }
        }
        std::size_t after = whole == 0 ? 0 : ends[whole - 1];
        for (std::size_t i = after; i < cut; ++i) {
            if (full[i] != '\n') {
                between = false;
            }
        }
        EXPECT_EQ(whole, records.size()) << "cut at " << cut;
        EXPECT_EQ(static_cast<long>(whole), count) << "cut at " << cut;
        EXPECT_EQ(between ? TUPLE_STATUS_END : TUPLE_STATUS_ERROR, last) << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, ReaderOverEverySource,
                         ::testing::Values(Source::kFile, Source::kTinyBuffer, Source::kPipe,
                                           Source::kCharacterStream));

TEST(CSRMReportTupleStreamReaderTest, ReadsNothingBeforeAStreamIsSet) {
    CSRMReportTupleStreamReader reader;
    EXPECT_EQ(CSRMReportTupleStreamReader::kError, reader.GetState());
    CSRMReportTuple *t = nullptr;
    EXPECT_EQ(TUPLE_STATUS_BAD_STATE, reader.GetNextTuple(&t));
    EXPECT_EQ(TUPLE_STATUS_NULL_ARGUMENT, reader.GetNextTuple(nullptr));
    EXPECT_EQ(TUPLE_STATUS_NULL_ARGUMENT, reader.SetTupleStream(nullptr));
    CSRMTupleFDStream noDescriptor;
    EXPECT_EQ(TUPLE_STATUS_INVALID_STREAM, reader.SetTupleStream(&noDescriptor));
    EXPECT_EQ(CSRMReportTupleStreamReader::kError, reader.GetState());
}

TEST(CSRMReportTupleStreamReaderTest, RewoundStreamReadsAgainAfterTheEnd) {
    ScopedFd fd(FileWith("\"Id=a\",;\n"));
    CSRMTupleFDStream stream;
    ASSERT_EQ(TUPLE_STATUS_OK, stream.SetFileDescriptor(fd.get()));
    CSRMReportTupleStreamReader reader;
    ASSERT_EQ(TUPLE_STATUS_OK, reader.SetTupleStream(&stream));
    for (int pass = 0; pass < 2; ++pass) {
        CSRMReportTuple *t = nullptr;
        ASSERT_EQ(TUPLE_STATUS_OK, reader.GetNextTuple(&t));
        delete t;
        t = nullptr;
        ASSERT_EQ(TUPLE_STATUS_END, reader.GetNextTuple(&t));
        delete t;
        EXPECT_EQ(1, reader.GetTupleCount()) << "counted afresh after every SetTupleStream";
        ASSERT_EQ(TUPLE_STATUS_OK, stream.ResetToStart());
        ASSERT_EQ(TUPLE_STATUS_OK, reader.SetTupleStream(&stream));
    }
}

}  // namespace
