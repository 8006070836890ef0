#include "server/HttpEndpoint.h"

#include <microhttpd.h>
#include <strings.h>
#include <sys/types.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "inventory/cimxml/sbuf.h"
#include "server/CimExchange.h"

namespace ulvar_server {

namespace {

// Bytes written ahead of the network: a response that fits is sent whole with
// its length; a larger one goes in chunks of about this size.
constexpr std::size_t kPiece = 64 * 1024;

const char kContentType[] = "application/xml; charset=\"utf-8\"";

struct BufferFree {
    void operator()(sbuf *b) const { sbufDestroy(b); }
};

// What one request gathers while its body arrives.
struct Request {
    std::string body;
    bool tooLarge = false;
};

// A response written while it is sent.
struct Stream {
    std::unique_ptr<CimResponse> response;
    std::unique_ptr<sbuf, BufferFree> buffer;
    std::size_t sent = 0;
    CimResponse::Status status = CimResponse::kMore;
    bool trailers = false;  // the client takes the CIMStatusCode trailer
    MHD_Response *http = nullptr;
};

MHD_Result queue(MHD_Connection *connection, unsigned status, MHD_Response *response) {
    MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

// An answer without body: a refusal, with its CIMError header when it has one.
MHD_Result refuse(MHD_Connection *connection, unsigned status, const char *cimError) {
    MHD_Response *response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
    if (response == nullptr) {
        return MHD_NO;
    }
    if (cimError != nullptr) {
        MHD_add_response_header(response, "CIMError", cimError);
    }
    if (status == MHD_HTTP_METHOD_NOT_ALLOWED) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "POST");
    }
    return queue(connection, status, response);
}

ssize_t readStream(void *cls, uint64_t, char *out, size_t max) {
    auto *stream = static_cast<Stream *>(cls);
    while (stream->sent == sbufGetSize(stream->buffer.get())) {
        if (stream->status == CimResponse::kDone) {
            return MHD_CONTENT_READER_END_OF_STREAM;
        }
        if (stream->status == CimResponse::kFailed) {
            // The status line went out long ago: a client that takes
            // trailers learns of the failure from them; any other sees the
            // connection cut before the last chunk.
            if (!stream->trailers) {
                return MHD_CONTENT_READER_END_WITH_ERROR;
            }
            MHD_add_response_footer(stream->http, "CIMStatusCode", "1");
            MHD_add_response_footer(stream->http, "CIMStatusCodeDescription",
                                    "CIM_ERR_FAILED: the response could not be written whole");
            return MHD_CONTENT_READER_END_OF_STREAM;
        }
        sbufClear(stream->buffer.get());
        stream->sent = 0;
        stream->status = stream->response->writeSome(stream->buffer.get(), kPiece);
    }
    std::size_t n = sbufGetSize(stream->buffer.get()) - stream->sent;
    n = n < max ? n : max;
    memcpy(out, sbufGetString(stream->buffer.get()) + stream->sent, n);
    stream->sent += n;
    return static_cast<ssize_t>(n);
}

void freeStream(void *cls) {
    delete static_cast<Stream *>(cls);
}

bool clientTakesTrailers(MHD_Connection *connection) {
    const char *te = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "TE");
    return te != nullptr && strcasestr(te, "trailers") != nullptr;
}

