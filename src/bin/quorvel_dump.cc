// quorvel_dump FILE: the object reader's view of a PDF, for debugging and for comparing the
// reader with other readers. One JSON line per indirect object, in ascending identity:
//
//   {"num":N,"gen":G,"kind":"dictionary",
//    "strings":[{"path":"/Kids/T","hex":"..."}],
//    "stream":{"stored_len":N,"decoded_len":N|null,"decoded_sha256":"..."|null}}
//
// `strings` lists every string inside the object, references not followed (a stream's
// dictionary included), with its key path; `stream`, present for streams, gives the decoded
// content or null when decoding fails and the stored bytes stand in for it.
#include <openssl/evp.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "text/unicode.h"

namespace {

using quorvel::pdf::Kind;
using quorvel::pdf::Object;

std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

std::string sha256(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr);
  return hex(std::string_view(reinterpret_cast<const char*>(digest), size));
}

// Every string inside `root`, depth first in file order, with the key path that leads to it.
nlohmann::json strings_of(const Object& root) {
  nlohmann::json out = nlohmann::json::array();
  struct Item {
    Object value;
    std::string path;
  };
  std::vector<Item> stack{{root, ""}};
  while (!stack.empty()) {
    Item item = std::move(stack.back());
    stack.pop_back();
    const Object& v = item.value;
    if (const auto s = v.as_string()) {
      out.push_back({{"path", item.path}, {"hex", hex(*s)}});
    } else if (v.is(Kind::array)) {
      const auto items = v.items();
      for (auto it = items.rbegin(); it != items.rend(); ++it) stack.push_back({*it, item.path});
    } else if (v.is(Kind::dictionary) || v.is(Kind::stream)) {
      const auto entries = v.dictionary().entries();
      for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        stack.push_back(
            {it->value, item.path + "/" + quorvel::text::utf8_with_replacement(it->key)});
      }
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Prints the PDF object reader's view of a file, one JSON line per object."};
  std::string path;
  app.add_option("file", path, "the PDF file")->required();
  CLI11_PARSE(app, argc, argv);

  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "quorvel_dump: cannot read " << path << "\n";
    return 2;
  }
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  auto doc = quorvel::pdf::Document::load(std::move(bytes));
  if (!doc) {
    std::cerr << "quorvel_dump: " << doc.error() << "\n";
    return 1;
  }
  for (const auto& [id, object] : doc->objects()) {
    nlohmann::json line = {{"num", id.num},
                           {"gen", id.gen},
                           {"kind", quorvel::pdf::kind_name(object.kind())},
                           {"strings", strings_of(object)}};
    if (const auto* stream = object.stream()) {
      const auto decoded = doc->decode(*stream);
      line["stream"] = {{"stored_len", stream->data.size()},
                        {"decoded_len", decoded ? nlohmann::json(decoded->size()) : nullptr},
                        {"decoded_sha256", decoded ? nlohmann::json(sha256(*decoded)) : nullptr}};
    }
    std::cout << line.dump() << '\n';
  }
  return 0;
}
