// Message digests of the security handler, over OpenSSL's libcrypto.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace quorvel::pdf::crypt {

enum class DigestKind { md5, sha256, sha384, sha512 };

// The digest of the concatenated `parts`, as raw bytes. Empty only when libcrypto fails.
std::string digest(DigestKind kind, std::initializer_list<std::string_view> parts);

}  // namespace quorvel::pdf::crypt
