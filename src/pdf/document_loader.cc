// Loading a document: cross-reference data (or its reconstruction), decryption, every object
// in the table and the objects of object streams.
#include <algorithm>
#include <unordered_map>

#include "pdf/crypt/security_handler.h"
#include "pdf/document.h"
#include "pdf/document_state.h"
#include "pdf/encryption.h"
#include "pdf/object_reader.h"
#include "pdf/object_stream.h"
#include "pdf/xref.h"
#include "resource_limits.h"

namespace quorvel::pdf {
namespace {

constexpr std::string_view kHeader = "%PDF-";

class Loader {
 public:
  explicit Loader(Document::State& state) : st_(state), reader_(state.bytes, state.arena) {}

  std::expected<void, std::string> run();

 private:
  enum class SlotState : std::uint8_t { pending, loading, done, failed };
  struct Slot {
    SlotState state = SlotState::pending;
    ObjectId id;
    Object value;
    Stream* stream = nullptr;
  };
  struct ObjectStreamMembers {
    bool started = false;
    std::vector<CompressedObject> objects;
  };

  void load_table(XrefTable table);
  std::optional<std::size_t> slot_of(std::uint64_t num) const;
  void load(std::size_t i);
  void load_in_file(std::size_t i);
  void load_compressed(std::size_t i);
  const std::vector<CompressedObject>* object_stream(std::size_t i);
  std::optional<std::size_t> last_header_of(std::uint32_t num);
  void set_up_encryption();
  void decrypt(Stream& stream, ObjectId id);
  Object resolve(const Object& value);
  void collect_objects(bool add_unlisted_compressed);

  Document::State& st_;
  ObjectReader reader_;
  XrefTable table_;
  std::vector<Slot> slots_;
  std::unordered_map<std::size_t, ObjectStreamMembers> object_streams_;  // by slot
  std::optional<std::unordered_map<std::uint32_t, std::size_t>> last_headers_;
  int nesting_ = 0;

  std::optional<SecurityHandler> handler_;
  std::optional<std::uint32_t> encrypt_num_;
  StringDecryptor decrypt_strings_;

