// Runs the object passes on a document written as a template, and writes hits as one line each.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "quorvel/report.h"

namespace quorvel::verify::testing {

// "%PDF-1.7", the objects (written with {{object N G}}), a cross-reference table and a trailer
// with /Root 1 0 R and `trailer_entries`.
std::string with_xref(std::string_view objects, std::string_view trailer_entries = "");

// The report of the object passes (raw, Info, XMP lists) on the document `pdf_template`
// expands to, searching for `terms`.
VerifyReport audit(std::string_view pdf_template, const std::vector<std::string>& terms = {"Acme"});

// "term @ location" for each hit, in order.
std::vector<std::string> lines(const std::vector<LeakHit>& hits);

}  // namespace quorvel::verify::testing

namespace quorvel::verify::testing {

// `data` compressed with zlib, for FlateDecode streams.
std::string flate(std::string_view data);

// Stream object `num` with `dict_entries` and `data`, written with {{object}} and {{streamlen}}.
std::string stream(unsigned num, std::string_view dict_entries, std::string_view data);

}  // namespace quorvel::verify::testing
