// What of an encrypted file is decrypted, and with which parameters: the bridge between the
// /Encrypt dictionary and the standard security handler.
#pragma once

#include <optional>
#include <string_view>

#include "pdf/crypt/security_handler.h"
#include "pdf/filter_chain.h"
#include "pdf/object.h"

namespace quorvel::pdf {

// The entries of `encrypt` as the security handler takes them, with `id0` the first string of
// the trailer's /ID. Nothing when the dictionary is not for the standard security handler
// (/Filter other than /Standard).
std::optional<EncryptionParams> encryption_params(const Dictionary& encrypt, std::string_view id0,
                                                  const ValueResolver& resolve);

// How a stream of an encrypted file is to be decrypted.
struct StreamCrypt {
  bool decrypt = true;
  // The crypt filter named by a /Crypt filter's parameters; empty for the file's default.
  std::string_view crypt_filter;
};

// Cross-reference streams are never encrypted, nor metadata streams when the file says so, nor
// streams whose /Crypt filter names Identity (its default).
StreamCrypt stream_crypt(const Dictionary& stream_dict, bool encrypts_metadata,
                         const ValueResolver& resolve);

}  // namespace quorvel::pdf
