#include "pdf/filter_chain.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "resource_limits.h"

namespace quorvel::pdf {
namespace {

struct Stage {
  std::string_view name;
  Dictionary params;
};

int int_param(const Dictionary& params, std::string_view key, int fallback,
              const ValueResolver& resolve) {
  const auto value = resolve(params.get(key)).as_integer();
  if (!value) return fallback;
  // Out-of-range values stay out of range for the filters to reject.
  return static_cast<int>(std::clamp<std::int64_t>(*value, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

PredictorParams predictor_params(const Dictionary& params, const ValueResolver& resolve) {
  return {.predictor = int_param(params, "Predictor", 1, resolve),
          .colors = int_param(params, "Colors", 1, resolve),
          .bits_per_component = int_param(params, "BitsPerComponent", 8, resolve),
          .columns = int_param(params, "Columns", 1, resolve)};
}

// Flate and LZW output passes through the predictor the parameters name. A damaged stream's
// partial output goes through it too, so that what is searched is as plain as it can be.
DecodeResult with_predictor(DecodeResult decoded, const Dictionary& params,
                            const ValueResolver& resolve, std::size_t max_out) {
  const PredictorParams p = predictor_params(params, resolve);
  if (p.predictor <= 1) return decoded;
  if (!decoded) {
    if (auto plain = apply_predictor(decoded.error().partial, p, max_out)) {
      decoded.error().partial = std::move(*plain);
    }
    return decoded;
  }
  return apply_predictor(*decoded, p, max_out);
}

DecodeResult run_stage(const Stage& stage, std::string_view in, const ValueResolver& resolve,
                       std::size_t max_out) {
  const std::string_view f = stage.name;
  if (f == "FlateDecode" || f == "Fl") {
    return with_predictor(flate_decode(in, max_out), stage.params, resolve, max_out);
  }
  if (f == "LZWDecode" || f == "LZW") {
    const int early_change = int_param(stage.params, "EarlyChange", 1, resolve);
    return with_predictor(lzw_decode(in, early_change, max_out), stage.params, resolve, max_out);
  }
  if (f == "ASCII85Decode" || f == "A85") return ascii85_decode(in, max_out);
  if (f == "ASCIIHexDecode" || f == "AHx") return ascii_hex_decode(in, max_out);
  if (f == "RunLengthDecode" || f == "RL") return run_length_decode(in, max_out);
  return std::unexpected(DecodeFailure{"unsupported filter", {}});
}

DecodeResult fail(std::string message) {
  return std::unexpected(DecodeFailure{std::move(message), {}});
}

}  // namespace

bool names_a_filter(const Dictionary& stream_dict, const ValueResolver& resolve) {
  const Object filter = resolve(stream_dict.get("Filter"));
  if (filter.is(Kind::name)) return true;
  return std::ranges::any_of(filter.items(),
                             [&](const Object& f) { return resolve(f).is(Kind::name); });
}

DecodeResult decode_filters(std::string_view data, const Dictionary& stream_dict,
                            const ValueResolver& resolve, std::size_t max_out,
                            std::size_t max_intermediate) {
  if (max_intermediate == 0) max_intermediate = max_out;
  const Object filter = resolve(stream_dict.get("Filter"));
  const Object parms = resolve(stream_dict.get("DecodeParms"));
  std::vector<Stage> stages;
  if (filter.is(Kind::name)) {
    // A lone filter's parameters, sometimes wrapped in an array of one.
    const Object own =
        parms.is(Kind::array) && !parms.items().empty() ? resolve(parms.items()[0]) : parms;
    stages.push_back({*filter.as_name(), own.dictionary()});
  } else if (filter.is(Kind::array)) {
    const auto filters = filter.items();
    if (filters.size() > limits::kMaxFilterChain) return fail("too many filters");
    const auto parm_items = parms.items();
    for (std::size_t i = 0; i < filters.size(); ++i) {
      const auto name = resolve(filters[i]).as_name();
      if (!name) return fail("a /Filter element is not a name");
      Dictionary params;
      if (i < parm_items.size()) {
        params = resolve(parm_items[i]).dictionary();
      } else if (filters.size() == 1) {
        params = parms.dictionary();  // a lone filter in an array with its parameters unwrapped
      }
      stages.push_back({*name, params});
    }
  } else if (filter.is(Kind::null)) {
    return fail("the stream has no /Filter");
  } else {
    return fail("/Filter is neither a name nor an array");
  }

  // Decryption already happened when the document was loaded.
  std::erase_if(stages, [](const Stage& s) { return s.name == "Crypt"; });
  std::string current;
  bool decoded_any = false;
  for (std::size_t k = 0; k < stages.size(); ++k) {
    const Stage& stage = stages[k];
    const std::string_view in = decoded_any ? std::string_view(current) : data;
    const std::size_t bound = k + 1 == stages.size() ? max_out : max_intermediate;
    DecodeResult out = run_stage(stage, in, resolve, bound);
    if (!out) {
      DecodeFailure failure = std::move(out.error());
      failure.message = std::string(stage.name) + ": " + failure.message;
      if (failure.partial.empty() && decoded_any) failure.partial = std::move(current);
      return std::unexpected(std::move(failure));
    }
    current = std::move(*out);
    decoded_any = true;
  }
  if (!decoded_any) {
    if (data.size() > max_out) {
      return std::unexpected(
          DecodeFailure{"stream exceeds the decode bound", std::string(data.substr(0, max_out))});
    }
    return std::string(data);
  }
  return current;
}

}  // namespace quorvel::pdf
