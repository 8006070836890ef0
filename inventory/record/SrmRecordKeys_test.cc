#include "inventory/record/SrmRecordKeys.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(SrmRecordKeysTest, EveryWordMapsToItsPositionAndBack) {
    for (int id = 0; id < SRM_KEY_COUNT; ++id) {
        std::string word = SrmUlvarGetIdString(id);
        ASSERT_FALSE(word.empty()) << id;
        EXPECT_EQ(id, SrmUlvarGetStringId(word)) << word;
        EXPECT_EQ(word, SrmRecordKeyText(id));
    }
}

TEST(SrmRecordKeysTest, IdsThatStoredFilesRelyOnStayPut) {
    EXPECT_EQ(126, SRM_KEY_COUNT);
    EXPECT_EQ(9, SrmUlvarGetStringId("CPUInfo"));
    EXPECT_EQ(28, SrmUlvarGetStringId("System"));
    EXPECT_EQ(53, SrmUlvarGetStringId("AddrId"));
    EXPECT_EQ(96, SrmUlvarGetStringId("SrmResourceDbVersion"));
    EXPECT_EQ(107, SrmUlvarGetStringId("Port"));
    EXPECT_EQ(118, SrmUlvarGetStringId("OSystem"));
    EXPECT_EQ("ClusterId", SrmUlvarGetIdString(125));
}

TEST(SrmRecordKeysTest, UnknownWordsReadAsType) {
    EXPECT_EQ(SRM_KEY_Type, SrmUlvarGetStringId(""));
    EXPECT_EQ(SRM_KEY_Type, SrmUlvarGetStringId("name"));
    EXPECT_EQ(SRM_KEY_Type, SrmUlvarGetStringId("Name "));
    EXPECT_EQ(SRM_KEY_Type, SrmUlvarGetStringId("NoSuchKey"));
    // Lookups never add words: the unknown word is still unknown and ids did not move.
    EXPECT_EQ(SRM_KEY_Type, SrmUlvarGetStringId("NoSuchKey"));
    EXPECT_EQ(SRM_KEY_Name, SrmUlvarGetStringId("Name"));
}

// The lookup hashes a word's first two and last two bytes and its length: every
// word must find itself, and every text that differs from all words in any
// byte, in its length or in case must find none.
TEST(SrmRecordKeysTest, WordsAndTheirNearMissesMatchAPlainSearch) {
    std::map<std::string, int> words;
    for (int id = 0; id < SRM_KEY_COUNT; ++id) {
        words.emplace(SrmRecordKeyText(id), id);
    }
    ASSERT_EQ(126u, words.size());
    auto expected = [&](const std::string &text) {
        auto it = words.find(text);
        return it == words.end() ? SRM_KEY_Type : it->second;
    };
    int misses = 0;
    for (const auto &word : words) {
        const std::string &w = word.first;
        std::vector<std::string> variants = {
            w, w + "x", w + w.back(), "x" + w, w.substr(1), w.substr(0, w.size() - 1), w + '\0'};
        for (std::size_t i = 0; i < w.size(); ++i) {
            for (char c : {'a', 'Z', '0', '\x80'}) {
                std::string v = w;
                v[i] = v[i] == c ? 'b' : c;
                variants.push_back(v);
            }
            std::string v = w;
            v[i] ^= 0x20;  // case
            variants.push_back(v);
        }
        for (const std::string &v : variants) {
            ASSERT_EQ(expected(v), SrmUlvarGetStringId(v)) << "\"" << v << "\"";
            ASSERT_EQ(expected(v), SrmRecordKeyId(v.data(), v.size()));
            misses += expected(v) == SRM_KEY_Type;
        }
    }
    EXPECT_GT(misses, 126 * 20);
    for (const char *text :
         {"", "T", "I", "SrmResourceDbVersionX", "xxxxxxxxxxxxxxxxxxxxxxxxxxxx"}) {
        EXPECT_EQ(SRM_KEY_Type, SrmRecordKeyId(text, std::strlen(text))) << text;
    }
    EXPECT_EQ(SRM_KEY_Type, SrmRecordKeyId(nullptr, 0));
    // A word inside a longer text is looked up by its own bytes only.
    EXPECT_EQ(SRM_KEY_Disk, SrmRecordKeyId("DiskChunk", 4));
}

TEST(SrmRecordKeysTest, IdsOutsideTheDictionaryHaveNoWord) {
    EXPECT_EQ("", SrmUlvarGetIdString(-1));
    EXPECT_EQ("", SrmUlvarGetIdString(126));
    EXPECT_EQ(nullptr, SrmRecordKeyText(126));
    EXPECT_EQ(nullptr, SrmRecordKeyText(-1));
}

TEST(SrmRecordKeysTest, ConcurrentFirstLookupsAgree) {
    // Run under the sanitizer build to catch a racy first build of the maps.
    std::vector<std::thread> threads;
    std::vector<int> mismatches(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &mismatches] {
            for (int id = 0; id < SRM_KEY_COUNT; ++id) {
                if (SrmUlvarGetStringId(SrmUlvarGetIdString(id)) != id) {
                    ++mismatches[t];
                }
            }
        });
    }
    for (std::thread &thread : threads) {
        thread.join();
    }
    for (int count : mismatches) {
        EXPECT_EQ(0, count);
    }
    buildStringKeys();
    freeStaticKeys();
    EXPECT_EQ(SRM_KEY_Disk, SrmUlvarGetStringId("Disk"));
}

