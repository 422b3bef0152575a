// Every location label a hit can carry, written in one place so that all passes agree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::verify {

// "page 3 body text"
std::string body_text_label(std::uint64_t page_number);
// "page 1 annotation #0 /Contents"
std::string annotation_label(std::uint64_t page_number, std::uint64_t annot_index,
                             std::string_view key);
// "object 12 /Title"; an empty key path leaves the blank after the number: "object 12 ".
std::string object_string_label(std::uint32_t object_number, std::string_view key_path);
// "object 7 /T (UTF-16-BE)" and "object 7 /T (UTF-16-LE)"
std::string object_utf16_be_label(std::uint32_t object_number, std::string_view key_path);
std::string object_utf16_le_label(std::uint32_t object_number, std::string_view key_path);
// "object 9 stream"
std::string object_stream_label(std::uint32_t object_number);
// "/Info /Author"; the key as UTF-8, invalid sequences replaced.
std::string info_label(std::string_view key);
// "XMP /Metadata stream (object 20)"
std::string xmp_label(std::uint32_t object_number);
// "revision 1 page 1 body text": any label, for a hit found in an earlier revision.
std::string revision_label(std::uint64_t revision, std::string_view label);

}  // namespace quorvel::verify
