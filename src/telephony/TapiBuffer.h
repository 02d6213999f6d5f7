// A TAPI variable-size structure in a buffer of its own, and the growing-buffer procedure that
// fetches one whatever its size.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string_view>

template <class T>
class TapiBuffer {
public:
    // `size` bytes (at least the fixed part), zeroed, with totalSize set to `size`.
    explicit TapiBuffer(std::uint32_t size)
        : storage(
              std::make_unique<std::uint32_t[]>((std::max<std::size_t>(size, sizeof(T)) + 3) / 4)),
          object(new (storage.get()) T{}) {
        object->totalSize = size;
    }

    T* Get() const { return object; }
    T* operator->() const { return object; }

    // The `size` bytes at `offset` from the start of the structure; empty when any of them lies
    // outside what the structure says it used.
    std::string_view Bytes(std::uint32_t offset, std::uint32_t size) const {
        std::uint64_t end = static_cast<std::uint64_t>(offset) + size;
        if (size == 0 || offset < sizeof(T) || end > object->usedSize || end > object->totalSize) {
            return {};
        }
        return {reinterpret_cast<const char*>(object) + offset, size};
    }

private:
    std::unique_ptr<std::uint32_t[]> storage;
    T* object;
};

// The growing-buffer procedure: calls `fetch` (a TAPI function of a T*) on a buffer of
// `startSize` bytes, and once more on one of the needed size when that is larger. Nothing when
// a call fails.
template <class T, class Fetch>
std::optional<TapiBuffer<T>> FetchTapiStructure(std::uint32_t startSize, Fetch fetch) {
    TapiBuffer<T> buffer(startSize);
    if (fetch(buffer.Get()) != 0) {
        return std::nullopt;
    }
    if (buffer->neededSize > buffer->totalSize) {
        TapiBuffer<T> larger(buffer->neededSize);
        if (fetch(larger.Get()) != 0) {
            return std::nullopt;
        }
        return larger;
    }
    return buffer;
}
