// Array values: the thirteen encoders and their decoders.
//
// Integers and reals go through <charconv> and strtod_l in the "C" locale,
// so that a host process that sets a locale with a decimal comma (the JVM
// may) can neither break the comma-separated grammar nor the round trip.
#include <locale.h>
#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "wbemkit/cim.h"
#include "wbemkit/internal/array_text.h"
#include "wbemkit/internal/date_text.h"
#include "wbemkit/internal/last_error.h"
#include "wbemkit/internal/text_ring.h"

using wbemkit::recordFailure;

namespace {

constexpr const char *kBadArray = "Array to encode is NULL or has a negative count.";
constexpr const char *kOutOfRange = "Array element lies outside the range of its CIM type.";
constexpr const char *kNullString = "String array element is NULL.";
constexpr const char *kBadText = "Array text cannot be decoded.";
constexpr const char *kNoMemory = "Out of memory: cannot encode or decode an array.";

// Encodes `count` elements with `append(text, element)`, which appends the
// element and its comma or returns false for an element it refuses.
template <typename T, typename Append>
const char *encodeArray(const T *values, int count, const char *refusal, Append append) noexcept {
    if (count < 0 || (count > 0 && values == nullptr)) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, kBadArray);
        return nullptr;
    }
    try {
        std::string text;
        for (int i = 0; i < count; ++i) {
            if (!append(text, values[i])) {
                recordFailure(CIM_ERR_INVALID_PARAMETER, refusal);
                return nullptr;
            }
        }
        return wbemkit::keepText(std::move(text));
    } catch (const std::bad_alloc &) {
        recordFailure(CIM_ERR_FAILED, kNoMemory);
        return nullptr;
    }
}

// Decodes with `parse(element, value)`, false for an element it refuses.
// The result is malloc'd, with room for one element even when empty so that
// an empty array is told from a failure.
template <typename T, typename Parse>
T *decodeArray(const char *text, int *count, Parse parse) noexcept {
    if (count != nullptr) {
        *count = 0;
    }
    if (text == nullptr || count == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "Array text or count is NULL.");
        return nullptr;
    }
    try {
        std::vector<T> values;
        wbemkit::ArrayTextReader reader(text);
        std::string element;
        while (reader.next(element)) {
            T value;
            if (values.size() >= static_cast<std::size_t>(INT_MAX) || !parse(element, value)) {
                recordFailure(CIM_ERR_INVALID_PARAMETER, kBadText);
                return nullptr;
            }
            values.push_back(value);
        }
        if (reader.bad()) {
            recordFailure(CIM_ERR_INVALID_PARAMETER, kBadText);
            return nullptr;
        }
        auto *result =
            static_cast<T *>(std::malloc((values.empty() ? 1 : values.size()) * sizeof(T)));
        if (result == nullptr) {
            recordFailure(CIM_ERR_FAILED, kNoMemory);
            return nullptr;
        }
        if (!values.empty()) {
            std::memcpy(result, values.data(), values.size() * sizeof(T));
        }
        *count = static_cast<int>(values.size());
        return result;
    } catch (const std::bad_alloc &) {
        recordFailure(CIM_ERR_FAILED, kNoMemory);
        return nullptr;
    }
}

// ---- integers: decimal, within the CIM type's range ----

template <typename T>
auto integerWriter(T min, T max) {
    return [min, max](std::string &text, T value) {
        if (value < min || value > max) {
            return false;
        }
        char digits[24];
        const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
        text.append(digits, end.ptr);
        text.push_back(',');
        return true;
    };
}

// Plain decimal only: no blanks, no '+', and no '-' for unsigned types.
template <typename T>
auto integerReader(T min, T max) {
    return [min, max](const std::string &element, T &value) {
        const char *end = element.data() + element.size();
        const std::from_chars_result read = std::from_chars(element.data(), end, value);
        return !element.empty() && read.ec == std::errc() && read.ptr == end && value >= min &&
               value <= max;
    };
}

