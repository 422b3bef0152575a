#include "match/byte_classes.h"

namespace quorvel::match {

ByteClasses make_byte_classes(std::span<const std::string_view> patterns,
                              bool ascii_case_insensitive) {
  std::array<bool, 256> used{};
  for (std::string_view pattern : patterns) {
    for (char c : pattern) {
      const auto b = static_cast<std::uint8_t>(c);
      used[ascii_case_insensitive ? ascii_lower(b) : b] = true;
    }
  }
  bool any_unused = false;
  for (int b = 0; b < 256; ++b) {
    // Folded away: an upper-case letter never stands for itself.
    const bool folded = ascii_case_insensitive && b >= 'A' && b <= 'Z';
    any_unused = any_unused || (!used[b] && !folded);
  }

  // Class 0 gathers the unused bytes; when every byte is used, all 256 classes are needed and
  // class 0 goes to byte 0 like any other.
  ByteClasses classes;
  std::size_t next = any_unused ? 1 : 0;
  for (int b = 0; b < 256; ++b) {
    if (ascii_case_insensitive && b >= 'A' && b <= 'Z') continue;
    if (used[b]) classes.class_of[b] = static_cast<std::uint8_t>(next++);
  }
  if (ascii_case_insensitive) {
    for (int b = 'A'; b <= 'Z'; ++b) classes.class_of[b] = classes.class_of[ascii_lower(b)];
  }
  classes.count = next;
  return classes;
}

}  // namespace quorvel::match
