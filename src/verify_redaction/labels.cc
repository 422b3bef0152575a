#include "verify_redaction/labels.h"

#include <fmt/format.h>

#include "text/unicode.h"

namespace quorvel::verify {

std::string body_text_label(std::uint64_t page_number) {
  return fmt::format("page {} body text", page_number);
}

std::string annotation_label(std::uint64_t page_number, std::uint64_t annot_index,
                             std::string_view key) {
  return fmt::format("page {} annotation #{} /{}", page_number, annot_index, key);
}

std::string object_string_label(std::uint32_t object_number, std::string_view key_path) {
  return fmt::format("object {} {}", object_number, key_path);
}

std::string object_utf16_be_label(std::uint32_t object_number, std::string_view key_path) {
  return fmt::format("object {} {} (UTF-16-BE)", object_number, key_path);
}

std::string object_utf16_le_label(std::uint32_t object_number, std::string_view key_path) {
  return fmt::format("object {} {} (UTF-16-LE)", object_number, key_path);
}

std::string object_stream_label(std::uint32_t object_number) {
  return fmt::format("object {} stream", object_number);
}

std::string info_label(std::string_view key) {
  return fmt::format("/{} /{}", "Info", text::utf8_with_replacement(key));
}

std::string xmp_label(std::uint32_t object_number) {
  return fmt::format("XMP /Metadata stream (object {})", object_number);
}

std::string revision_label(std::uint64_t revision, std::string_view label) {
  return fmt::format("revision {} {}", revision, label);
}

}  // namespace quorvel::verify
