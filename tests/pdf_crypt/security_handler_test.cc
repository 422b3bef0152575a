#include "pdf/crypt/security_handler.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "pdf/lexer.h"
#include "support/pdf_template.h"
#include "support/run_command.h"

namespace quorvel::pdf {
namespace {

constexpr std::string_view kTitle = "Acme Title";
constexpr std::string_view kContent = "BT (Acme secret) Tj ET";
constexpr std::string_view kXmp = "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x>Acme</x>";

std::string hex(std::string_view data) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s;
  for (const char c : data) {
    s += kDigits[static_cast<unsigned char>(c) >> 4];
    s += kDigits[c & 15];
  }
  return s;
}

std::string unhex(std::string_view digits) {
  std::string s;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    s.push_back(static_cast<char>(std::stoi(std::string(digits.substr(i, 2)), nullptr, 16)));
  }
  return s;
}

const std::filesystem::path& plain_pdf() {
  static const auto path = testing::write_pdf(
      "plain.pdf",
      "%PDF-1.7\n"
      "{{object 1 0}} << /Type /Catalog /Pages 2 0 R /Metadata 6 0 R >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
      "{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>\n"
      "endobj\n"
      "{{object 4 0}} << {{streamlen}} >>\nstream\n" +
          std::string(kContent) +
          "\nendstream\nendobj\n"
          "{{object 5 0}} << /Title (" +
          std::string(kTitle) +
          ") >> endobj\n"
          "{{object 6 0}} << /Type /Metadata /Subtype /XML {{streamlen}} >>\nstream\n" +
          std::string(kXmp) +
          "\nendstream\nendobj\n"
          "{{xref}}\ntrailer << /Size {{size}} /Root 1 0 R /Info 5 0 R >>\n{{startxref}}\n");
  return path;
}

// A file encrypted by qpdf, what qpdf says about it, and the encrypted bytes of its title string,
// content stream and metadata stream, cut out of the file.
struct Encrypted {
  EncryptionParams params;
  std::string qpdf_key_hex;
  std::uint32_t title_num = 0, content_num = 0, metadata_num = 0;
  std::string title, content, metadata;
};

std::string object_text(const std::string& file, std::uint32_t num) {
  const std::string header = "\n" + std::to_string(num) + " 0 obj";
  const std::size_t start = file.find(header);
  if (start == std::string::npos) return {};
  return file.substr(start, file.find("endobj", start) - start);
}

std::string stream_bytes(const std::string& file, std::uint32_t num, std::size_t length) {
  const std::string text = object_text(file, num);
  const std::size_t data = text.find("stream\n");
  return data == std::string::npos ? std::string() : text.substr(data + 7, length);
}

// The bytes of the string stored under `key` in `dict`: qpdf writes an encrypted string as a
// literal string when its bytes are mostly printable, and in hexadecimal otherwise.
std::string string_entry(const std::string& dict, const std::string& key) {
  const std::size_t at = dict.find(key + " ");
  if (at == std::string::npos) return {};
  Lexer lexer(dict, at + key.size());
  const Token token = lexer.next();
  return token.type == TokenType::string ? std::string(token.bytes) : std::string();
}

CryptMethod method_named(const std::string& cfm) {
  if (cfm == "/V2") return CryptMethod::rc4;
  if (cfm == "/AESV2") return CryptMethod::aes_v2;
  if (cfm == "/AESV3") return CryptMethod::aes_v3;
  return CryptMethod::none;
}

