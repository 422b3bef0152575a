#include "verify_redaction/raw_object_audit.h"

#include <algorithm>
#include <array>

#include "resource_limits.h"
#include "text/unicode.h"
#include "verify_redaction/labels.h"
#include "verify_redaction/metadata_audit.h"
#include "verify_redaction/stream_content.h"

namespace quorvel::verify {
namespace {

// Filters whose output is an image: searching their data finds nothing but false alarms.
constexpr std::array<std::string_view, 4> kImageFilters = {"DCTDecode", "JPXDecode", "JBIG2Decode",
                                                           "CCITTFaxDecode"};

// The annotation entries the engine reads, and so reports under the annotation's own label.
constexpr std::array<std::string_view, 3> kEngineReadAnnotationKeys = {"Contents", "T", "NM"};

// Appends "/key" to the key path, the key read as UTF-8 with invalid sequences replaced.
void push_key(std::string& key_path, std::string_view key) {
  key_path += '/';
  if (text::is_valid_utf8(key)) {
    key_path += key;
  } else {
    key_path += text::utf8_with_replacement(key);
  }
}

void append_utf16_hits(StringWalk& walk, const std::string& decoded, std::uint32_t num,
                       std::string_view key_path, bool big_endian) {
  const std::string lower = text::to_lower(decoded);
  for (std::size_t i = 0; i < walk.needles.size(); ++i) {
    if (walk.reported[i] || lower.find(walk.needles[i].lower) == std::string::npos) continue;
    walk.reported[i] = 1;
    walk.hits.push_back({walk.needles[i].term, big_endian ? object_utf16_be_label(num, key_path)
                                                          : object_utf16_le_label(num, key_path)});
  }
}

// One hit per needle per string: first in the stored bytes, then in the UTF-16 text a
// byte-order mark announces.
void check_string(StringWalk& walk, std::string_view bytes, std::uint32_t num,
                  std::string_view key_path) {
  const std::size_t n = walk.needles.size();
  walk.reported.assign(n, 0);
  std::size_t unseen = n;
  walk.matcher.for_each_match(bytes, [&](const match::Match& m) {
    if (!walk.reported[m.pattern]) {
      walk.reported[m.pattern] = 1;
      --unseen;
      walk.hits.push_back({walk.needles[m.pattern].term, object_string_label(num, key_path)});
    }
    return unseen > 0;
  });
  if (unseen == 0 || bytes.size() < 2) return;
  const auto b0 = static_cast<unsigned char>(bytes[0]), b1 = static_cast<unsigned char>(bytes[1]);
  if (b0 == 0xFE && b1 == 0xFF) {
    if (auto decoded = decode_utf16_be(bytes))
      append_utf16_hits(walk, *decoded, num, key_path, true);
  } else if (b0 == 0xFF && b1 == 0xFE) {
    if (auto decoded = decode_utf16_le(bytes))
      append_utf16_hits(walk, *decoded, num, key_path, false);
  }
}

bool is_link_uri_action(const pdf::Dictionary& annotation, const pdf::Object& action) {
  return annotation.get("Subtype").is_name("Link") && action.dictionary().get("S").is_name("URI");
}

// An annotation dictionary of the skip set at its own turn: every string written inside it
// except the entries the engine reads, and without following references (what they lead to is
// walked at its own turn).
void walk_annotation_strings(StringWalk& walk, std::uint32_t num, std::uint16_t gen,
                             const pdf::Dictionary& annotation) {
  // The engine reads the entry a lookup finds, and only a string; a duplicate key's other value
  // or a value of another kind is nobody's but ours.
  std::array<const pdf::Object*, kEngineReadAnnotationKeys.size()> engine_read{};
  for (std::size_t k = 0; k < kEngineReadAnnotationKeys.size(); ++k) {
    const pdf::Object* value = annotation.find(kEngineReadAnnotationKeys[k]);
    if (value && value->is(pdf::Kind::string)) engine_read[k] = value;
  }
  const pdf::Object* action = annotation.find("A");
  const pdf::Object* uri = nullptr;
  if (action && action->is(pdf::Kind::dictionary) && is_link_uri_action(annotation, *action)) {
    uri = action->dictionary().find("URI");
  }

  walk.follow_references = false;
  std::string key_path;
  for (const pdf::DictEntry& entry : annotation.entries()) {
    if (std::ranges::find(engine_read, &entry.value) != engine_read.end()) continue;
    push_key(key_path, entry.key);
    if (&entry.value == action && uri) {
      for (const pdf::DictEntry& action_entry : action->dictionary().entries()) {
        if (&action_entry.value == uri && uri->is(pdf::Kind::string)) continue;
        const std::size_t mark = key_path.size();
        push_key(key_path, action_entry.key);
        walk_object_for_strings(walk, num, gen, action_entry.value, key_path, 2);
        key_path.resize(mark);
      }
    } else {
      walk_object_for_strings(walk, num, gen, entry.value, key_path, 1);
    }
    key_path.clear();
  }
  walk.follow_references = true;
}

bool is_image_filter(const pdf::Object& name) {
  return std::ranges::any_of(kImageFilters, [&](std::string_view f) { return name.is_name(f); });
}

// Images and metadata are not searched as text; names compare whole, and an indirect entry
// passes nothing over.
bool passed_over_by_stream_scan(const pdf::Dictionary& dict) {
  if (dict.get("Subtype").is_name("Image") || dict.get("Type").is_name("Metadata")) return true;
  const pdf::Object filter = dict.get("Filter");
  if (is_image_filter(filter)) return true;
  return std::ranges::any_of(filter.items(), is_image_filter);
}

}  // namespace

std::optional<std::string> decode_utf16_be(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF) {
    bytes.remove_prefix(2);
  }
  if (bytes.empty() || bytes.size() % 2 != 0) return std::nullopt;
  return text::utf16_to_utf8(text::utf16_units_be(bytes));
}

