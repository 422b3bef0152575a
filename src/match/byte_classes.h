// Byte equivalence classes: bytes that no pattern tells apart share one column of the
// automaton's transition table. With ASCII case folding an upper-case letter shares the class of
// its lower-case letter, so folding costs nothing while searching.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quorvel::match {

constexpr std::uint8_t ascii_lower(std::uint8_t b) {
  return (b >= 'A' && b <= 'Z') ? static_cast<std::uint8_t>(b + ('a' - 'A')) : b;
}

constexpr std::uint8_t ascii_upper(std::uint8_t b) {
  return (b >= 'a' && b <= 'z') ? static_cast<std::uint8_t>(b - ('a' - 'A')) : b;
}

struct ByteClasses {
  // The class of every byte. Bytes that occur in no pattern share one class.
  std::array<std::uint8_t, 256> class_of{};
  // Number of classes: the row length of the transition table.
  std::size_t count = 0;
};

// The classes for `patterns`; with `ascii_case_insensitive`, A-Z fall into the classes of a-z.
ByteClasses make_byte_classes(std::span<const std::string_view> patterns,
                              bool ascii_case_insensitive);

}  // namespace quorvel::match
