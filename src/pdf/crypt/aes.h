// AES-CBC over OpenSSL's libcrypto, in the forms the security handler needs.
#pragma once

#include <string>
#include <string_view>

namespace quorvel::pdf::crypt {

constexpr std::size_t kAesBlock = 16;

// Decrypts PDF string or stream data: the first 16 bytes are the initialisation vector, the rest
// AES-CBC ciphertext under `key` (16 or 32 bytes), normally ending in PKCS#7 padding. Viewers
// read damaged data as far as it goes, and so does this: a trailing partial block is dropped, data
// shorter than the vector gives nothing, and a last block that does not end in valid padding is
// kept whole. Gives nothing when libcrypto fails or the key has another length.
std::string aes_cbc_decrypt_pdf(std::string_view key, std::string_view data);

// AES-CBC without padding under an explicit vector: `data` must be whole blocks. Used by the key
// derivation of revisions 5 and 6. Gives nothing when libcrypto fails.
std::string aes_cbc_encrypt_blocks(std::string_view key, std::string_view iv,
                                   std::string_view data);
std::string aes_cbc_decrypt_blocks(std::string_view key, std::string_view iv,
                                   std::string_view data);

}  // namespace quorvel::pdf::crypt
