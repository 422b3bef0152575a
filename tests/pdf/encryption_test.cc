// Encrypted files, made in the test by qpdf from a plain fixture: every revision of the standard
// security handler opens with the empty user password, and strings and streams come out as the
// plain file holds them.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "pdf/document.h"
#include "pdf_test_support.h"
#include "support/pdf_template.h"

namespace quorvel::pdf {
namespace {

constexpr std::string_view kPlain = R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog /Pages 2 0 R /Metadata 6 0 R >> endobj
{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj
{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R
   /Annots [<< /Subtype /Text /Contents (Acme secret note) /T <FEFF0041> >>] >> endobj
{{object 4 0}} << {{streamlen}} >> stream
BT /F1 12 Tf (Acme Corporation) Tj ET
endstream endobj
{{object 5 0}} << /Title (Acme annual report) /Author (J. Doe) >> endobj
{{object 6 0}} << /Type /Metadata /Subtype /XML {{streamlen}} >> stream
<?xpacket begin=""?><x:xmpmeta xmlns:x="adobe:ns:meta/">Acme</x:xmpmeta><?xpacket end="w"?>
endstream endobj
{{xref}}
trailer << /Size {{size}} /Root 1 0 R /Info 5 0 R /ID [<00112233445566778899aabbccddeeff> <00112233445566778899aabbccddeeff>] >>
{{startxref}}
)";

// Every string and every stream's plain content of the document, each with the key path that
// leads to it (qpdf renumbers objects, so numbers are left out).
std::multiset<std::string> contents(const Document& doc) {
  std::multiset<std::string> out;
  for (const IndirectObject& o : doc.objects()) {
    std::vector<std::pair<std::string, Object>> stack{{"", o.object}};
    while (!stack.empty()) {
      auto [path, v] = stack.back();
      stack.pop_back();
      if (const auto s = v.as_string()) out.insert(path + " = " + std::string(*s));
      for (const Object& item : v.items()) stack.emplace_back(path, item);
      for (const DictEntry& e : v.dictionary().entries()) {
        stack.emplace_back(path + "/" + std::string(e.key), e.value);
      }
    }
    if (const Stream* s = o.object.stream()) {
      auto content = doc.plain_content(*s);
      out.insert("stream = " + (content ? *content : std::string("(no content)")));
    }
  }
  return out;
}

class Encryption : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    plain_path_ = new std::filesystem::path(quorvel::testing::write_pdf("plain.pdf", kPlain));
  }
  static std::filesystem::path encrypt(const std::string& name, const std::string& args) {
    const auto out = plain_path_->parent_path() / name;
    EXPECT_TRUE(testing::run_qpdf("--allow-weak-crypto --object-streams=disable --encrypt " + args +
                                  " -- " + plain_path_->string() + " " + out.string()));
    return out;
  }
  static Document plain() {
    return std::move(*Document::load(quorvel::testing::read_file(*plain_path_)));
  }

  static std::filesystem::path* plain_path_;
};
std::filesystem::path* Encryption::plain_path_ = nullptr;

TEST_F(Encryption, EveryRevisionOpensWithTheEmptyUserPassword) {
  const auto expected = contents(plain());
  struct Case {
    const char* name;
    const char* args;
  };
  const std::vector<Case> cases = {
      {"rc4-40", R"("" owner 40)"},
      {"rc4-128", R"("" owner 128 --use-aes=n)"},
      {"aes-128", R"("" owner 128 --use-aes=y)"},
      {"aes-256", R"("" owner 256)"},
      {"aes-256-r5", R"("" owner 256 --force-R5)"},
      {"aes-128-cleartext-metadata", R"("" owner 128 --use-aes=y --cleartext-metadata)"},
  };
  for (const Case& c : cases) {
    const auto path = encrypt(std::string(c.name) + ".pdf", c.args);
    const auto doc = Document::load(quorvel::testing::read_file(path));
    ASSERT_TRUE(doc) << c.name << ": " << doc.error();
    EXPECT_EQ(doc->encryption(), pdf::Encryption::decrypted) << c.name;
    const auto got = contents(*doc);
    for (const std::string& value : expected) {
      EXPECT_TRUE(got.contains(value)) << c.name << " lacks " << value;
    }
  }
}

TEST_F(Encryption, CrossReferenceStreamsStayInTheClear) {
  const auto out = plain_path_->parent_path() / "xref-stream.pdf";
  ASSERT_TRUE(testing::run_qpdf("--object-streams=generate --encrypt \"\" owner 256 -- " +
                                plain_path_->string() + " " + out.string()));
  const auto doc = Document::load(quorvel::testing::read_file(out));
  ASSERT_TRUE(doc) << doc.error();
  ASSERT_EQ(doc->encryption(), pdf::Encryption::decrypted);
  const Object file_id = doc->trailer().get("ID");
  ASSERT_EQ(file_id.items().size(), 2u);
  int xref_streams = 0;
  for (const IndirectObject& o : doc->objects()) {
    if (!o.object.dictionary().get("Type").is_name("XRef")) continue;
    ++xref_streams;
    EXPECT_EQ(testing::describe(o.object.dictionary().get("ID")), testing::describe(file_id));
    EXPECT_TRUE(doc->decode(*o.object.stream()));
  }
  EXPECT_EQ(xref_streams, 1);
  EXPECT_TRUE(contents(*doc).contains("/Title = Acme annual report"));
}

TEST_F(Encryption, AFileThatNeedsAnotherPasswordLoadsAsStored) {
  const auto path = encrypt("user-password.pdf", R"(user owner 128 --use-aes=y)");
  const auto doc = Document::load(quorvel::testing::read_file(path));
  ASSERT_TRUE(doc) << doc.error();
  EXPECT_EQ(doc->encryption(), pdf::Encryption::not_opened);
  for (const std::string& value : contents(*doc)) {
    EXPECT_EQ(value.find("Acme"), std::string::npos) << value;
  }
}

}  // namespace
}  // namespace quorvel::pdf
