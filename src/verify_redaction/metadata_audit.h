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

// The XMP metadata streams a file declares: every value of a /Metadata entry written by
// reference anywhere inside any object, and every stream of /Type /Metadata. Members need not
// exist or be streams. Every other stream whose content opens an XMP packet is an XMP stream
// too; the stream scan finds those, since it reads every stream's content anyway.
ObjectIdSet declared_xmp_stream_ids(const pdf::Document& document);

// Whether content begins, after ASCII white space, with "<?xpacket".
bool begins_with_xpacket(std::string_view content);

// Whether the stream's content (decoded, or its stored bytes when it does not decode) opens an
// XMP packet, judged from a decoded prefix where that settles it: for the streams whose content
// is not otherwise decoded.
bool opens_xmp_packet(const pdf::Document& document, const pdf::Stream& stream);

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
