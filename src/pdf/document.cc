#include "pdf/document.h"

#include <algorithm>

#include "pdf/document_state.h"
#include "resource_limits.h"

namespace quorvel::pdf {

DecodeResult decode_bounded(const Stream& stream, const ValueResolver& resolve,
                            std::atomic<std::uint64_t>& charged) {
  // decode_limit holds the bound plus one, so that zero can mean "not decoded yet".
  std::uint64_t limit = stream.decode_limit.load(std::memory_order_relaxed);
  bool first = false;
  if (limit == 0) {
    const std::uint64_t used = charged.load(std::memory_order_relaxed);
    const std::uint64_t left =
        used < limits::kMaxDecodedFileBytes ? limits::kMaxDecodedFileBytes - used : 0;
    const std::uint64_t wanted = std::min<std::uint64_t>(limits::kMaxDecodedStreamBytes, left) + 1;
    std::uint64_t expected = 0;
    first = stream.decode_limit.compare_exchange_strong(expected, wanted);
    limit = first ? wanted : expected;
  }
  const auto max_out = static_cast<std::size_t>(limit - 1);
  DecodeResult result = decode_filters(stream.data, stream.dict, resolve, max_out);
  if (first) {
    charged.fetch_add(result ? result->size() : result.error().partial.size(),
                      std::memory_order_relaxed);
  }
  if (!result && max_out < limits::kMaxDecodedStreamBytes &&
      result.error().partial.size() >= max_out) {
    result.error().message = "the file's bound on decoded bytes is reached";
  }
  return result;
}

Document::Document(std::unique_ptr<State> state) : state_(std::move(state)) {}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

std::expected<Document, std::string> Document::load(std::string bytes) {
  auto file = std::make_shared<const std::string>(std::move(bytes));
  const std::size_t length = file->size();
  return load(std::move(file), length);
}

std::span<const IndirectObject> Document::objects() const { return state_->objects; }
Dictionary Document::trailer() const { return state_->trailer; }

std::expected<Object, LookupError> Document::get(ObjectId id) const {
  const auto& objects = state_->objects;
  for (std::size_t link = 0; link < limits::kMaxReferenceChain; ++link) {
    const auto it = std::lower_bound(
        objects.begin(), objects.end(), id,
        [](const IndirectObject& o, const ObjectId& wanted) { return o.id < wanted; });
    if (it == objects.end() || it->id != id) return std::unexpected(LookupError::absent);
    const auto next = it->object.as_reference();
    if (!next) return it->object;
    id = *next;
  }
  return std::unexpected(LookupError::chain_too_long);
}

std::expected<Object, LookupError> Document::resolve(const Object& value) const {
  if (const auto id = value.as_reference()) return get(*id);
  return value;
}

std::expected<Dictionary, LookupError> Document::get_dictionary(ObjectId id) const {
  const auto object = get(id);
  if (!object) return std::unexpected(object.error());
  if (!object->is(Kind::dictionary)) return std::unexpected(LookupError::wrong_kind);
  return object->dictionary();
}

std::expected<Dictionary, LookupError> Document::catalog() const {
  const Object* root = state_->trailer.find("Root");
  if (root == nullptr) return std::unexpected(LookupError::absent);
  const auto object = resolve(*root);
  if (!object) return std::unexpected(object.error());
  if (!object->is(Kind::dictionary)) return std::unexpected(LookupError::wrong_kind);
  return object->dictionary();
}

DecodeResult Document::decode(const Stream& stream) const {
  const ValueResolver resolve = [this](const Object& value) {
    return this->resolve(value).value_or(Object());
  };
  return decode_bounded(stream, resolve, state_->budget->used);
}

DecodeResult Document::plain_content(const Stream& stream) const {
  const ValueResolver resolve = [this](const Object& value) {
    return this->resolve(value).value_or(Object());
  };
  if (!names_a_filter(stream.dict, resolve)) return std::string(stream.data);
  return decode_bounded(stream, resolve, state_->budget->used);
}

DecodeResult Document::decode_prefix(const Stream& stream, std::size_t max_bytes) const {
  const ValueResolver resolve = [this](const Object& value) {
    return this->resolve(value).value_or(Object());
  };
  const std::size_t bound = std::min(max_bytes, limits::kMaxDecodedStreamBytes);
  DecodeResult result =
      decode_filters(stream.data, stream.dict, resolve, bound, limits::kMaxDecodedStreamBytes);
  // Reaching the bound is what was asked for.
  if (!result && result.error().partial.size() >= bound) return std::move(result.error().partial);
  return result;
}

Encryption Document::encryption() const { return state_->encryption; }
bool Document::reconstructed() const { return state_->reconstructed; }
std::span<const XrefSection> Document::xref_sections() const { return state_->sections; }
std::size_t Document::header_offset() const { return state_->header_offset; }

}  // namespace quorvel::pdf
