// FlateDecode throughput against bare zlib on the page content streams of a real 348-page file,
// and the throughput of PNG prediction.
//
//   bench_filters [--benchmark_repetitions=5 ...]
//
// The baseline is zlib's `uncompress` into a buffer already sized for the output (so it does no
// allocation or growth at all); flate_decode also finds the output size as it goes and returns a
// fresh string.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pdf/filters/filters.h"

namespace {

constexpr const char* kSample =
    "spikes/redaction-integrity/fixtures/real-world/08_fed_register.pdf";

struct Stream {
  std::string compressed;  // exactly the zlib stream, without the EOL before "endstream"
  std::size_t inflated_size;
};

// Inflates `data` as zlib; the compressed and inflated sizes, or nothing when it does not inflate.
bool measure(std::string_view data, Stream& s) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  std::string out(1 << 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  int ret = Z_OK;
  while (ret == Z_OK) {
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    ret = inflate(&zs, Z_NO_FLUSH);
  }
  s.compressed = std::string(data.substr(0, zs.total_in));
  s.inflated_size = zs.total_out;
  inflateEnd(&zs);
  return ret == Z_STREAM_END;
}

// Page content streams: Flate streams whose dictionary has no /Type, /Subtype or /Length1 (those
// are object streams, the cross-reference stream, images and font programs).
const std::vector<Stream>& content_streams() {
  static const std::vector<Stream> streams = [] {
    std::ifstream f(std::string(QUORVEL_SOURCE_DIR) + "/" + kSample, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::vector<Stream> found;
    for (std::size_t at = file.find("stream"); at != std::string::npos;
         at = file.find("stream", at + 6)) {
      if (at >= 3 && file.compare(at - 3, 3, "end") == 0) continue;
      const std::size_t obj = file.rfind(" obj", at);
      if (obj == std::string::npos) continue;
      const std::string_view dict = std::string_view(file).substr(obj, at - obj);
      if (dict.find("/FlateDecode") == dict.npos || dict.find("/Type") != dict.npos ||
          dict.find("/Subtype") != dict.npos || dict.find("/Length1") != dict.npos) {
        continue;
      }
      std::size_t data = at + 6;
      if (file.compare(data, 2, "\r\n") == 0) {
        data += 2;
      } else if (file[data] == '\n' || file[data] == '\r') {
        data += 1;
      }
      const std::size_t end = file.find("endstream", data);
      if (end == std::string::npos) break;
      Stream s;
      if (measure(std::string_view(file).substr(data, end - data), s)) found.push_back(s);
    }
    return found;
  }();
  return streams;
}

std::size_t total_inflated() {
  std::size_t total = 0;
  for (const auto& s : content_streams()) total += s.inflated_size;
  return total;
}

void report(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total_inflated()));
  state.counters["streams"] = static_cast<double>(content_streams().size());
  state.counters["inflated_MB"] = static_cast<double>(total_inflated()) / 1e6;
}

void BM_FlateDecode(benchmark::State& state) {
  const auto& streams = content_streams();
  for (auto _ : state) {
    for (const auto& s : streams) {
      auto out = quorvel::pdf::flate_decode(s.compressed, std::size_t{1} << 30);
      if (!out || out->size() != s.inflated_size) state.SkipWithError("flate_decode failed");
      benchmark::DoNotOptimize(out);
    }
  }
  report(state);
}
BENCHMARK(BM_FlateDecode)->Unit(benchmark::kMillisecond);

void BM_ZlibUncompressPresized(benchmark::State& state) {
  const auto& streams = content_streams();
  std::string buffer;
  for (const auto& s : streams) buffer.resize(std::max(buffer.size(), s.inflated_size));
  for (auto _ : state) {
    for (const auto& s : streams) {
      uLongf size = buffer.size();
      const int ret =
          uncompress(reinterpret_cast<Bytef*>(buffer.data()), &size,
                     reinterpret_cast<const Bytef*>(s.compressed.data()), s.compressed.size());
      if (ret != Z_OK || size != s.inflated_size) state.SkipWithError("uncompress failed");
      benchmark::DoNotOptimize(buffer.data());
    }
  }
  report(state);
}
BENCHMARK(BM_ZlibUncompressPresized)->Unit(benchmark::kMillisecond);

// PNG prediction over 1000-pixel RGB rows, the row types in turn (Up and Paeth dominate in
// cross-reference streams and images).
void BM_PngPredictor(benchmark::State& state) {
  constexpr int kColumns = 1000;
  constexpr std::size_t kRow = 1 + 3 * kColumns;
  std::string in;
  for (std::size_t row = 0; row < 2000; ++row) {
    in.push_back(static_cast<char>(row % 5));
    for (std::size_t i = 1; i < kRow; ++i)
      in.push_back(static_cast<char>((row * 31 + i * 7) % 251));
  }
  const quorvel::pdf::PredictorParams params{12, 3, 8, kColumns};
  std::size_t out_size = 0;
  for (auto _ : state) {
    auto out = quorvel::pdf::apply_predictor(in, params, std::size_t{1} << 30);
    if (!out) state.SkipWithError("apply_predictor failed");
    out_size = out->size();
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out_size));
}
BENCHMARK(BM_PngPredictor)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
