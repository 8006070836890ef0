// The users allowed in with HTTP Basic authentication: a file of "name:hash"
// lines, each hash a salted crypt(3) hash (yescrypt "$y$" or SHA-512 "$6$");
// blank lines and lines starting with "#" are skipped. A password is checked
// through crypt and compared with the stored hash in constant time; an unknown
// name costs as much as a wrong password. Read-only once loaded; safe to use
// from any thread.
#ifndef SERVER_USERFILE_H
#define SERVER_USERFILE_H

#include <memory>
#include <string>
#include <unordered_map>

namespace ulvar_server {

class UserFile {
  public:
    // The users of the file at `path`; null with the reason (the file, and
    // the line that is wrong) in `why`.
    static std::unique_ptr<UserFile> load(const std::string &path, std::string &why);

    // True when `password` is the password of `user`. Null arguments fail.
    bool check(const char *user, const char *password) const;

    std::size_t size() const { return hashes.size(); }

  private:
    UserFile() = default;
    std::unordered_map<std::string, std::string> hashes;
};

}  // namespace ulvar_server

#endif