std::optional<std::string> decode_utf16_le(std::string_view bytes) {
  if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
      static_cast<unsigned char>(bytes[1]) != 0xFE || bytes.size() % 2 != 0 || bytes.size() == 2) {
    return std::nullopt;
  }
  return text::utf16_to_utf8(text::utf16_units_le(bytes.substr(2)));
}

void walk_object_for_strings(StringWalk& walk, std::uint32_t num, std::uint16_t gen,
                             const pdf::Object& object, std::string& key_path, unsigned depth) {
  if (depth >= limits::kMaxWalkDepth) return;
  switch (object.kind()) {
    case pdf::Kind::string:
      check_string(walk, *object.as_string(), num, key_path);
      return;
    case pdf::Kind::array:
      for (const pdf::Object& item : object.items())
        walk_object_for_strings(walk, num, gen, item, key_path, depth + 1);
      return;
    case pdf::Kind::dictionary:
      for (const pdf::DictEntry& entry : object.dictionary().entries()) {
        const std::size_t mark = key_path.size();
        push_key(key_path, entry.key);
        walk_object_for_strings(walk, num, gen, entry.value, key_path, depth + 1);
        key_path.resize(mark);
      }
      return;
    case pdf::Kind::reference: {
      const pdf::ObjectId target = *object.as_reference();
      if (!walk.follow_references || walk.skip.contains(target) ||
          !walk.followed.insert(target).second) {
        return;
      }
      const auto resolved = walk.document.get(target);
      if (!resolved) return;
      walk_object_for_strings(walk, target.num, target.gen, *resolved, key_path, depth + 1);
      return;
    }
    default:
      // Streams are the stream scan's; names, numbers, booleans and null hold no text.
      return;
  }
}

std::vector<LeakHit> raw_object_walk(const pdf::Document& document, std::span<const Needle> needles,
                                     const match::AhoCorasick& matcher, const SkipSet& skip) {
  std::vector<LeakHit> hits;
  StringWalk walk{document, needles, matcher, skip, hits, {}, {}};
  std::string key_path;
  for (const pdf::IndirectObject& entry : document.objects()) {
    if (skip.contains(entry.id)) {
      if (skip.annotations.contains(entry.id) && entry.object.is(pdf::Kind::dictionary))
        walk_annotation_strings(walk, entry.id.num, entry.id.gen, entry.object.dictionary());
      continue;
    }
    key_path.clear();
    walk_object_for_strings(walk, entry.id.num, entry.id.gen, entry.object, key_path, 0);
  }
  return hits;
}

std::vector<LeakHit> scan_streams(const pdf::Document& document, std::span<const Needle> needles,
                                  const match::AhoCorasick& matcher, const SkipSet& skip,
                                  ObjectIdSet& xmp) {
  std::vector<LeakHit> hits;
  std::vector<std::uint8_t> reported;
  for (const pdf::IndirectObject& entry : document.objects()) {
    const pdf::Stream* stream = entry.object.stream();
    if (!stream || xmp.contains(entry.id)) continue;
    if (skip.contains(entry.id) || passed_over_by_stream_scan(stream->dict)) {
      if (opens_xmp_packet(document, *stream)) xmp.insert(entry.id);
      continue;
    }
    const StreamContent content = decoded_or_stored(document, *stream);
    // The content as a reader of XMP takes it: decoded, or the stored bytes when that fails.
    if (begins_with_xpacket(content.stored.empty() ? content.decoded : content.stored)) {
      xmp.insert(entry.id);
      continue;
    }
    if (content.empty()) continue;
    reported.assign(needles.size(), 0);
    std::size_t unseen = needles.size();
    const auto on_match = [&](const match::Match& m) {
      if (!reported[m.pattern]) {
        reported[m.pattern] = 1;
        --unseen;
        hits.push_back({needles[m.pattern].term, object_stream_label(entry.id.num)});
      }
      return unseen > 0;
    };
    matcher.for_each_match(content.decoded, on_match);
    if (unseen > 0) matcher.for_each_match(content.stored, on_match);
  }
  return hits;
}

}  // namespace quorvel::verify
