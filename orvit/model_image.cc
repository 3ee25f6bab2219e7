// Writing, checking and mapping model images (the layout is in
// docs/orvit-model-format.md).
#include "orvit/model_image.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "orvit/error.h"
#include "orvit/file_io.h"
#include "orvit/model_loader.h"
#include "orvit/perceptron_tagger.h"
#include "orvit/pos_tagger.h"
#include "orvit/tagger.h"

// An image is a 64-byte header, the scalars, a directory of (offset, count) pairs and the
// arrays themselves, each at an offset that is a multiple of 8, in the byte order of the
// machine that wrote it (recorded, and refused elsewhere).

namespace orvit {

namespace {

constexpr char kImageMagic[8] = {'o', 'r', 'v', 'i', 't', 'i', 'm', 'g'};
constexpr uint32_t kImageVersion = 1;
constexpr uint32_t kByteOrderMark = 0x01020304;
constexpr size_t kHeaderSize = 64;
// The model kinds, as recorded in the header.
constexpr uint32_t kHmmKind = 0, kPerceptronKind = 1, kPosKind = 2;
// HMM: four per string index, five for the transitions, four lexicon arrays, and six
// arrays beside the index of each word class's suffix trie.
constexpr uint32_t kHmmSections = 4 + 5 + 4 + 4 + kWordClassCount * (4 + 6);
// Perceptron: two string indexes, keys, weights, slots, transitions, one-part rows,
// class codes and the class templates' rows.
constexpr uint32_t kPerceptronSections = 4 + 4 + 6 + kClassTemplates;
// POS perceptron: three string indexes (labels, lexicon, features), restrictions, tag
// offsets, tags, open labels, weights and transitions.
constexpr uint32_t kPosSections = 3 * 4 + 6;

struct Header {
  char magic[8];
  uint32_t version;
  uint32_t byte_order;
  uint64_t image_size;
  uint64_t text_size;
  uint64_t text_hash;
  uint64_t body_hash;  // of every byte after the header
  uint32_t sections;
  uint32_t kind;
  uint32_t unused[2];
};
static_assert(sizeof(Header) == kHeaderSize);

struct Scalars {
  double theta;
  int32_t max_suffix;
  int32_t states;
};

struct PerceptronScalars {
  uint32_t dense_classes;
  uint32_t unused[3];
};
static_assert(sizeof(PerceptronScalars) == sizeof(Scalars));

struct Section {
  uint64_t offset;
  uint64_t count;
};

constexpr size_t kDirectoryOffset = kHeaderSize + sizeof(Scalars);
// Where the arrays of an image with `sections` sections start.
constexpr size_t data_offset(uint32_t sections) {
  return kDirectoryOffset + sections * sizeof(Section);
}

// A 64-bit hash of `bytes`, four independent lanes of multiply-xorshift mixing so
// that several megabytes take well under a millisecond.
uint64_t hash_bytes(std::string_view bytes) {
  constexpr uint64_t kMul = 0xC2B2AE3D27D4EB4Full;
  uint64_t lane[4] = {0x9E3779B97F4A7C15ull, 0xD6E8FEB86659FD93ull, 0xA0761D6478BD642Full,
                      0xE7037ED1A0B428DBull ^ bytes.size()};
  const char *p = bytes.data();
  size_t n = bytes.size();
  auto mix = [](uint64_t h, uint64_t w) {
    h = (h ^ w) * kMul;
    return h ^ (h >> 29);
  };
  for (; n >= 32; p += 32, n -= 32) {
    uint64_t w[4];
    std::memcpy(w, p, 32);
    for (int k = 0; k < 4; ++k) lane[k] = mix(lane[k], w[k]);
  }
  for (int k = 0; n > 0; k = (k + 1) % 4) {
    uint64_t w = 0;
    const size_t take = n < 8 ? n : 8;
    std::memcpy(&w, p, take);
    lane[k] = mix(lane[k], w);
    p += take;
    n -= take;
  }
  uint64_t h = lane[0];
  for (int k = 1; k < 4; ++k) h = mix(h * 0x94D049BB133111EBull, lane[k]);
  return h ^ (h >> 32);
}

class ImageWriter {
 public:
  explicit ImageWriter(uint32_t sections) : out_(data_offset(sections), '\0') {}