  const ValueResolver resolver_ = [this](const Object& value) { return resolve(value); };
  const LengthResolver length_resolver_ = [this](ObjectId id) -> std::optional<std::int64_t> {
    const auto j = slot_of(id.num);
    if (!j) return std::nullopt;
    load(*j);
    if (slots_[*j].state != SlotState::done) return std::nullopt;
    return slots_[*j].value.as_integer();
  };
};

std::optional<std::size_t> Loader::slot_of(std::uint64_t num) const {
  const auto it = std::lower_bound(table_.entries.begin(), table_.entries.end(), num,
                                   [](const XrefEntry& e, std::uint64_t n) { return e.num < n; });
  if (it == table_.entries.end() || it->num != num || it->type == XrefEntryType::free) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(it - table_.entries.begin());
}

Object Loader::resolve(const Object& value) {
  Object current = value;
  for (std::size_t link = 0; link < limits::kMaxReferenceChain; ++link) {
    const auto id = current.as_reference();
    if (!id) return current;
    const auto j = slot_of(id->num);
    if (!j) return Object();
    load(*j);
    const Slot& slot = slots_[*j];
    if (slot.state != SlotState::done || slot.id != *id) return Object();
    current = slot.value;
  }
  return Object();
}

void Loader::load(std::size_t i) {
  Slot& slot = slots_[i];
  if (slot.state != SlotState::pending || nesting_ >= limits::kMaxNestedLoads) return;
  ++nesting_;
  slot.state = SlotState::loading;
  if (table_.entries[i].type == XrefEntryType::in_file) {
    load_in_file(i);
  } else {
    load_compressed(i);
  }
  --nesting_;
  if (slots_[i].state == SlotState::loading) slots_[i].state = SlotState::failed;
}

std::optional<std::size_t> Loader::last_header_of(std::uint32_t num) {
  if (!last_headers_) {
    last_headers_.emplace();
    for (const ObjectHeader& h : reader_.index().headers()) (*last_headers_)[h.id.num] = h.offset;
  }
  const auto it = last_headers_->find(num);
  if (it == last_headers_->end()) return std::nullopt;
  return it->second;
}

void Loader::load_in_file(std::size_t i) {
  const XrefEntry entry = table_.entries[i];
  const bool decrypting = handler_ && entry.num != encrypt_num_;
  ReadOptions options{.expected_num = entry.num,
                      .length = &length_resolver_,
                      .strings = decrypting ? &decrypt_strings_ : nullptr};
  std::size_t offset = entry.offset;
  std::optional<RawObject> raw;
  if (offset < st_.bytes.size()) raw = reader_.read(offset, options);
  // A wrong offset: the object is looked for where its header stands.
  if (!raw) {
    const auto found = last_header_of(entry.num);
    if (found && *found != offset) raw = reader_.read(offset = *found, options);
  }
  if (!raw) return;
  // A cross-reference stream's dictionary is the trailer of its section, and its strings (the
  // file identifier) are stored in the clear; so is its data.
  if (decrypting && raw->stream != nullptr && raw->stream->dict.get("Type").is_name("XRef")) {
    options.strings = nullptr;
    raw = reader_.read(offset, options);
    if (!raw) return;
  } else if (decrypting && raw->stream != nullptr) {
    decrypt(*raw->stream, raw->id);
  }
  slots_[i] = {SlotState::done, raw->id, raw->value, raw->stream};
}

void Loader::load_compressed(std::size_t i) {
  const XrefEntry entry = table_.entries[i];
  const auto stream_slot = slot_of(entry.offset);
  if (!stream_slot || table_.entries[*stream_slot].type != XrefEntryType::in_file) return;
  const auto* members = object_stream(*stream_slot);
  if (members == nullptr) {
    // The object stream could not be loaded yet (nesting bound): try again at this one's turn.
    if (slots_[*stream_slot].state == SlotState::pending) slots_[i].state = SlotState::pending;
    return;
  }
  const CompressedObject* member = nullptr;
  if (entry.index < members->size() && (*members)[entry.index].num == entry.num) {
    member = &(*members)[entry.index];
  } else {
    const auto it = std::find_if(members->begin(), members->end(),
                                 [&](const CompressedObject& m) { return m.num == entry.num; });
    if (it != members->end()) member = &*it;
  }
  if (member == nullptr) return;
  slots_[i] = {SlotState::done, {entry.num, 0}, member->value, nullptr};
}

const std::vector<CompressedObject>* Loader::object_stream(std::size_t i) {
  ObjectStreamMembers& members = object_streams_[i];
  if (members.started) return &members.objects;
  load(i);
  if (slots_[i].state == SlotState::pending) return nullptr;
  members.started = true;
  Stream* stream = slots_[i].stream;
  if (slots_[i].state != SlotState::done || stream == nullptr) return &members.objects;

  if (!names_a_filter(stream->dict, resolver_)) {
    members.objects = parse_object_stream(reader_, stream->data, stream->dict, resolver_);
    return &members.objects;
  }
  DecodeResult decoded = decode_bounded(*stream, resolver_, st_.budget->used);
  // A stream that decodes only in part still gives the objects its prefix holds.
  const std::string& content =
      st_.buffers.emplace_back(decoded ? std::move(*decoded) : std::move(decoded.error().partial));
  members.objects = parse_object_stream(reader_, content, stream->dict, resolver_);
  if (decoded) {
    // The object stream stays in the table holding its decoded bytes, as a stream without
    // filters.
    std::vector<DictEntry> kept;
    for (const DictEntry& e : stream->dict.entries()) {
      if (e.key != "Filter" && e.key != "DecodeParms") kept.push_back(e);
    }
    const Dictionary dict(st_.arena.copy(std::span<const DictEntry>(kept)));
    Stream* plain =
        st_.arena.make<Stream>(dict, std::string_view(content), stream->id, stream->stored);
    slots_[i].stream = plain;
    slots_[i].value = Object::stream(plain);
  }
  return &members.objects;
}

void Loader::set_up_encryption() {
  const Object* encrypt = table_.trailer.find("Encrypt");
  if (encrypt == nullptr || encrypt->is(Kind::null)) return;
  st_.encryption = Encryption::not_opened;
  if (const auto id = encrypt->as_reference()) encrypt_num_ = id->num;
  // Loaded before any decryption is set up: the encryption dictionary's strings are stored
  // in the clear.
  const Object dict = resolve(*encrypt);
  const auto ids = resolve(table_.trailer.get("ID")).items();
  const std::string_view id0 =
      ids.empty() ? std::string_view() : resolve(ids[0]).as_string().value_or(std::string_view());
  const auto params = encryption_params(dict.dictionary(), id0, resolver_);
  if (!dict.is(Kind::dictionary) || !params) return;
  auto handler = SecurityHandler::open_with_empty_password(*params);
  if (!handler) return;
  handler_.emplace(std::move(*handler));
  st_.encryption = Encryption::decrypted;
  decrypt_strings_ = [this](ObjectId id, std::string_view bytes) {
    return st_.arena.copy(handler_->decrypt_string(bytes, id.num, id.gen));
  };
}

void Loader::decrypt(Stream& stream, ObjectId id) {
  const StreamCrypt crypt = stream_crypt(stream.dict, handler_->encrypts_metadata(), resolver_);
  if (!crypt.decrypt) return;
  auto plain = handler_->decrypt_stream(stream.data, id.num, id.gen, crypt.crypt_filter);
  // A crypt filter the file does not define: the data stays as stored.
  if (!plain) return;
  stream.data = st_.buffers.emplace_back(std::move(*plain));
}

void Loader::load_table(XrefTable table) {
  table_ = std::move(table);
  slots_.assign(table_.entries.size(), Slot{});
  object_streams_.clear();
  nesting_ = 0;
  set_up_encryption();
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (table_.entries[i].type != XrefEntryType::free) load(i);
  }
  // Object streams that no entry points into still hold objects of their own and stay in the
  // table decoded, like the others.
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i].stream != nullptr && slots_[i].stream->dict.get("Type").is_name("ObjStm")) {
      object_stream(i);
    }
  }
}

