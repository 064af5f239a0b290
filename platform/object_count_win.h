// Live counts of the handles held by the owners of platform/gdi_win.h, by kind. The clock face and the
// tray redraw every second for days; these counts let a long run show that nothing piles up, also under
// Wine, where GetGuiResources answers 0. An owner counts a handle when it takes it and again when it
// deletes it or hands it on; a relaxed atomic add is all it costs, so the counts are always kept.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>

namespace lumvo {

enum class Owned : int { Font, Brush, Pen, Bitmap, Region, Icon, Menu, MemoryDc, WindowDc, kCount };

constexpr size_t kOwnedKinds = static_cast<size_t>(Owned::kCount);

constexpr const char* OwnedName(Owned kind) {
  constexpr const char* kNames[kOwnedKinds] = {"font", "brush",  "pen",       "bitmap",   "region",
                                               "icon", "menu",   "memory_dc", "window_dc"};
  return kNames[static_cast<size_t>(kind)];
}

class OwnedCount {
 public:
  static void Taken(Owned kind) { live_[Index(kind)].fetch_add(1, std::memory_order_relaxed); }
  static void Gone(Owned kind) { live_[Index(kind)].fetch_sub(1, std::memory_order_relaxed); }
  static long Live(Owned kind) { return live_[Index(kind)].load(std::memory_order_relaxed); }

 private:
  static constexpr size_t Index(Owned kind) { return static_cast<size_t>(kind); }
  static inline std::atomic<long> live_[kOwnedKinds] = {};
};

// The kind of each GDI handle type the generic owner holds.
template <typename T>
struct OwnedKindOf;
template <>
struct OwnedKindOf<HFONT> {
  static constexpr Owned kind = Owned::Font;
};
template <>
struct OwnedKindOf<HBRUSH> {
  static constexpr Owned kind = Owned::Brush;
};
template <>
struct OwnedKindOf<HPEN> {
  static constexpr Owned kind = Owned::Pen;
};
template <>
struct OwnedKindOf<HBITMAP> {
  static constexpr Owned kind = Owned::Bitmap;
};
template <>
struct OwnedKindOf<HRGN> {
  static constexpr Owned kind = Owned::Region;
};

}  // namespace lumvo
