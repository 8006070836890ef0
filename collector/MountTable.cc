#include "collector/MountTable.h"

#include <libmount.h>
#include <sys/sysmacros.h>

#include <memory>

namespace collector {

namespace {

struct TableFree {
    void operator()(libmnt_table *t) const { mnt_unref_table(t); }
};
struct IterFree {
    void operator()(libmnt_iter *i) const { mnt_free_iter(i); }
};
using Table = std::unique_ptr<libmnt_table, TableFree>;

struct ParseContext {
    const ScanWarnings *warn;
};

// Skips a line libmount cannot parse, and says so.
int skipBadLine(libmnt_table *tb, const char *file, int line) {
    auto *context = static_cast<ParseContext *>(mnt_table_get_userdata(tb));
    if (context != nullptr && *context->warn) {
        (*context->warn)(std::string(file != nullptr ? file : "mount table") + ":" +
                         std::to_string(line) + ": line cannot be parsed; skipped");
    }
    return 1;
}

std::string text(const char *s) {
    return s != nullptr ? s : std::string();
}

// Parses `path` (a host path) below `root`; null when the file cannot be read.
Table parse(const HostRoot &root, const std::string &path, bool fstab, ParseContext &context) {
    Table tb(mnt_new_table());
    if (!tb || !root.exists(path)) {
        return Table();
    }
    mnt_table_set_userdata(tb.get(), &context);
    mnt_table_set_parser_errcb(tb.get(), skipBadLine);
    std::string file = root.path(path);
    int rc = fstab ? mnt_table_parse_fstab(tb.get(), file.c_str())
                   : mnt_table_parse_file(tb.get(), file.c_str());
    if (rc != 0) {
        return Table();
    }
    return tb;
}

template <typename Visit>
void forEachFs(libmnt_table *tb, Visit visit) {
    std::unique_ptr<libmnt_iter, IterFree> it(mnt_new_iter(MNT_ITER_FORWARD));
    if (!it) {
        return;
    }
    libmnt_fs *fs = nullptr;
    while (mnt_table_next_fs(tb, it.get(), &fs) == 0) {
        visit(fs);
    }
}

}  // namespace

void MountTable::read(const HostRoot &root, const ScanWarnings &warn) {
    entries.clear();
    startup.clear();
    ParseContext context{&warn};

    Table mounted = parse(root, "/proc/self/mountinfo", false, context);
    if (!mounted) {
        mounted = parse(root, "/proc/mounts", false, context);
    }
    if (!mounted) {
        if (warn) {
            warn("no readable mount table (/proc/self/mountinfo, /proc/mounts); no mounts");
        }
    } else {
        forEachFs(mounted.get(), [&](libmnt_fs *fs) {
            MountEntry m;
            m.source = text(mnt_fs_get_source(fs));
            m.target = text(mnt_fs_get_target(fs));
            m.fsType = text(mnt_fs_get_fstype(fs));
            m.fsRoot = text(mnt_fs_get_root(fs));
            dev_t devno = mnt_fs_get_devno(fs);
            m.major = major(devno);
            m.minor = minor(devno);
            const char *options = mnt_fs_get_vfs_options(fs);
            if (options == nullptr) {
                options = mnt_fs_get_options(fs);
            }
            m.readOnly =
                options != nullptr && mnt_optstr_get_option(options, "ro", nullptr, nullptr) == 0;
            if (!m.target.empty()) {
                entries.push_back(std::move(m));
            }
        });
    }

    Table fstab = parse(root, "/etc/fstab", true, context);
    if (fstab) {
        forEachFs(fstab.get(), [&](libmnt_fs *fs) {
            const char *target = mnt_fs_get_target(fs);
            // "+noauto" matches the option itself; a bare "noauto" would match
            // every entry without "auto".
            if (target != nullptr && target[0] == '/' && !mnt_fs_is_swaparea(fs) &&
                mnt_fs_match_options(fs, "+noauto") == 0) {
                startup.insert(target);
            }
        });
    }
}

}  // namespace collector
