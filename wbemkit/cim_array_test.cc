#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "wbemkit/cim.h"

using namespace nmspc_cim;

namespace {

// Runs values through `encode` and `decode` and returns what came back.
template <typename In, typename Out>
std::vector<Out> roundTrip(const char *(*encode)(const In *, int),
                           Out *(*decode)(const char *, int *), const std::vector<In> &values) {
    const char *text = encode(values.data(), static_cast<int>(values.size()));
    EXPECT_NE(text, nullptr) << cim_getLastError()->mErrorString;
    if (text == nullptr) {
        return {};
    }
    int count = -1;
    Out *decoded = decode(text, &count);
    EXPECT_NE(decoded, nullptr) << text;
    std::vector<Out> result(decoded, decoded + (decoded != nullptr ? count : 0));
    std::free(decoded);
    return result;
}

std::vector<std::string> stringRoundTrip(const std::vector<std::string> &values) {
    std::vector<char *> pointers;
    for (const std::string &value : values) {
        pointers.push_back(const_cast<char *>(value.c_str()));
    }
    const char *text = cim_encodeStringArray(pointers.data(), static_cast<int>(pointers.size()));
    EXPECT_NE(text, nullptr);
    int count = -1;
    char **decoded = cim_decodeStringArray(text, &count);
    EXPECT_NE(decoded, nullptr) << text;
    std::vector<std::string> result;
    for (int i = 0; decoded != nullptr && i < count; ++i) {
        result.push_back(decoded[i]);
    }
    if (decoded != nullptr) {
        EXPECT_EQ(decoded[count], nullptr);
    }
    cim_freeStringArray(decoded, count);
    return result;
}

template <typename T>
std::vector<T> generated(std::mt19937_64 &random, T min, T max, size_t count) {
    std::uniform_int_distribution<long long> small(-3, 3);
    std::uniform_int_distribution<unsigned long long> any;
    std::vector<T> values = {min, max, static_cast<T>(min + 1), static_cast<T>(max - 1)};
    while (values.size() < count) {
        // Half of them near zero, where sign and digit-count mistakes show.
        unsigned long long span =
            static_cast<unsigned long long>(max) - static_cast<unsigned long long>(min);
        T value = values.size() % 2 == 0
                      ? static_cast<T>(small(random))
                      : static_cast<T>(static_cast<unsigned long long>(min) +
                                       (span == ~0ULL ? any(random) : any(random) % (span + 1)));
        if (value >= min && value <= max) {
            values.push_back(value);
        }
    }
    return values;
}

bool sameReal(long double a, long double b) {
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    }
    return a == b && std::signbit(a) == std::signbit(b);
}

class CimArrayTest : public ::testing::Test {
  protected:
    std::mt19937_64 random{20240229};
};

TEST_F(CimArrayTest, IntegersRoundTripOverTheirWholeRange) {
    for (int round = 0; round < 20; ++round) {
        auto u8 = generated<unsigned short>(random, 0, 255, 200);
        EXPECT_EQ(roundTrip(cim_encodeUint8Array, cim_decodeUint8Array, u8), u8);
        auto s8 = generated<short>(random, -128, 127, 200);
        EXPECT_EQ(roundTrip(cim_encodeSint8Array, cim_decodeSint8Array, s8), s8);
        auto u16 = generated<unsigned int>(random, 0, 65535, 200);
        EXPECT_EQ(roundTrip(cim_encodeUint16Array, cim_decodeUint16Array, u16), u16);
        auto s16 = generated<int>(random, -32768, 32767, 200);
        EXPECT_EQ(roundTrip(cim_encodeSint16Array, cim_decodeSint16Array, s16), s16);
        auto u32 = generated<unsigned int>(random, 0, UINT_MAX, 200);
        EXPECT_EQ(roundTrip(cim_encodeUint32Array, cim_decodeUint32Array, u32), u32);
        auto s32 = generated<int>(random, INT_MIN, INT_MAX, 200);
        EXPECT_EQ(roundTrip(cim_encodeSint32Array, cim_decodeSint32Array, s32), s32);
        auto u64 = generated<unsigned long long>(random, 0, ULLONG_MAX, 200);
        EXPECT_EQ(roundTrip(cim_encodeUint64Array, cim_decodeUint64Array, u64), u64);
        auto s64 = generated<long long>(random, LLONG_MIN, LLONG_MAX, 200);
        EXPECT_EQ(roundTrip(cim_encodeSint64Array, cim_decodeSint64Array, s64), s64);
    }
}

TEST_F(CimArrayTest, IntegerTextIsPlainDecimalWithACommaAfterEach) {
    const long long values[] = {LLONG_MIN, 0, 42};
    EXPECT_STREQ(cim_encodeSint64Array(values, 3), "-9223372036854775808,0,42,");
    const unsigned short none[1] = {0};
    EXPECT_STREQ(cim_encodeUint8Array(none, 0), "");
    EXPECT_STREQ(cim_encodeUint8Array(nullptr, 0), "");
}

