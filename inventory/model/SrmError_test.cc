#include "inventory/model/SrmError.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/CSRMReportTuple.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/testing/ScratchFiles.h"

namespace {

using ulvar::testing::ContentsOf;
using ulvar::testing::FileWith;
using ulvar::testing::ScopedFd;

class SrmErrorTest : public ::testing::Test {
  protected:
    // What the database's error list writes, or "<N records>" when it reports
    // another count than `expected`.
    std::string listWritten(int expected) {
        ScopedFd file(FileWith(""));
        int n = db.getErrorList()->serialize(file.get(), 0);
        if (n != expected) {
            return "<" + std::to_string(n) + " records>";
        }
        return ContentsOf(file.get());
    }

    std::unique_ptr<CSRMReportTuple> parsed(const std::string &text) {
        input.reset(new ScopedFd(FileWith(text)));
        EXPECT_EQ(1, db.attachStream(input->get()));
        CSRMReportTuple *record = nullptr;
        EXPECT_EQ(0, db.getTupleStream()->GetNextTuple(&record));
        return std::unique_ptr<CSRMReportTuple>(record);
    }

    void expectLastError(int code, const std::string &message) {
        int gotCode = -1;
        std::string gotMessage;
        db.getLastErrorInfo(&gotCode, gotMessage, nullptr);
        EXPECT_EQ(code, gotCode);
        EXPECT_EQ(message, gotMessage);
    }

