#include "support/pdf_template.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace quorvel::testing {
namespace {

// The offset recorded for an object that a section marks free.
constexpr std::size_t kFree = static_cast<std::size_t>(-1);

struct XrefState {
  std::map<unsigned, std::pair<std::size_t, unsigned>> all;      // number -> (offset, generation)
  std::map<unsigned, std::pair<std::size_t, unsigned>> pending;  // recorded since the last xref
  // Objects stored in object streams since the last xref: number -> (stream number, index).
  std::map<unsigned, std::pair<unsigned, unsigned>> compressed;
  bool first_section = true;
  bool any_section = false;
  std::size_t last_xref = 0;
  std::size_t prev_xref = 0;
};

std::vector<unsigned> parse_numbers(std::string_view args) {
  std::vector<unsigned> out;
  std::istringstream in{std::string(args)};
  unsigned v;
  while (in >> v) out.push_back(v);
  if (!in.eof()) throw std::invalid_argument("bad number in placeholder: " + std::string(args));
  return out;
}

std::string ten_digits(std::size_t v) {
  std::string s = std::to_string(v);
  return std::string(10 - std::min<std::size_t>(10, s.size()), '0') + s;
}

std::string xref_section(XrefState& st) {
  std::string out = "xref\n";
  auto entries = st.pending;
  if (st.first_section) entries.emplace(0u, std::pair<std::size_t, unsigned>{0, 65535});
  // Group consecutive numbers into subsections.
  for (auto it = entries.begin(); it != entries.end();) {
    auto end = it;
    unsigned next = it->first;
    while (end != entries.end() && end->first == next) ++end, ++next;
    out += std::to_string(it->first) + " " + std::to_string(next - it->first) + "\n";
    for (; it != end; ++it) {
      bool free_entry = (it->first == 0 && st.first_section) || it->second.first == kFree;
      std::string gen = std::to_string(it->second.second);
      gen = std::string(5 - std::min<std::size_t>(5, gen.size()), '0') + gen;
      out += ten_digits(free_entry ? 0 : it->second.first) + " " + gen +
             (free_entry ? " f\r\n" : " n\r\n");
    }
  }
  st.pending.clear();
  st.first_section = false;
  return out;
}

void put_be(std::string& out, std::uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// An uncompressed cross-reference stream (W [1 4 2]) as object `num`, listing the objects
// recorded since the previous section, the compressed ones, and itself.
std::string xref_stream_section(XrefState& st, unsigned num, std::string_view extra,
                                std::size_t offset) {
  struct Entry {
    int type;
    std::uint64_t field2, field3;
  };
  std::map<unsigned, Entry> entries;
  if (st.first_section) entries[0] = {0, 0, 65535};
  for (const auto& [n, e] : st.pending)
    entries[n] = e.first == kFree ? Entry{0, 0, e.second} : Entry{1, e.first, e.second};
  for (const auto& [n, e] : st.compressed) entries[n] = {2, e.first, e.second};
  entries[num] = {1, offset, 0};
  st.all[num] = {offset, 0};
  std::string index, data;
  for (auto it = entries.begin(); it != entries.end();) {
    auto end = it;
    unsigned next = it->first;
    while (end != entries.end() && end->first == next) ++end, ++next;
    index += std::to_string(it->first) + " " + std::to_string(next - it->first) + " ";
    for (; it != end; ++it) {
      put_be(data, static_cast<std::uint64_t>(it->second.type), 1);
      put_be(data, it->second.field2, 4);
      put_be(data, it->second.field3, 2);
    }
  }
  const unsigned size = std::max(num, st.all.empty() ? 0u : st.all.rbegin()->first) + 1;
  std::string out = std::to_string(num) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(size) +
                    " /W [1 4 2] /Index [" + index + "] ";
  if (st.any_section) out += "/Prev " + std::to_string(st.last_xref) + " ";
  out += std::string(extra) + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
         "\nendstream\nendobj\n";
  st.pending.clear();
  st.compressed.clear();
  st.first_section = false;
  return out;
}

}  // namespace

std::string expand_pdf_template(std::string_view text) {
  XrefState st;
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t open = text.find("{{", pos);
    if (open == std::string_view::npos) {
      out.append(text.substr(pos));
      break;
    }
    out.append(text.substr(pos, open - pos));
    std::size_t close = text.find("}}", open);
    if (close == std::string_view::npos) throw std::invalid_argument("unclosed placeholder");
    std::string_view body = text.substr(open + 2, close - open - 2);
    std::size_t space = body.find(' ');
    std::string_view name = body.substr(0, space);
    std::string_view args = space == std::string_view::npos ? "" : body.substr(space + 1);
    pos = close + 2;

    if (name == "object") {
      auto n = parse_numbers(args);
      if (n.size() != 2) throw std::invalid_argument("{{object N G}} takes two numbers");
      st.all[n[0]] = st.pending[n[0]] = {out.size(), n[1]};
      out += std::to_string(n[0]) + " " + std::to_string(n[1]) + " obj";
    } else if (name == "streamlen") {
      std::size_t start = text.find("stream\n", pos);
      std::size_t end = start == std::string_view::npos ? start : text.find("\nendstream", start);
      if (end == std::string_view::npos)
        throw std::invalid_argument("{{streamlen}} without stream");
      out += "/Length " + std::to_string(end - (start + 7));
    } else if (name == "xref") {
      st.prev_xref = st.last_xref;
      st.last_xref = out.size();
      out += xref_section(st);
      st.any_section = true;
    } else if (name == "xrefstream") {
      std::size_t space2 = args.find(' ');
      auto n = parse_numbers(args.substr(0, space2));
      if (n.size() != 1) throw std::invalid_argument("{{xrefstream N [entries]}} takes a number");
      const std::string_view extra =
          space2 == std::string_view::npos ? "" : args.substr(space2 + 1);
      const std::size_t offset = out.size();
      out += xref_stream_section(st, n[0], extra, offset);
      st.prev_xref = st.last_xref;
      st.last_xref = offset;
      st.any_section = true;
    } else if (name == "free") {
      auto n = parse_numbers(args);
      if (n.size() != 2) throw std::invalid_argument("{{free N G}} takes two numbers");
      st.pending[n[0]] = {kFree, n[1]};
      st.all.erase(n[0]);
    } else if (name == "compressed") {
      auto n = parse_numbers(args);
      if (n.size() != 3) throw std::invalid_argument("{{compressed N S I}} takes three numbers");
      st.compressed[n[0]] = {n[1], n[2]};
      st.all[n[0]] = {0, 0};
    } else if (name == "size") {
      out += std::to_string(st.all.empty() ? 1 : st.all.rbegin()->first + 1);
    } else if (name == "prev") {
      out += std::to_string(st.prev_xref);
    } else if (name == "startxref") {
      out += "startxref\n" + std::to_string(st.last_xref) + "\n%%EOF";
    } else if (name == "offset") {
      auto n = parse_numbers(args);
      if (n.size() != 1 || !st.all.contains(n[0]))
        throw std::invalid_argument("{{offset N}} of an unknown object");
      out += std::to_string(st.all[n[0]].first);
    } else {
      throw std::invalid_argument("unknown placeholder {{" + std::string(body) + "}}");
    }
  }
  return out;
}

std::filesystem::path write_temp_file(std::string_view name, std::string_view bytes) {
  // One folder per process, removed when the process ends normally.
  struct TempDir {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quorvel-tests-" + std::to_string(::getpid()));
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const TempDir dir;
  auto path = dir.path / std::filesystem::path(std::string(name));
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path.string());
  return path;
}

std::filesystem::path write_pdf(std::string_view name, std::string_view text) {
  return write_temp_file(name, expand_pdf_template(text));
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace quorvel::testing
