// The security handler on fuzzed input. The first byte picks what is fuzzed: an encryption
// dictionary opened with the empty password, or the data given to one of three handlers that
// open (dictionaries of files encrypted by qpdf: RC4 40-bit, AESV2, AES-256 revision 6).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/crypt/security_handler.h"

namespace {

using quorvel::pdf::CryptMethod;
using quorvel::pdf::EncryptionParams;
using quorvel::pdf::SecurityHandler;

std::string unhex(std::string_view digits) {
  std::string s;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    s.push_back(static_cast<char>(std::stoi(std::string(digits.substr(i, 2)), nullptr, 16)));
  }
  return s;
}

const std::string kId0 = unhex("03a7440651b3c794b2a02e51bdee664f");

SecurityHandler open_known(int which) {
  EncryptionParams p;
  p.p = -4;
  p.id0 = kId0;
  if (which == 0) {
    p.v = 1;
    p.r = 2;
    p.o = unhex("c92422687facee686e373f10b5c7d04738053152f7e2ee30e11c69ec442576ab");
    p.u = unhex("8b2cc2008f20eedebdc45dca50bf878f3a1b4881f62f1da00b6176c6ace1e69f");
  } else if (which == 1) {
    p.v = p.r = 4;
    p.length_bits = 128;
    p.o = unhex("566fa873ee33c797cd3b904fdadf814afa34df9a38f6ed41b984e2c6da2aa6f5");
    p.u = unhex("ddee2d1effb3437b001f6c1504fc1fcc0122456a91bae5134273a6db134c87c4");
    p.crypt_filters["StdCF"] = {CryptMethod::aes_v2, 16};
    p.stm_f = p.str_f = "StdCF";
  } else {
    p.v = 5;
    p.r = 6;
    p.length_bits = 256;
    p.u = unhex(
        "f8f3942ad12376fd62234b4b9371239c283d2b1099d022eeda73698e2da66a917960025c860e8114effdfc69"
        "c56502a6");
    p.ue = unhex("de4f3789a8233a9853def470a0aa12f6daa7c9820362472a1bddc4b1940a6f44");
    p.crypt_filters["StdCF"] = {CryptMethod::aes_v3, 32};
    p.stm_f = p.str_f = "StdCF";
  }
  auto handler = SecurityHandler::open_with_empty_password(p);
  if (!handler) __builtin_trap();  // the fixed dictionaries must open
  return *handler;
}

// Takes a length-prefixed field of at most 255 bytes.
std::string_view take(std::string_view& in) {
  if (in.empty()) return {};
  const std::size_t n = std::min<std::size_t>(static_cast<std::uint8_t>(in[0]), in.size() - 1);
  const std::string_view field = in.substr(1, n);
  in.remove_prefix(1 + n);
  return field;
}

void fuzz_dictionary(std::string_view in) {
  if (in.size() < 8) return;
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(in[i]); };
  EncryptionParams p;
  p.v = byte(0) % 7;
  p.r = byte(1) % 8;
  p.length_bits = static_cast<std::int8_t>(byte(2)) * 8;
  p.p = static_cast<std::int32_t>(static_cast<std::uint32_t>(byte(3)) << 24);
  p.encrypt_metadata = byte(4) & 1;
  p.crypt_filters["StdCF"] = {static_cast<CryptMethod>(byte(5) % 4), byte(6) % 40};
  p.stm_f = byte(7) & 1 ? "StdCF" : "Identity";
  p.str_f = byte(7) & 2 ? "StdCF" : "Missing";
  in.remove_prefix(8);
  p.o = take(in);
  p.u = take(in);
  p.ue = take(in);
  p.id0 = take(in);
  if (const auto handler = SecurityHandler::open_with_empty_password(p)) {
    (void)handler->decrypt_string(in, 7, 0);
    (void)handler->decrypt_stream(in, 7, 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const SecurityHandler known[] = {open_known(0), open_known(1), open_known(2)};
  const std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
  const int mode = data[0] % 4;
  if (mode == 3) {
    fuzz_dictionary(in);
    return 0;
  }
  const SecurityHandler& handler = known[mode];
  const std::string plain = handler.decrypt_string(in, 12, 0);
  // Decryption never grows data, and AES output is whole blocks less the vector and padding.
  if (plain.size() > in.size()) __builtin_trap();
  (void)handler.decrypt_stream(in, 0xffffffff, 0xffff);
  (void)handler.decrypt_stream(in, 1, 0, "StdCF");
  (void)handler.decrypt_stream(in, 1, 0, "Undefined");
  return 0;
}
