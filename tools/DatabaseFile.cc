#include "tools/DatabaseFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/CSRMReportTuple.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/TupleStatus.h"
#include "tools/Progress.h"
#include "tools/Tool.h"

namespace ulvar_tool {

namespace {

// Buffer of the tool's own passes over a file; the loader keeps its own.
constexpr int kScanBuffer = 64 * 1024;

// Reads records of the file open at `fd` from its start with the public
// reader, up to `limit` of them (all for -1); `first` (may be null) receives
// the elements of the first.
FileRecords readRecords(int fd, long limit, std::vector<std::string> *first) {
    FileRecords found;
    if (lseek(fd, 0, SEEK_SET) != 0) {
        return found;
    }
    CSRMTupleFDStream stream;
    CSRMReportTupleStreamReader reader;
    if (stream.SetBufferSize(kScanBuffer) != TUPLE_STATUS_OK ||
        stream.SetFileDescriptor(fd) != TUPLE_STATUS_OK ||
        reader.SetTupleStream(&stream) != TUPLE_STATUS_OK) {
        return found;
    }
    while (limit < 0 || reader.GetTupleCount() < limit) {
        CSRMReportTuple *record = nullptr;
        int status = reader.GetNextTuple(&record);
        if (status == TUPLE_STATUS_OK && first != nullptr && reader.GetTupleCount() == 1) {
            record->getAllElements(*first);
        }
        delete record;
        if (status != TUPLE_STATUS_OK) {
            found.endsInsideRecord = status != TUPLE_STATUS_END;
            break;
        }
    }
    found.records = reader.GetTupleCount();
    return found;
}

// Whether the first bytes hold a NUL, which no record text does.
bool looksBinary(int fd) {
    char head[4096];
    ssize_t n = pread(fd, head, sizeof head, 0);
    return n > 0 && std::memchr(head, '\0', static_cast<size_t>(n)) != nullptr;
}

std::string percentOf(int fd, long long size) {
    off_t at = lseek(fd, 0, SEEK_CUR);
    if (at < 0 || size <= 0) {
        return "reading";
    }
    return std::to_string(static_cast<long long>(at) * 100 / size) + "% of " +
           std::to_string(size / (1024 * 1024)) + " MiB";
}

}  // namespace

bool HeaderRecord::has(const std::string &key) const {
    for (const auto &element : elements) {
        if (element.first == key) {
            return true;
        }
    }
    return false;
}

std::string HeaderRecord::value(const std::string &key) const {
    for (const auto &element : elements) {
        if (element.first == key) {
            return element.second;
        }
    }
    return std::string();
}

DatabaseFile::DatabaseFile(std::string path) : name(std::move(path)) {}

DatabaseFile::~DatabaseFile() {
    if (fd >= 0) {
        close(fd);
    }
}

bool DatabaseFile::open() {
    fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        why.push_back(std::string("cannot open: ") + strerror(errno));
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        why.push_back(std::string("cannot open: ") + strerror(errno));
    } else if (S_ISDIR(st.st_mode)) {
        why.push_back("is a directory, not a database file");
    } else {
        if (S_ISREG(st.st_mode)) {
            size = st.st_size;
        }
        return true;
    }
    close(fd);
    fd = -1;
    return false;
}

bool DatabaseFile::load() {
    why.clear();
    if (!open()) {
        return false;
    }
    db.reset(new SrmResourceDatabase());
    int loaded;
    {
        Progress progress("loading " + name, [this] { return percentOf(fd, size); });
        loaded = db->deserialize(fd, nullptr);
    }
    if (loaded == 0) {
        std::string message;
        db->getLastErrorInfo(nullptr, message, nullptr);
        explainFailedLoad(message);
        return false;
    }
    return readHeader();
}

