// Binary search over a sorted random-access list (anything with size() and
// operator[]), ordered ascending by compare(key, item) which returns <0, 0 or >0.
#pragma once

#include <cstddef>

// The index of an item equal to the key; otherwise -(p + 1) where p is the index at
// which the key would be inserted to keep the order (so ~result == p).
template <class List, class Key, class Compare>
int BinarySearchList(const List& list, const Key& key, Compare compare) {
  const std::size_t count = list.size();
  if (count == 0) return -1;
  // Signed bounds: hi drops to -1 when the key sorts before the first item.
  long lo = 0;
  long hi = static_cast<long>(count) - 1;
  long mid = 0;
  int r = 0;
  do {
    mid = lo + (hi - lo) / 2;
    r = compare(key, list[static_cast<std::size_t>(mid)]);
    if (r > 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  } while (r != 0 && hi >= lo);
  if (r == 0) return static_cast<int>(mid);
  const long insertAt = r > 0 ? mid + 1 : mid;
  return static_cast<int>(-(insertAt + 1));
}
