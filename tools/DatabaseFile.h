// A database file as the commands read it: opened with a plain reason when it
// cannot be, loaded by the database's own loader (with progress on a terminal),
// and read again record by record where the loader cannot say why it stopped.
#ifndef TOOLS_DATABASEFILE_H
#define TOOLS_DATABASEFILE_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

class SrmResourceDatabase;

namespace ulvar_tool {

// The first record of a file as it stands, element by element.
struct HeaderRecord {
    std::vector<std::pair<std::string, std::string>> elements;

    bool has(const std::string &key) const;
    // The value of `key`; empty when absent.
    std::string value(const std::string &key) const;
};

// What a file holds as record text.
struct FileRecords {
    long records = 0;               // complete records
    bool endsInsideRecord = false;  // the data ends inside record `records` + 1
};

class DatabaseFile {
  public:
    explicit DatabaseFile(std::string path);
    ~DatabaseFile();

    DatabaseFile(const DatabaseFile &) = delete;
    DatabaseFile &operator=(const DatabaseFile &) = delete;

    // Opens and loads the file: true when it loads and its first record is a
    // database header. Otherwise failure() says why: it cannot be opened (no
    // such file, a directory, no permission), or it does not load (the
    // loader's own message, then where reading stopped).
    bool load();

    const std::string &path() const { return name; }
    // The loaded database (null before a load); what a failed load read stays in
    // it.
    SrmResourceDatabase *database() const { return db.get(); }
    // The file's header record (empty until loaded).
    const HeaderRecord &header() const { return head; }
    // Records the loader read, the header included.
    long recordsRead() const;
    // Reads the file again, record by record.
    FileRecords scan() const;

    // Lines saying why the file did not load; empty after a good load.
    const std::vector<std::string> &failure() const { return why; }

  private:
    bool open();
    void explainFailedLoad(const std::string &message);
    bool readHeader();

    std::string name;
    int fd = -1;
    long long size = -1;  // of a regular file, else -1
    std::unique_ptr<SrmResourceDatabase> db;
    HeaderRecord head;
    std::vector<std::string> why;
};

// Prints every line of a file's failure with complain().
void complainAbout(const DatabaseFile &file);

// Writes `db` as a database file to `path` ("-": standard output). A file is
// written beside its final name and renamed over it once whole, so a failed
// write leaves what was there. False, after complaining, when it fails.
bool writeDatabaseFile(SrmResourceDatabase *db, const std::string &path);

}  // namespace ulvar_tool

#endif
