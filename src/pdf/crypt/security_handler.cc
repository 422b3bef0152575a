#include "pdf/crypt/security_handler.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "pdf/crypt/aes.h"
#include "pdf/crypt/digest.h"
#include "pdf/crypt/key_derivation.h"
#include "pdf/crypt/rc4.h"

namespace quorvel::pdf {
namespace {

constexpr std::size_t kMinKeyBytes = 5;
constexpr std::size_t kMaxKeyBytes = 16;  // revisions 2 to 4
constexpr std::size_t kObjectKeyExtra = 5;
constexpr std::string_view kIdentity = "Identity";

// A key length in bytes from a /Length that may be given in bits (the encryption dictionary) or,
// as some producers write it in /CF, in bytes.
std::optional<std::size_t> key_bytes_from_length(long length) {
  if (length >= static_cast<long>(kMinKeyBytes) && length <= static_cast<long>(kMaxKeyBytes)) {
    return static_cast<std::size_t>(length);
  }
  if (length % 8 == 0 && length / 8 >= static_cast<long>(kMinKeyBytes) &&
      length / 8 <= static_cast<long>(kMaxKeyBytes)) {
    return static_cast<std::size_t>(length / 8);
  }
  return std::nullopt;
}

// The key lengths to try, stated ones first. Producers misstate /Length (or leave it out under
// V 4); /U tells which length the key was made with.
std::vector<std::size_t> key_length_candidates(const EncryptionParams& params) {
  if (params.v == 1) return {kMinKeyBytes};
  std::vector<std::size_t> candidates;
  auto add = [&](std::optional<std::size_t> n) {
    if (n && std::find(candidates.begin(), candidates.end(), *n) == candidates.end()) {
      candidates.push_back(*n);
    }
  };
  add(key_bytes_from_length(params.length_bits));
  for (const auto& [name, filter] : params.crypt_filters) {
    if (filter.method == CryptMethod::rc4) add(key_bytes_from_length(filter.length_bytes));
  }
  add(kMaxKeyBytes);
  add(kMinKeyBytes);
  return candidates;
}

std::string version_text(const EncryptionParams& params) {
  return "V " + std::to_string(params.v) + ", R " + std::to_string(params.r);
}

}  // namespace

std::expected<SecurityHandler, std::string> SecurityHandler::open_with_empty_password(
    const EncryptionParams& params) {
  SecurityHandler handler;
  const bool rc4_family =
      (params.v == 1 || params.v == 2 || params.v == 4) && params.r >= 2 && params.r <= 4;
  const bool aes256_family = params.v == 5 && (params.r == 5 || params.r == 6);
  if (rc4_family) {
    for (const std::size_t n : key_length_candidates(params)) {
      if (auto key = crypt::user_key_r2_to_r4(params, "", n)) {
        handler.key_ = std::move(*key);
        break;
      }
    }
  } else if (aes256_family) {
    if (auto key = crypt::user_key_r5_r6(params, "")) handler.key_ = std::move(*key);
  } else {
    return std::unexpected("unsupported standard security handler (" + version_text(params) + ")");
  }
  if (handler.key_.empty()) {
    return std::unexpected("the empty user password does not open the file (" +
                           version_text(params) + ")");
  }

  if (params.v < 4) {
    handler.string_method_ = handler.stream_method_ = CryptMethod::rc4;
  } else {
    for (const auto& [name, filter] : params.crypt_filters) handler.filters_[name] = filter.method;
    auto method_of = [&](std::string_view name) {
      const auto it = handler.filters_.find(name);
      return name == kIdentity || it == handler.filters_.end() ? CryptMethod::none : it->second;
    };
    handler.string_method_ = method_of(params.str_f);
    handler.stream_method_ = method_of(params.stm_f);
  }
  handler.encrypt_metadata_ = params.r < 4 || params.encrypt_metadata;
  return handler;
}

std::string SecurityHandler::decrypt(CryptMethod method, std::string_view data, std::uint32_t num,
                                     std::uint16_t gen) const {
  if (method == CryptMethod::none) return std::string(data);
  if (method == CryptMethod::aes_v3) return crypt::aes_cbc_decrypt_pdf(key_, data);
  // RC4 and AESV2 use a key of their own for every object: the file key with the low three
  // bytes of the object number and the two of the generation, little-endian.
  const bool aes = method == CryptMethod::aes_v2;
  const char id[] = {static_cast<char>(num), static_cast<char>(num >> 8),
                     static_cast<char>(num >> 16), static_cast<char>(gen),
                     static_cast<char>(gen >> 8)};
  std::string object_key = crypt::digest(
      crypt::DigestKind::md5,
      {key_, std::string_view(id, sizeof id), aes ? std::string_view("sAlT") : std::string_view()});
  object_key.resize(
      std::min(object_key.size(), std::min(key_.size() + kObjectKeyExtra, kMaxKeyBytes)));
  return aes ? crypt::aes_cbc_decrypt_pdf(object_key, data) : crypt::rc4(object_key, data);
}

std::string SecurityHandler::decrypt_string(std::string_view data, std::uint32_t num,
                                            std::uint16_t gen) const {
  return decrypt(string_method_, data, num, gen);
}

std::expected<std::string, std::string> SecurityHandler::decrypt_stream(
    std::string_view data, std::uint32_t num, std::uint16_t gen,
    std::string_view crypt_filter) const {
  if (crypt_filter.empty()) return decrypt(stream_method_, data, num, gen);
  if (crypt_filter == kIdentity) return std::string(data);
  const auto it = filters_.find(crypt_filter);
  if (it == filters_.end()) {
    return std::unexpected("crypt filter /" + std::string(crypt_filter) + " is not defined");
  }
  return decrypt(it->second, data, num, gen);
}

}  // namespace quorvel::pdf
