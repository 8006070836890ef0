// Scoped holder of one reference of an intrusively counted object.
#ifndef INVENTORY_MODEL_SRMSCOPEDREF_H
#define INVENTORY_MODEL_SRMSCOPEDREF_H

// Gives one reference back (Release) when it goes out of scope, so every early
// return of a function releases what the function holds. T is any class with
// AddRef() and Release(): resources, service groups, report builders.
template <typename T>
class SrmScopedRef {
  public:
    // Adopts a reference the caller already owns (a new object's own, or one
    // taken with AddRef). A null object is allowed and released as nothing.
    explicit SrmScopedRef(T *object = nullptr) : held(object) {}
    ~SrmScopedRef() {
        if (held != nullptr) {
            held->Release();
        }
    }

    SrmScopedRef(const SrmScopedRef &) = delete;
    SrmScopedRef &operator=(const SrmScopedRef &) = delete;

    // Takes a reference of its own to `object` (AddRef) and holds it.
    static SrmScopedRef retain(T *object) {
        object->AddRef();
        return SrmScopedRef(object);
    }
    SrmScopedRef(SrmScopedRef &&other) noexcept : held(other.held) { other.held = nullptr; }

    T *get() const { return held; }
    T *operator->() const { return held; }
    explicit operator bool() const { return held != nullptr; }

    // Hands the reference over to the caller, who now owns it; holds nothing.
    T *release() {
        T *object = held;
        held = nullptr;
        return object;
    }

  private:
    T *held;
};

#endif
