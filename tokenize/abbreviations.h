// The word lists behind sentence splitting: which words ending in "." are abbreviations
// (kept whole), which of them never end a sentence, and which capitalised words usually
// begin one. The lists are fixed tables of English (WSJ-style) usage.
#pragma once

#include <string_view>

namespace vornik {

enum class Abbreviation {
  none,      // not an abbreviation: a final "." is a full stop of its own
  title,     // stands before a name or number and never ends a sentence: "Mr.", "J.", "No."
  name_end,  // ends a name (company, place, date): ends a sentence before a capital that
             // does not continue the name: "Inc.", "Calif.", "N.Y.", "Jr.", "Oct."
  other,     // ends a sentence only when the next word begins one: "U.S.", "a.m.", "etc."
};

// The kind of `word`, which ends in ".": a listed abbreviation (an all-capital word is
// also looked up with the listed spelling, so "INC." counts as "Inc."), a single capital
// letter (an initial), or letters joined by dots ("U.S.", "e.g.", "Ph.D.", also after a
// hyphen: "non-U.S.").
Abbreviation abbreviation_kind(std::string_view word);

// Whether `word` is a capitalised word that usually starts a sentence rather than
// continuing a name ("The", "But", "He", "Mr."), so that an abbreviation before it ends
// the sentence: "... Co. The ..." splits, "... Co. Chairman ..." does not.
bool starts_sentence(std::string_view word);

// Whether `word` continues a name after a name_end abbreviation ("Co. PLC",
// "Corp. Chairman"), so that the abbreviation does not end the sentence.
bool continues_name(std::string_view word);

}  // namespace vornik
