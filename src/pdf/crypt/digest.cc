#include "pdf/crypt/digest.h"

#include <openssl/evp.h>

#include <memory>

namespace quorvel::pdf::crypt {
namespace {

// Fetched once: an implicit fetch on every call would cost more than the digest of a short key.
const EVP_MD* fetched(DigestKind kind) {
  static EVP_MD* const md5 = EVP_MD_fetch(nullptr, "MD5", nullptr);
  static EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA2-256", nullptr);
  static EVP_MD* const sha384 = EVP_MD_fetch(nullptr, "SHA2-384", nullptr);
  static EVP_MD* const sha512 = EVP_MD_fetch(nullptr, "SHA2-512", nullptr);
  switch (kind) {
    case DigestKind::md5:
      return md5;
    case DigestKind::sha256:
      return sha256;
    case DigestKind::sha384:
      return sha384;
    case DigestKind::sha512:
      return sha512;
  }
  return nullptr;
}

struct ContextFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

}  // namespace

std::string digest(DigestKind kind, std::initializer_list<std::string_view> parts) {
  const EVP_MD* md = fetched(kind);
  std::unique_ptr<EVP_MD_CTX, ContextFree> ctx(EVP_MD_CTX_new());
  if (md == nullptr || !ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1) return {};
  for (const auto part : parts) {
    if (EVP_DigestUpdate(ctx.get(), part.data(), part.size()) != 1) return {};
  }
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(ctx.get(), out, &size) != 1) return {};
  return std::string(reinterpret_cast<const char*>(out), size);
}

}  // namespace quorvel::pdf::crypt
