// Export macro of libulvar: the library is built with hidden visibility and
// exports exactly what carries ULVAR_API (classes the provider and the JVM use,
// and the C functions of the CIM-XML writer).
#ifndef ULVAR_EXPORT_H
#define ULVAR_EXPORT_H

#define ULVAR_API __attribute__((visibility("default")))

#endif