struct SplitCase {
    const char *element;
    const char *key;
    const char *value;
};

TEST(SrmSplitKeyValuePairTest, SplitsAtTheFirstEqualsAndDropsOnlyPairedQuotes) {
    const SplitCase cases[] = {
        {"\"Name=c0t0d0\"", "Name", "c0t0d0"},
        {"\"Name=a,b=c\"", "Name", "a,b=c"},
        {"\"Name=\"", "Name", ""},
        {"Name=c0t0d0", "Name", "c0t0d0"},
        {"\"Name=c0t0d0", "\"Name", "c0t0d0"},
        {"Name=c0t0d0\"", "Name", "c0t0d0\""},
        {"\"=\"", "", ""},
        {"=", "", ""},
        {"\"Desc=say \"hi\"\"", "Desc", "say \"hi\""},
    };
    for (const SplitCase &c : cases) {
        std::string element = c.element;
        std::string key = "old", value = "old";
        ASSERT_EQ(1, SrmSplitKeyValuePair(&element, &key, &value)) << c.element;
        EXPECT_EQ(c.key, key) << c.element;
        EXPECT_EQ(c.value, value) << c.element;
    }
}

TEST(SrmSplitKeyValuePairTest, ElementWithoutEqualsLeavesKeyAndValueAlone) {
    for (const char *text : {"", "\"\"", "\"Name\"", "Name"}) {
        std::string element = text;
        std::string key = "k", value = "v";
        EXPECT_EQ(0, SrmSplitKeyValuePair(&element, &key, &value)) << text;
        EXPECT_EQ("k", key);
        EXPECT_EQ("v", value);
    }
    std::string element = "\"a=b\"", key, value;
    EXPECT_EQ(0, SrmSplitKeyValuePair(nullptr, &key, &value));
    EXPECT_EQ(0, SrmSplitKeyValuePair(&element, nullptr, &value));
    EXPECT_EQ(0, SrmSplitKeyValuePair(&element, &key, nullptr));
}

TEST(SrmRecordLayoutTest, EveryRecordLeadsWithTypeAndIdAndUsesKnownKeysOnce) {
    const int kinds[] = {SRM_KEY_System,        SRM_KEY_Disk,        SRM_KEY_DiskChunk,
                         SRM_KEY_Volume,        SRM_KEY_VolumeGroup, SRM_KEY_VolumeManager,
                         SRM_KEY_FileSystem,    SRM_KEY_MountPoint,  SRM_KEY_Share,
                         SRM_KEY_VirtualServer, SRM_KEY_Id,          SRM_KEY_ServiceGroup,
                         SRM_KEY_Error};
    for (int kind : kinds) {
        const SrmRecordLayout *layout = SrmRecordLayoutOf(kind);
        ASSERT_NE(nullptr, layout) << kind;
        EXPECT_EQ(kind, layout->kindWord);
        ASSERT_GE(layout->fullKeyCount, 2u);
        EXPECT_EQ(SRM_KEY_Type, layout->fullKeys[0]);
        EXPECT_EQ(SRM_KEY_Id, layout->fullKeys[1]);
        std::set<int> seen;
        for (std::size_t i = 0; i < layout->fullKeyCount; ++i) {
            EXPECT_NE(nullptr, SrmRecordKeyText(layout->fullKeys[i]));
            EXPECT_TRUE(seen.insert(layout->fullKeys[i]).second) << kind;
        }
        for (std::size_t i = 0; i < layout->shortKeyCount; ++i) {
            EXPECT_TRUE(seen.count(layout->shortKeys[i])) << kind;
        }
    }
    EXPECT_EQ(nullptr, SrmRecordLayoutOf(SRM_KEY_Name));
    EXPECT_EQ(nullptr, SrmRecordLayoutOf(SRM_KEY_Error)->shortKeys);
    EXPECT_EQ(26u, SrmRecordLayoutOf(SRM_KEY_System)->fullKeyCount);
    EXPECT_EQ(28u, SrmRecordLayoutOf(SRM_KEY_Disk)->fullKeyCount);
    const SrmRecordLayout *alias = SrmRecordLayoutOf(SRM_KEY_Id);
    ASSERT_EQ(4u, alias->shortKeyCount);
    EXPECT_EQ(SRM_KEY_IdType, alias->shortKeys[2]);
    EXPECT_EQ(SRM_KEY_PrimaryId, alias->shortKeys[3]);
}

TEST(SrmRecordLayoutTest, HeaderCarriesItsEightKeysWithoutType) {
    const SrmRecordLayout *header = SrmRecordHeaderLayout();
    ASSERT_EQ(8u, header->fullKeyCount);
    EXPECT_EQ(-1, header->kindWord);
    EXPECT_EQ(SRM_KEY_SrmResourceDbVersion, header->fullKeys[0]);
    EXPECT_EQ(SRM_KEY_SGCount, header->fullKeys[7]);
}

}  // namespace
