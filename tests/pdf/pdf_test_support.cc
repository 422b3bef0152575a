#include "pdf_test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "support/pdf_template.h"

namespace quorvel::pdf::testing {
namespace {

void append_bytes(std::string& out, std::string_view bytes) {
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7f && b != '\\') {
      out.push_back(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", b);
      out += buf;
    }
  }
}

}  // namespace

std::string describe(const Object& value) {
  std::string out;
  switch (value.kind()) {
    case Kind::null:
      return "null";
    case Kind::boolean:
      return *value.as_bool() ? "true" : "false";
    case Kind::integer:
      return std::to_string(*value.as_integer());
    case Kind::real: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%g", *value.as_number());
      return buf;
    }
    case Kind::name:
      out = "/";
      append_bytes(out, *value.as_name());
      return out;
    case Kind::string:
      out = "(";
      append_bytes(out, *value.as_string());
      return out + ")";
    case Kind::reference: {
      const ObjectId id = *value.as_reference();
      return std::to_string(id.num) + " " + std::to_string(id.gen) + " R";
    }
    case Kind::array:
      out = "[";
      for (const Object& item : value.items()) {
        if (out.size() > 1) out += " ";
        out += describe(item);
      }
      return out + "]";
    case Kind::dictionary:
    case Kind::stream:
      out = value.is(Kind::stream) ? "stream<<" : "<<";
      for (const DictEntry& e : value.dictionary().entries()) {
        out += "/";
        append_bytes(out, e.key);
        out += " " + describe(e.value);
      }
      return out + ">>";
  }
  return out;
}

Document load_template(std::string_view pdf_template) {
  auto doc = Document::load(quorvel::testing::expand_pdf_template(pdf_template));
  if (!doc) {
    ADD_FAILURE() << "load failed: " << doc.error();
    return std::move(*Document::load("%PDF-1.0\n1 0 obj null endobj\n"));
  }
  return std::move(*doc);
}

std::string describe_object(const Document& doc, std::uint32_t num, std::uint16_t gen) {
  for (const IndirectObject& o : doc.objects()) {
    if (o.id == ObjectId{num, gen}) return describe(o.object);
  }
  return "absent";
}

bool run_qpdf(const std::string& args) {
  const int status = std::system(("qpdf " + args + " >/dev/null 2>&1").c_str());
  if (status == -1 || !WIFEXITED(status)) return false;
  return WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 3;
}

std::string read_repo_file(std::string_view relative) {
  return quorvel::testing::read_file(std::filesystem::path(QUORVEL_SOURCE_DIR) / relative);
}

}  // namespace quorvel::pdf::testing