Encrypted encrypt_with_qpdf(const std::string& name, const std::string& user,
                            const std::string& key_args) {
  const auto out = plain_pdf().parent_path() / (name + ".pdf");
  const auto made = testing::run_command(
      "qpdf --allow-weak-crypto --encrypt '" + user + "' owner " + key_args +
      " -- --object-streams=disable --compress-streams=n --decode-level=none " +
      testing::shell_quoted(plain_pdf()) + " " + testing::shell_quoted(out));
  EXPECT_EQ(made.exit_status, 0) << key_args;
  const std::string file = testing::read_file(out);
  const auto shown = testing::run_command(
      "qpdf --json --json-key=encrypt --json-key=qpdf "
      "--show-encryption-key --password='" +
      user + "' " + testing::shell_quoted(out));
  const auto json = nlohmann::json::parse(shown.out);

  Encrypted e;
  e.qpdf_key_hex = json["encrypt"]["parameters"]["key"].get<std::string>();
  for (const auto& [id, object] : json["qpdf"][1].items()) {
    if (!id.starts_with("obj:")) continue;
    const auto num = static_cast<std::uint32_t>(std::stoul(id.substr(4)));
    if (object.contains("stream")) {
      const auto& dict = object["stream"]["dict"];
      const auto length = dict["/Length"].get<std::size_t>();
      if (dict.contains("/Type")) {
        e.metadata_num = num;
        e.metadata = stream_bytes(file, num, length);
      } else {
        e.content_num = num;
        e.content = stream_bytes(file, num, length);
      }
      continue;
    }
    const auto& value = object["value"];
    if (value.contains("/Title")) {
      e.title_num = num;
      e.title = string_entry(object_text(file, num), "/Title");
    }
    if (value.contains("/Filter") && value["/Filter"] == "/Standard") {
      // Numbers and names from qpdf's view; strings as the file stores them.
      const std::string dict = object_text(file, num);
      auto& p = e.params;
      p.v = value["/V"].get<int>();
      p.r = value["/R"].get<int>();
      p.length_bits = value.value("/Length", 40);
      p.p = value["/P"].get<std::int32_t>();
      p.o = string_entry(dict, "/O");
      p.u = string_entry(dict, "/U");
      p.oe = string_entry(dict, "/OE");
      p.ue = string_entry(dict, "/UE");
      p.perms = string_entry(dict, "/Perms");
      p.encrypt_metadata = value.value("/EncryptMetadata", true);
      if (value.contains("/CF")) {
        for (const auto& [cf_name, cf] : value["/CF"].items()) {
          p.crypt_filters[cf_name.substr(1)] = {method_named(cf.value("/CFM", "/None")),
                                                cf.value("/Length", 16)};
        }
      }
      if (value.contains("/StmF")) p.stm_f = value["/StmF"].get<std::string>().substr(1);
      if (value.contains("/StrF")) p.str_f = value["/StrF"].get<std::string>().substr(1);
    }
  }
  std::smatch m;
  EXPECT_TRUE(std::regex_search(file, m, std::regex(R"(/ID \[<([0-9a-f]*)>)")));
  e.params.id0 = unhex(m[1].str());
  return e;
}

struct Variant {
  const char* name;
  const char* key_args;
  int revision;
};

const Variant kVariants[] = {
    {"rc4_40", "40", 2},
    {"rc4_128", "128", 3},
    {"rc4_128_crypt_filter", "128 --force-V4", 4},
    {"aes_128", "128 --use-aes=y", 4},
    {"aes_128_clear_metadata", "128 --use-aes=y --cleartext-metadata", 4},
    {"aes_256_r5", "256 --force-R5", 5},
    {"aes_256", "256", 6},
    {"aes_256_clear_metadata", "256 --cleartext-metadata", 6},
};

TEST(SecurityHandler, OpensEveryRevisionAsQpdfDoes) {
  for (const auto& variant : kVariants) {
    SCOPED_TRACE(variant.name);
    const Encrypted e = encrypt_with_qpdf(variant.name, "", variant.key_args);
    ASSERT_EQ(e.params.r, variant.revision);
    ASSERT_FALSE(e.title.empty());
    ASSERT_FALSE(e.content.empty());

    const auto handler = SecurityHandler::open_with_empty_password(e.params);
    ASSERT_TRUE(handler.has_value()) << handler.error();
    EXPECT_EQ(hex(handler->file_key()), e.qpdf_key_hex);
    EXPECT_EQ(handler->decrypt_string(e.title, e.title_num, 0), kTitle);
    EXPECT_EQ(handler->decrypt_stream(e.content, e.content_num, 0).value_or("(failed)"), kContent);

    const bool clear_metadata = std::string_view(variant.key_args).ends_with("metadata");
    EXPECT_EQ(handler->encrypts_metadata(), !clear_metadata);
    if (clear_metadata) {
      EXPECT_EQ(e.metadata, kXmp);
    } else {
      EXPECT_EQ(handler->decrypt_stream(e.metadata, e.metadata_num, 0).value_or(""), kXmp);
    }
  }
}

TEST(SecurityHandler, FileWithAUserPasswordDoesNotOpen) {
  for (const char* key_args : {"40", "128 --use-aes=y", "256 --force-R5", "256"}) {
    const Encrypted e = encrypt_with_qpdf("user_password", "Acme", key_args);
    const auto handler = SecurityHandler::open_with_empty_password(e.params);
    ASSERT_FALSE(handler.has_value()) << key_args;
    EXPECT_NE(handler.error().find("password"), std::string::npos) << handler.error();
  }
}

