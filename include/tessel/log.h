// Logging to the agent's log file.
//
// Every call that can open the log file appends exactly one line to it with a
// single write(2); the file is opened O_WRONLY|O_APPEND on each call and never
// created or truncated. When it cannot be opened the line is silently dropped.
// Safe to call from any thread. No function here returns a value or allocates.
#ifndef TESSEL_LOG_H
#define TESSEL_LOG_H

#include "tessel/export.h"

#ifdef __cplusplus
extern "C" {
#endif

// The fixed path of the agent's log file.
#define TESSEL_LOG_PATH "/var/opt/VRNWkit/agent/log/agent_log"

// Syslog priority numbers used as log levels (0 EMERG .. 7 DEBUG; any other
// value is written as "UNKNOWN").
enum {
    TESSEL_LOG_EMERG = 0,
    TESSEL_LOG_ALERT = 1,
    TESSEL_LOG_CRIT = 2,
    TESSEL_LOG_ERR = 3,
    TESSEL_LOG_WARNING = 4,
    TESSEL_LOG_NOTICE = 5,
    TESSEL_LOG_INFO = 6,
    TESSEL_LOG_DEBUG = 7
};

// Writes one line: "<component>: pid <pid>: tid <tid>: <function>: <LEVEL>:  <message>\n".
// The function field is padded with blanks to 15 characters (never cut), the
// level name to 8, and the message is followed by blanks up to 20 characters
// counted on the unexpanded `format` ("%s" always gets 18). `format` is expanded
// printf-style with the further arguments; `component` and `function` are plain
// text (a '%' in them is written as it stands); a null string is written as
// "(null)". A line longer than 2047 bytes is cut there and loses its newline.
TESSEL_API void prv_log(int level, const char *component, const char *function, const char *format,
                        ...) __attribute__((format(printf, 4, 5)));

// The wrappers build "<function padded to 20>: <text>..." and write it as the
// message of one line, unexpanded: a '%' in any argument stands for itself.
//
// Their exported C names msg, error, info and strInfo are fixed by the callers
// that link them and cannot change. `error` shadows the C library's error(3):
// in a process that links libtessel directly, a call to error() reaches this
// function, not the C library's, and this header cannot be included together
// with <error.h> (the two declarations conflict).
//
// "<function padded to 20>: <text>" at INFO, component getAgentType(), function field `source`.
TESSEL_API void msg(const char *source, const char *function, const char *text);
// "<function padded to 20>: <text> <value>" at ERR.
TESSEL_API void error(const char *source, const char *function, const char *text, int value);
// As error(), at INFO.
TESSEL_API void info(const char *source, const char *function, const char *text, int value);
// "<function padded to 20>: <text> <value>" at INFO, `value` a string.
TESSEL_API void strInfo(const char *source, const char *function, const char *text,
                        const char *value);
// "Tessel Library": a static string, not to be freed.
TESSEL_API const char *getAgentType(void);

#ifdef __cplusplus
}
#endif

#endif