  template <typename T>
  void add(std::span<const T> items) {
    Section s{out_.size(), items.size()};
    if (!items.empty())
      out_.append(reinterpret_cast<const char *>(items.data()), items.size_bytes());
    out_.resize((out_.size() + 7) / 8 * 8, '\0');
    std::memcpy(&out_[kDirectoryOffset + sections_++ * sizeof(Section)], &s, sizeof s);
  }
  void add(const StringIndex &index) {
    add(index.arena);
    add(index.offsets);
    add(index.hashes);
    add(index.slots);
  }

  template <typename ScalarRecord>
  std::string finish(uint32_t kind, const ScalarRecord &scalars, std::string_view text) {
    static_assert(sizeof scalars == sizeof(Scalars));
    std::memcpy(&out_[kHeaderSize], &scalars, sizeof scalars);
    Header h{};
    std::memcpy(h.magic, kImageMagic, sizeof h.magic);
    h.version = kImageVersion;
    h.byte_order = kByteOrderMark;
    h.image_size = out_.size();
    h.text_size = text.size();
    h.text_hash = hash_bytes(text);
    h.body_hash = hash_bytes(std::string_view(out_).substr(kHeaderSize));
    h.sections = sections_;
    h.kind = kind;
    std::memcpy(out_.data(), &h, sizeof h);
    return std::move(out_);
  }

 private:
  std::string out_;
  uint32_t sections_ = 0;
};

// Reads the sections of a checked image in the writer's order; the first section
// that lies outside the image or is misaligned makes ok() false, and bad_entry() the
// offset of its directory entry.
class ImageReader {
 public:
  // `image` has passed check_header with `sections` sections.
  ImageReader(std::string_view image, uint32_t sections) : image_(image), sections_(sections) {}

  template <typename T>
  void take(std::span<const T> &out) {
    if (next_ == sections_) {
      ok_ = false;
      return;
    }
    const size_t entry = kDirectoryOffset + next_++ * sizeof(Section);
    Section s;
    std::memcpy(&s, image_.data() + entry, sizeof s);
    const size_t start = data_offset(sections_);
    if (s.offset < start || s.offset % 8 != 0 || s.offset > image_.size() ||
        s.count > (image_.size() - s.offset) / sizeof(T)) {
      if (ok_) bad_entry_ = entry;
      ok_ = false;
      return;
    }
    out = {reinterpret_cast<const T *>(image_.data() + s.offset), static_cast<size_t>(s.count)};
  }
  void take(StringIndex &index) {
    take(index.arena);
    take(index.offsets);
    take(index.hashes);
    take(index.slots);
  }
  bool ok() const { return ok_; }
  size_t bad_entry() const { return bad_entry_; }

