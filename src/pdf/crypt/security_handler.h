// The standard security handler: opens an encrypted file with the empty user password and
// decrypts its strings and streams.
//
// Supported: revisions 2 to 4 (RC4 with 40 to 128-bit keys; in revision 4 the crypt filters V2,
// AESV2 and None/Identity, and EncryptMetadata false), revision 5 (the AES-256 extension with a
// plain SHA-256 hash) and revision 6 (AES-256 with the iterated SHA-2 hash).
#pragma once

#include <cstdint>
#include <expected>
#include <map>
#include <string>
#include <string_view>

namespace quorvel::pdf {

enum class CryptMethod { none, rc4, aes_v2, aes_v3 };  // None/Identity, V2, AESV2, AESV3

// One entry of /CF: its /CFM and /Length (in bytes).
struct CryptFilter {
  CryptMethod method = CryptMethod::rc4;
  int length_bytes = 16;
};

// The entries of the encryption dictionary, and the first string of the trailer's /ID.
struct EncryptionParams {
  int v = 0, r = 0, length_bits = 40;
  std::int32_t p = 0;
  std::string o, u, oe, ue, perms, id0;
  bool encrypt_metadata = true;
  std::map<std::string, CryptFilter, std::less<>> crypt_filters;  // /CF by name
  std::string stm_f = "Identity", str_f = "Identity";             // /StmF, /StrF (V4+)
};

class SecurityHandler {
 public:
  // Derives the file key from the empty user password and checks it against /U.
  // Fails, with a description, when the empty password does not open the file (it needs a user
  // password), when /V or /R is not one of the supported handlers, or when /U (or /UE) is too
  // short to check. /StmF or /StrF naming a filter that /CF lacks reads as Identity.
  static std::expected<SecurityHandler, std::string> open_with_empty_password(
      const EncryptionParams& params);

  // Decrypts a string of object `num` `gen` with the /StrF method. Never fails: AES data that is
  // not a whole number of blocks loses its trailing partial block, data shorter than the 16-byte
  // initialisation vector decrypts to nothing, and a last block without valid PKCS#7 padding is
  // kept whole, as viewers do.
  std::string decrypt_string(std::string_view data, std::uint32_t num, std::uint16_t gen) const;

  // Decrypts a stream of object `num` `gen` with the /StmF method, or with the crypt filter named
  // `crypt_filter` (the /Name of a /Crypt filter's /DecodeParms; "Identity" leaves the data as
  // stored). AES data is handled as for strings. Fails when `crypt_filter` names a filter that
  // /CF does not define.
  std::expected<std::string, std::string> decrypt_stream(std::string_view data, std::uint32_t num,
                                                         std::uint16_t gen,
                                                         std::string_view crypt_filter = {}) const;

  // The file encryption key (5 to 16 bytes for revisions 2 to 4, 32 for 5 and 6).
  const std::string& file_key() const { return key_; }

  // False when /EncryptMetadata is false in revision 4 or later: metadata streams are then
  // stored in the clear and must not be decrypted.
  bool encrypts_metadata() const { return encrypt_metadata_; }

 private:
  SecurityHandler() = default;

  std::string decrypt(CryptMethod method, std::string_view data, std::uint32_t num,
                      std::uint16_t gen) const;

  std::string key_;
  CryptMethod string_method_ = CryptMethod::none;
  CryptMethod stream_method_ = CryptMethod::none;
  std::map<std::string, CryptMethod, std::less<>> filters_;
  bool encrypt_metadata_ = true;
};

}  // namespace quorvel::pdf
