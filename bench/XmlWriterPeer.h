// What the scale benchmark sets beside the CIM-XML writer: libxml2's text
// writer (xmlTextWriter) producing the same elements for the same instance
// list into a memory buffer that grows by doubling. It tells how far
// marshallInstanceList is from a general XML writer doing the same work.
#ifndef BENCH_XMLWRITERPEER_H
#define BENCH_XMLWRITERPEER_H

#include "wbemkit/cim.h"

// Writes one VALUE.OBJECT per instance of `list`, with the elements and
// attributes marshallInstanceList writes (key qualifiers, references with
// their instance paths, this host's name), indented by two blanks per level;
// libxml2 ends lines with "\n" where our writer writes "\r\n". The list is
// written `sliceInstances` instances at a time into one buffer emptied between
// slices, as the benchmark writes our own. The bytes written, or -1 when
// libxml2 failed.
double writeWithXmlTextWriter(const nmspc_cim::CCIMList *list, long sliceInstances);

#endif
