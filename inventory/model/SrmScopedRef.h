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
    explicit SrmScopedRef(T *object = nullptr) : object_(object) {}
    ~SrmScopedRef() {
        if (object_ != nullptr) {
            object_->Release();
        }
    }

    SrmScopedRef(const SrmScopedRef &) = delete;
    SrmScopedRef &operator=(const SrmScopedRef &) = delete;

    // Takes a reference of its own to `object` (AddRef) and holds it.
    static SrmScopedRef retain(T *object) {
        object->AddRef();
        return SrmScopedRef(object);
    }
    SrmScopedRef(SrmScopedRef &&other) noexcept : object_(other.object_) { other.object_ = nullptr; }

    T *get() const { return object_; }
    T *operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Hands the reference over to the caller, who now owns it; holds nothing.
    T *release() {
        T *object = object_;
        object_ = nullptr;
        return object;
    }

  private:
    T *object_;
};

#endif
