// The probing insertion sort by text length, whose tie order decides which candidate the
// body extractor takes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "web/event_pump.h"

namespace plexaro {

// Reorders `items` into the order of a probing insertion sort by `keyOf(item)` (a size).
// Items are placed one by one in input order; with j placed, an item probes position
// ceil(j / 2) and walks from there to its place. The outcome is sorted; only the order
// among equal keys depends on the probe: descending, a new item goes behind the placed
// items of its key when the probed key is at least its own and in front of them
// otherwise; ascending, behind them when the probed key is smaller and in front of them
// otherwise. Runs in O(n log n), since that decision needs only the number of placed keys
// below the new one, which a counting tree keeps. Pumps events once per item.
template <typename T, typename KeyOf>
void SortByKeyProbing(std::vector<T>& items, bool descending, KeyOf keyOf) {
  const size_t n = items.size();
  if (n < 2) return;
  std::vector<size_t> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = size_t(keyOf(items[i]));
  std::vector<size_t> distinct = keys;
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  auto rankOf = [&](size_t key) {
    return size_t(std::lower_bound(distinct.begin(), distinct.end(), key) - distinct.begin());
  };

  // Fenwick tree over key ranks: how many placed items have a key of rank below r.
  std::vector<size_t> tree(distinct.size() + 1, 0);
  auto countBelow = [&](size_t rank) {
    size_t sum = 0;
    for (size_t r = rank; r > 0; r -= r & (~r + 1)) sum += tree[r];
    return sum;
  };
  auto place = [&](size_t rank) {
    for (size_t r = rank + 1; r < tree.size(); r += r & (~r + 1)) ++tree[r];
  };

  // Per rank: items that went to the front of their run (latest first at the end) and
  // items that went to its end.
  std::vector<std::vector<size_t>> fronts(distinct.size()), backs(distinct.size());
  for (size_t i = 0; i < n; ++i) {
    PumpEvents();
    const size_t rank = rankOf(keys[i]);
    const size_t placed = i;
    const size_t probe = (placed + 1) / 2;  // 1-based; 0 when nothing is placed yet
    const size_t smaller = countBelow(rank);
    bool toFront;
    if (descending) {
      // The probed key is smaller exactly when the probe lies past every key >= ours.
      toFront = probe > placed - smaller;
    } else {
      // The probed key is smaller exactly when the probe lies among the smaller keys.
      toFront = !(probe >= 1 && probe <= smaller);
    }
    if (placed == 0) toFront = false;
    (toFront ? fronts : backs)[rank].push_back(i);
    place(rank);
  }

  std::vector<T> sorted;
  sorted.reserve(n);
  auto emitRank = [&](size_t rank) {
    for (auto it = fronts[rank].rbegin(); it != fronts[rank].rend(); ++it) {
      sorted.push_back(std::move(items[*it]));
    }
    for (size_t i : backs[rank]) sorted.push_back(std::move(items[i]));
  };
  if (descending) {
    for (size_t r = distinct.size(); r-- > 0;) emitRank(r);
  } else {
    for (size_t r = 0; r < distinct.size(); ++r) emitRank(r);
  }
  items = std::move(sorted);
}

}  // namespace plexaro
