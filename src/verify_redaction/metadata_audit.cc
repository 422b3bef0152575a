#include "verify_redaction/metadata_audit.h"

#include <algorithm>

#include "resource_limits.h"
#include "text/unicode.h"
#include "verify_redaction/labels.h"
#include "verify_redaction/needles.h"
#include "verify_redaction/raw_object_audit.h"
#include "verify_redaction/stream_content.h"

namespace quorvel::verify {
namespace {

constexpr std::string_view kAsciiWhiteSpace = "\t\n\f\r ";

// Enough decoded bytes to see how a stream begins.
constexpr std::size_t kSniffBytes = 1024;

// A stream's content for the XMP passes: decoded when it decodes to something, otherwise the
// stored bytes (and the partial output of a failed decode).
StreamContent xmp_content(const pdf::Document& document, const pdf::Stream& stream) {
  StreamContent content = decoded_or_stored(document, stream);
  if (content.empty()) content.stored = stream.data;
  return content;
}

}  // namespace

std::optional<pdf::ObjectId> info_object_id(const pdf::Document& document) {
  return document.trailer().get("Info").as_reference();
}

void collect_metadata_refs_for_audit(const pdf::Object& object, ObjectIdSet& xmp, unsigned depth) {
  if (depth >= limits::kMaxMetadataNesting) return;
  if (object.is(pdf::Kind::array)) {
    for (const pdf::Object& item : object.items())
      collect_metadata_refs_for_audit(item, xmp, depth + 1);
    return;
  }
  // Dictionaries and the dictionaries of streams; every other kind yields nothing.
  for (const pdf::DictEntry& entry : object.dictionary().entries()) {
    if (entry.key == "Metadata") {
      if (const auto id = entry.value.as_reference()) xmp.insert(*id);
      continue;
    }
    collect_metadata_refs_for_audit(entry.value, xmp, depth + 1);
  }
}

ObjectIdSet declared_xmp_stream_ids(const pdf::Document& document) {
  ObjectIdSet xmp;
  for (const pdf::IndirectObject& entry : document.objects()) {
    collect_metadata_refs_for_audit(entry.object, xmp);
    const pdf::Stream* stream = entry.object.stream();
    if (stream && stream->dict.get("Type").is_name("Metadata")) xmp.insert(entry.id);
  }
  return xmp;
}

bool begins_with_xpacket(std::string_view content) {
  const std::size_t start = content.find_first_not_of(kAsciiWhiteSpace);
  return start != std::string_view::npos && content.substr(start).starts_with("<?xpacket");
}

bool opens_xmp_packet(const pdf::Document& document, const pdf::Stream& stream) {
  // Decoding a stream whole only to look at its first bytes would cost as much as the stream
  // scan, so a decoded prefix decides, and the whole stream is decoded only when the answer
  // depends on whether a fault lies further on.
  const bool stored = begins_with_xpacket(stream.data);
  const auto prefix = document.decode_prefix(stream, kSniffBytes);
  if (!prefix) return stored;  // the whole decode fails as well
  if (prefix->size() < kSniffBytes) return begins_with_xpacket(*prefix);  // the whole content
  const bool blank = prefix->find_first_not_of(kAsciiWhiteSpace) == std::string::npos;
  if (!blank && begins_with_xpacket(*prefix) == stored) return stored;
  const auto whole = document.decode(stream);
  return whole ? begins_with_xpacket(*whole) : stored;
}

std::vector<LeakHit> info_pass(const pdf::Document& document, std::span<const Needle> needles) {
  std::vector<LeakHit> hits;
  const pdf::Object info = document.trailer().get("Info");
  pdf::Dictionary dict;
  if (info.is(pdf::Kind::dictionary)) {
    dict = info.dictionary();
  } else if (const auto id = info.as_reference()) {
    const auto found = document.get_dictionary(*id);
    if (!found) return hits;
    dict = *found;
  } else {
    return hits;
  }
  for (const pdf::DictEntry& entry : dict.entries()) {
    const auto bytes = entry.value.as_string();
    if (!bytes) continue;
    // Producers write Info strings in PDFDocEncoding, UTF-8 or UTF-16, with or without a mark:
    // try both readings.
    const std::string as_utf8 = text::to_lower(*bytes);
    const auto utf16 = decode_utf16_be(*bytes);
    const std::string as_utf16 = utf16 ? text::to_lower(*utf16) : std::string();
    for (const Needle& needle : needles) {
      if (as_utf8.find(needle.lower) != std::string::npos ||
          (utf16 && as_utf16.find(needle.lower) != std::string::npos)) {
        hits.push_back({needle.term, info_label(entry.key)});
      }
    }
  }
  return hits;
}

std::vector<LeakHit> xmp_pass(const pdf::Document& document, const ObjectIdSet& xmp,
                              std::span<const Needle> needles, const match::AhoCorasick& matcher) {
  std::vector<LeakHit> hits;
  std::vector<pdf::ObjectId> ids(xmp.begin(), xmp.end());
  std::ranges::sort(ids);
  std::vector<std::uint8_t> reported(needles.size(), 0);
  for (const pdf::ObjectId id : ids) {
    const auto object = document.get(id);
    if (!object || !object->stream()) continue;
    const StreamContent content = xmp_content(document, *object->stream());
    auto mask = ac_hit_mask(matcher, content.decoded, needles.size());
    const auto stored_mask = ac_hit_mask(matcher, content.stored, needles.size());
    for (std::size_t i = 0; i < needles.size(); ++i) {
      if ((mask[i] || stored_mask[i]) && !reported[i]) {
        reported[i] = 1;
        hits.push_back({needles[i].term, xmp_label(id.num)});
      }
    }
  }
  return hits;
}

}  // namespace quorvel::verify
