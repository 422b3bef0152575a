#include "pdf/crypt/key_derivation.h"

#include <cstdint>

#include "pdf/crypt/aes.h"
#include "pdf/crypt/digest.h"
#include "pdf/crypt/rc4.h"

namespace quorvel::pdf::crypt {
namespace {

// The 32 bytes that pad a password (and stand for the empty one) in revisions 2 to 4.
constexpr std::string_view kPasswordPadding{
    "\x28\xbf\x4e\x5e\x4e\x75\x8a\x41\x64\x00\x4e\x56\xff\xfa\x01\x08"
    "\x2e\x2e\x00\xb6\xd0\x68\x3e\x80\x2f\x0c\xa9\xfe\x64\x53\x69\x7a",
    32};
constexpr std::size_t kMd5Size = 16;
constexpr int kKeyStretchRounds = 50;  // revisions 3 and 4
constexpr int kUserCheckRounds = 20;   // RC4 passes over the /U check value, revisions 3 and 4
constexpr std::size_t kSaltSize = 8;   // revisions 5 and 6
constexpr std::size_t kHashSize = 32;
constexpr int kMinHashRounds = 64;  // revision 6

std::string padded_password(std::string_view password) {
  password = password.substr(0, kPasswordPadding.size());
  return std::string(password) +
         std::string(kPasswordPadding.substr(0, kPasswordPadding.size() - password.size()));
}

std::string little_endian_32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

}  // namespace

std::optional<std::string> user_key_r2_to_r4(const EncryptionParams& params,
                                             std::string_view password, std::size_t key_bytes) {
  // Metadata left in the clear changes the key, so that it cannot be turned back on unnoticed.
  const std::string_view clear_metadata =
      params.r >= 4 && !params.encrypt_metadata ? std::string_view("\xff\xff\xff\xff") : "";
  std::string hash =
      digest(DigestKind::md5,
             {padded_password(password), std::string_view(params.o).substr(0, 32),
              little_endian_32(static_cast<std::uint32_t>(params.p)), params.id0, clear_metadata});
  if (hash.size() != kMd5Size) return std::nullopt;
  if (params.r >= 3) {
    for (int i = 0; i < kKeyStretchRounds; ++i) {
      hash = digest(DigestKind::md5, {std::string_view(hash).substr(0, key_bytes)});
    }
  }
  std::string key = hash.substr(0, key_bytes);

  if (params.r == 2) {
    if (params.u.size() < kPasswordPadding.size()) return std::nullopt;
    const std::string check = rc4(key, kPasswordPadding);
    if (std::string_view(params.u).substr(0, check.size()) != check) return std::nullopt;
    return key;
  }
  if (params.u.size() < kMd5Size) return std::nullopt;
  std::string check = rc4(key, digest(DigestKind::md5, {kPasswordPadding, params.id0}));
  for (int round = 1; round < kUserCheckRounds; ++round) {
    std::string round_key = key;
    for (char& c : round_key) c = static_cast<char>(c ^ round);
    check = rc4(round_key, check);
  }
  if (check.size() != kMd5Size || std::string_view(params.u).substr(0, kMd5Size) != check) {
    return std::nullopt;
  }
  return key;
}

std::string hash_r6(std::string_view password, std::string_view salt, std::string_view user_key) {
  std::string k = digest(DigestKind::sha256, {password, salt, user_key});
  for (int round = 0;;) {
    if (k.size() < 2 * kAesBlock) return {};
    std::string repeated;
    repeated.reserve(64 * (password.size() + k.size() + user_key.size()));
    for (int i = 0; i < 64; ++i) {
      repeated.append(password);
      repeated.append(k);
      repeated.append(user_key);
    }
    const std::string e =
        aes_cbc_encrypt_blocks(std::string_view(k).substr(0, kAesBlock),
                               std::string_view(k).substr(kAesBlock, kAesBlock), repeated);
    if (e.empty()) return {};
    // The first 16 bytes of E as a big-endian number, modulo 3, is their byte sum modulo 3.
    unsigned sum = 0;
    for (std::size_t i = 0; i < kAesBlock; ++i) sum += static_cast<unsigned char>(e[i]);
    constexpr DigestKind kNext[] = {DigestKind::sha256, DigestKind::sha384, DigestKind::sha512};
    k = digest(kNext[sum % 3], {e});
    ++round;
    if (round >= kMinHashRounds && static_cast<unsigned char>(e.back()) <= round - 32) break;
  }
  return k.substr(0, kHashSize);
}

std::optional<std::string> user_key_r5_r6(const EncryptionParams& params,
                                          std::string_view password) {
  if (params.u.size() < kHashSize + 2 * kSaltSize || params.ue.size() < kHashSize) {
    return std::nullopt;
  }
  const std::string_view u(params.u);
  const std::string_view validation_salt = u.substr(kHashSize, kSaltSize);
  const std::string_view key_salt = u.substr(kHashSize + kSaltSize, kSaltSize);
  auto hash = [&](std::string_view salt) {
    return params.r == 5 ? digest(DigestKind::sha256, {password, salt})
                         : hash_r6(password, salt, {});
  };
  if (hash(validation_salt) != u.substr(0, kHashSize)) return std::nullopt;
  const std::string zero_iv(kAesBlock, '\0');
  std::string key = aes_cbc_decrypt_blocks(hash(key_salt), zero_iv,
                                           std::string_view(params.ue).substr(0, kHashSize));
  if (key.size() != kHashSize) return std::nullopt;
  return key;
}

}  // namespace quorvel::pdf::crypt