 private:
  std::string_view image_;
  uint32_t sections_;
  uint32_t next_ = 0;
  bool ok_ = true;
  size_t bad_entry_ = 0;
};

// Both the writer and the reader visit the sections through this one list.
template <typename Visit>
void visit_sections(ModelView &v, Visit &&visit) {
  visit(v.tags);
  visit(v.transitions.dense);
  visit(v.transitions.unseen);
  visit(v.transitions.seen_begin);
  visit(v.transitions.seen_t1);
  visit(v.transitions.seen_logp);
  visit(v.words);
  visit(v.word_begin);
  visit(v.entry_tag);
  visit(v.entry_logp);
  visit(v.tag_prob);
  for (ModelView::SuffixClass &c : v.suffix) {
    visit(c.suffixes);
    visit(c.begin);
    visit(c.tag);
    visit(c.count);
    visit(c.total);
    visit(c.root_tags);
    visit(c.root_probs);
  }
}

// `bounds` of `size` + 1 non-decreasing offsets, the last at most `limit`.
bool offsets_ok(std::span<const uint32_t> bounds, size_t size, size_t limit) {
  if (bounds.size() != size + 1 || bounds[0] != 0) return false;
  for (size_t i = 0; i < size; ++i)
    if (bounds[i] > bounds[i + 1]) return false;
  return bounds[size] <= limit;
}

bool ids_below(std::span<const uint16_t> ids, size_t limit) {
  for (uint16_t id : ids)
    if (id >= limit) return false;
  return true;
}

bool index_ok(const StringIndex &index) {
  const size_t n = index.size(), slots = index.slots.size();
  if (!offsets_ok(index.offsets, n, index.arena.size())) return false;
  if (slots < 2 * n || slots < 1 || (slots & (slots - 1)) != 0) return false;
  // Every slot -1 or an id below n, at most n of them used, so that every probe ends
  // at an empty slot. Counted without an early exit, so the loop runs as vector code.
  size_t used = 0, out_of_range = 0;
  for (const int32_t id : index.slots) {
    used += id >= 0;
    out_of_range += id < -1 || id >= static_cast<int64_t>(n);
  }
  return out_of_range == 0 && used <= n;
}

// Every index a tagger follows stays inside its array.
bool tables_ok(const ModelView &v) {
  const size_t tags = v.tags.size(), s = tags + 2;
  const TransitionView &tr = v.transitions;
  if (tags == 0 || s > 65535 || tr.states != static_cast<int>(s) || !index_ok(v.tags)) return false;
  if (tr.is_dense()) {
    if (tr.dense.size() != s * s * s) return false;
  } else if (tr.unseen.size() != s * s || tr.seen_t1.size() != tr.seen_logp.size() ||
             !offsets_ok(tr.seen_begin, s * s, tr.seen_t1.size()) || !ids_below(tr.seen_t1, s)) {
    return false;
  }
  if (!index_ok(v.words) || !offsets_ok(v.word_begin, v.words.size(), v.entry_tag.size()) ||
      v.entry_logp.size() != v.entry_tag.size() || !ids_below(v.entry_tag, tags) ||
      v.tag_prob.size() != tags || v.max_suffix < 1) {
    return false;
  }
  for (const ModelView::SuffixClass &c : v.suffix) {
    const size_t n = c.suffixes.size();
    if (!index_ok(c.suffixes) || !offsets_ok(c.begin, n, c.tag.size()) ||
        c.count.size() != c.tag.size() || c.total.size() != n || !ids_below(c.tag, tags) ||
        c.root_probs.size() != c.root_tags.size() || !ids_below(c.root_tags, tags)) {
      return false;
    }
  }
  return true;
}

template <typename Visit>
void visit_sections(PerceptronView &v, Visit &&visit) {
  visit(v.label_names);
  visit(v.parts);
  visit(v.keys);
  visit(v.weights);
  visit(v.slots);
  visit(v.trans);
  visit(v.unigram_rows);
  visit(v.class_codes);
  for (std::span<const int32_t> &rows : v.class_rows) visit(rows);
}

// Every entry of `rows` is -1 or a feature row below `features`.
bool rows_ok(std::span<const int32_t> rows, size_t features) {
  for (int32_t row : rows)
    if (row < -1 || row >= static_cast<int64_t>(features)) return false;
  return true;
}

// Every index a perceptron tagger follows stays inside its array, and every probe of
// the feature hash ends at an empty slot.
bool tables_ok(const PerceptronView &v) {
  const size_t labels = v.label_names.size(), features = v.keys.size();
  const size_t codes = v.parts.size() + 2, slots = v.slots.size();
  if (labels == 0 || labels > static_cast<size_t>(kMaxLabels) || !index_ok(v.label_names) ||
      !index_ok(v.parts) || v.parts.size() > kMaxParts || v.weights.size() / labels != features ||
      v.weights.size() % labels != 0 || v.trans.size() != (labels + 1) * (labels + 1) ||
      slots == 0 || (slots & (slots - 1)) != 0 || features >= slots ||
      v.unigram_rows.size() != kUnigramTemplates * codes || !rows_ok(v.unigram_rows, features)) {
    return false;
  }
  // At most `features` slots used (one stays empty), each naming a row below it;
  // counted without an early exit, so the loop runs as vector code.
  size_t used = 0, out_of_range = 0;
  for (const FeatureSlot &slot : v.slots) {
    used += slot.key != 0;
    out_of_range += slot.key != 0 && slot.row >= features;
  }
  if (out_of_range != 0 || used > features) return false;
  if (v.class_codes.empty()) {
    if (v.dense_classes != 0) return false;
    for (std::span<const int32_t> rows : v.class_rows)
      if (!rows.empty()) return false;
    return true;
  }
  if (v.class_codes.size() != codes || v.dense_classes < 1 || v.dense_classes >= kMaxDenseClasses)
    return false;
  for (uint32_t index : v.class_codes)
    if (index >= v.dense_classes) return false;
  for (size_t t = 0; t < kClassTemplates; ++t) {
    size_t cells = 1;
    for (int k = 0; k < feature_templates()[kUnigramTemplates + t].arity; ++k)
      cells *= v.dense_classes;
    if (v.class_rows[t].size() != cells || !rows_ok(v.class_rows[t], features)) return false;
  }
  return true;
}

template <typename Visit>
void visit_sections(PosView &v, Visit &&visit) {
  visit(v.label_names);
  visit(v.lexicon);
  visit(v.restricted_words);
  visit(v.tag_begin);
  visit(v.tags);
  visit(v.open);
  visit(v.features);
  visit(v.weights);
  visit(v.trans);
}

// Every index a POS tagger follows stays inside its array.
bool tables_ok(const PosView &v) {
  const size_t labels = v.label_names.size(), words = v.lexicon.size();
  return labels > 0 && labels <= 4000 && index_ok(v.label_names) && index_ok(v.lexicon) &&
         index_ok(v.features) && v.restricted_words.size() == words &&
         offsets_ok(v.tag_begin, words, v.tags.size()) && ids_below(v.tags, labels) &&
         ids_below(v.open, labels) && v.weights.size() / labels == v.features.size() &&
         v.weights.size() % labels == 0 && v.trans.size() == (labels + 1) * (labels + 1);
}

// Whether any of `values` is NaN or an infinity: its exponent bits are all set. A
// branch-free pass over the bits, fast on the megabytes of a model's weights.
template <typename Real>
bool any_not_finite(std::span<const Real> values) {
  using Bits = std::conditional_t<sizeof(Real) == 4, uint32_t, uint64_t>;
  constexpr Bits kExponent = static_cast<Bits>(sizeof(Real) == 4 ? 0x7F800000 : 0x7FF0000000000000);
  Bits found = 0;
  for (const Real &x : values) {
    Bits bits;
    std::memcpy(&bits, &x, sizeof bits);
    found |= (bits & kExponent) == kExponent;
  }
  return found != 0;
}

// The offset in `image` of the first real number of `v` a tagger could not compute
// with, 0 when there is none: NaN or infinity anywhere, except -inf in the trigram
// HMM's log-probability tables (`float`), where it means "never".
template <typename View>
size_t first_bad_real(std::string_view image, View &v, bool minus_infinity_allowed) {
  size_t bad = 0;
  visit_sections(v, [&](const auto &section) {
    using Span = std::decay_t<decltype(section)>;
    constexpr bool kFloats = std::is_same_v<Span, std::span<const float>>;
    if constexpr (kFloats || std::is_same_v<Span, std::span<const double>>) {
      if (bad != 0 || !any_not_finite(section)) return;
      for (const auto &x : section) {
        if (bad != 0 || std::isfinite(x) || (kFloats && minus_infinity_allowed && x == -INFINITY))
          continue;
        bad = static_cast<size_t>(reinterpret_cast<const char *>(&x) - image.data());
      }
    }
  });
  return bad;
}

// The refusal of an image whose sections were read by `reader` into `v` (checked by
// tables_ok as `tables`): "" when it can be used.
template <typename View>
std::string check_sections(std::string_view image, const ImageReader &reader, bool tables, View &v,
                           bool minus_infinity_allowed) {
  if (!reader.ok())
    return "model image with a section outside it (directory entry at offset " +
           std::to_string(reader.bad_entry()) + ")";
  if (!tables) return "model image with inconsistent tables";
  if (const size_t bad = first_bad_real(image, v, minus_infinity_allowed); bad != 0)
    return "model image with a NaN or infinite value at offset " + std::to_string(bad);
  return "";
}

// Checks an image's header against the text model `text` and the body's hash: "" when
// they match, otherwise the refusal. Leaves the kind and sections to the caller.
std::string check_header(std::string_view image, std::string_view text, Header &h) {
  if (image.size() < sizeof h || std::memcmp(image.data(), kImageMagic, sizeof kImageMagic) != 0)
    return "not an orvit model image";
  std::memcpy(&h, image.data(), sizeof h);
  if (h.version != kImageVersion || h.byte_order != kByteOrderMark)
    return "model image of another version or byte order";
  if (h.image_size != image.size() || h.sections > image.size() / sizeof(Section) ||
      image.size() < data_offset(h.sections))
    return "truncated model image";
  if (h.text_size != text.size() || h.text_hash != hash_bytes(text))
    return "model image built from another version of the model";
  if (h.body_hash != hash_bytes(image.substr(kHeaderSize))) return "damaged model image";
  return "";
}

// Replaces the file at `path` by `data` at once (a new file renamed over it), so a
// reader never sees half an image. False, with errno set, on failure.
bool replace_file(const std::string &path, std::string_view data) {
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = write_all(fd, data);
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    const int cause = errno;
    ::unlink(temporary.c_str());
    errno = cause;
  }
  return ok;
}

// Reads the sections of an image into `v`, when the header names `kind` and its number
// of sections, and checks them: "" or the refusal.
template <typename View>
std::string take_sections(std::string_view image, const Header &h, uint32_t kind, uint32_t sections,
                          View &v, bool minus_infinity_allowed) {
  if (h.kind != kind || h.sections != sections) return "model image with inconsistent tables";
  ImageReader reader(image, h.sections);
  visit_sections(v, [&](auto &section) { reader.take(section); });
  const bool tables = reader.ok() && tables_ok(v);
  return check_sections(image, reader, tables, v, minus_infinity_allowed);
}

}  // namespace

