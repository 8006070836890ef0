#include "inventory/record/SrmRecordWriter.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

int SrmRecordValueReadsBack(const char *value, size_t length) {
    if (value == nullptr) {
        return 1;
    }
    // The value begins inside the quotes its element opened.
    bool outside = false;
    for (size_t i = 0; i < length; ++i) {
        if (value[i] == '"') {
            outside = !outside;
        } else if (value[i] == ',' && outside) {
            return 0;
        }
    }
    return !outside;
}

std::string SrmRecordSafeValue(const std::string &value) {
    try {
        if (SrmRecordValueReadsBack(value.data(), value.size())) {
            return value;
        }
        std::string safe(value);
        for (char &c : safe) {
            if (c == '"') {
                c = '\'';
            }
        }
        return safe;
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return std::string();
    }
}

SrmRecordWriter::SrmRecordWriter(std::string &record)
    : record(record), failed(false), ended(false) {
    record.clear();
}

void SrmRecordWriter::appendElement(int keyId, const char *value, std::size_t length) {
    const char *key = SrmRecordKeyText(keyId);
    if (key == nullptr) {
        failed = true;
        return;
    }
    try {
        record.push_back('"');
        record.append(key);
        record.push_back('=');
        record.append(value, length);
        record.append("\",", 2);
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        failed = true;
    }
}

void SrmRecordWriter::appendText(int keyId, const std::string &value) {
    if (SrmRecordValueReadsBack(value.data(), value.size())) {
        appendElement(keyId, value.data(), value.size());
        return;
    }
    std::string safe = SrmRecordSafeValue(value);
    if (safe.size() != value.size()) {
        failed = true;  // the copy ran out of memory
        return;
    }
    appendElement(keyId, safe.data(), safe.size());
}

void SrmRecordWriter::addText(int keyId, const std::string &value) {
    if (!value.empty()) {
        appendText(keyId, value);
    }
}

void SrmRecordWriter::addTextAlways(int keyId, const std::string &value) {
    appendText(keyId, value);
}

void SrmRecordWriter::addWord(int keyId, int wordId) {
    const char *word = SrmRecordKeyText(wordId);
    if (word == nullptr) {
        failed = true;
        return;
    }
    appendElement(keyId, word, std::strlen(word));
}

void SrmRecordWriter::addInt(int keyId, int value) {
    char digits[32];
    int n = std::snprintf(digits, sizeof digits, "%d", value);
    appendElement(keyId, digits, static_cast<std::size_t>(n));
}

void SrmRecordWriter::addLong(int keyId, long value) {
    char digits[32];
    int n = std::snprintf(digits, sizeof digits, "%ld", value);
    appendElement(keyId, digits, static_cast<std::size_t>(n));
}

void SrmRecordWriter::addLongLong(int keyId, long long value) {
    char digits[32];
    int n = std::snprintf(digits, sizeof digits, "%lld", value);
    appendElement(keyId, digits, static_cast<std::size_t>(n));
}

int SrmRecordWriter::write(int fd) {
    if (!ended && !failed) {
        try {
            record.append(";\n", 2);
            ended = true;
        } catch (const std::bad_alloc &) {
            srmNoteOutOfMemory();
            failed = true;
        }
    }
    if (failed) {
        return 0;
    }
    // One write per record: a short write is a failure, never continued, so a record is either
    // written whole or reported as lost.
    ssize_t n = ::write(fd, record.data(), record.size());
    return n >= 0 && static_cast<std::size_t>(n) == record.size() ? 1 : 0;
}
