// Writes the response to one request, piece by piece, so that a large result
// is sent while it is written and never held whole.
#ifndef SERVER_CIMRESPONSE_H
#define SERVER_CIMRESPONSE_H

#include <cstddef>
#include <string>
#include <vector>

#include "inventory/cimxml/imethod.h"
#include "inventory/cimxml/sbuf.h"
#include "server/CimOperations.h"

namespace ulvar_server {

class CimResponse {
  public:
    enum Status { kMore, kDone, kFailed };

    CimResponse(const CimRequest &request, CimResult result);

    // Appends the next part of the response to `out` until `out` holds at
    // least `want` bytes or the response is complete (kDone). kFailed when an
    // append failed (memory exhausted): the response cannot be completed, and
    // every later call fails too.
    Status writeSome(sbuf *out, std::size_t want);

  private:
    int writeItem(sbuf *out, uint32_t item);

    std::string messageId;
    std::string method;
    bool intrinsic;
    CimResult result;
    std::vector<const char *> shown;
    marshallInstanceView view;
    enum { kBegin, kItems, kEnd, kFinished, kBroken } stage = kBegin;
    std::size_t next = 0;
};

}  // namespace ulvar_server

#endif
