// The report's instances as the server answers from them: by class, by
// instance name, and along the references of associations. The index owns the
// instance lists it is built from and holds pointers into them, never copies.
// Once built it is only read, from any number of threads at once.
#ifndef SERVER_REPORTINDEX_H
#define SERVER_REPORTINDEX_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "server/ClassTable.h"
#include "server/InstancePath.h"
#include "wbemkit/cim.h"

namespace ulvar_server {

class ReportIndex {
  public:
    static constexpr uint32_t kNone = UINT32_MAX;

    // One end of a reference: an instance and the ordinal of the reference
    // property (in the association's property list) that ties the two.
    struct Link {
        uint32_t instance;
        uint32_t property;
    };

    // Indexes every instance of `lists`, which it takes (they are freed with
    // the index, or at once when the build fails). Every instance is prepared
    // for writing from several threads (marshallPrepareInstance). An instance
    // whose name another one took first is left out, as is a reference that
    // names no instance. Null when memory runs out, with the reason in `why`.
    static std::unique_ptr<ReportIndex> build(std::vector<nmspc_cim::CCIMList *> lists,
                                              std::string *why);
    ~ReportIndex();

    ReportIndex(const ReportIndex &) = delete;
    ReportIndex &operator=(const ReportIndex &) = delete;

    std::size_t size() const { return entries.size(); }
    nmspc_cim::CCIMInstance *instance(uint32_t i) const { return entries[i].instance; }
    // The id of the instance's class in ClassTable::schema(), or -1.
    int classOf(uint32_t i) const { return entries[i].classId; }
    // The instances of class `id` exactly, in report order.
    const std::vector<uint32_t> &ofClass(int id) const;
    // The instance `name` names, or kNone.
    uint32_t find(const InstanceName &name) const;

    // The associations whose references name instance `i`, each with the
    // reference property that names it.
    std::vector<Link> referrers(uint32_t i) const;
    // The instances association `i` names, each with its reference property.
    std::vector<Link> references(uint32_t i) const;
    // Property number `ordinal` of instance `i`.
    nmspc_cim::CCIMProperty *property(uint32_t i, uint32_t ordinal) const;

    // Instances left out because another one had their name; references that
    // name no instance.
    std::size_t duplicates() const { return duplicateCount; }
    std::size_t danglingReferences() const { return danglingCount; }
    // Bytes the index itself holds (the instances not counted).
    std::size_t bytes() const;

  private:
    struct Entry {
        nmspc_cim::CCIMInstance *instance;
        uint64_t hash;
        int classId;
    };

    ReportIndex() = default;
    void add(const ClassTable &table, nmspc_cim::CCIMInstance *instance);
    uint32_t lookup(const std::string &form, uint64_t hash) const;
    void link();

    std::vector<nmspc_cim::CCIMList *> owned;
    std::vector<Entry> entries;
    std::vector<uint32_t> slots;  // open addressing over entries, kNone when free
    std::vector<std::vector<uint32_t>> byClass;
    // Links in both directions, grouped by instance: those of instance i are
    // [start[i], start[i + 1]).
    std::vector<uint32_t> referrerStart, referenceStart;
    std::vector<Link> referrerLinks, referenceLinks;
    std::size_t duplicateCount = 0;
    std::size_t danglingCount = 0;
};

}  // namespace ulvar_server

#endif
