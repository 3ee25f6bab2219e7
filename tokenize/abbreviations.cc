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

constexpr std::array<std::string_view, 21> kOthers = {
    "Ave.", "Blvd.", "Dept.", "Rd.", "al.", "approx.", "cf.",  "esp.", "est.", "etc.", "ft.",
    "lb.",  "lbs.",  "mph.",  "oz.", "pp.", "v.",      "viz.", "vol.", "vs.",  "yr."};

// Company, place and date abbreviations, which end a name: before a capital they end the
// sentence, unless the capital continues the name (kNameGoesOn).
constexpr std::array<std::string_view, 69> kNameEnds = {
    "Ala.",  "Apr.",  "Ariz.", "Ark.",  "Assn.", "Aug.",  "Bancorp.", "Bhd.",  "Bros.", "Calif.",
    "Co.",   "Colo.", "Conn.", "Corp.", "Cos.",  "D.C.",  "Dec.",     "Del.",  "Feb.",  "Fla.",
    "Ga.",   "Ill.",  "Inc.",  "Ind.",  "Intl.", "Jan.",  "Jr.",      "Kan.",  "Kans.", "Ky.",
    "L.P.",  "La.",   "Ltd.",  "Mar.",  "Mass.", "Md.",   "Mich.",    "Minn.", "Miss.", "Mo.",
    "Mont.", "N.C.",  "N.D.",  "N.H.",  "N.J.",  "N.M.",  "N.Y.",     "Neb.",  "Nev.",  "Nov.",
    "Oct.",  "Okla.", "Ore.",  "Pa.",   "Plc.",  "R.I.",  "S.C.",     "S.D.",  "Sep.",  "Sept.",
    "Sr.",   "Tenn.", "Tex.",  "Va.",   "Vt.",   "W.Va.", "Wash.",    "Wis.",  "Wyo."};

constexpr std::array<std::string_view, 9> kNameGoesOn = {
    "Chairman", "Chief", "Co.", "Corp.", "Inc.", "Ltd.", "PLC", "President", "Vice"};

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
static_assert(sorted(kTitles) && sorted(kOthers) && sorted(kNameEnds) && sorted(kNameGoesOn) &&
              sorted(kStarters));

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
  const std::string listed_form = capitalised(word);
  for (std::string_view form : {word, std::string_view(listed_form)}) {
    if (listed(kTitles, form)) return Abbreviation::title;
    if (listed(kNameEnds, form)) return Abbreviation::name_end;
    if (listed(kOthers, form)) return Abbreviation::other;
  }
  std::size_t hyphen = word.rfind('-');
  if (dotted_letters(hyphen == std::string_view::npos ? word : word.substr(hyphen + 1)))
    return Abbreviation::other;
  return Abbreviation::none;
}

bool starts_sentence(std::string_view word) { return listed(kStarters, word); }

bool continues_name(std::string_view word) { return listed(kNameGoesOn, word); }

}  // namespace vornik