void Loader::collect_objects(bool add_unlisted_compressed) {
  st_.objects.clear();
  for (const Slot& slot : slots_) {
    if (slot.state == SlotState::done) st_.objects.push_back({slot.id, slot.value});
  }
  if (add_unlisted_compressed) {
    // Without a cross-reference table nothing says which object stream holds an object: an
    // object written plainly wins, then the object stream that stands last in the file.
    struct Candidate {
      std::uint32_t num;
      std::size_t stream_slot;
      Object value;
    };
    std::vector<Candidate> candidates;
    for (const auto& [i, members] : object_streams_) {
      for (const CompressedObject& m : members.objects) {
        const auto j = slot_of(m.num);
        if (!j || slots_[*j].state != SlotState::done) candidates.push_back({m.num, i, m.value});
      }
    }
    std::sort(candidates.begin(), candidates.end(), [&](const Candidate& a, const Candidate& b) {
      if (a.num != b.num) return a.num < b.num;
      return table_.entries[a.stream_slot].offset > table_.entries[b.stream_slot].offset;
    });
    for (std::size_t k = 0; k < candidates.size(); ++k) {
      if (k > 0 && candidates[k].num == candidates[k - 1].num) continue;
      st_.objects.push_back({{candidates[k].num, 0}, candidates[k].value});
    }
  }
  const auto by_id = [](const IndirectObject& a, const IndirectObject& b) { return a.id < b.id; };
  if (!std::is_sorted(st_.objects.begin(), st_.objects.end(), by_id)) {
    std::sort(st_.objects.begin(), st_.objects.end(), by_id);
  }
}

std::expected<void, std::string> Loader::run() {
  if (st_.bytes.empty()) return std::unexpected(std::string("the file is empty"));
  // Cross-reference streams hold no references; one without filters is read as stored.
  const XrefStreamDecoder decode_xref = [this](const Stream& stream) -> DecodeResult {
    const ValueResolver direct = [](const Object& v) {
      return v.is(Kind::reference) ? Object() : v;
    };
    if (!names_a_filter(stream.dict, direct)) return std::string(stream.data);
    return decode_bounded(stream, direct, st_.budget->used);
  };

  std::string xref_problem;
  if (const auto startxref = find_startxref(st_.bytes)) {
    if (auto table = read_xref_chain(reader_, *startxref, decode_xref)) {
      for (XrefSection& s : table->sections) {
        s.offset += st_.header_offset;
        if (s.hybrid_stream_offset) *s.hybrid_stream_offset += st_.header_offset;
      }
      st_.sections = table->sections;
      load_table(std::move(*table));
      collect_objects(false);
    } else {
      xref_problem = table.error();
    }
  } else {
    xref_problem = "no startxref";
  }

  if (st_.objects.empty()) {
    if (xref_problem.empty()) xref_problem = "the cross-reference table lists no object";
    st_.reconstructed = true;
    st_.sections.clear();
    st_.encryption = Encryption::none;
    handler_.reset();
    encrypt_num_.reset();
    load_table(rebuild_xref(reader_));
    collect_objects(true);
  }
  st_.trailer = table_.trailer;
  if (st_.objects.empty()) {
    return std::unexpected("no PDF objects found (" + xref_problem + ")");
  }
  return {};
}

}  // namespace

std::expected<Document, std::string> Document::load(std::shared_ptr<const std::string> file,
                                                    std::size_t length,
                                                    std::shared_ptr<DecodeBudget> budget) {
  if (!file) return std::unexpected(std::string("no bytes to load"));
  auto state = std::make_unique<State>();
  state->budget = budget ? std::move(budget) : std::make_shared<DecodeBudget>();
  std::string_view bytes(file->data(), std::min(length, file->size()));
  bytes = bytes.substr(0, limits::kMaxFileBytes);
  if (bytes.empty()) return std::unexpected(std::string("the file is empty"));
  // Offsets count from the header, which may follow some junk.
  const std::size_t header =
      bytes.substr(0, limits::kHeaderSearchBytes + kHeader.size()).find(kHeader);
  if (header != std::string_view::npos) {
    state->header_offset = header;
    bytes.remove_prefix(header);
  }
  state->bytes = bytes;
  state->file = std::move(file);
  Loader loader(*state);
  if (auto loaded = loader.run(); !loaded) {
    if (header == std::string_view::npos) {
      return std::unexpected("not a PDF file: no %PDF- header and " + loaded.error());
    }
    return std::unexpected(loaded.error());
  }
  return Document(std::move(state));
}

}  // namespace quorvel::pdf
