// Logging to the agent's log file: one line per call, one write(2) per line.
#include "tessel/log.h"

#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

namespace {

// Every line, and every message a wrapper builds, fits in this many bytes
// including the terminating NUL: a longer one is cut at kLineSize - 1 bytes
// and so loses its final newline.
constexpr size_t kLineSize = 2048;

// The message field is padded with blanks to this width, measured on the
// caller's format before expansion: "%s" always gets 18 trailing blanks.
constexpr size_t kMessageWidth = 20;

constexpr int kWrapperInfoLevel = TESSEL_LOG_INFO;
constexpr int kWrapperErrorLevel = TESSEL_LOG_ERR;

// Filled by the first call and kept for the life of the process (a forked
// child keeps its parent's value). Racing first callers store the same value;
// the atomic only makes that benign race well-defined.
std::atomic<int> g_pid_cache{0};

const char *const kLevelNames[] = {"EMERG",   "ALERT",  "CRIT", "ERR",
                                   "WARNING", "NOTICE", "INFO", "DEBUG"};

const char *LevelName(int level) {
    if (level < 0 || level >= static_cast<int>(sizeof(kLevelNames) / sizeof(kLevelNames[0]))) {
        return "UNKNOWN";
    }
    return kLevelNames[level];
}

// glibc writes "(null)" for a null %s; callers and existing log readers have
// seen that text, so null strings keep it rather than crashing.
const char *Text(const char *s) {
    return s != nullptr ? s : "(null)";
}

// A line under construction in a fixed stack buffer. Everything appended past
// the limit is dropped, which gives the cut at kLineSize - 1 bytes.
class LineBuffer {
  public:
    void Append(const char *format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        AppendV(format, args);
        va_end(args);
    }

    void AppendV(const char *format, va_list args) {
        if (Room() == 0) {
            return;
        }
        int n = vsnprintf(buf + used, Room() + 1, format, args);
        if (n > 0) {
            used += static_cast<size_t>(n) < Room() ? static_cast<size_t>(n) : Room();
        }
    }

    void AppendChars(char c, size_t count) {
        while (count-- > 0 && Room() > 0) {
            buf[used++] = c;
        }
    }

    const char *data() const { return buf; }
    size_t size() const { return used; }

  private:
    // Bytes still free for text, keeping one for vsnprintf's NUL.
    size_t Room() const { return kLineSize - 1 - used; }

    char buf[kLineSize];
    size_t used = 0;
};

// Writes one line. The component and function fields are plain text. When
// `args` is null the message is written as it stands; otherwise it is a
// printf format expanded with *args. Either way only the message is ever
// interpreted, and at most once.
void WriteLine(int level, const char *component, const char *function, const char *message,
               va_list *args) {
    // pthread_t is an opaque unsigned long here; the line has always carried it
    // truncated to int and printed with %d, and log readers match on that.
    int tid = static_cast<int>(pthread_self());
    int pid = g_pid_cache.load(std::memory_order_relaxed);
    if (pid == 0) {
        pid = static_cast<int>(getpid());
        g_pid_cache.store(pid, std::memory_order_relaxed);
    }
    const char *level_name = LevelName(level);

    // Append only, never create: a missing file means logging is off.
    // O_CLOEXEC keeps the descriptor from leaking into a child that another
    // thread happens to exec while it is open.
    int fd = open(TESSEL_LOG_PATH, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        return;
    }

    LineBuffer line;
    line.Append("%s: pid %d: tid %d: %-15s: %-8s:  ", Text(component), pid, tid, Text(function),
                level_name);
    message = Text(message);
    if (args != nullptr) {
        line.AppendV(message, *args);
    } else {
        line.Append("%s", message);
    }
    size_t length = strlen(message);
    if (length < kMessageWidth) {
        line.AppendChars(' ', kMessageWidth - length);
    }
    line.AppendChars('\n', 1);

    // One write keeps concurrent lines whole under O_APPEND; a short or failed
    // write has nowhere to be reported.
    ssize_t ignored = write(fd, line.data(), line.size());
    (void)ignored;
    close(fd);
}

// "<function padded to 20>: <text>[ <value>]" into message[kLineSize].
void BuildWrapperMessage(char *message, const char *function, const char *text, const char *value) {
    if (value == nullptr) {
        snprintf(message, kLineSize, "%-20s: %s", Text(function), Text(text));
    } else {
        snprintf(message, kLineSize, "%-20s: %s %s", Text(function), Text(text), value);
    }
}

void WriteWrapperLine(int level, const char *source, const char *function, const char *text,
                      const char *value) {
    char message[kLineSize];
    BuildWrapperMessage(message, function, text, value);
    WriteLine(level, getAgentType(), source, message, nullptr);
}

void WriteNumberLine(int level, const char *source, const char *function, const char *text,
                     int value) {
    char number[12];
    snprintf(number, sizeof(number), "%d", value);
    WriteWrapperLine(level, source, function, text, number);
}

}  // namespace

extern "C" {

void prv_log(int level, const char *component, const char *function, const char *format, ...) {
    va_list args;
    va_start(args, format);
    WriteLine(level, component, function, format, format != nullptr ? &args : nullptr);
    va_end(args);
}

void msg(const char *source, const char *function, const char *text) {
    WriteWrapperLine(kWrapperInfoLevel, source, function, text, nullptr);
}

void error(const char *source, const char *function, const char *text, int value) {
    WriteNumberLine(kWrapperErrorLevel, source, function, text, value);
}

void info(const char *source, const char *function, const char *text, int value) {
    WriteNumberLine(kWrapperInfoLevel, source, function, text, value);
}

void strInfo(const char *source, const char *function, const char *text, const char *value) {
    WriteWrapperLine(kWrapperInfoLevel, source, function, text, Text(value));
}

const char *getAgentType(void) {
    return "Tessel Library";
}

}  // extern "C"
