#include "verify_redaction/engine_guard.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <string>
#include <unordered_map>

#include "pdf/lexer.h"
#include "resource_limits.h"
#include "verify_redaction/file_bytes.h"
#include "verify_redaction/object_ids.h"

namespace quorvel::verify {
namespace {

using limits::kMaxEngineContentBytes;

constexpr std::uint64_t kPast = std::numeric_limits<std::uint64_t>::max();

std::uint64_t add(std::uint64_t a, std::uint64_t b) { return a > kPast - b ? kPast : a + b; }
std::uint64_t times(std::uint64_t a, std::uint64_t b) {
  return a != 0 && b > kPast / a ? kPast : a * b;
}

// How many bytes one input byte of a filter can become: Flate's longest match costs just under a
// bit per byte, an LZW code of 9 to 12 bits gives up to 4096 bytes, a run-length pair 128, a
// 'z' of ASCII85 four. The engine does not apply image filters to the streams it decodes.
std::uint64_t expansion(std::string_view filter) {
  if (filter == "FlateDecode" || filter == "Fl") return 1032;
  if (filter == "LZWDecode" || filter == "LZW") return 4096;
  if (filter == "RunLengthDecode" || filter == "RL") return 64;
  if (filter == "ASCII85Decode" || filter == "A85") return 4;
  return 1;
}

bool is_delimiter(char c) { return pdf::is_pdf_delimiter(static_cast<unsigned char>(c)); }
bool is_white(char c) { return pdf::is_pdf_space(static_cast<unsigned char>(c)); }
bool is_regular(char c) { return pdf::is_pdf_regular(static_cast<unsigned char>(c)); }

// Drawings past this many cost more than a page may, whatever they draw.
constexpr std::uint64_t kMaxDraws = kMaxEngineContentBytes / limits::kEngineDrawBytes + 1;

// How often each resource name is drawn by a "Do" operator in `content`, counting at most
// kMaxDraws drawings. Strings, comments and inline image data are stepped over; a name's #xx
// escapes are decoded.
std::unordered_map<std::string, std::uint64_t> drawn_names(std::string_view content) {
  std::unordered_map<std::string, std::uint64_t> drawn;
  std::uint64_t draws = 0;
  // Most content streams draw no XObject at all; without the bytes "Do" there is no operator to
  // find, and the stream need not be tokenised.
  if (content.find("Do") == std::string_view::npos) return drawn;
  std::string last_name;
  bool after_name = false;
  std::size_t i = 0;
  const std::size_t n = content.size();
  while (i < n && draws < kMaxDraws) {
    const char c = content[i];
    if (is_white(c)) {
      ++i;
    } else if (c == '%') {
      while (i < n && content[i] != '\n' && content[i] != '\r') ++i;
    } else if (c == '(') {
      int depth = 0;
      for (; i < n; ++i) {
        if (content[i] == '\\') {
          ++i;
        } else if (content[i] == '(') {
          ++depth;
        } else if (content[i] == ')' && --depth == 0) {
          ++i;
          break;
        }
      }
      after_name = false;
    } else if (c == '/') {
      last_name.clear();
      for (++i; i < n && is_regular(content[i]); ++i) {
        if (content[i] == '#' && i + 2 < n &&
            std::isxdigit(static_cast<unsigned char>(content[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(content[i + 2]))) {
          last_name +=
              static_cast<char>(std::stoi(std::string(content.substr(i + 1, 2)), nullptr, 16));
          i += 2;
        } else {
          last_name += content[i];
        }
      }
      after_name = true;
    } else if (is_delimiter(c)) {
      ++i;
      after_name = false;
    } else {
      const std::size_t start = i;
      while (i < n && is_regular(content[i])) ++i;
      const std::string_view token = content.substr(start, i - start);
      if (token == "Do" && after_name) {
        ++drawn[last_name];
        ++draws;
      }
      if (token == "ID") {
        // Inline image data runs to an "EI" between white space.
        for (++i; i + 2 <= n; ++i) {
          if (content.compare(i, 2, "EI") == 0 && is_white(content[i - 1]) &&
              (i + 2 == n || is_white(content[i + 2]))) {
            i += 2;
            break;
          }
        }
      }
      after_name = false;
    }
  }
  return drawn;
}

class HazardFinder {
 public:
  HazardFinder(const pdf::Document& document, std::string_view file)
      : document_(document), file_(file) {}

  std::vector<engine::ByteRange> find() {
    for (const pdf::IndirectObject& entry : document_.objects()) {
      const pdf::Stream* stream = entry.object.stream();
      if (stream == nullptr || stream->dict.get("Subtype").is_name("Image")) continue;
      if (!provably_within(*stream, kMaxEngineContentBytes) && !content(*stream)) blank(*stream);
    }
    if (const auto catalog = document_.catalog()) {
      const pdf::Object pages = catalog->get("Pages");
      visit_pages(pages, pdf::Dictionary(), 0);
    }
    std::ranges::sort(ranges_, {}, &engine::ByteRange::offset);
    return std::move(ranges_);
  }

 private:
  pdf::Object resolve(const pdf::Object& value) const {
    return document_.resolve(value).value_or(pdf::Object());
  }

  // True when no decode of `stream` can exceed `bound`, from its stored size and its filters.
  bool provably_within(const pdf::Stream& stream, std::uint64_t bound) const {
    std::uint64_t size = stream.data.size();
    const pdf::Object filter = resolve(stream.dict.get("Filter"));
    if (const auto name = filter.as_name()) {
      size = times(size, expansion(*name));
    } else {
      for (const pdf::Object& item : filter.items())
        size = times(size, expansion(resolve(item).as_name().value_or("")));
    }
    return size <= bound;
  }

  // The decoded content of `stream`, or nothing when it is past kMaxEngineContentBytes or the
  // measuring budget is spent. A stream that fails to decode gives what did decode, as it does
  // for the engine.
  std::optional<std::string> content(const pdf::Stream& stream) {
    if (blanked_.contains(stream.id)) return std::string();
    if (stream.dict.find("Filter") == nullptr) {
      if (stream.data.size() > kMaxEngineContentBytes) return std::nullopt;
      return std::string(stream.data);
    }
    if (budget_ == 0) return std::nullopt;
    const std::uint64_t bound = std::min(kMaxEngineContentBytes, budget_);
    auto decoded = document_.decode_prefix(stream, static_cast<std::size_t>(bound) + 1);
    std::string bytes = decoded ? std::move(*decoded) : std::move(decoded.error().partial);
    budget_ -= std::min<std::uint64_t>(budget_, bytes.size());
    if (bytes.size() > bound) return std::nullopt;
    return bytes;
  }

  void blank(const pdf::Stream& stream) {
    if (!blanked_.insert(stream.id).second) return;
    const char* at = stream.stored.data();
    if (stream.stored.empty() || at < file_.data() ||
        at + stream.stored.size() > file_.data() + file_.size())
      return;
    ranges_.push_back({static_cast<std::uint64_t>(at - file_.data()), stream.stored.size()});
  }

  // What drawing the XObjects `content` names costs, resolved in `resources`.
  std::uint64_t drawing_cost(std::string_view content, const pdf::Dictionary& resources,
                             unsigned depth) {
    const auto drawn = drawn_names(content);
    if (drawn.empty()) return 0;
    const pdf::Dictionary xobjects = resolve(resources.get("XObject")).dictionary();
    std::uint64_t cost = 0;
    for (const auto& [name, count] : drawn) {
      std::uint64_t each = limits::kEngineDrawBytes;
      if (const auto id = xobjects.get(name).as_reference())
        each = add(each, form_cost(*id, resources, depth));
      cost = add(cost, times(count, each));
      if (cost > kMaxEngineContentBytes) return kPast;
    }
    return cost;
  }

  // What drawing the form `id` once costs; a form that costs more than the bound is blanked
  // and costs nothing from then on.
  std::uint64_t form_cost(pdf::ObjectId id, const pdf::Dictionary& inherited, unsigned depth) {
    if (const auto known = form_costs_.find(id); known != form_costs_.end()) return known->second;
    const auto object = document_.get(id);
    const pdf::Stream* stream = object ? object->stream() : nullptr;
    if (stream == nullptr || !stream->dict.get("Subtype").is_name("Form")) return 0;
    // Drawn inside itself, or nested past any real file: the engine would go round it.
    if (depth >= limits::kMaxEngineFormNesting || !in_progress_.insert(id).second) return kPast;
    std::uint64_t cost = 0;
    if (const auto bytes = content(*stream)) {
      const pdf::Object own = resolve(stream->dict.get("Resources"));
      const pdf::Dictionary resources =
          own.is(pdf::Kind::dictionary) ? own.dictionary() : inherited;
      cost = add(bytes->size(), drawing_cost(*bytes, resources, depth + 1));
    } else {
      cost = kPast;
    }
    in_progress_.erase(id);
    if (cost > kMaxEngineContentBytes) {
      blank(*stream);
      cost = 0;
    }
    form_costs_[id] = cost;
    return cost;
  }

  // A page's content streams.
  std::vector<const pdf::Stream*> contents(const pdf::Dictionary& page) const {
    const pdf::Object contents = resolve(page.get("Contents"));
    std::vector<const pdf::Stream*> streams;
    if (const pdf::Stream* one = contents.stream()) streams.push_back(one);
    for (const pdf::Object& item : contents.items()) {
      if (const pdf::Stream* s = resolve(item).stream()) streams.push_back(s);
    }
    return streams;
  }

  // What the engine parses for one page: its content streams and the forms they draw. A page
  // past the bound has its content blanked and costs nothing.
  std::uint64_t page_cost(const pdf::Dictionary& page, const pdf::Dictionary& resources) {
    std::uint64_t cost = 0;
    for (const pdf::Stream* stream : contents(page)) {
      if (blanked_.contains(stream->id)) continue;
      const auto bytes = content(*stream);
      cost = bytes ? add(cost, add(bytes->size(), drawing_cost(*bytes, resources, 0))) : kPast;
    }
    if (cost <= kMaxEngineContentBytes) return cost;
    for (const pdf::Stream* stream : contents(page)) blank(*stream);
    return 0;
  }

  // Walks the page tree as the engine counts pages: every node without /Kids is a page, counted
  // as often as the tree lists it, up to the engine pass's page bound.
  void visit_pages(const pdf::Object& node_value, pdf::Dictionary resources, unsigned depth) {
    if (depth >= limits::kMaxPageTreeDepth || pages_ >= limits::kMaxEnginePages) return;
    const auto id = node_value.as_reference();
    const pdf::Object node = resolve(node_value);
    if (!node.is(pdf::Kind::dictionary)) return;
    const pdf::Dictionary dict = node.dictionary();
    const pdf::Object own = resolve(dict.get("Resources"));
    if (own.is(pdf::Kind::dictionary)) resources = own.dictionary();
    const pdf::Object kids = resolve(dict.get("Kids"));
    if (kids.is(pdf::Kind::array)) {
      // A node among its own ancestors would be walked for ever.
      if (id && !ancestors_.insert(*id).second) return;
      for (const pdf::Object& kid : kids.items()) visit_pages(kid, resources, depth + 1);
      if (id) ancestors_.erase(*id);
      return;
    }
    ++pages_;
    const auto known = id ? page_costs_.find(*id) : page_costs_.end();
    std::uint64_t cost = known != page_costs_.end() ? known->second : page_cost(dict, resources);
    if (add(total_, cost) > limits::kMaxEngineTotalBytes) {
      for (const pdf::Stream* stream : contents(dict)) blank(*stream);
      cost = 0;
    }
    if (id) page_costs_[*id] = cost;
    total_ = add(total_, cost);
  }

  const pdf::Document& document_;
  std::string_view file_;
  std::uint64_t budget_ = limits::kMaxEngineMeasuredBytes;
  std::vector<engine::ByteRange> ranges_;
  ObjectIdSet blanked_;
  ObjectIdSet in_progress_;
  ObjectIdSet ancestors_;
  std::unordered_map<pdf::ObjectId, std::uint64_t, ObjectIdHash> form_costs_;
  std::unordered_map<pdf::ObjectId, std::uint64_t, ObjectIdHash> page_costs_;
  std::uint64_t total_ = 0;
  int pages_ = 0;
};

}  // namespace

std::vector<engine::ByteRange> engine_hazards(const pdf::Document& document,
                                              std::string_view file) {
  return HazardFinder(document, file).find();
}

std::expected<engine::Document, engine::OpenError> open_guarded(
    Pdfium engine, const std::filesystem::path& path, std::optional<std::uint64_t> byte_limit) {
  std::vector<engine::ByteRange> hazards;
  if (const auto bytes = read_file_bytes(path)) {
    const std::size_t length =
        byte_limit
            ? static_cast<std::size_t>(std::min<std::uint64_t>(*byte_limit, (*bytes)->size()))
            : (*bytes)->size();
    if (const auto document = pdf::Document::load(*bytes, length))
      hazards = engine_hazards(*document, **bytes);
  }
  return engine::Document::open(engine, path, byte_limit, hazards);
}

}  // namespace quorvel::verify
