// Fixed word lists for the sentence splitter: abbreviations by kind and the usual first
// words of English sentences. Lookups are binary searches in sorted tables.
#include "tokenize/abbreviations.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace vornik {
namespace {

// Sorted (byte order) so that lookups can binary-search; a static_assert keeps them so.
constexpr std::array<std::string_view, 27> kTitles = {
    "Adm.", "Capt.", "Cmdr.", "Col.",    "Dr.",   "Fig.", "Ft.",  "Gen.",  "Gov.",
    "Hon.", "Lt.",   "Maj.",  "Messrs.", "Mmes.", "Mr.",  "Mrs.", "Ms.",   "Mt.",
    "No.",  "Nos.",  "Prof.", "Rep.",    "Reps.", "Rev.", "Sen.", "Sens.", "St."};

constexpr std::array<std::string_view, 78> kOthers = {
    "Ala.",  "Apr.",   "Ariz.",   "Ark.",  "Assn.", "Aug.",  "Ave.",  "Bancorp.", "Bhd.",  "Blvd.",
    "Bros.", "Calif.", "Co.",     "Colo.", "Conn.", "Corp.", "Cos.",  "Dec.",     "Del.",  "Dept.",
    "Feb.",  "Fla.",   "Ga.",     "Ill.",  "Inc.",  "Ind.",  "Intl.", "Jan.",     "Jr.",   "Kan.",
    "Kans.", "Ky.",    "La.",     "Ltd.",  "Mar.",  "Mass.", "Md.",   "Mich.",    "Minn.", "Miss.",
    "Mo.",   "Mont.",  "Neb.",    "Nev.",  "Nov.",  "Oct.",  "Okla.", "Ore.",     "Pa.",   "Plc.",
    "Rd.",   "Sep.",   "Sept.",   "Sr.",   "Tenn.", "Tex.",  "Va.",   "Vt.",      "Wash.", "Wis.",
    "Wyo.",  "al.",    "approx.", "cf.",   "esp.",  "est.",  "etc.",  "ft.",      "lb.",   "lbs.",
    "mph.",  "oz.",    "pp.",     "v.",    "viz.",  "vol.",  "vs.",   "yr."};

constexpr std::array<std::string_view, 93> kStarters = {
    "A",      "After",     "Also",         "Although", "An",    "And",     "Another", "Any",
    "As",     "At",        "Because",      "Before",   "Both",  "But",     "By",      "Despite",
    "During", "Each",      "Earlier",      "Either",   "Even",  "Every",   "For",     "From",
    "He",     "Her",       "Here",         "His",      "How",   "However", "I",       "If",
    "In",     "Indeed",    "Instead",      "It",       "Its",   "Last",    "Later",   "Like",
    "Many",   "Meanwhile", "Moreover",     "Most",     "Mr.",   "Mrs.",    "Ms.",     "Much",
    "My",     "Neither",   "Nevertheless", "No",       "Nor",   "Not",     "Now",     "Of",
    "On",     "Once",      "One",          "Only",     "Or",    "Other",   "Our",     "Separately",
    "She",    "Since",     "So",           "Some",     "Still", "Such",    "That",    "The",
    "Their",  "Then",      "There",        "These",    "They",  "This",    "Those",   "Though",
    "Thus",   "To",        "Under",        "Unlike",   "We",    "What",    "When",    "Where",
    "While",  "Why",       "Yesterday",    "Yet",      "You"};

constexpr bool sorted(auto const &table) {
  for (std::size_t i = 1; i < table.size(); ++i)
    if (!(table[i - 1] < table[i])) return false;
  return true;
}
static_assert(sorted(kTitles) && sorted(kOthers) && sorted(kStarters));

bool listed(auto const &table, std::string_view word) {
  return std::binary_search(table.begin(), table.end(), word);
}

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_alpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "INC." -> "Inc.": the listed spelling of an all-capital word (empty if not all capitals).
std::string capitalised(std::string_view word) {
  if (word.size() < 3) return {};
  for (char c : word.substr(0, word.size() - 1))
    if (!is_upper(c)) return {};
  std::string result(word);
  for (std::size_t i = 1; i + 1 < result.size(); ++i)
    result[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(result[i])));
  return result;
}

// Letters in runs of one or two, each run followed by ".", at least two runs: "U.S.",
// "e.g.", "Ph.D.", "a.m.".
bool dotted_letters(std::string_view word) {
  std::size_t runs = 0, i = 0;
  while (i < word.size()) {
    std::size_t start = i;
    while (i < word.size() && is_alpha(word[i])) ++i;
    if (i == start || i - start > 2 || i == word.size() || word[i] != '.') return false;
    ++i;
    ++runs;
  }
  return runs >= 2;
}

}  // namespace

Abbreviation abbreviation_kind(std::string_view word) {
  if (word.size() == 2 && is_upper(word[0])) return Abbreviation::title;
  if (listed(kTitles, word)) return Abbreviation::title;
  if (listed(kOthers, word)) return Abbreviation::other;
  if (std::string listed_form = capitalised(word); !listed_form.empty()) {
    if (listed(kTitles, listed_form)) return Abbreviation::title;
    if (listed(kOthers, listed_form)) return Abbreviation::other;
  }
  std::size_t hyphen = word.rfind('-');
  if (dotted_letters(hyphen == std::string_view::npos ? word : word.substr(hyphen + 1)))
    return Abbreviation::other;
  return Abbreviation::none;
}

bool starts_sentence(std::string_view word) { return listed(kStarters, word); }

}  // namespace vornik