TEST(SecurityHandler, ReadsDamagedAesDataAsFarAsItGoes) {
  const Encrypted e = encrypt_with_qpdf("aes_damaged", "", "128 --use-aes=y");
  const auto handler = SecurityHandler::open_with_empty_password(e.params);
  ASSERT_TRUE(handler.has_value()) << handler.error();
  const auto decrypt = [&](std::string_view data) {
    return handler->decrypt_stream(data, e.content_num, 0).value_or("(failed)");
  };
  ASSERT_EQ(e.content.size(), 48u);  // vector, then 22 bytes and their padding in two blocks
  EXPECT_EQ(decrypt(e.content + "12345"), kContent);                    // partial block dropped
  EXPECT_EQ(decrypt(e.content.substr(0, 32)), kContent.substr(0, 16));  // no padding: kept
  EXPECT_EQ(decrypt(e.content.substr(0, 16)), "");                      // the vector alone
  EXPECT_EQ(decrypt(e.content.substr(0, 9)), "");                       // shorter than the vector
  EXPECT_EQ(decrypt(""), "");

  // Changing the vector changes the same bytes of the first plaintext block: here the padding
  // of "Acme Title" (six bytes of 6).
  ASSERT_EQ(e.title.size(), 32u);
  auto with_vector_byte = [&](std::size_t i, char x) {
    std::string data = e.title;
    data[i] = static_cast<char>(data[i] ^ x);
    return handler->decrypt_string(data, e.title_num, 0);
  };
  EXPECT_EQ(with_vector_byte(15, 6 ^ 1), std::string(kTitle) + "\6\6\6\6\6");    // valid: 1 byte
  EXPECT_EQ(with_vector_byte(14, 6 ^ 7), std::string(kTitle) + "\6\6\6\6\7\6");  // invalid
}

TEST(SecurityHandler, NamedCryptFilters) {
  const Encrypted e = encrypt_with_qpdf("aes_named", "", "128 --use-aes=y");
  const auto handler = SecurityHandler::open_with_empty_password(e.params);
  ASSERT_TRUE(handler.has_value()) << handler.error();
  EXPECT_EQ(handler->decrypt_stream(e.content, e.content_num, 0, "StdCF").value_or(""), kContent);
  EXPECT_EQ(handler->decrypt_stream(e.content, e.content_num, 0, "Identity").value_or(""),
            e.content);
  EXPECT_FALSE(handler->decrypt_stream(e.content, e.content_num, 0, "Missing").has_value());

  // /StmF and /StrF that name no /CF entry read as Identity.
  EncryptionParams params = e.params;
  params.stm_f = "Missing";
  params.str_f = "Identity";
  const auto identity = SecurityHandler::open_with_empty_password(params);
  ASSERT_TRUE(identity.has_value()) << identity.error();
  EXPECT_EQ(identity->decrypt_stream(e.content, e.content_num, 0).value_or(""), e.content);
  EXPECT_EQ(identity->decrypt_string(e.title, e.title_num, 0), e.title);
}

// A key length misstated in /Length (or left out under V 4) is found from /U.
TEST(SecurityHandler, FindsTheKeyLengthWhenLengthIsWrong) {
  for (const char* key_args : {"128", "128 --force-V4"}) {
    Encrypted e = encrypt_with_qpdf("misstated_length", "", key_args);
    e.params.length_bits = 40;
    e.params.crypt_filters.clear();
    if (e.params.v == 4) e.params.crypt_filters["StdCF"] = {CryptMethod::rc4, 7};
    const auto handler = SecurityHandler::open_with_empty_password(e.params);
    ASSERT_TRUE(handler.has_value()) << key_args << ": " << handler.error();
    EXPECT_EQ(hex(handler->file_key()), e.qpdf_key_hex) << key_args;
  }
}

EncryptionParams dictionary(int v, int r, std::string u, std::string ue = {},
                            int length_bits = 128) {
  EncryptionParams p;
  p.v = v;
  p.r = r;
  p.length_bits = length_bits;
  p.u = std::move(u);
  p.ue = std::move(ue);
  return p;
}

TEST(SecurityHandler, RejectsUnsupportedAndMalformedDictionaries) {
  const std::string u32(32, 'u'), u48(48, 'u'), ue32(32, 'k');
  struct Case {
    const char* name;
    EncryptionParams params;
  };
  const Case cases[] = {
      {"V 0", dictionary(0, 2, u32)},
      {"V 3 (unpublished)", dictionary(3, 3, u32)},
      {"V 2, R 5", dictionary(2, 5, u48, ue32)},
      {"V 5, R 4", dictionary(5, 4, u48, ue32)},
      {"V 5, R 7", dictionary(5, 7, u48, ue32)},
      {"R 2 with empty /U", dictionary(1, 2, "")},
      {"R 3 with a short /U", dictionary(2, 3, "short")},
      {"R 3 with a wrong /U", dictionary(2, 3, u32)},
      {"R 6 with a short /U", dictionary(5, 6, std::string(40, 'u'), ue32)},
      {"R 6 with a short /UE", dictionary(5, 6, u48, "k")},
      {"R 6 with a wrong /U", dictionary(5, 6, u48, ue32)},
      {"absurd /Length", dictionary(2, 3, u32, {}, -2147483647)},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(SecurityHandler::open_with_empty_password(c.params).has_value()) << c.name;
  }
}

}  // namespace
}  // namespace quorvel::pdf
