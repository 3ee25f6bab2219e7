// Open-addressing hash table mapping byte strings to dense ids 0..n-1 (the lexicon, the
// suffix tries); lookups never allocate. StringIndex is the read-only form of the same
// arrays, viewing a StringTable or a mapped model image.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvit {

// Lookup over a string table's arrays, owned elsewhere: keys back to back in
// `arena`, key i at [offsets[i], offsets[i+1]), `hashes[i]` its hash, and
// `slots` (a power of two, at least twice the keys) holding -1 or a key id.
struct StringIndex {
  std::span<const char> arena;
  std::span<const uint32_t> offsets;
  std::span<const uint64_t> hashes;
  std::span<const int32_t> slots;

  // The number of keys, and key `id` (< size()) viewing the arena.
  size_t size() const { return hashes.size(); }
  std::string_view key(int32_t id) const {
    return std::string_view(arena.data() + offsets[id], offsets[id + 1] - offsets[id]);
  }
  // Id of `key`, or -1 when absent.
  int32_t find(std::string_view key) const;
  // Ids of keys[0..n) into ids[0..n), as find() gives them. The lookups run side by
  // side, so that their cache misses on a large table overlap instead of adding up.
  void find_all(const std::string_view *keys, size_t n, int32_t *ids) const;

  // The slot that holds `key`, whose hash is `h`, or else the empty slot where the
  // search for it ended (where the key goes in).
  size_t slot_of(std::string_view key, uint64_t h) const;
};

class StringTable {
 public:
  // An empty table.
  StringTable();

  // Id of `key`, adding it with the next free id when it is new.
  int32_t intern(std::string_view key);
  // Id of `key`, or -1 when absent.
  int32_t find(std::string_view key) const { return view().find(key); }
  // The table's arrays, valid until the next intern() or reserve().
  StringIndex view() const { return {arena_, offsets_, hashes_, slots_}; }

  // The number of keys, and key `id` (< size()), valid until the next intern() or reserve().
  size_t size() const { return hashes_.size(); }
  std::string_view key(int32_t id) const {
    return std::string_view(arena_).substr(offsets_[id], offsets_[id + 1] - offsets_[id]);
  }
  // Makes room for `n` keys of `bytes` bytes in all, so adding them does not rehash.
  void reserve(size_t n, size_t bytes);

  // The hash the table stores for `s` (also in model images, so it must not change).
  static uint64_t hash(std::string_view s);

 private:
  void grow();

  std::string arena_;              // all keys back to back
  std::vector<uint32_t> offsets_;  // key i is arena_[offsets_[i], offsets_[i+1])
  std::vector<uint64_t> hashes_;   // hash of key i, for cheap rehashing
  std::vector<int32_t> slots_;     // -1 or a key id
};

}  // namespace orvit
