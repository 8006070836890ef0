#include "tools/fleet/SqlText.h"

#include <gtest/gtest.h>

#include <string>

namespace ulvar_fleet {
namespace {

TEST(SqlText, EveryByteThatStartsNoUtf8SequenceBecomesAReplacement) {
    const std::string r = "\xEF\xBF\xBD";
    struct Case {
        std::string in, out;
    } cases[] = {
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x92\xBE", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x92\xBE"},
        {"caf\xE9", "caf" + r},                   // Latin-1
        {std::string("a\0b", 3), "a" + r + "b"},  // NUL
        {"\xC0\xAF", r + r},                      // overlong "/"
        {"\xED\xA0\x80", r + r + r},              // a surrogate
        {"\xF4\x90\x80\x80", r + r + r + r},      // above U+10FFFF
        {"\xE2\x82", r + r},                      // cut short
        {"\xC3\xA9\xA9", "\xC3\xA9" + r},         // a stray continuation
    };
    for (const Case &c : cases) {
        std::string cleaned;
        appendCleanUtf8(cleaned, c.in.data(), c.in.size());
        EXPECT_EQ(c.out, cleaned) << c.in;
        EXPECT_EQ(c.in == c.out, isCleanUtf8(c.in.data(), c.in.size())) << c.in;
        std::string scratch;
        SqlValue v = cleanText(c.in, scratch);
        EXPECT_EQ(c.out, std::string(v.text, v.length));
    }
    std::string scratch;
    EXPECT_EQ(SqlValue::Null, cleanText("", scratch).kind);
}

TEST(SqlText, JsonStringsEscapeQuotesBackslashesAndControls) {
    std::string json;
    const std::string in = "a\"b\\c\td\x01\xC3\xA9\xFF";
    appendJsonString(json, in.data(), in.size());
    EXPECT_EQ("\"a\\\"b\\\\c\\u0009d\\u0001\xC3\xA9\xEF\xBF\xBD\"", json);
}

}  // namespace
}  // namespace ulvar_fleet