template <typename T>
auto fullIntegerWriter() {
    return integerWriter<T>(std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
}

template <typename T>
auto fullIntegerReader() {
    return integerReader<T>(std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
}

// ---- reals: the shortest text that reads back to the same value ----

template <typename T>
bool appendReal(std::string &text, T value) {
    char digits[64];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    if (end.ec != std::errc()) {
        return false;
    }
    text.append(digits, end.ptr);
    text.push_back(',');
    return true;
}

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

void readReal(const char *text, char **end, locale_t locale, double &value) {
    value = strtod_l(text, end, locale);
}

void readReal(const char *text, char **end, locale_t locale, long double &value) {
    value = strtold_l(text, end, locale);
}

template <typename T>
bool parseReal(const std::string &element, T &value) {
    const locale_t locale = cLocale();
    if (element.empty() || std::strchr(" \t\n\v\f\r", element[0]) != nullptr ||
        locale == static_cast<locale_t>(0)) {
        return false;
    }
    const int savedErrno = errno;
    errno = 0;
    char *end = nullptr;
    T read;
    readReal(element.c_str(), &end, locale, read);
    // ERANGE also flags subnormal results, which are exact; only an overflow
    // (an infinity from a finite text) is refused.
    const bool overflow = errno == ERANGE && std::isinf(read);
    errno = savedErrno;
    if (end != element.c_str() + element.size() || overflow) {
        return false;
    }
    value = read;
    return true;
}

// ---- booleans and datetimes ----

bool appendBoolean(std::string &text, int value) {
    text.append(value != 0 ? "true," : "false,");
    return true;
}

bool parseBoolean(const std::string &element, int &value) {
    if (strcasecmp(element.c_str(), "true") == 0 || element == "1") {
        value = 1;
        return true;
    }
    if (strcasecmp(element.c_str(), "false") == 0 || element == "0") {
        value = 0;
        return true;
    }
    return false;
}

bool appendDateTime(std::string &text, unsigned int seconds) {
    char date[wbemkit::kDateTextLength + 1];
    if (!wbemkit::formatDateTime(seconds, date)) {
        return false;
    }
    text.append(date, wbemkit::kDateTextLength);
    text.push_back(',');
    return true;
}

bool parseDateTime(const std::string &element, unsigned int &value) {
    long long seconds = 0;
    if (!wbemkit::parseDateTime(element.data(), element.size(), seconds) || seconds < 0 ||
        seconds > static_cast<long long>(UINT_MAX)) {
        return false;
    }
    value = static_cast<unsigned int>(seconds);
    return true;
}

// ---- strings ----

bool appendString(std::string &text, const char *value) {
    if (value == nullptr) {
        return false;
    }
    wbemkit::appendArrayElement(text, value, std::strlen(value));
    return true;
}

}  // namespace

// The exported functions keep the C linkage of their declarations in cim.h.
namespace nmspc_cim {

const char *cim_encodeStringArray(char *const *values, int count) {
    return encodeArray(values, count, kNullString, appendString);
}

const char *cim_encodeUint8Array(const unsigned short *values, int count) {
    return encodeArray(values, count, kOutOfRange, integerWriter<unsigned short>(0, 255));
}

const char *cim_encodeSint8Array(const short *values, int count) {
    return encodeArray(values, count, kOutOfRange, integerWriter<short>(-128, 127));
}

const char *cim_encodeUint16Array(const unsigned int *values, int count) {
    return encodeArray(values, count, kOutOfRange, integerWriter<unsigned int>(0, 65535));
}

const char *cim_encodeSint16Array(const int *values, int count) {
    return encodeArray(values, count, kOutOfRange, integerWriter<int>(-32768, 32767));
}

const char *cim_encodeUint32Array(const unsigned int *values, int count) {
    return encodeArray(values, count, kOutOfRange, fullIntegerWriter<unsigned int>());
}

const char *cim_encodeSint32Array(const int *values, int count) {
    return encodeArray(values, count, kOutOfRange, fullIntegerWriter<int>());
}

const char *cim_encodeUint64Array(const unsigned long long *values, int count) {
    return encodeArray(values, count, kOutOfRange, fullIntegerWriter<unsigned long long>());
}

const char *cim_encodeSint64Array(const long long *values, int count) {
    return encodeArray(values, count, kOutOfRange, fullIntegerWriter<long long>());
}

const char *cim_encodeReal32Array(const double *values, int count) {
    return encodeArray(values, count, kOutOfRange, appendReal<double>);
}

const char *cim_encodeReal64Array(const long double *values, int count) {
    return encodeArray(values, count, kOutOfRange, appendReal<long double>);
}

const char *cim_encodeBooleanArray(const int *values, int count) {
    return encodeArray(values, count, kOutOfRange, appendBoolean);
}

const char *cim_encodeDateTimeArray(const unsigned int *values, int count) {
    return encodeArray(values, count, kOutOfRange, appendDateTime);
}

char **cim_decodeStringArray(const char *text, int *count) {
    if (count != nullptr) {
        *count = 0;
    }
    if (text == nullptr || count == nullptr) {
        recordFailure(CIM_ERR_INVALID_PARAMETER, "Array text or count is NULL.");
        return nullptr;
    }
    std::vector<char *> strings;
    auto fail = [&strings](int code, const char *message) -> char ** {
        for (char *string : strings) {
            std::free(string);
        }
        recordFailure(code, message);
        return nullptr;
    };
    try {
        wbemkit::ArrayTextReader reader(text);
        std::string element;
        while (reader.next(element)) {
            if (strings.size() >= static_cast<std::size_t>(INT_MAX)) {
                return fail(CIM_ERR_INVALID_PARAMETER, kBadText);
            }
            // The slot exists before the copy, so a copy is never lost.
            strings.push_back(nullptr);
            strings.back() = static_cast<char *>(std::malloc(element.size() + 1));
            if (strings.back() == nullptr) {
                return fail(CIM_ERR_FAILED, kNoMemory);
            }
            std::memcpy(strings.back(), element.c_str(), element.size() + 1);
        }
        if (reader.bad()) {
            return fail(CIM_ERR_INVALID_PARAMETER, kBadText);
        }
    } catch (const std::bad_alloc &) {
        return fail(CIM_ERR_FAILED, kNoMemory);
    }
    auto *values = static_cast<char **>(std::calloc(strings.size() + 1, sizeof(char *)));
    if (values == nullptr) {
        return fail(CIM_ERR_FAILED, kNoMemory);
    }
    std::copy(strings.begin(), strings.end(), values);
    *count = static_cast<int>(strings.size());
    return values;
}

unsigned short *cim_decodeUint8Array(const char *text, int *count) {
    return decodeArray<unsigned short>(text, count, integerReader<unsigned short>(0, 255));
}

short *cim_decodeSint8Array(const char *text, int *count) {
    return decodeArray<short>(text, count, integerReader<short>(-128, 127));
}

unsigned int *cim_decodeUint16Array(const char *text, int *count) {
    return decodeArray<unsigned int>(text, count, integerReader<unsigned int>(0, 65535));
}

int *cim_decodeSint16Array(const char *text, int *count) {
    return decodeArray<int>(text, count, integerReader<int>(-32768, 32767));
}

unsigned int *cim_decodeUint32Array(const char *text, int *count) {
    return decodeArray<unsigned int>(text, count, fullIntegerReader<unsigned int>());
}

int *cim_decodeSint32Array(const char *text, int *count) {
    return decodeArray<int>(text, count, fullIntegerReader<int>());
}

unsigned long long *cim_decodeUint64Array(const char *text, int *count) {
    return decodeArray<unsigned long long>(text, count, fullIntegerReader<unsigned long long>());
}

long long *cim_decodeSint64Array(const char *text, int *count) {
    return decodeArray<long long>(text, count, fullIntegerReader<long long>());
}

double *cim_decodeReal32Array(const char *text, int *count) {
    return decodeArray<double>(text, count, parseReal<double>);
}

long double *cim_decodeReal64Array(const char *text, int *count) {
    return decodeArray<long double>(text, count, parseReal<long double>);
}

int *cim_decodeBooleanArray(const char *text, int *count) {
    return decodeArray<int>(text, count, parseBoolean);
}

unsigned int *cim_decodeDateTimeArray(const char *text, int *count) {
    return decodeArray<unsigned int>(text, count, parseDateTime);
}

void cim_freeStringArray(char **values, int count) {
    if (values == nullptr) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        std::free(values[i]);
    }
    std::free(values);
}

}  // namespace nmspc_cim
