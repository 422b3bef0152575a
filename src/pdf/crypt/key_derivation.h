// File key derivation of the standard security handler from a user password.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "pdf/crypt/security_handler.h"

namespace quorvel::pdf::crypt {

// Revisions 2 to 4: the `key_bytes`-byte key (5 to 16) made from `password` with the MD5
// construction, then checked against /U. Nothing when it does not match.
std::optional<std::string> user_key_r2_to_r4(const EncryptionParams& params,
                                             std::string_view password, std::size_t key_bytes);

// Revisions 5 and 6: checks `password` against the hash and validation salt in /U, then decrypts
// /UE with the hash of the key salt. Nothing when it does not match or /U or /UE is short.
std::optional<std::string> user_key_r5_r6(const EncryptionParams& params,
                                          std::string_view password);

// The password hash of revision 6: SHA-256 of password, salt and `user_key` (the 48 bytes of /U
// when hashing an owner password, else empty), followed by at least 64 rounds of AES-128 and
// SHA-256/384/512. Revision 5 uses the plain SHA-256 instead.
std::string hash_r6(std::string_view password, std::string_view salt, std::string_view user_key);

}  // namespace quorvel::pdf::crypt
