// Implementation of StringTable: linear probing over a power-of-two slot
// array kept at most half full.
#include "orvit/string_table.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace orvit {

StringTable::StringTable() : offsets_{0}, slots_(16, -1) {}

namespace {
// The last n (1 to 7) bytes at p as memcpy would place them in a zeroed word. On a
// little-endian machine from two overlapping loads, without a call: most keys are
// shorter than a word, so every lookup ends here.
uint64_t tail_word(const char *p, size_t n) {
  uint64_t w = 0;
  if constexpr (std::endian::native != std::endian::little) {
    std::memcpy(&w, p, n);
  } else if (n >= 4) {
    uint32_t low, high;
    std::memcpy(&low, p, 4);
    std::memcpy(&high, p + n - 4, 4);
    w = low | static_cast<uint64_t>(high) << (8 * (n - 4));
  } else {
    const auto byte = [p](size_t k) { return static_cast<uint64_t>(static_cast<uint8_t>(p[k])); };
    w = byte(0) | byte(n / 2) << (8 * (n / 2)) | byte(n - 1) << (8 * (n - 1));
  }
  return w;
}
}  // namespace

uint64_t StringTable::hash(std::string_view s) {
  // Eight bytes at a time, multiply-xorshift mixing; tokens are short.
  uint64_t h = 0x9E3779B97F4A7C15ull ^ (s.size() * 0xFF51AFD7ED558CCDull);
  const char *p = s.data();
  size_t n = s.size();
  while (n >= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
    p += 8;
    n -= 8;
  }
  if (n > 0) {
    h = (h ^ tail_word(p, n)) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
  }
  h *= 0x94D049BB133111EBull;
  h ^= h >> 32;
  return h;
}

int32_t StringIndex::find(std::string_view key) const {
  return slots[slot_of(key, StringTable::hash(key))];
}

size_t StringIndex::slot_of(std::string_view key, uint64_t h) const {
  const size_t mask = slots.size() - 1;
  for (size_t i = h & mask;; i = (i + 1) & mask) {
    const int32_t id = slots[i];
    if (id < 0 || (hashes[id] == h && this->key(id) == key)) return i;
  }
}

void StringIndex::find_all(const std::string_view *keys, size_t n, int32_t *ids) const {
  // Each batch walks its keys once per step of a lookup (slot, key id's hash and offset,
  // key bytes), prefetching what the next step reads; then probes as find() does.
  constexpr size_t kBatch = 16;
  const size_t mask = slots.size() - 1;
  uint64_t h[kBatch];
  for (size_t b = 0; b < n; b += kBatch) {
    const size_t m = std::min(kBatch, n - b);
    for (size_t k = 0; k < m; ++k) {
      h[k] = StringTable::hash(keys[b + k]);
      __builtin_prefetch(&slots[h[k] & mask]);
    }
    for (size_t k = 0; k < m; ++k) {
      const int32_t id = slots[h[k] & mask];
      if (id < 0) continue;
      __builtin_prefetch(&hashes[id]);
      __builtin_prefetch(&offsets[id]);
    }
    for (size_t k = 0; k < m; ++k) {
      const int32_t id = slots[h[k] & mask];
      if (id >= 0 && hashes[id] == h[k]) __builtin_prefetch(arena.data() + offsets[id]);
    }
    for (size_t k = 0; k < m; ++k) ids[b + k] = slots[slot_of(keys[b + k], h[k])];
  }
}

int32_t StringTable::intern(std::string_view key) {
  const uint64_t h = hash(key);
  const size_t i = view().slot_of(key, h);
  if (slots_[i] >= 0) return slots_[i];
  const int32_t id = static_cast<int32_t>(hashes_.size());
  arena_.append(key);
  offsets_.push_back(static_cast<uint32_t>(arena_.size()));
  hashes_.push_back(h);
  slots_[i] = id;
  if (hashes_.size() * 2 > slots_.size()) grow();
  return id;
}

void StringTable::reserve(size_t n, size_t bytes) {
  arena_.reserve(bytes);
  offsets_.reserve(n + 1);
  hashes_.reserve(n);
  while (n * 2 > slots_.size()) grow();
}

void StringTable::grow() {
  slots_.assign(slots_.size() * 2, -1);
  const size_t mask = slots_.size() - 1;
  for (size_t id = 0; id < hashes_.size(); ++id) {
    size_t i = hashes_[id] & mask;
    while (slots_[i] >= 0) i = (i + 1) & mask;
    slots_[i] = static_cast<int32_t>(id);
  }
}

}  // namespace orvit
