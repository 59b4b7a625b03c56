#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace tavex::db {

// A bounded map from statement text to a prepared statement; the least
// recently used entry goes when it is full. Lookups take the text as a view,
// so a hit allocates nothing.
template <typename V>
class StatementCache {
 public:
  explicit StatementCache(std::size_t capacity) : mCapacity(capacity) {}

  // The entry for `key`, now the most recently used; nullptr when absent.
  V* Find(std::string_view key) {
    const auto it = mIndex.find(key);
    if (it == mIndex.end()) return nullptr;
    mEntries.splice(mEntries.begin(), mEntries, it->second);
    return &it->second->second;
  }

  // Adds or replaces the entry for `key`. When the cache is full, the least
  // recently used entry is handed to `onEvict` and dropped.
  template <typename OnEvict = void (*)(V&)>
  V& Insert(
      std::string key, V value, OnEvict onEvict = [](V&) {}) {
    if (const auto it = mIndex.find(key); it != mIndex.end()) {
      mEntries.erase(it->second);
      mIndex.erase(it);
    }
    if (mEntries.size() >= mCapacity && !mEntries.empty()) {
      onEvict(mEntries.back().second);
      mIndex.erase(mEntries.back().first);
      mEntries.pop_back();
    }
    mEntries.emplace_front(std::move(key), std::move(value));
    mIndex.emplace(mEntries.front().first, mEntries.begin());
    return mEntries.front().second;
  }

  void Clear() {
    mIndex.clear();
    mEntries.clear();
  }

  std::size_t Size() const { return mEntries.size(); }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  using List = std::list<std::pair<std::string, V>>;

  std::size_t mCapacity;
  List mEntries;  // most recently used first
  // Keys view the strings held by mEntries, whose nodes never move.
  std::unordered_map<std::string_view, typename List::iterator, Hash, std::equal_to<>> mIndex;
};

}  // namespace tavex::db
