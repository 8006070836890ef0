// Records written by SrmRecordWriter read back through the reader and the element splitter.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/SrmRecordWriter.h"
#include "inventory/testing/ScratchFiles.h"

namespace {

using ulvar::testing::ContentsOf;
using ulvar::testing::FedPipe;
using ulvar::testing::FileWith;
using ulvar::testing::ScopedFd;

struct Element {
    int key;
    std::string value;
};
using Record = std::vector<Element>;

class RecordRoundTripTest : public ::testing::Test {
  protected:
    // Any byte but NUL and the double quote, weighted towards the record syntax.
    std::string RandomValue() {
        static const char kSyntax[] = ",;=\n \t\r";
        std::size_t length;
        switch (rng() % 8) {
            case 0:
                length = 256 + rng() % 200;
                break;
            case 1:
                length = 2049 + rng() % 3000;
                break;
            default:
                length = 1 + rng() % 40;
        }
        std::string value;
        for (std::size_t i = 0; i < length; ++i) {
            char c;
            if (rng() % 3 == 0) {
                c = kSyntax[rng() % (sizeof kSyntax - 1)];
            } else {
                do {
                    c = static_cast<char>(rng() % 256);
                } while (c == '\0' || c == '"');
            }
            value.push_back(c);
        }
        return value;
    }

    std::vector<Record> RandomRecords(int count) {
        std::vector<Record> records;
        for (int r = 0; r < count; ++r) {
            Record record;
            int elements = 1 + static_cast<int>(rng() % 12);
            for (int e = 0; e < elements; ++e) {
                record.push_back({static_cast<int>(rng() % SRM_KEY_COUNT), RandomValue()});
            }
            records.push_back(record);
        }
        return records;
    }

    static std::string Write(const std::vector<Record> &records) {
        ScopedFd file(FileWith(""));
        std::string buffer;
        for (const Record &record : records) {
            SrmRecordWriter w(buffer);
            for (const Element &e : record) {
                w.addText(e.key, e.value);
            }
            EXPECT_EQ(1, w.write(file.get()));
        }
        return ContentsOf(file.get());
    }

    // Reads every record of `fd` and splits its elements back into key ids and values.
    static std::vector<Record> Read(int fd, int bufferSize) {
        CSRMTupleFDStream stream;
        EXPECT_EQ(TUPLE_STATUS_OK, stream.SetBufferSize(bufferSize));
        EXPECT_EQ(TUPLE_STATUS_OK, stream.SetFileDescriptor(fd));
        CSRMReportTupleStreamReader reader;
        EXPECT_EQ(TUPLE_STATUS_OK, reader.SetTupleStream(&stream));
        std::vector<Record> records;
        for (;;) {
            CSRMReportTuple *t = nullptr;
            int status = reader.GetNextTuple(&t);
            std::unique_ptr<CSRMReportTuple> owned(t);
            if (status != TUPLE_STATUS_OK) {
                EXPECT_EQ(TUPLE_STATUS_END, status);
                return records;
            }
            Record record;
            std::string element, key, value;
            while (t->getNextElement(element) == TUPLE_STATUS_OK) {
                EXPECT_EQ(1, SrmSplitKeyValuePair(&element, &key, &value));
                record.push_back({SrmUlvarGetStringId(key), value});
                EXPECT_EQ(SrmUlvarGetIdString(record.back().key), key);
            }
            records.push_back(record);
        }
    }

    static void ExpectEqual(const std::vector<Record> &expected, const std::vector<Record> &got) {
        ASSERT_EQ(expected.size(), got.size());
        for (std::size_t r = 0; r < expected.size(); ++r) {
            ASSERT_EQ(expected[r].size(), got[r].size()) << "record " << r;
            for (std::size_t e = 0; e < expected[r].size(); ++e) {
                EXPECT_EQ(expected[r][e].key, got[r][e].key) << "record " << r;
                EXPECT_EQ(expected[r][e].value, got[r][e].value) << "record " << r;
            }
        }
    }

    std::mt19937 rng{20240611};
};

TEST_F(RecordRoundTripTest, RandomValuesReadBackEqualFromFiles) {
    for (int round = 0; round < 5; ++round) {
        std::vector<Record> records = RandomRecords(40);
        std::string bytes = Write(records);
        for (int bufferSize : {1, 7, 1024, 65536}) {
            ScopedFd file(FileWith(bytes));
            ExpectEqual(records, Read(file.get(), bufferSize));
        }
    }
}

TEST_F(RecordRoundTripTest, RandomValuesReadBackEqualFromPipes) {
    std::vector<Record> records = RandomRecords(100);
    std::string bytes = Write(records);
    FedPipe pipe(bytes, 333);
    ExpectEqual(records, Read(pipe.fd(), 1024));
}

// Quotes that keep their record intact come back as written; the others come back as
// apostrophes, and neither kind disturbs the elements or records that follow.
TEST_F(RecordRoundTripTest, ValuesWithQuotesNeverBreakTheRecordsAfterThem) {
    const std::vector<std::string> quoted = {"say \"hi\"", "\"\"",      "a\"b;c\"d", "\"a,b\"",
                                             "12\" disk",  "a\"b,c\"d", "\"",        "\"\",\"",
                                             "x\"\n;\",,", "\"tail"};
    std::vector<Record> written, expected;
    for (const std::string &value : quoted) {
        std::string other = RandomValue();
        written.push_back({{SRM_KEY_Name, value}, {SRM_KEY_Id, other}});
        expected.push_back({{SRM_KEY_Name, SrmRecordSafeValue(value)}, {SRM_KEY_Id, other}});
    }
    ScopedFd file(FileWith(Write(written)));
    std::vector<Record> got = Read(file.get(), 16);
    ExpectEqual(expected, got);
    // The rule changes exactly the values that would not have read back.
    for (std::size_t i = 0; i < quoted.size(); ++i) {
        bool readsBack = SrmRecordValueReadsBack(quoted[i].data(), quoted[i].size());
        EXPECT_EQ(readsBack, SrmRecordSafeValue(quoted[i]) == quoted[i]) << quoted[i];
    }
    EXPECT_EQ("say \"hi\"", got[0][0].value);
    EXPECT_EQ("12' disk", got[4][0].value);
}

}  // namespace