std::string image_path(const std::string &model_path) { return model_path + ".bin"; }

std::string write_model_image(const ModelView &view, std::string_view text) {
  ImageWriter writer(kHmmSections);
  ModelView copy = view;
  visit_sections(copy, [&](const auto &section) { writer.add(section); });
  return writer.finish(kHmmKind, Scalars{view.theta, view.max_suffix, view.transitions.states},
                       text);
}

std::string write_model_image(const PerceptronView &view, std::string_view text) {
  ImageWriter writer(kPerceptronSections);
  PerceptronView copy = view;
  visit_sections(copy, [&](const auto &section) { writer.add(section); });
  return writer.finish(kPerceptronKind, PerceptronScalars{view.dense_classes, {}}, text);
}

std::string write_model_image(const PosView &view, std::string_view text) {
  ImageWriter writer(kPosSections);
  PosView copy = view;
  visit_sections(copy, [&](const auto &section) { writer.add(section); });
  return writer.finish(kPosKind, PerceptronScalars{}, text);
}

void write_model_files(const std::string &path, const std::string &text) {
  write_file(path, text);
  if (path == "-") return;
  std::string image;
  if (is_pos_model(text)) {
    PosModel model;
    parse_pos_model(text, path, model);
    image = write_model_image(model, text);
  } else if (is_perceptron_model(text)) {
    PerceptronModel model;
    parse_perceptron_model(text, path, model);
    image = write_model_image(model, text);
  } else {
    Model model;
    parse_model(text, path, model);
    image = write_model_image(model.view(), text);
  }
  if (!replace_file(image_path(path), image))
    throw Error(image_path(path) + ": " + std::strerror(errno));
}

