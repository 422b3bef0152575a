// RC4, the stream cipher of security handler revisions 2 to 4 (and of crypt filter V2).
#pragma once

#include <string>
#include <string_view>

namespace quorvel::pdf::crypt {

// `data` encrypted or decrypted (the same operation) with `key`, 1 to 256 bytes long. An empty
// key leaves the data unchanged.
std::string rc4(std::string_view key, std::string_view data);

}  // namespace quorvel::pdf::crypt
