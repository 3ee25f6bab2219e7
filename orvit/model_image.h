// Model images: a parsed text model's tables laid out flat in "<model>.bin", which orvit
// maps read-only instead of parsing the text, so that every orvit process shares one copy
// in the page cache and is ready in about a millisecond (docs/orvit-model-format.md).
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "orvit/model.h"
#include "orvit/model_view.h"
#include "orvit/perceptron_model.h"
#include "orvit/pos_model.h"
#include "orvit/sentence_tagger.h"

namespace orvit {

// The image file of the text model at `model_path`.
std::string image_path(const std::string &model_path);

// The image of `view`, compiled from the text model `text` (deterministic: the same
// view gives the same bytes).
std::string write_model_image(const ModelView &view, std::string_view text);
std::string write_model_image(const PerceptronView &view, std::string_view text);
std::string write_model_image(const PosView &view, std::string_view text);

// Writes the text model `text` to `path` (file_io's write_file; "-" is standard
// output) and, for a named file, its image beside it. Every program that writes a model file calls
// this. Throws Error naming the file that could not be written.
void write_model_files(const std::string &path, const std::string &text);

// A file mapped read-only; unmapped when the object dies.
class MappedFile {
 public:
  // Nothing mapped yet; bytes() is empty.
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile &) = delete;
  MappedFile &operator=(const MappedFile &) = delete;
  // Maps the file at `path`; false (errno set) when it cannot be opened or mapped.
  bool map(const std::string &path);
  // Unmaps the file, if any; bytes() is empty afterwards.
  void unmap();
  // The mapped bytes, valid until unmap() or the object dies.
  std::string_view bytes() const { return {data_, size_}; }

 private:
  const char *data_ = nullptr;
  size_t size_ = 0;
};

// Checks the mapped `image` against the text model `text` it claims to come from (an
// image records the size and hash of its text) and fills `view` with views into it.
// Returns "" when it can be used, otherwise why not: the image is then not looked at
// further. An image of the other model kind is refused.
std::string read_model_image(std::string_view image, std::string_view text, ModelView &view);
std::string read_model_image(std::string_view image, std::string_view text, PerceptronView &view);
std::string read_model_image(std::string_view image, std::string_view text, PosView &view);

// The model orvit tags with, for the model file at `path`, and its tagger (`beam` as
// for Tagger). An HMM or chunk perceptron model comes from its image when the image
// matches the text; otherwise the text is parsed, and the image written beside it for
// the next process (left out where the folder is not writable). An image that is
// refused gets a line on `warnings` (null: no line). A POS perceptron model is always
// parsed from its text.
class TaggingModel {
 public:
  // Throws Error when the model file cannot be read or parsed.
  TaggingModel(const std::string &path, double beam, std::FILE *warnings);
  // The tagger for the model, valid while this object lives.
  SentenceTagger &tagger() { return *tagger_; }

 private:
  // Maps the image of the model at `path` into `view`: false (a line on `warnings`
  // when the image was there but refused) when it cannot be used.
  template <typename View>
  bool map_image(const std::string &path, View &view, std::FILE *warnings);
  // Writes `bytes` as the image of the model at `path`, unless the file there is not
  // an image.
  void write_image(const std::string &path, std::string_view bytes, std::FILE *warnings);

  MappedFile text_, image_;
  bool foreign_image_ = false;
  std::unique_ptr<Model> parsed_;
  std::unique_ptr<PerceptronModel> perceptron_;
  std::unique_ptr<PosModel> pos_;
  std::unique_ptr<SentenceTagger> tagger_;
};

}  // namespace orvit