std::string read_model_image(std::string_view image, std::string_view text, ModelView &view) {
  Header h;
  if (std::string refused = check_header(image, text, h); !refused.empty()) return refused;
  Scalars scalars;
  std::memcpy(&scalars, image.data() + kHeaderSize, sizeof scalars);
  ModelView v;
  v.theta = scalars.theta;
  v.max_suffix = scalars.max_suffix;
  v.transitions.states = scalars.states;
  if (h.kind == kHmmKind && h.sections == kHmmSections && !std::isfinite(v.theta))
    return "model image with a NaN or infinite value at offset " +
           std::to_string(kHeaderSize + offsetof(Scalars, theta));
  if (std::string refused = take_sections(image, h, kHmmKind, kHmmSections, v, true);
      !refused.empty())
    return refused;
  view = v;
  return "";
}

std::string read_model_image(std::string_view image, std::string_view text, PerceptronView &view) {
  Header h;
  if (std::string refused = check_header(image, text, h); !refused.empty()) return refused;
  PerceptronScalars scalars;
  std::memcpy(&scalars, image.data() + kHeaderSize, sizeof scalars);
  PerceptronView v;
  v.dense_classes = scalars.dense_classes;
  if (std::string refused = take_sections(image, h, kPerceptronKind, kPerceptronSections, v, false);
      !refused.empty())
    return refused;
  view = v;
  return "";
}

