// The memory a document's values live in: one growing region, released all at once with the
// document, so that parsing a file costs a handful of allocations instead of one per value.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory_resource>
#include <new>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

namespace quorvel::pdf {

class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // A copy of `bytes` that lives as long as the arena.
  std::string_view copy(std::string_view bytes) {
    if (bytes.empty()) return {};
    auto* p = static_cast<char*>(resource_.allocate(bytes.size(), 1));
    std::copy(bytes.begin(), bytes.end(), p);
    return {p, bytes.size()};
  }

  // A copy of `items`; T must need no destructor, since the arena never runs one.
  template <class T>
  std::span<T> copy(std::span<const T> items) {
    static_assert(std::is_trivially_destructible_v<T> && std::is_trivially_copyable_v<T>);
    if (items.empty()) return {};
    auto* p = static_cast<T*>(resource_.allocate(items.size() * sizeof(T), alignof(T)));
    std::uninitialized_copy(items.begin(), items.end(), p);
    return {p, items.size()};
  }

  template <class T, class... Args>
  T* make(Args&&... args) {
    static_assert(std::is_trivially_destructible_v<T>);
    return new (resource_.allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
  }

 private:
  std::pmr::monotonic_buffer_resource resource_{std::size_t{64} << 10};
};

}  // namespace quorvel::pdf
