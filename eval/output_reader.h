// Reads what vornik prints for a run -- tab-indented bracketing, its LISP form (-Olisp)
// or the negra export format (-Onegra), told apart by the first sentence -- into
// sentences whose chunks come from flattening each sentence tree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "eval/chunked_sentence.h"

namespace vornik {

// The sentences of `text`, in order. Lines between sentences (the "%%" header, markup
// lines copied with -c, blank lines) and markup lines inside bracketed sentences are
// skipped. Each phrase node with a category gives one chunk per maximal run of
// consecutive words directly below it; its nested phrases give their own chunks.
// A word that the chunk tags leave outside the structure ("2" or "i") is printed in
// bracketing inside the phrase open at its place, and is counted there; the export
// format puts it at the top, outside chunks. Throws orvit::Error "NAME:LINE: what"
// (NAME is `name`) for malformed text.
std::vector<Sentence> read_output(const std::string &name, std::string_view text);

}  // namespace vornik