TEST_F(CimArrayTest, ElementsOutsideTheCimRangeAreRefused) {
    const unsigned short u8 = 256;
    const short s8[] = {127, -129};
    const unsigned int u16 = 65536;
    const int s16 = 32768;
    EXPECT_EQ(cim_encodeUint8Array(&u8, 1), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    EXPECT_EQ(cim_encodeSint8Array(s8, 2), nullptr);
    EXPECT_EQ(cim_encodeUint16Array(&u16, 1), nullptr);
    EXPECT_EQ(cim_encodeSint16Array(&s16, 1), nullptr);

    int count = -1;
    EXPECT_EQ(cim_decodeUint8Array("1,256,", &count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(cim_decodeSint8Array("-129,", &count), nullptr);
    EXPECT_EQ(cim_decodeUint16Array("65536,", &count), nullptr);
    EXPECT_EQ(cim_decodeSint16Array("-32769,", &count), nullptr);
    EXPECT_EQ(cim_decodeUint32Array("4294967296,", &count), nullptr);
    EXPECT_EQ(cim_decodeSint64Array("9223372036854775808,", &count), nullptr);
    EXPECT_EQ(cim_decodeUint64Array("18446744073709551616,", &count), nullptr);
}

TEST_F(CimArrayTest, MalformedTextsDoNotDecode) {
    for (const char *text : {"1,x,", "-1,", "+1,", " 1,", "1 ,", "1,,", "0x10,", "1.5,", "\\1,"}) {
        int count = -1;
        EXPECT_EQ(cim_decodeUint32Array(text, &count), nullptr) << text;
        EXPECT_EQ(count, 0) << text;
        EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    }
    int count = -1;
    EXPECT_EQ(cim_decodeStringArray("a\\q,", &count), nullptr);
    EXPECT_EQ(cim_decodeStringArray("a\\", &count), nullptr);
    EXPECT_EQ(cim_decodeBooleanArray("yes,", &count), nullptr);
    EXPECT_EQ(cim_decodeReal64Array("1e99999,", &count), nullptr);
    EXPECT_EQ(cim_decodeReal32Array("1.5.,", &count), nullptr);
}

TEST_F(CimArrayTest, NullTextsCountsAndArraysFail) {
    int count = 5;
    EXPECT_EQ(cim_decodeSint32Array(nullptr, &count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(cim_decodeSint32Array("1,", nullptr), nullptr);
    EXPECT_EQ(cim_decodeStringArray(nullptr, &count), nullptr);
    EXPECT_EQ(cim_decodeStringArray("a,", nullptr), nullptr);
    EXPECT_EQ(cim_encodeSint32Array(nullptr, 1), nullptr);
    const int one = 1;
    EXPECT_EQ(cim_encodeSint32Array(&one, -1), nullptr);
    char *strings[] = {const_cast<char *>("a"), nullptr};
    EXPECT_EQ(cim_encodeStringArray(strings, 2), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    cim_freeStringArray(nullptr, 3);
}

TEST_F(CimArrayTest, EmptyTextIsAnEmptyArrayNotAFailure) {
    int count = -1;
    int *values = cim_decodeSint32Array("", &count);
    EXPECT_NE(values, nullptr);
    EXPECT_EQ(count, 0);
    std::free(values);
    char **strings = cim_decodeStringArray("", &count);
    ASSERT_NE(strings, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(strings[0], nullptr);
    cim_freeStringArray(strings, count);
}

TEST_F(CimArrayTest, StringsRoundTripWithEveryByteButNul) {
    EXPECT_EQ(stringRoundTrip({}), std::vector<std::string>{});
    EXPECT_EQ(stringRoundTrip({""}), std::vector<std::string>{""});
    EXPECT_EQ(stringRoundTrip({"", ""}), (std::vector<std::string>{"", ""}));
    std::uniform_int_distribution<int> length(0, 12);
    std::uniform_int_distribution<int> anyByte(1, 255);
    std::uniform_int_distribution<int> specialByte(0, 4);
    const char specials[] = {',', '\\', '"', ' ', '\n'};
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> values(static_cast<size_t>(length(random)));
        for (std::string &value : values) {
            for (int n = length(random); n > 0; --n) {
                value.push_back(round % 2 == 0 ? static_cast<char>(anyByte(random))
                                               : specials[specialByte(random)]);
            }
        }
        ASSERT_EQ(stringRoundTrip(values), values);
    }
}

TEST_F(CimArrayTest, StringTextEscapesCommaAndBackslashOnly) {
    char *values[] = {const_cast<char *>("a,b"), const_cast<char *>("c\\d"), const_cast<char *>(""),
                      const_cast<char *>("\"q\"")};
    EXPECT_STREQ(cim_encodeStringArray(values, 4), "a\\,b,c\\\\d,,\"q\",");
    int count = 0;
    char **decoded = cim_decodeStringArray("x,y", &count);  // final comma may be missing
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(decoded[1], "y");
    cim_freeStringArray(decoded, count);
}

TEST_F(CimArrayTest, RealsRoundTripExactlyWithSignedZeroInfinitiesAndNan) {
    using D = std::numeric_limits<double>;
    std::vector<double> doubles = {-0.0,
                                   0.0,
                                   D::infinity(),
                                   -D::infinity(),
                                   D::quiet_NaN(),
                                   -D::quiet_NaN(),
                                   D::denorm_min(),
                                   -D::denorm_min(),
                                   D::min(),
                                   D::max(),
                                   D::lowest(),
                                   0.1,
                                   1.0 / 3.0};
    std::uniform_int_distribution<unsigned long long> bits;
    while (doubles.size() < 2000) {
        unsigned long long pattern = bits(random);
        double value;
        std::memcpy(&value, &pattern, sizeof value);
        doubles.push_back(value);
    }
    std::vector<double> back = roundTrip(cim_encodeReal32Array, cim_decodeReal32Array, doubles);
    ASSERT_EQ(back.size(), doubles.size());
    for (size_t i = 0; i < doubles.size(); ++i) {
        ASSERT_TRUE(sameReal(back[i], doubles[i])) << i << ": " << doubles[i];
    }

    using L = std::numeric_limits<long double>;
    std::vector<long double> longs = {
        -0.0L,    L::infinity(), -L::infinity(), L::quiet_NaN(), -L::quiet_NaN(), L::denorm_min(),
        L::min(), L::max(),      L::lowest(),    0.1L,           1.0L / 3.0L};
    std::uniform_int_distribution<int> exponent(L::min_exponent - L::digits, L::max_exponent - 1);
    while (longs.size() < 2000) {
        // A random full-width mantissa at a random binary exponent.
        long double mantissa = std::ldexp(static_cast<long double>(bits(random) | 1ULL << 63), -64);
        long double value = std::ldexp(mantissa, exponent(random));
        longs.push_back(longs.size() % 2 == 0 ? value : -value);
    }
    std::vector<long double> longBack =
        roundTrip(cim_encodeReal64Array, cim_decodeReal64Array, longs);
    ASSERT_EQ(longBack.size(), longs.size());
    for (size_t i = 0; i < longs.size(); ++i) {
        ASSERT_TRUE(sameReal(longBack[i], longs[i])) << i << ": " << longs[i];
    }
}

TEST_F(CimArrayTest, RealTextIgnoresTheProcessLocale) {
    const char *set = nullptr;
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if ((set = std::setlocale(LC_NUMERIC, name)) != nullptr) {
            break;
        }
    }
    if (set == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    const double values[] = {1.5, -2.25};
    std::string text = cim_encodeReal32Array(values, 2);
    int count = 0;
    double *back = cim_decodeReal32Array(text.c_str(), &count);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(text, "1.5,-2.25,");
    ASSERT_EQ(count, 2);
    EXPECT_EQ(back[1], -2.25);
    std::free(back);
}

TEST_F(CimArrayTest, BooleansReadAnyNonZeroAsTrue) {
    const int values[] = {0, 1, 7, -1};
    const char *text = cim_encodeBooleanArray(values, 4);
    EXPECT_STREQ(text, "false,true,true,true,");
    EXPECT_EQ(
        roundTrip(cim_encodeBooleanArray, cim_decodeBooleanArray, std::vector<int>{0, 1, 7, -1}),
        (std::vector<int>{0, 1, 1, 1}));
    EXPECT_EQ(roundTrip(cim_encodeBooleanArray, cim_decodeBooleanArray, std::vector<int>{1, 0, 0}),
              (std::vector<int>{1, 0, 0}));
}

TEST_F(CimArrayTest, DateTimesRoundTripOverTheWholeUnsignedRange) {
    auto values = generated<unsigned int>(random, 0, UINT_MAX, 2000);
    values.push_back(951782400u);
    EXPECT_EQ(roundTrip(cim_encodeDateTimeArray, cim_decodeDateTimeArray, values), values);
    const unsigned int leapDay = 951782400u;
    EXPECT_STREQ(cim_encodeDateTimeArray(&leapDay, 1), "20000229000000.000000+000,");
}

TEST_F(CimArrayTest, EncodedTextsLiveForSevenLaterCalls) {
    const unsigned int first = 12345;
    const char *text = cim_encodeUint32Array(&first, 1);
    std::vector<const char *> later;
    for (unsigned int i = 0; i < 7; ++i) {
        later.push_back(cim_encodeUint32Array(&i, 1));
    }
    EXPECT_STREQ(text, "12345,");
    for (unsigned int i = 0; i < 7; ++i) {
        EXPECT_EQ(later[i], std::to_string(i) + ",");
        EXPECT_NE(later[i], text);
    }
}

}  // namespace
