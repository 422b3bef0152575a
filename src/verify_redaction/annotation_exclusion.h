// Annotation objects listed by the page tree: the engine reads their fields, so the raw passes
// pass over what it reports.
#pragma once

#include <cstdint>

#include "pdf/document.h"
#include "verify_redaction/object_ids.h"

namespace quorvel::verify {

// Adds to `annotations` the identity of every annotation that the /Annots array (direct, or by
// reference) of a page-tree node lists by reference, descending through /Kids arrays from node
// `num` `gen`. Every node is visited once (`visited`), down to depth 64.
void collect_annotation_ids(const pdf::Document& document, std::uint32_t num, std::uint16_t gen,
                            ObjectIdSet& annotations, ObjectIdSet& visited, unsigned depth);

// The annotations of the page tree that the catalog's /Pages entry refers to; none when the
// catalog is missing or /Pages is not a reference.
ObjectIdSet page_tree_annotation_ids(const pdf::Document& document);

}  // namespace quorvel::verify
