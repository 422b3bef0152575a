// qpdf_dump FILE: libqpdf's view of a PDF, one JSON line per indirect object in ascending
// identity, in the format quorvel_dump prints (see src/bin/quorvel_dump.cc). Dictionary keys
// come in qpdf's sorted order; the comparison sorts strings before comparing.
#include <openssl/evp.h>

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <string>
#include <vector>

namespace {

std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    out.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
    out.push_back(kDigits[static_cast<unsigned char>(c) & 15]);
  }
  return out;
}

std::string sha256(const unsigned char* data, std::size_t size) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_Digest(data, size, digest, &n, EVP_sha256(), nullptr);
  return hex(std::string_view(reinterpret_cast<const char*>(digest), n));
}

const char* kind(QPDFObjectHandle& h) {
  if (h.isStream()) return "stream";
  if (h.isDictionary()) return "dictionary";
  if (h.isArray()) return "array";
  if (h.isString()) return "string";
  if (h.isName()) return "name";
  if (h.isInteger()) return "integer";
  if (h.isReal()) return "real";
  if (h.isBool()) return "boolean";
  if (h.isNull()) return "null";
  return "other";
}

void strings_of(QPDFObjectHandle h, const std::string& path, nlohmann::json& out, int depth,
                bool top) {
  if (depth > 200) return;
  if (!top && h.isIndirect()) return;  // references are not followed
  if (h.isString()) {
    out.push_back({{"path", path}, {"hex", hex(h.getStringValue())}});
  } else if (h.isArray()) {
    for (auto& item : h.getArrayAsVector()) strings_of(item, path, out, depth + 1, false);
  } else if (h.isDictionary() || h.isStream()) {
    QPDFObjectHandle dict = h.isStream() ? h.getDict() : h;
    for (const auto& key : dict.getKeys()) {
      strings_of(dict.getKey(key), path + key, out, depth + 1, false);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: qpdf_dump FILE\n";
    return 2;
  }
  try {
    QPDF q;
    q.setSuppressWarnings(true);
    q.processFile(argv[1]);
    auto objects = q.getAllObjects();
    std::sort(objects.begin(), objects.end(), [](QPDFObjectHandle& a, QPDFObjectHandle& b) {
      return a.getObjGen() < b.getObjGen();
    });
    for (auto& o : objects) {
      nlohmann::json strings = nlohmann::json::array();
      strings_of(o, "", strings, 0, true);
      nlohmann::json line = {{"num", o.getObjectID()},
                             {"gen", o.getGeneration()},
                             {"kind", kind(o)},
                             {"strings", strings}};
      if (o.isStream()) {
        nlohmann::json stream = {
            {"stored_len", nullptr}, {"decoded_len", nullptr}, {"decoded_sha256", nullptr}};
        try {
          stream["stored_len"] = o.getRawStreamData()->getSize();
        } catch (std::exception&) {
        }
        QPDFObjectHandle filter = o.getDict().getKey("/Filter");
        if (!filter.isNull()) {
          try {
            auto data = o.getStreamData(qpdf_dl_specialized);
            stream["decoded_len"] = data->getSize();
            stream["decoded_sha256"] = sha256(data->getBuffer(), data->getSize());
          } catch (std::exception&) {
          }
        }
        line["stream"] = stream;
      }
      std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }
  } catch (std::exception& e) {
    std::cerr << "qpdf_dump: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
