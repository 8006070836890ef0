// Export macro of libtessel: the library is built with hidden visibility and
// exports exactly what carries TESSEL_API.
#ifndef TESSEL_EXPORT_H
#define TESSEL_EXPORT_H

#define TESSEL_API __attribute__((visibility("default")))

#endif
