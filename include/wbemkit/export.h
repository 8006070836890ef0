// Export macro of libwbemkit: the library is built with hidden visibility and
// exports exactly what carries WBEMKIT_API.
#ifndef WBEMKIT_EXPORT_H
#define WBEMKIT_EXPORT_H

#define WBEMKIT_API __attribute__((visibility("default")))

#endif
