#include "pdf/crypt/aes.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

namespace quorvel::pdf::crypt {
namespace {

// libcrypto counts in int; feed it at most this many bytes (a whole number of blocks) at a time.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;

const EVP_CIPHER* cbc_cipher(std::size_t key_size) {
  static EVP_CIPHER* const aes128 = EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr);
  static EVP_CIPHER* const aes256 = EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr);
  if (key_size == 16) return aes128;
  if (key_size == 32) return aes256;
  return nullptr;
}

struct ContextFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

// `data` must be whole blocks and `iv` one block.
std::string run_cbc(bool encrypt, std::string_view key, std::string_view iv,
                    std::string_view data) {
  const EVP_CIPHER* cipher = cbc_cipher(key.size());
  if (cipher == nullptr || iv.size() != kAesBlock || data.size() % kAesBlock != 0) return {};
  std::unique_ptr<EVP_CIPHER_CTX, ContextFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx ||
      EVP_CipherInit_ex2(ctx.get(), cipher, reinterpret_cast<const unsigned char*>(key.data()),
                         reinterpret_cast<const unsigned char*>(iv.data()), encrypt ? 1 : 0,
                         nullptr) != 1) {
    return {};
  }
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  std::string out(data.size(), '\0');
  auto* dst = reinterpret_cast<unsigned char*>(out.data());
  for (std::size_t done = 0; done < data.size();) {
    const std::size_t chunk = std::min(data.size() - done, kMaxChunk);
    int written = 0;
    if (EVP_CipherUpdate(ctx.get(), dst + done, &written,
                         reinterpret_cast<const unsigned char*>(data.data() + done),
                         static_cast<int>(chunk)) != 1) {
      return {};
    }
    done += static_cast<std::size_t>(written);
    if (written == 0) return {};
  }
  return out;
}

}  // namespace

std::string aes_cbc_decrypt_pdf(std::string_view key, std::string_view data) {
  if (data.size() < kAesBlock) return {};
  const std::string_view iv = data.substr(0, kAesBlock);
  std::string_view body = data.substr(kAesBlock);
  body = body.substr(0, body.size() - body.size() % kAesBlock);
  std::string out = run_cbc(false, key, iv, body);
  if (out.empty()) return out;
  const auto pad = static_cast<unsigned char>(out.back());
  if (pad >= 1 && pad <= kAesBlock && std::all_of(out.end() - pad, out.end(), [pad](char c) {
        return static_cast<unsigned char>(c) == pad;
      })) {
    out.resize(out.size() - pad);
  }
  return out;
}

std::string aes_cbc_encrypt_blocks(std::string_view key, std::string_view iv,
                                   std::string_view data) {
  return run_cbc(true, key, iv, data);
}

std::string aes_cbc_decrypt_blocks(std::string_view key, std::string_view iv,
                                   std::string_view data) {
  return run_cbc(false, key, iv, data);
}

}  // namespace quorvel::pdf::crypt
