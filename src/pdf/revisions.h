// The earlier revisions of an incrementally updated file: each update appends objects, a
// cross-reference section and a trailer ending in "%%EOF", and leaves every byte before it as it
// was. Cutting the file at the end of an earlier "%%EOF" line gives that revision back whole.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "pdf/document.h"

namespace quorvel::pdf {

// The byte offsets at which the earlier revisions of `document` (loaded from `bytes`) end, oldest
// first: the end of the "%%EOF" line that closes each cross-reference section of the /Prev
// chain but the newest. A section counts only when every older section of the chain lies before
// its end, so the first-page section of a linearized file, which comes first in the file but
// refers to the main section after it, is no revision of its own. For a document whose table was
// rebuilt, every "%%EOF" line that follows a "startxref" ends a revision.
std::vector<std::size_t> earlier_revision_ends(const Document& document, std::string_view bytes);

}  // namespace quorvel::pdf