std::string read_model_image(std::string_view image, std::string_view text, PosView &view) {
  Header h;
  if (std::string refused = check_header(image, text, h); !refused.empty()) return refused;
  PosView v;
  if (std::string refused = take_sections(image, h, kPosKind, kPosSections, v, false);
      !refused.empty())
    return refused;
  view = v;
  return "";
}

MappedFile::~MappedFile() { unmap(); }

bool MappedFile::map(const std::string &path) {
  unmap();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status;
  if (::fstat(fd, &status) != 0) {
    const int cause = errno;
    ::close(fd);
    errno = cause;
    return false;
  }
  if (status.st_size == 0) {  // nothing to map; an empty view
    ::close(fd);
    return true;
  }
  void *data = ::mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ,
                      MAP_SHARED | MAP_POPULATE, fd, 0);
  const int cause = errno;
  ::close(fd);
  if (data == MAP_FAILED) {
    errno = cause;
    return false;
  }
  data_ = static_cast<const char *>(data);
  size_ = static_cast<size_t>(status.st_size);
  return true;
}

void MappedFile::unmap() {
  if (data_) ::munmap(const_cast<char *>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

TaggingModel::TaggingModel(const std::string &path, double beam, std::FILE *warnings) {
  // A model is always a named file: standard input carries the text to tag.
  if (!text_.map(path)) throw Error(path + ": " + std::strerror(errno));
  if (is_perceptron_model(text_.bytes())) {
    PerceptronView view;
    if (!map_image(path, view, warnings)) {
      perceptron_ = std::make_unique<PerceptronModel>();
      parse_perceptron_model(text_.bytes(), path, *perceptron_);
      view = *perceptron_;
      write_image(path, write_model_image(view, text_.bytes()), warnings);
    }
    tagger_ = std::make_unique<PerceptronTagger>(view);
  } else if (is_pos_model(text_.bytes())) {
    PosView view;
    if (!map_image(path, view, warnings)) {
      pos_ = std::make_unique<PosModel>();
      parse_pos_model(text_.bytes(), path, *pos_);
      view = *pos_;
      write_image(path, write_model_image(view, text_.bytes()), warnings);
    }
    tagger_ = std::make_unique<PosTagger>(view);
  } else {
    ModelView view;
    if (!map_image(path, view, warnings)) {
      parsed_ = std::make_unique<Model>();
      parse_model(text_.bytes(), path, *parsed_);
      view = parsed_->view();
      write_image(path, write_model_image(view, text_.bytes()), warnings);
    }
    tagger_ = std::make_unique<Tagger>(view, beam);
  }
  text_.unmap();
}

template <typename View>
bool TaggingModel::map_image(const std::string &path, View &view, std::FILE *warnings) {
  const std::string image = image_path(path);
  if (!image_.map(image)) return false;
  const std::string refused = read_model_image(image_.bytes(), text_.bytes(), view);
  if (refused.empty()) return true;
  image_.unmap();
  foreign_image_ = refused == "not an orvit model image";
  if (warnings)
    std::fprintf(warnings, "orvit: %s: %s; reading %s instead\n", image.c_str(), refused.c_str(),
                 path.c_str());
  return false;
}

void TaggingModel::write_image(const std::string &path, std::string_view bytes,
                               std::FILE *warnings) {
  // A file of someone else's under the image's name is left alone.
  const std::string image = image_path(path);
  if (!foreign_image_ && !replace_file(image, bytes) && warnings)
    std::fprintf(warnings, "orvit: cannot write the model image %s: %s\n", image.c_str(),
                 std::strerror(errno));
}

}  // namespace orvit
