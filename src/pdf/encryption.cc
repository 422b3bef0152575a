#include "pdf/encryption.h"

#include <limits>
#include <string>

namespace quorvel::pdf {
namespace {

int int_entry(const Dictionary& d, std::string_view key, int fallback,
              const ValueResolver& resolve) {
  const auto value = resolve(d.get(key)).as_integer();
  if (!value || *value < std::numeric_limits<int>::min() ||
      *value > std::numeric_limits<int>::max()) {
    return fallback;
  }
  return static_cast<int>(*value);
}

std::string string_entry(const Dictionary& d, std::string_view key, const ValueResolver& resolve) {
  return std::string(resolve(d.get(key)).as_string().value_or(std::string_view()));
}

CryptMethod crypt_method(std::string_view cfm) {
  if (cfm == "V2") return CryptMethod::rc4;
  if (cfm == "AESV2") return CryptMethod::aes_v2;
  if (cfm == "AESV3") return CryptMethod::aes_v3;
  return CryptMethod::none;
}

}  // namespace

std::optional<EncryptionParams> encryption_params(const Dictionary& encrypt, std::string_view id0,
                                                  const ValueResolver& resolve) {
  if (!resolve(encrypt.get("Filter")).is_name("Standard")) return std::nullopt;
  EncryptionParams p;
  p.v = int_entry(encrypt, "V", 0, resolve);
  p.r = int_entry(encrypt, "R", 0, resolve);
  p.length_bits = int_entry(encrypt, "Length", 40, resolve);
  // /P is a 32-bit signed value that some producers write unsigned: keep its low 32 bits.
  if (const auto bits = resolve(encrypt.get("P")).as_integer()) {
    p.p = static_cast<std::int32_t>(static_cast<std::uint32_t>(*bits & 0xFFFF'FFFF));
  }
  p.o = string_entry(encrypt, "O", resolve);
  p.u = string_entry(encrypt, "U", resolve);
  p.oe = string_entry(encrypt, "OE", resolve);
  p.ue = string_entry(encrypt, "UE", resolve);
  p.perms = string_entry(encrypt, "Perms", resolve);
  p.id0 = std::string(id0);
  p.encrypt_metadata = resolve(encrypt.get("EncryptMetadata")).as_bool().value_or(true);
  for (const DictEntry& entry : resolve(encrypt.get("CF")).dictionary().entries()) {
    const Dictionary filter = resolve(entry.value).dictionary();
    CryptFilter cf;
    cf.method = crypt_method(resolve(filter.get("CFM")).as_name().value_or("None"));
    // /Length of a crypt filter is in bytes, but some producers write bits.
    const int length = int_entry(filter, "Length", 16, resolve);
    cf.length_bytes = length > 32 ? length / 8 : length;
    p.crypt_filters.insert_or_assign(std::string(entry.key), cf);
  }
  if (const auto stm_f = resolve(encrypt.get("StmF")).as_name()) p.stm_f = std::string(*stm_f);
  if (const auto str_f = resolve(encrypt.get("StrF")).as_name()) p.str_f = std::string(*str_f);
  return p;
}

StreamCrypt stream_crypt(const Dictionary& stream_dict, bool encrypts_metadata,
                         const ValueResolver& resolve) {
  const Object type = resolve(stream_dict.get("Type"));
  if (type.is_name("XRef")) return {.decrypt = false, .crypt_filter = {}};
  if (!encrypts_metadata && type.is_name("Metadata")) return {.decrypt = false, .crypt_filter = {}};

  // A /Crypt filter stands first in the filter list; its parameters name the crypt filter.
  const Object filter = resolve(stream_dict.get("Filter"));
  const Object parms = resolve(stream_dict.get("DecodeParms"));
  Object first_filter = filter;
  Object first_parms = parms;
  if (filter.is(Kind::array)) {
    first_filter = filter.items().empty() ? Object() : resolve(filter.items()[0]);
    first_parms = parms.is(Kind::array)
                      ? (parms.items().empty() ? Object() : resolve(parms.items()[0]))
                      : parms;
  } else if (parms.is(Kind::array)) {
    first_parms = parms.items().empty() ? Object() : resolve(parms.items()[0]);
  }
  if (!first_filter.is_name("Crypt")) return {};
  const std::string_view name =
      resolve(first_parms.dictionary().get("Name")).as_name().value_or("Identity");
  if (name == "Identity") return {.decrypt = false, .crypt_filter = {}};
  return {.decrypt = true, .crypt_filter = name};
}

}  // namespace quorvel::pdf
