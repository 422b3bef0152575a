#include "hostile/hostile_cases.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "support/pdf_builder.h"
#include "support/pdf_template.h"

namespace quorvel::testing {
namespace {

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// ---- Encoders

std::string deflate(std::string_view in) {
  uLongf size = compressBound(static_cast<uLong>(in.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(in.data()), static_cast<uLong>(in.size()),
                9) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  out.resize(size);
  return out;
}

// `prefix` followed by `filler_bytes` (a multiple of 1 MiB) copies of `filler`, deflated without
// compressing them all: after a full flush the compressor's state no longer depends on what came
// before, so the block that 1 MiB of filler compresses to is written once and repeated, and the
// checksum is combined from the run's own.
std::string deflated_run(std::string_view prefix, char filler, std::uint64_t filler_bytes) {
  constexpr std::size_t kRun = 1 << 20;
  const std::string run(kRun, filler);
  z_stream z{};
  if (deflateInit(&z, 9) != Z_OK) throw std::runtime_error("deflateInit failed");
  const auto feed = [&](std::string_view in, int flush) {
    std::string block;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    do {
      char buffer[1 << 16];
      z.next_out = reinterpret_cast<Bytef*>(buffer);
      z.avail_out = sizeof buffer;
      ::deflate(&z, flush);
      block.append(buffer, sizeof buffer - z.avail_out);
    } while (z.avail_out == 0);
    return block;
  };
  std::string out = feed(prefix, Z_FULL_FLUSH);
  const std::uint64_t runs = std::max<std::uint64_t>(filler_bytes / kRun, 2);
  out += feed(run, Z_FULL_FLUSH);
  const std::string repeated = feed(run, Z_FULL_FLUSH);
  std::string last = feed({}, Z_FINISH);
  deflateEnd(&z);
  for (std::uint64_t i = 1; i < runs; ++i) out += repeated;

  const uLong run_adler = adler32(1, reinterpret_cast<const Bytef*>(run.data()), kRun);
  uLong adler =
      adler32(1, reinterpret_cast<const Bytef*>(prefix.data()), static_cast<uInt>(prefix.size()));
  for (std::uint64_t i = 0; i < runs; ++i) adler = adler32_combine(adler, run_adler, kRun);
  last.resize(last.size() - 4);
  for (int shift = 24; shift >= 0; shift -= 8) last += static_cast<char>((adler >> shift) & 0xFF);
  return out + last;
}

// Writes LZW codes as PDF decoders read them: 9 to 12 bits, most significant bit first, one bit
// wider as soon as the decoder's table needs it (a code earlier with early change).
class LzwWriter {
 public:
  explicit LzwWriter(bool early_change) : early_(early_change ? 1 : 0) { clear(); }

  // Writes `code`; the encoder then defines the next table entry, except right after a clear.
  void put(unsigned code, bool defines_entry = true) {
    bits_ = (bits_ << width_) | code;
    pending_ += width_;
    while (pending_ >= 8) {
      pending_ -= 8;
      out_ += static_cast<char>((bits_ >> pending_) & 0xFF);
    }
    if (!defines_entry) return;
    ++next_;
    if (next_ + early_ > (1u << width_) && width_ < 12) ++width_;
  }
  void clear() {
    put(256, false);
    next_ = 258;
    width_ = 9;
  }
  bool full() const { return next_ >= 4094; }
  unsigned next() const { return next_; }
  std::string finish() {
    put(257, false);
    if (pending_ > 0) out_ += static_cast<char>((bits_ << (8 - pending_)) & 0xFF);
    return out_;
  }

 private:
  unsigned early_;
  std::string out_;
  std::uint64_t bits_ = 0;
  int pending_ = 0;
  unsigned width_ = 9;
  unsigned next_ = 258;
};

std::string lzw(std::string_view in, bool early_change = true) {
  LzwWriter w(early_change);
  std::unordered_map<std::string, unsigned> table;
  std::string current;
  const auto code_of = [&](const std::string& s) {
    return s.size() == 1 ? static_cast<unsigned char>(s[0]) : table.at(s);
  };
  for (const char c : in) {
    std::string extended = current + c;
    if (current.empty() || table.contains(extended)) {
      current = std::move(extended);
      continue;
    }
    table.emplace(std::move(extended), w.next());
    w.put(code_of(current));
    if (w.full()) {
      w.clear();
      table.clear();
    }
    current = std::string(1, c);
  }
  if (!current.empty()) w.put(code_of(current));
  return w.finish();
}

// Runs of zero bytes, each code one byte longer than the last (a code not yet in the table
// repeats the previous string plus its first byte), about 7 MiB per table: a 1400-fold bomb.
std::string lzw_zero_bomb(std::uint64_t at_least) {
  LzwWriter w(true);
  std::uint64_t produced = 0;
  while (produced < at_least) {
    w.put(0);
    produced += 1;
    for (std::uint64_t length = 2; !w.full(); ++length) {
      w.put(w.next() - 1);
      produced += length;
    }
    w.clear();
  }
  return w.finish();
}

// ---- Documents

// Written with their own offsets rather than through the template expander: deflated data holds
// "{{" often enough to read as a placeholder.
struct Doc {
  std::map<unsigned, std::string> objects;
  std::string trailer = "/Root 1 0 R /Info 9 0 R";

  // `from` must stand in object `num`.
  Doc& edit(unsigned num, std::string_view from, std::string_view to) {
    std::string& body = objects.at(num);
    const std::size_t at = body.find(from);
    if (at == std::string::npos)
      throw std::runtime_error("not in the object: " + std::string(from));
    body.replace(at, from.size(), to);
    return *this;
  }
  Doc& add(unsigned num, std::string body) {
    objects[num] = std::move(body);
    return *this;
  }

  std::string bytes() const {
    std::string out = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    std::map<unsigned, std::size_t> offsets;
    for (const auto& [num, body] : objects) {
      offsets[num] = out.size();
      out += std::to_string(num) + " 0 obj\n" + body + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    const unsigned size = objects.rbegin()->first + 1;
    out += "xref\n0 " + std::to_string(size) + "\n";
    for (unsigned num = 0; num < size; ++num) {
      const auto it = offsets.find(num);
      std::string digits = std::to_string(it == offsets.end() ? 0 : it->second);
      out += std::string(10 - digits.size(), '0') + digits +
             (it == offsets.end() ? " 65535 f\r\n" : " 00000 n\r\n");
    }
    out += "trailer\n<< /Size " + std::to_string(size) + " " + trailer + " >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return out;
  }
};

std::string stream_object(const std::string& dict, const std::string& data) {
  return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
         "\nendstream";
}

const std::string kText = "BT /F1 12 Tf 72 700 Td (Acme) Tj ET\n";

// One page that shows the term in its content stream (object 5), and an Info dictionary that
// holds it. The hits every case built on it must keep:
const std::string kBodyHit = "body: Acme @ page 1 body text";
const std::string kContentHit = "raw: Acme @ object 5 stream";
const std::string kInfoHit = "info: Acme @ /Info /Title";

Doc base() {
  Doc d;
  d.add(1, "<< /Type /Catalog /Pages 2 0 R >>");
  d.add(2, "<< /Type /Pages /Kids [4 0 R] /Count 1 >>");
  d.add(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  d.add(4,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R "
        ">> >> /Contents 5 0 R >>");
  d.add(5, stream_object("", kText));
  d.add(9, "<< /Title (Acme) >>");
  return d;
}

// The base page with a second content stream, object 6, and more resources.
Doc two_contents(const std::string& second, const std::string& resources = "") {
  Doc d = base();
  d.edit(4, "/Contents 5 0 R", "/Contents [5 0 R 6 0 R]");
  if (!resources.empty()) d.edit(4, "/Font << /F1 3 0 R >>", "/Font << /F1 3 0 R >> " + resources);
  return d.add(6, second);
}

std::string nested(std::size_t depth, std::string_view open, std::string_view close,
                   std::string_view inner) {
  std::string s;
  s.reserve(depth * (open.size() + close.size()) + inner.size());
  for (std::size_t i = 0; i < depth; ++i) s += open;
  s += inner;
  for (std::size_t i = 0; i < depth; ++i) s += close;
  return s;
}

std::string form(const std::string& resources, const std::string& content,
                 const std::string& filter = "") {
  return stream_object(
      "/Type /XObject /Subtype /Form /BBox [0 0 612 792] /Resources " + resources + " " + filter,
      content);
}

// ---- Cases

std::vector<HostileCase> structure_cases() {
  const std::vector<std::string> all_three = {kBodyHit, kContentHit, kInfoHit};
  const std::string good = base().bytes();
  const std::size_t xref = good.find("\nxref\n") + 1;
  const std::size_t trailer = good.find("trailer");
  const std::size_t startxref = good.rfind("startxref");
  const std::string open_error = "verify: couldn't open saved PDF for page-data extraction: ";

  std::string shifted = good;  // every offset of the table seven bytes off
  for (std::size_t at = shifted.find(" 00000 n"); at != std::string::npos;
       at = shifted.find(" 00000 n", at + 1)) {
    const std::string digits = std::to_string(std::stoul(shifted.substr(at - 10, 10)) + 7);
    shifted.replace(at - 10, 10, std::string(10 - digits.size(), '0') + digits);
  }

  Doc duplicated = base();  // the table names the first copy of object 100
  duplicated.add(100, "(Acme) endobj\n100 0 obj (second copy)");

  return {
      {"empty file", "", {}, open_error},
      {"header only", "%PDF-1.7\n", {}, open_error},
      {"not a PDF", std::string(4096, 'x'), {}, open_error},
      {"wrong xref offsets", shifted, all_three, ""},
      {"no xref table", good.substr(0, xref) + good.substr(trailer), all_three, ""},
      {"startxref past the end", good.substr(0, startxref) + "startxref\n999999999\n%%EOF\n",
       all_three, ""},
      // The engine finds no catalog without a trailer.
      {"trailer missing", good.substr(0, trailer) + good.substr(startxref), {}, open_error},
      {"xref, trailer and startxref missing", good.substr(0, xref), {}, open_error},
      {"reference cycles",
       base()
           .add(100, "101 0 R")
           .add(101, "100 0 R")
           .add(102, "<< /Next 103 0 R /Title (Acme) >>")
           .add(103, "<< /Next 102 0 R /Self 103 0 R >>")
           .add(104, "<< /Length 104 0 R >>\nstream\nAcme\nendstream")
           .edit(4, "/Parent 2 0 R", "/Parent 4 0 R /Annots 4 0 R")
           .bytes(),
       {kContentHit, kInfoHit, "raw: Acme @ object 102 /Title", "raw: Acme @ object 104 stream"},
       ""},
      // The tree lists itself and the catalog as kids; the page lists the tree.
      {"page tree cycles",
       base()
           .edit(2, "[4 0 R]", "[4 0 R 2 0 R 1 0 R]")
           .edit(4, "/Type", "/Kids [2 0 R] /Type")
           .bytes(),
       {kContentHit, kInfoHit},
       ""},
      {"duplicate objects",
       duplicated.bytes(),
       {kBodyHit, kContentHit, kInfoHit, "raw: Acme @ object 100 "},
       ""},
  };
}

std::vector<HostileCase> number_cases() {
  std::vector<HostileCase> cases;
  const std::vector<std::string> all_three = {kBodyHit, kContentHit, kInfoHit};
  cases.push_back(
      {"huge object and generation numbers",
       base()
           .add(100, "<< /Ref 4294967295 65535 R /Big 99999999999999999999 /T (Acme) >>")
           .add(101,
                "(x) endobj\n8388608 0 obj (x) endobj\n4294967296 0 obj (x) endobj\n"
                "99999999999 0 obj (x) endobj\n1 70000 obj (x)")
           .bytes(),
       {kBodyHit, kContentHit, kInfoHit, "raw: Acme @ object 100 /T"},
       ""});
  Doc size = base();
  size.trailer += " /Size 2147483647";
  cases.push_back({"huge /Size", size.bytes(), all_three, ""});
  cases.push_back(
      {"huge /Count", base().edit(2, "/Count 1", "/Count 2147483647").bytes(), all_three, ""});
  std::string kids;
  for (int i = 0; i < 1'000'000; ++i) kids += "4 0 R ";
  cases.push_back({"a million pages",
                   base().edit(2, "[4 0 R] /Count 1", "[" + kids + "] /Count 1000000").bytes(),
                   all_three, ""});
  const std::string length = "/Length " + std::to_string(kText.size());
  cases.push_back({"length far too large", base().edit(5, length, "/Length 99999999999").bytes(),
                   all_three, ""});
  cases.push_back(
      {"negative length", base().edit(5, length, "/Length -36").bytes(), all_three, ""});
  return cases;
}

std::vector<HostileCase> nesting_cases() {
  return {
      {"100000-deep arrays and dictionaries",
       base()
           .add(100, "<< /T (Acme) /Deep " + nested(100'000, "[", "]", "(Acme)") + " >>")
           .add(101, nested(100'000, "<< /K ", " >>", "(Acme)"))
           .add(102, nested(100'000, "[", "", ""))
           .bytes(),
       {kBodyHit, kContentHit, kInfoHit, "raw: Acme @ object 100 /T"},
       ""},
      // The page's own resources nest as deep, and the engine reads them.
      {"100000-deep page resources",
       base().edit(4, "/Font", "/Deep " + nested(100'000, "<< /A ", " >>", "1") + " /Font").bytes(),
       {kContentHit, kInfoHit},
       ""},
  };
}

std::vector<HostileCase> object_stream_cases() {
  // Object stream 100 declares a million objects, at offsets negative, past its data and inside
  // one another; 110 is the only one placed well. Stream 120 puts /First past its end, 130 gives
  // negative counts.
  const std::string pairs = "110 0 111 -5 112 9999 113 3 ";
  const std::string objects = "<< /T (Acme) >> (x) (y)";
  Doc d = base();
  d.add(100, stream_object("/Type /ObjStm /N 1000000 /First " + std::to_string(pairs.size()),
                           pairs + objects));
  d.add(120, stream_object("/Type /ObjStm /N 2 /First 999999", "121 0 122 5\n(Acme) (b)"));
  d.add(130, stream_object("/Type /ObjStm /N -3 /First -1", "131 0\n(Acme)"));
  // A cross-reference stream after the table: the hybrid section that places the compressed
  // objects, one of them at an index the stream does not have.
  std::string entries;
  const auto entry = [&](int type, unsigned f2, unsigned f3) {
    entries += static_cast<char>(type);
    for (int s = 24; s >= 0; s -= 8) entries += static_cast<char>((f2 >> s) & 0xFF);
    entries += static_cast<char>((f3 >> 8) & 0xFF);
    entries += static_cast<char>(f3 & 0xFF);
  };
  for (unsigned i = 0; i < 4; ++i) entry(2, 100, i);
  entry(2, 100, 999);
  entry(2, 120, 0);
  entry(2, 120, 1);
  entry(2, 130, 0);
  d.add(140, stream_object("/Type /XRef /W [1 4 2] /Index [110 5 121 2 131 1] /Size 141", entries));
  std::string bytes = d.bytes();
  const std::size_t at = bytes.find("/Root");
  const std::string stm_offset = std::to_string(bytes.find("140 0 obj"));
  bytes.insert(at, "/XRefStm " + stm_offset + " ");
  return {{"object streams with bad offsets",
           bytes,
           {kBodyHit, kContentHit, kInfoHit, "raw: Acme @ object 110 /T"},
           ""}};
}

std::vector<HostileCase> filter_cases() {
  std::vector<HostileCase> cases;
  const std::vector<std::string> all_three = {kBodyHit, kContentHit, kInfoHit};
  const auto with = [&](std::string hit) {
    std::vector<std::string> hits = all_three;
    hits.push_back(std::move(hit));
    return hits;
  };

  // One Flate stream of a megabyte, one double-Flate stream of a few KB: each inflates to a
  // gigabyte that begins with the term.
  const std::string one = deflated_run(kText, ' ', kGiB);
  const std::string two = deflate(one);
  const std::string flate = "/Filter /FlateDecode", flate2 = "/Filter [/FlateDecode /FlateDecode]";
  cases.push_back({"flate bomb, unused", base().add(100, stream_object(flate, one)).bytes(),
                   with("raw: Acme @ object 100 stream"), ""});
  cases.push_back({"double flate bomb of a few KB, unused",
                   base().add(100, stream_object(flate2, two)).bytes(),
                   with("raw: Acme @ object 100 stream"), ""});
  cases.push_back({"flate bomb as page content", two_contents(stream_object(flate, one)).bytes(),
                   with("raw: Acme @ object 6 stream"), ""});
  cases.push_back({"double flate bomb as page content",
                   two_contents(stream_object(flate2, two)).bytes(),
                   with("raw: Acme @ object 6 stream"), ""});
  cases.push_back(
      {"double flate bomb as a form the page draws",
       two_contents("<< /Length 7 >>\nstream\n/Fm1 Do\nendstream", "/XObject << /Fm1 7 0 R >>")
           .add(7, form("<< /Font << /F1 3 0 R >> >>", two, flate2))
           .bytes(),
       with("raw: Acme @ object 7 stream"), ""});
  cases.push_back({"double flate bomb as an object stream",
                   base()
                       .add(100, stream_object("/Type /ObjStm /N 1 /First 6 " + flate2,
                                               deflate(deflated_run("101 0 (Acme) ", ' ', kGiB))))
                       .bytes(),
                   with("raw: Acme @ object 100 stream"), ""});

  // Forty incremental updates of the Info dictionary over a bomb: every earlier revision is
  // audited again, the bomb in each.
  std::string revised = base().add(100, stream_object(flate2, two)).bytes();
  for (int k = 0; k < 40; ++k) {
    const std::size_t prev = std::stoul(revised.substr(revised.rfind("startxref") + 10));
    const std::size_t at = revised.size();
    revised += "9 0 obj\n<< /Title (Acme, revision " + std::to_string(k + 2) + ") >>\nendobj\n";
    const std::string offset = std::to_string(at);
    const std::size_t xref = revised.size();
    revised += "xref\n9 1\n" + std::string(10 - offset.size(), '0') + offset +
               " 00000 n\r\ntrailer\n<< /Size 101 /Root 1 0 R /Info 9 0 R /Prev " +
               std::to_string(prev) + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  }
  cases.push_back({"forty incremental updates over a double flate bomb", revised,
                   with("raw: Acme @ object 100 stream"), ""});

  // Forms that each draw the next ten times, eight deep: ten million text objects from 2 KB.
  Doc fan_out =
      two_contents("<< /Length 6 >>\nstream\n/Fx Do\nendstream", "/XObject << /Fx 10 0 R >>");
  for (unsigned level = 0; level < 8; ++level) {
    std::string draws;
    for (int i = 0; i < 10; ++i) draws += "/Fx Do ";
    fan_out.add(10 + level,
                level == 7 ? form("<< /Font << /F1 3 0 R >> >>", show_text("x"))
                           : form("<< /XObject << /Fx " + std::to_string(11 + level) + " 0 R >> >>",
                                  draws));
  }
  cases.push_back(
      {"forms that fan out to ten million text objects", fan_out.bytes(), all_three, ""});

  // LZW: early change off, a table that fills several times, a code not yet defined, a missing
  // end-of-data code, an empty stream; and a bomb of a megabyte under a Flate of a few KB.
  std::string varied;
  for (int i = 0; i < 20'000; ++i) varied += std::to_string(i * 7919 % 10007) + " ";
  std::string undefined_code = lzw(kText);
  undefined_code.replace(undefined_code.size() - 2, 2, "\xFF\xFF\xFF\xFF");
  std::string no_eod = lzw(kText);
  no_eod.resize(no_eod.size() - 2);
  const std::string lzw_filter = "/Filter /LZWDecode";
  cases.push_back(
      {"LZW edge cases",
       base()
           .add(100,
                stream_object(lzw_filter + " /DecodeParms << /EarlyChange 0 >>", lzw(kText, false)))
           .add(101, stream_object(lzw_filter, lzw(varied + kText)))
           .add(102, stream_object(lzw_filter, undefined_code))
           .add(103, stream_object(lzw_filter, no_eod))
           .add(104, stream_object(lzw_filter + " /DecodeParms << /EarlyChange 7 >>", lzw(kText)))
           .add(105, stream_object(lzw_filter, ""))
           .bytes(),
       {kBodyHit, kContentHit, kInfoHit, "raw: Acme @ object 100 stream",
        "raw: Acme @ object 101 stream", "raw: Acme @ object 102 stream",
        "raw: Acme @ object 103 stream"},
       ""});
  cases.push_back({"LZW bomb under Flate as page content",
                   two_contents(stream_object("/Filter [/FlateDecode /LZWDecode]",
                                              deflate(lzw_zero_bomb(kGiB))))
                       .bytes(),
                   all_three, ""});

  // Predictors: absurd columns and colours, bits no row size fits, unknown row types, a short
  // last row, a TIFF predictor on 16-bit samples, parameters that are a reference.
  const auto png_rows = [](std::string data, std::size_t columns, char type) {
    data.resize((data.size() + columns - 1) / columns * columns, ' ');
    std::string rows;
    for (std::size_t i = 0; i < data.size(); i += columns) rows += type + data.substr(i, columns);
    return rows;
  };
  const std::string rows = deflate(png_rows(kText, 8, '\0'));
  const auto png = [](const std::string& parms) {
    return "/Filter /FlateDecode /DecodeParms << /Predictor 12 " + parms + " >>";
  };
  cases.push_back(
      {"predictor edge cases",
       base()
           .add(100, stream_object(png("/Columns 8"), rows))
           .add(101, stream_object(
                         png("/Columns 2147483647 /Colors 2147483647 /BitsPerComponent 16"), rows))
           .add(102, stream_object(png("/Columns 8 /BitsPerComponent 3"), rows))
           .add(103, stream_object(png("/Columns 8"), deflate(png_rows(kText, 8, '\x09'))))
           .add(104,
                stream_object(png("/Columns 8"), deflate(png_rows(kText, 8, '\0').substr(0, 20))))
           .add(105, stream_object("/Filter /FlateDecode /DecodeParms << /Predictor 2 "
                                   "/BitsPerComponent 16 /Columns 3 >>",
                                   deflate(kText)))
           .add(106, stream_object(png("/Columns 0"), rows))
           .add(107, stream_object("/Filter /FlateDecode /DecodeParms 107 0 R", rows))
           .bytes(),
       with("raw: Acme @ object 100 stream"), ""});
  return cases;
}

}  // namespace

// An incremental update (an object stream behind a cross-reference stream) on a first revision
// with a classic table. Text only, so it is written with the template expander.
std::string truncation_source() {
  return expand_pdf_template(R"(%PDF-1.7
{{object 1 0}} << /Type /Catalog /Pages 2 0 R /Metadata 8 0 R >> endobj
{{object 2 0}} << /Type /Pages /Kids [4 0 R 6 0 R 11 0 R] /Count 3 >> endobj
{{object 3 0}} << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj
{{object 4 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792]
  /Resources << /Font << /F1 3 0 R >> >> /Contents 5 0 R >> endobj
{{object 5 0}} << {{streamlen}} >>
stream
BT /F1 12 Tf 72 700 Td (Acme) Tj ET
endstream endobj
{{object 6 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots [7 0 R]
  /Resources << /Font << /F1 3 0 R >> >> /Contents 10 0 R >> endobj
{{object 7 0}} << /Type /Annot /Subtype /Text /Rect [0 0 9 9] /Contents (Acme) >> endobj
{{object 8 0}} << /Type /Metadata /Subtype /XML {{streamlen}} >>
stream
<?xpacket begin=''?><x:xmpmeta xmlns:x='adobe:ns:meta/'>Acme</x:xmpmeta><?xpacket end='r'?>
endstream endobj
{{object 9 0}} << /Title (Acme) >> endobj
{{object 10 0}} << {{streamlen}} >>
stream
BT /F1 12 Tf 72 700 Td (second page) Tj ET
endstream endobj
{{object 11 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 12 0 R >> endobj
{{object 12 0}} << {{streamlen}} >>
stream
0 0 m 100 100 l S
endstream endobj
{{xref}}
trailer << /Size {{size}} /Root 1 0 R /Info 9 0 R >>
{{startxref}}
{{object 13 0}} << /Type /ObjStm /N 1 /First 5 {{streamlen}} >>
stream
14 0 << /Note (Acme in an object stream) >>
endstream endobj
{{compressed 14 13 0}}
{{xrefstream 15 /Root 1 0 R /Info 9 0 R}}
{{startxref}}
)");
}

std::vector<HostileCase> hostile_cases() {
  std::vector<HostileCase> all;
  for (auto* make :
       {structure_cases, number_cases, nesting_cases, object_stream_cases, filter_cases}) {
    for (HostileCase& c : make()) all.push_back(std::move(c));
  }
  return all;
}

std::vector<HostileCase> truncations(unsigned count) {
  const std::string good = truncation_source();
  std::vector<HostileCase> cases;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t at = good.size() * i / count;
    cases.push_back(
        {"truncated at byte " + std::to_string(at) + " of " + std::to_string(good.size()),
         good.substr(0, at),
         {},
         ""});
  }
  return cases;
}

}  // namespace quorvel::testing
