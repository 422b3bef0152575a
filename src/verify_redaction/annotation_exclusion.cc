#include "verify_redaction/annotation_exclusion.h"

#include "resource_limits.h"

namespace quorvel::verify {
void collect_annotation_ids(const pdf::Document& document, std::uint32_t num, std::uint16_t gen,
                            ObjectIdSet& annotations, ObjectIdSet& visited, unsigned depth) {
  if (depth >= limits::kMaxPageTreeDepth) return;
  // Marked before it is looked at, so a node that is not a dictionary is not looked at twice.
  if (!visited.insert({num, gen}).second) return;
  const auto node = document.get_dictionary({num, gen});
  if (!node) return;

  // Only a direct /Kids array is descended into, whatever the node's /Type.
  const pdf::Object kids = node->get("Kids");
  for (const pdf::Object& kid : kids.items()) {
    if (const auto id = kid.as_reference())
      collect_annotation_ids(document, id->num, id->gen, annotations, visited, depth + 1);
  }

  pdf::Object annots = node->get("Annots");
  if (const auto id = annots.as_reference()) {
    const auto target = document.get(*id);
    annots = target ? *target : pdf::Object();
  }
  for (const pdf::Object& annot : annots.items()) {
    if (const auto id = annot.as_reference()) annotations.insert(*id);
  }
}

ObjectIdSet page_tree_annotation_ids(const pdf::Document& document) {
  ObjectIdSet annotations;
  const auto catalog = document.catalog();
  if (!catalog) return annotations;
  if (const auto pages = catalog->get("Pages").as_reference()) {
    ObjectIdSet visited;
    collect_annotation_ids(document, pages->num, pages->gen, annotations, visited, 0);
  }
  return annotations;
}

}  // namespace quorvel::verify