// Sends the response to a performed request: whole when it fits in a piece,
// otherwise in chunks while the rest is written.
MHD_Result respond(MHD_Connection *connection, std::unique_ptr<CimResponse> cim) {
    std::unique_ptr<sbuf, BufferFree> buffer(sbufCreate(kPiece + 4096));
    if (!buffer) {
        return refuse(connection, MHD_HTTP_INTERNAL_SERVER_ERROR, nullptr);
    }
    CimResponse::Status status = cim->writeSome(buffer.get(), kPiece);
    if (status == CimResponse::kFailed) {
        return refuse(connection, MHD_HTTP_INTERNAL_SERVER_ERROR, nullptr);
    }
    MHD_Response *response;
    if (status == CimResponse::kDone) {
        response = MHD_create_response_from_buffer(sbufGetSize(buffer.get()),
                                                   const_cast<char *>(sbufGetString(buffer.get())),
                                                   MHD_RESPMEM_MUST_COPY);
    } else {
        auto *stream = new Stream();
        stream->response = std::move(cim);
        stream->buffer = std::move(buffer);
        stream->status = status;
        stream->trailers = clientTakesTrailers(connection);
        response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, kPiece, readStream, stream,
                                                     freeStream);
        if (response == nullptr) {
            delete stream;
            return MHD_NO;
        }
        stream->http = response;
        if (stream->trailers) {
            MHD_add_response_header(response, "Trailer", "CIMStatusCode, CIMStatusCodeDescription");
        }
    }
    if (response == nullptr) {
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, kContentType);
    MHD_add_response_header(response, "CIMOperation", "MethodResponse");
    return queue(connection, MHD_HTTP_OK, response);
}

}  // namespace

struct HttpEndpoint::Shared {
    std::shared_ptr<const ReportIndex> index;
    std::shared_ptr<const UserFile> users;
    std::size_t bodyLimit = 0;
    std::function<void(const std::string &)> log;

    std::shared_ptr<const ReportIndex> currentIndex() const { return std::atomic_load(&index); }
    std::shared_ptr<const UserFile> currentUsers() const { return std::atomic_load(&users); }

    bool authorized(MHD_Connection *connection) const {
        std::shared_ptr<const UserFile> allowed = currentUsers();
        if (!allowed) {
            return true;
        }
        char *password = nullptr;
        char *user = MHD_basic_auth_get_username_password(connection, &password);
        bool ok = allowed->check(user, password);
        MHD_free(user);
        MHD_free(password);
        return ok;
    }

    // The first call of a request, with its headers only: what can be
    // refused before the body is read is refused here.
    MHD_Result begin(MHD_Connection *connection, const char *method) const {
        if (strcmp(method, "M-POST") == 0) {
            // Not served; a client tries again with POST.
            return refuse(connection, MHD_HTTP_NOT_IMPLEMENTED, nullptr);
        }
        if (strcmp(method, "POST") != 0) {
            return refuse(connection, MHD_HTTP_METHOD_NOT_ALLOWED, nullptr);
        }
        if (!authorized(connection)) {
            MHD_Response *response =
                MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
            if (response == nullptr) {
                return MHD_NO;
            }
            MHD_Result queued = MHD_queue_basic_auth_fail_response(connection, "ulvar", response);
            MHD_destroy_response(response);
            return queued;
        }
        const char *length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                         MHD_HTTP_HEADER_CONTENT_LENGTH);
        if (length != nullptr && strtoull(length, nullptr, 10) > bodyLimit) {
            return refuse(connection, MHD_HTTP_CONTENT_TOO_LARGE, nullptr);
        }
        return MHD_YES;
    }

    MHD_Result finish(MHD_Connection *connection, const Request &request) const {
        if (request.tooLarge) {
            return refuse(connection, MHD_HTTP_CONTENT_TOO_LARGE, nullptr);
        }
        auto header = [connection](const char *name) {
            return MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
        };
        CimHeaders headers;
        headers.operation = header("CIMOperation");
        headers.method = header("CIMMethod");
        headers.object = header("CIMObject");
        headers.protocolVersion = header("CIMProtocolVersion");
        CimExchange exchange =
            exchangeCim(headers, request.body.data(), request.body.size(), currentIndex());
        if (exchange.httpStatus != MHD_HTTP_OK) {
            return refuse(connection, exchange.httpStatus, exchange.cimError);
        }
        return respond(connection, std::move(exchange.response));
    }
};

