// Where memory runs out deep inside an operation whose result cannot say so
// (a record walk that stops early, a list that refuses an entry, a merge that
// keeps its old values), the code notes it here; the operations that answer a
// caller (a batch, a load, a write) watch for such notes while they run and
// then report the designed memory failure instead of a success that lost
// data. Per thread, like errno.
//
// Internal to libulvar (not exported, not installed).
#ifndef INVENTORY_RECORD_INTERNAL_SRMOUTOFMEMORY_H
#define INVENTORY_RECORD_INTERNAL_SRMOUTOFMEMORY_H

namespace srm_memory {

inline thread_local unsigned long shortages = 0;

}  // namespace srm_memory

// Notes that an allocation failed and the failure was absorbed.
inline void srmNoteOutOfMemory() {
    ++srm_memory::shortages;
}

// `made` as it is, noting a null one: wraps a nothrow new whose failure the
// caller absorbs.
template <typename T>
T *srmNoted(T *made) {
    if (made == nullptr) {
        srmNoteOutOfMemory();
    }
    return made;
}

// Tells whether memory ran out on this thread since the watch was made.
class SrmOutOfMemoryWatch {
  public:
    SrmOutOfMemoryWatch() : start(srm_memory::shortages) {}
    bool ranOut() const { return srm_memory::shortages != start; }

  private:
    unsigned long start;
};

#endif