// The loader tells what went wrong; where, and what kind of file it is, the
// tool finds out itself.
void DatabaseFile::explainFailedLoad(const std::string &message) {
    why.push_back("does not load: " + message);
    if (size == 0) {
        why.push_back("the file is empty");
        return;
    }
    if (looksBinary(fd)) {
        why.push_back("the file holds binary data, not record text");
        return;
    }
    FileRecords records = scan();
    long read = recordsRead();
    std::string where = read == 0 ? std::string("no record was read")
                                  : "reading stopped after record " + std::to_string(read);
    if (records.endsInsideRecord) {
        where += "; the file ends inside record " + std::to_string(records.records + 1);
    } else if (records.records == 0) {
        where += "; the file holds no record";
    } else {
        where += "; the file holds " + std::to_string(records.records) +
                 (records.records == 1 ? " record" : " records");
    }
    why.push_back(where);
}

// A file whose first record is no database header loads as an empty database;
// the tool refuses it instead, so that a batch file or any other record text
// is not taken for an empty inventory.
bool DatabaseFile::readHeader() {
    std::vector<std::string> first;
    readRecords(fd, 1, &first);
    std::string key, value, type;
    for (std::string &element : first) {
        if (SrmSplitKeyValuePair(&element, &key, &value) != 0) {
            head.elements.emplace_back(key, value);
            if (key == "Type" && type.empty()) {
                type = value;
            }
        }
    }
    if (head.has(SrmRecordKeyText(SRM_KEY_SrmResourceDbVersion))) {
        return true;
    }
    why.push_back("does not load: not a database file: its first record has no \"" +
                  std::string(SrmRecordKeyText(SRM_KEY_SrmResourceDbVersion)) + "\"");
    if (looksBinary(fd)) {
        why.push_back("the file holds binary data, not record text");
    } else if (!type.empty()) {
        why.push_back("its first record is a \"" + type + "\" record, not the database header");
    }
    return false;
}

long DatabaseFile::recordsRead() const {
    return db ? db->getRecordsRead() : 0;
}

FileRecords DatabaseFile::scan() const {
    if (fd < 0) {
        return FileRecords();
    }
    Progress progress("reading " + name, [this] { return percentOf(fd, size); });
    return readRecords(fd, -1, nullptr);
}

void complainAbout(const DatabaseFile &file) {
    for (const std::string &line : file.failure()) {
        complain(file.path(), line);
    }
}

bool writeDatabaseFile(SrmResourceDatabase *db, const std::string &path) {
    // The database's message names the record that did not go out; errno
    // tells why, when a write(2) said so.
    auto serialized = [db, &path](int out) {
        errno = 0;
        int written = db->serialize(out, 0);
        const int why = errno;
        db->detachStream(out);
        if (written == 0) {
            int code = 0;
            std::string message;
            db->getLastErrorInfo(&code, message, nullptr);
            if (code == EIO && why != 0) {
                message += std::string(": ") + strerror(why);
            }
            complain(path, "cannot write the database: " + message);
        }
        return written != 0;
    };
    if (path == "-") {
        // The database goes out with write(2): what stdio holds must go first.
        fflush(stdout);
        return serialized(STDOUT_FILENO);
    }
    std::string temporary = path + ".XXXXXX";
    int out = mkstemp(&temporary[0]);
    if (out < 0) {
        complain(path, std::string("cannot write: ") + strerror(errno));
        return false;
    }
    mode_t mask = umask(0);
    umask(mask);
    fchmod(out, 0666 & ~mask);
    bool ok = serialized(out);
    if (ok && fsync(out) != 0) {
        complain(path, std::string("cannot write: ") + strerror(errno));
        ok = false;
    }
    if (close(out) != 0 && ok) {
        complain(path, std::string("cannot write: ") + strerror(errno));
        ok = false;
    }
    if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
        complain(path, std::string("cannot write: ") + strerror(errno));
        ok = false;
    }
    if (!ok) {
        unlink(temporary.c_str());
    }
    return ok;
}

}  // namespace ulvar_tool