namespace {

MHD_Result answer(void *cls, MHD_Connection *connection, const char *, const char *method,
                  const char *, const char *upload, size_t *uploadSize, void **state) {
    auto *shared = static_cast<const HttpEndpoint::Shared *>(cls);
    try {
        auto *request = static_cast<Request *>(*state);
        if (request == nullptr) {
            *state = new Request();
            return shared->begin(connection, method);
        }
        if (*uploadSize > 0) {
            // A body over the limit is read and dropped, then refused.
            if (!request->tooLarge && request->body.size() + *uploadSize > shared->bodyLimit) {
                request->tooLarge = true;
                std::string().swap(request->body);
            }
            if (!request->tooLarge) {
                request->body.append(upload, *uploadSize);
            }
            *uploadSize = 0;
            return MHD_YES;
        }
        return shared->finish(connection, *request);
    } catch (const std::bad_alloc &) {
        return refuse(connection, MHD_HTTP_INTERNAL_SERVER_ERROR, nullptr);
    }
}

void completed(void *, MHD_Connection *, void **state, MHD_RequestTerminationCode) {
    delete static_cast<Request *>(*state);
    *state = nullptr;
}

void logFromDaemon(void *cls, const char *format, va_list args) {
    auto *shared = static_cast<const HttpEndpoint::Shared *>(cls);
    char line[512];
    vsnprintf(line, sizeof line, format, args);
    std::size_t n = strlen(line);
    while (n > 0 && line[n - 1] == '\n') {
        line[--n] = '\0';
    }
    if (shared->log) {
        shared->log(line);
    }
}

}  // namespace

HttpEndpoint::HttpEndpoint() : shared(std::make_shared<Shared>()) {}

HttpEndpoint::~HttpEndpoint() {
    stop();
}

bool HttpEndpoint::start(const EndpointSettings &settings, std::string &why) {
    shared->bodyLimit = settings.bodyLimit;
    shared->log = settings.log;
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_AUTO | MHD_USE_ERROR_LOG;
    if (settings.address.ipv6()) {
        flags |= MHD_USE_IPv6;
    }
    const bool tls = !settings.certificate.empty() || !settings.key.empty();
    if (tls) {
        if (MHD_is_feature_supported(MHD_FEATURE_TLS) != MHD_YES) {
            why = "this libmicrohttpd has no TLS";
            return false;
        }
        flags |= MHD_USE_TLS;
    }
    MHD_OptionItem options[] = {
        {MHD_OPTION_SOCK_ADDR, 0, const_cast<sockaddr_storage *>(&settings.address.storage)},
        {MHD_OPTION_THREAD_POOL_SIZE, settings.threads, nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, settings.connectionLimit, nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, settings.timeoutSeconds, nullptr},
        {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(completed), nullptr},
        // Without TLS the list ends here.
        {tls ? MHD_OPTION_HTTPS_MEM_KEY : MHD_OPTION_END, 0,
         const_cast<char *>(settings.key.c_str())},
        {MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char *>(settings.certificate.c_str())},
        {MHD_OPTION_END, 0, nullptr},
    };
    // The logger comes first, so that it hears about the options too.
    daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, answer, shared.get(),
                              MHD_OPTION_EXTERNAL_LOGGER, logFromDaemon, shared.get(),
                              MHD_OPTION_ARRAY, options, MHD_OPTION_END);
    if (daemon == nullptr) {
        why = "cannot listen on " + settings.address.text(settings.address.port()) +
              (tls ? " with TLS (is the key the certificate's, both PEM?)" : "") +
              " (is the address this machine's and the port free?)";
        return false;
    }
    return true;
}

void HttpEndpoint::stop() {
    if (daemon != nullptr) {
        MHD_stop_daemon(daemon);
        daemon = nullptr;
    }
}

unsigned HttpEndpoint::port() const {
    const MHD_DaemonInfo *info =
        daemon != nullptr ? MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_BIND_PORT) : nullptr;
    return info != nullptr ? info->port : 0;
}

void HttpEndpoint::serve(std::shared_ptr<const ReportIndex> index) {
    std::atomic_store(&shared->index, std::move(index));
}

void HttpEndpoint::requireUsers(std::shared_ptr<const UserFile> users) {
    std::atomic_store(&shared->users, std::move(users));
}

}  // namespace ulvar_server
