// The document metadata audit: the document information dictionary and XMP metadata streams,
// each reported in a list of its own.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "match/aho_corasick.h"
#include "pdf/document.h"
#include "verify_redaction/object_ids.h"
#include "verify_redaction/records.h"

namespace quorvel::verify {

// The identity of the information dictionary when the trailer's /Info is a reference.
std::optional<pdf::ObjectId> info_object_id(const pdf::Document& document);

// The identities of the XMP metadata streams: every value of a /Metadata entry written by
// reference anywhere inside any object, every stream of /Type /Metadata, and every other stream
// whose content begins, after ASCII white space, with "<?xpacket". Members need not exist or be
// streams.
ObjectIdSet collect_xmp_stream_ids(const pdf::Document& document);

// Adds the identity of every /Metadata entry written by reference inside `object`, without
// following references; `depth` counts the levels of direct nesting already entered.
void collect_metadata_refs_for_audit(const pdf::Object& object, ObjectIdSet& xmp,
                                     unsigned depth = 0);

// The string values of the information dictionary, each as UTF-8 and as big-endian UTF-16: one
// hit per needle per entry, in file order.
std::vector<LeakHit> info_pass(const pdf::Document& document, std::span<const Needle> needles);

// The XMP streams, in ascending identity: one hit per needle over all of them.
std::vector<LeakHit> xmp_pass(const pdf::Document& document, const ObjectIdSet& xmp,
                              std::span<const Needle> needles, const match::AhoCorasick& matcher);

}  // namespace quorvel::verify
