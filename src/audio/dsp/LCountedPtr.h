// Intrusive counted reference shared by sources and sinks: the count lives in the object.
#pragma once

#include <concepts>
#include <cstddef>
#include <new>
#include <utility>

// A reference to a heap object with a `refCount` field and a virtual destructor. Copying adds
// one to the count, releasing takes one away and deletes the object at zero. The count is not
// atomic: a chain is used by one thread at a time.
template <class T>
class LCountedPtr {
public:
    LCountedPtr() noexcept = default;
    LCountedPtr(std::nullptr_t) noexcept {}
    // Takes one more reference on `object` (nothing when it is null). Objects are made with
    // MakeCounted; never wrap an object that does not live on the heap.
    explicit LCountedPtr(T* object) noexcept : object(object) { AddRef(); }
    LCountedPtr(const LCountedPtr& other) noexcept : object(other.object) { AddRef(); }
    LCountedPtr(LCountedPtr&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    template <class U>
    requires std::convertible_to<U*, T*> LCountedPtr(const LCountedPtr<U>& other)
    noexcept : object(other.Get()) { AddRef(); }
    template <class U>
    requires std::convertible_to<U*, T*> LCountedPtr(LCountedPtr<U>&& other)
    noexcept : object(other.Detach()) {}
    ~LCountedPtr() { Release(); }

    // By value, so that `head = Wrap(head)` and self-assignment keep the counts exact.
    LCountedPtr& operator=(LCountedPtr other) noexcept {
        std::swap(object, other.object);
        return *this;
    }

    // Drops this reference (deleting the object when it was the last) and leaves it empty.
    void Release() noexcept {
        if (T* old = std::exchange(object, nullptr); old != nullptr && --old->refCount == 0) {
            delete old;
        }
    }

    T* Get() const noexcept { return object; }
    T* operator->() const noexcept { return object; }
    T& operator*() const noexcept { return *object; }
    explicit operator bool() const noexcept { return object != nullptr; }
    friend bool operator==(const LCountedPtr& a, const LCountedPtr& b) noexcept {
        return a.object == b.object;
    }

private:
    template <class U>
    friend class LCountedPtr;

    // Hands the reference over without touching the count.
    T* Detach() noexcept { return std::exchange(object, nullptr); }

    void AddRef() noexcept {
        if (object != nullptr) {
            ++object->refCount;
        }
    }

    T* object = nullptr;
};

// Creates a T on the heap and returns the one counted reference to it; empty when memory is
// short.
template <class T, class... Args>
LCountedPtr<T> MakeCounted(Args&&... args) {
    return LCountedPtr<T>(new (std::nothrow) T(std::forward<Args>(args)...));
}
