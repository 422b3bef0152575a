// Annotations listed by the page tree: the strings the engine reads are left to it, everything
// else inside them and everything they refer to stays searched. Needle 'acme' (term 'Acme').
#include "verify_redaction/annotation_exclusion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "audit.h"

namespace quorvel::verify {
namespace {

using testing::audit;
using testing::lines;
using testing::with_xref;
using Hits = std::vector<std::string>;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

std::string page_tree(std::string_view page_entries, std::string_view more) {
  return "{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
         "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
         "{{object 3 0}} << /Type /Page /Parent 2 0 R " +
         std::string(page_entries) + " >> endobj\n" + std::string(more);
}

struct Case {
  std::string name;
  std::string objects;
  Hits raw;
};

TEST(AnnotationExclusion, WhatTheRawPassesStillSearch) {
  const std::string note =
      "{{object 7 0}} << /Subtype /Text /Contents (Acme) /T (ACME) /NM (acme) >> endobj\n";
  const Case cases[] = {
      {"listed by reference: the engine's fields are not searched again",
       page_tree("/Annots [7 0 R]", note),
       {}},
      {"an /Annots array by reference",
       page_tree("/Annots 9 0 R", note + "{{object 9 0}} [7 0 R] endobj"),
       {}},
      {"written inline: walked as part of the page",
       page_tree("/Annots [ << /Subtype /Text /Contents (Acme) >> ]", ""),
       // The catalog leads to the page too.
       {"Acme @ object 3 /Pages/Kids/Annots/Contents", "Acme @ object 3 /Annots/Contents"}},
      {"an appearance stream is still scanned",
       page_tree("/Annots [7 0 R]",
                 "{{object 7 0}} << /Subtype /Widget /AP << /N 12 0 R >> >> endobj\n"
                 "{{object 12 0}} << {{streamlen}} >>\nstream\n(Acme) Tj\nendstream endobj\n"),
       {"Acme @ object 12 stream"}},
      {"a form field value, rich text and subject inside the annotation are searched",
       page_tree("/Annots [7 0 R]",
                 "{{object 7 0}} << /Subtype /Widget /T (name) /V (Acme) /RC (<p>acme</p>)"
                 " /Subj (ACME) /MK << /CA (acme) >> >> endobj\n"),
       {"Acme @ object 7 /V", "Acme @ object 7 /RC", "Acme @ object 7 /Subj",
        "Acme @ object 7 /MK/CA"}},
      {"a link's URI is the engine's, its other action strings are not",
       page_tree("/Annots [7 0 R]",
                 "{{object 7 0}} << /Subtype /Link /A << /S /URI /URI (http://acme.example)"
                 " /Note (acme) >> >> endobj\n"),
       {"Acme @ object 7 /A/Note"}},
      {"a launch action's file is searched",
       page_tree("/Annots [7 0 R]",
                 "{{object 7 0}} << /Subtype /Link /A << /S /Launch /F (acme.exe) >> >> endobj\n"),
       {"Acme @ object 7 /A/F"}},
      {"a duplicate key's hidden value and a non-string Contents are searched",
       page_tree("/Annots [7 0 R]",
                 "{{object 7 0}} << /Subtype /Text /Contents (Acme) /Contents (clean)"
                 " /T [(acme)] >> endobj\n"),
       {"Acme @ object 7 /Contents", "Acme @ object 7 /T"}},
      {"references inside the annotation are walked at their own turn only",
       page_tree("/Annots [7 0 R]",
                 "{{object 7 0}} << /Subtype /Text /Popup 8 0 R >> endobj\n"
                 "{{object 8 0}} << /Subtype /Popup /Note (acme) >> endobj\n"),
       {"Acme @ object 8 /Note"}},
      {"references into an annotation from elsewhere stop at it",
       page_tree("/Annots [7 0 R]",
                 "{{object 5 0}} << /Ref 7 0 R >> endobj\n"
                 "{{object 7 0}} << /Subtype /Text /Note (acme) >> endobj\n"),
       {"Acme @ object 7 /Note"}},
      {"a Kids cycle ends",
       "{{object 1 0}} << /Pages 2 0 R >> endobj\n"
       "{{object 2 0}} << /Kids [3 0 R] >> endobj\n"
       "{{object 3 0}} << /Kids [2 0 R] /Annots [7 0 R] >> endobj\n" +
           note,
       {}},
      {"an inline Pages dictionary collects nothing",
       "{{object 1 0}} << /Pages << /Kids [3 0 R] >> >> endobj\n"
       "{{object 3 0}} << /Annots [7 0 R] >> endobj\n" +
           note,
       {"Acme @ object 7 /Pages/Kids/Annots/Contents", "Acme @ object 7 /Pages/Kids/Annots/T",
        "Acme @ object 7 /Pages/Kids/Annots/NM", "Acme @ object 7 /Contents", "Acme @ object 7 /T",
        "Acme @ object 7 /NM"}},
      {"Kids by reference to an array are not descended into",
       "{{object 1 0}} << /Pages 2 0 R >> endobj\n"
       "{{object 2 0}} << /Kids 4 0 R >> endobj {{object 4 0}} [3 0 R] endobj\n"
       "{{object 3 0}} << /Annots [7 0 R] >> endobj\n" +
           note,
       {"Acme @ object 7 /Pages/Kids/Annots/Contents", "Acme @ object 7 /Pages/Kids/Annots/T",
        "Acme @ object 7 /Pages/Kids/Annots/NM", "Acme @ object 7 /Contents", "Acme @ object 7 /T",
        "Acme @ object 7 /NM"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lines(audit(with_xref(c.objects)).raw_hits), c.raw) << c.name;
  }
}

TEST(AnnotationExclusion, PageTreesDeeperThan64LevelsAreCutOff) {
  // Nodes 2..70 form a chain; the node at depth d is object d + 2. Each lists one annotation.
  std::string objects = "{{object 1 0}} << /Pages 2 0 R >> endobj\n";
  for (unsigned d = 0; d <= 68; ++d) {
    const unsigned node = d + 2, annot = 100 + d;
    objects += "{{object " + std::to_string(node) + " 0}} << /Kids [" + std::to_string(node + 1) +
               " 0 R] /Annots [" + std::to_string(annot) + " 0 R] >> endobj\n";
    objects += "{{object " + std::to_string(annot) + " 0}} << /Contents (acme) >> endobj\n";
  }
  const Hits raw = lines(audit(with_xref(objects)).raw_hits);
  // Depths 0..63 are collected; the annotations of depths 64..68 stay searchable.
  EXPECT_THAT(raw, Not(Contains(HasSubstr("object 163 "))));
  EXPECT_THAT(raw, Not(Contains(HasSubstr("object 100 "))));
  for (int annot = 164; annot <= 168; ++annot)
    EXPECT_THAT(raw, Contains("Acme @ object " + std::to_string(annot) + " /Contents"));
}

}  // namespace
}  // namespace quorvel::verify