    SrmResourceDatabase db;
    std::unique_ptr<ScopedFd> input;
};

TEST_F(SrmErrorTest, NewErrorRecordHasExactlyFiveElements) {
    ASSERT_EQ(1, db.addError("host1", "Disk signature not generated: d1", 22, 2));
    EXPECT_EQ(
        "\"Type=Error\",\"Id=host1\",\"ErrorDesc=Disk signature not generated: d1\","
        "\"Ecode=22\",\"Sev=2\",;\n",
        listWritten(1));
}

TEST_F(SrmErrorTest, FilledErrorRecordKeepsTheKeyOrder) {
    auto *e = new SrmError("bad, very bad", -3, 4, 0, "class", "type", "func");
    e->FileName = "/tmp/x";
    ASSERT_EQ(1, db.addError(e, "H"));
    EXPECT_EQ(
        "\"Type=Error\",\"Id=h\",\"ErrorDesc=bad, very bad\",\"Ecode=-3\",\"Sev=4\","
        "\"FileName=/tmp/x\",\"Etype=type\",\"Eclass=class\",\"Efunc=func\",;\n",
        listWritten(1));
}

TEST_F(SrmErrorTest, ErrorReadsBackWithItsKey) {
    auto *e = new SrmError("lost", 5, 1, 0, "c", "t", "f");
    e->FileName = "file";
    ASSERT_EQ(1, db.addError(e, "host"));
    auto record = parsed(listWritten(1));

    SrmError back(&db);
    std::string key;
    ASSERT_EQ(1, back.deserialize(-1, key, record.get()));
    EXPECT_EQ("host", key);
    EXPECT_EQ("lost", back.ErrorDesc);
    EXPECT_EQ(5, back.Ecode);
    EXPECT_EQ(1, back.Sev);
    EXPECT_EQ("file", back.FileName);
    EXPECT_EQ("t", back.Etype);
    EXPECT_EQ("c", back.Eclass);
    EXPECT_EQ("f", back.Efunc);
    EXPECT_EQ(0, back.deserialize(-1, key, nullptr));
}

TEST_F(SrmErrorTest, UnboundErrorWritesNothing) {
    SrmError loose("x", 22, 2, 0, "", "", "");
    ScopedFd file(FileWith(""));
    EXPECT_EQ(0, loose.serialize(file.get(), 0, "k"));
    EXPECT_EQ("", ContentsOf(file.get()));
}

TEST_F(SrmErrorTest, ShortWriteIsNotCounted) {
    ASSERT_EQ(1, db.addError("h", "one", 22, 2));
    ASSERT_EQ(1, db.addError("h", "two", 22, 2));
    ScopedFd readOnly(open("/dev/null", O_RDONLY));
    EXPECT_EQ(0, db.getErrorList()->serialize(readOnly.get(), 0));
}

TEST_F(SrmErrorTest, KeysDifferingInCaseShareOneGroup) {
    ASSERT_EQ(1, db.addError("HostA", "first", 22, 2));
    ASSERT_EQ(1, db.addError("hosta", "second", 22, 2));
    ASSERT_EQ(1, db.addError("HostB", "third", 22, 2));
    SrmErrorList *list = db.getErrorList();
    EXPECT_EQ(2, list->getErrorCount("HOSTA"));
    EXPECT_EQ(3, list->getErrorCount());
    const SrmErrorIdList *group = list->getSrmErrorIdMap("hostA");
    ASSERT_NE(nullptr, group);
    ASSERT_EQ(2u, group->size());
    EXPECT_EQ("first", (*group)[0]->ErrorDesc);
    EXPECT_EQ("second", (*group)[1]->ErrorDesc);
    EXPECT_EQ(&db, (*group)[0]->db);
    EXPECT_EQ(nullptr, list->getSrmErrorIdMap(""));
    EXPECT_EQ(nullptr, list->getSrmErrorIdMap("nohost"));
    EXPECT_EQ(
        "\"Type=Error\",\"Id=hosta\",\"ErrorDesc=first\",\"Ecode=22\",\"Sev=2\",;\n"
        "\"Type=Error\",\"Id=hosta\",\"ErrorDesc=second\",\"Ecode=22\",\"Sev=2\",;\n"
        "\"Type=Error\",\"Id=hostb\",\"ErrorDesc=third\",\"Ecode=22\",\"Sev=2\",;\n",
        listWritten(3));
}

TEST_F(SrmErrorTest, RefusedErrorStaysWithTheCaller) {
    // The refused error must still be usable and deletable here: a list that
    // kept or freed it would show up under the sanitizer.
    auto *noDesc = new SrmError("", 22, 2, 0, "", "", "");
    EXPECT_EQ(0, db.addError(noDesc, "host"));
    expectLastError(22, "Add error failed, invalid error object");
    auto *noKey = new SrmError("desc", 22, 2, 0, "", "", "");
    EXPECT_EQ(0, db.addError(noKey, ""));
    EXPECT_EQ(0, db.getErrorList()->addError("", noKey));
    EXPECT_EQ(0, db.getErrorList()->addError("k", nullptr));
    EXPECT_EQ(0, db.getErrorList()->getErrorCount());
    EXPECT_EQ("desc", noKey->ErrorDesc);
    delete noDesc;
    delete noKey;

    EXPECT_EQ(0, db.addError(nullptr, "host"));
    expectLastError(12, "Add error failed");
}

TEST_F(SrmErrorTest, ErrorWithoutKeyOrTextIsDroppedSilently) {
    db.setErrorInfo(7, "before", nullptr);
    EXPECT_EQ(0, db.addError("", "text", 22, 2));
    EXPECT_EQ(0, db.addError("host", "", 22, 2));
    expectLastError(7, "before");
    EXPECT_EQ(0, db.getErrorList()->getErrorCount());
}

TEST_F(SrmErrorTest, MergeCopiesCodeSeverityAndTextOnly) {
    SrmResourceDatabase other;
    auto *e = new SrmError("gone", 9, 3, 0, "c", "t", "f");
    e->FileName = "file";
    ASSERT_EQ(1, other.addError(e, "Node2"));
    ASSERT_EQ(1, db.addError("node1", "here", 22, 2));

    ASSERT_EQ(1, db.getErrorList()->mergeErrors(other.getErrorList()));
    const SrmErrorIdList *group = db.getErrorList()->getSrmErrorIdMap("node2");
    ASSERT_NE(nullptr, group);
    ASSERT_EQ(1u, group->size());
    const SrmError *copy = (*group)[0];
    EXPECT_NE(e, copy);
    EXPECT_EQ("gone", copy->ErrorDesc);
    EXPECT_EQ(9, copy->Ecode);
    EXPECT_EQ(3, copy->Sev);
    EXPECT_EQ("", copy->FileName);
    EXPECT_EQ("", copy->Efunc);
    EXPECT_EQ(1, other.getErrorList()->getErrorCount());
    EXPECT_EQ(2, db.getErrorList()->getErrorCount());
}

TEST_F(SrmErrorTest, ListMergedIntoItselfDoublesOnce) {
    ASSERT_EQ(1, db.addError("h", "one", 22, 2));
    ASSERT_EQ(1, db.addError("h", "two", 22, 2));
    SrmErrorList *list = db.getErrorList();
    ASSERT_EQ(1, list->mergeErrors(list));
    EXPECT_EQ(4, list->getErrorCount("h"));
    EXPECT_EQ(1, list->mergeErrors(nullptr));
}

TEST_F(SrmErrorTest, ListWithoutDatabaseMergesNothing) {
    SrmErrorList unbound(nullptr);
    ASSERT_EQ(1, db.addError("h", "one", 22, 2));
    EXPECT_EQ(0, unbound.mergeErrors(db.getErrorList()));
    EXPECT_EQ(0, unbound.getErrorCount());
}

TEST_F(SrmErrorTest, ConsecutiveErrorsHaveConsecutiveNumbers) {
    SrmError a(&db);
    SrmError b("x", 22, 2, 0, "", "", "");
    EXPECT_EQ(a.getSequence() + 1, b.getSequence());
    EXPECT_EQ(2, a.Sev);
    EXPECT_EQ(22, a.Ecode);
}

TEST_F(SrmErrorTest, ErrorsMadeOnTwoThreadsGetDistinctNumbers) {
    const int perThread = 2000;
    std::vector<int32_t> first, second;
    auto make = [](std::vector<int32_t> *out) {
        SrmResourceDatabase local;
        for (int i = 0; i < perThread; ++i) {
            SrmError e(&local);
            out->push_back(e.getSequence());
        }
    };
    std::thread t1(make, &first);
    std::thread t2(make, &second);
    t1.join();
    t2.join();
    std::vector<int32_t> all(first);
    all.insert(all.end(), second.begin(), second.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all.end(), std::adjacent_find(all.begin(), all.end()));
}

}  // namespace
