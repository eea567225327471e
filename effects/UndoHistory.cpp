#include "effects/UndoHistory.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// Past this many areas they go to the screen as the one rectangle around
// them: each transfer has its cost, and that one costs at most a frame.
constexpr std::size_t kMostAreas = 16;

// The areas as few rectangles as the tiles' order allows: neighbours in a
// row of tiles go as one, and so do equal runs in rows one under the other.
void AddRuns(const std::vector<gui::IRect>& rects, std::vector<gui::IRect>& changed) {
  std::vector<gui::IRect> runs;
  for (const gui::IRect& r : rects) {
    if (!runs.empty()) {
      gui::IRect& last = runs.back();
      if (last.top == r.top && last.bottom == r.bottom && last.right == r.left) {
        last.right = r.right;
        continue;
      }
    }
    runs.push_back(r);
  }
  // The runs come row by row, left to right: each row's are held against
  // the row above's as two sorted lists.
  std::vector<gui::IRect> merged;
  std::vector<std::size_t> above, here;
  int row = INT_MIN;
  std::size_t next = 0;
  for (const gui::IRect& r : runs) {
    if (r.top != row) {
      above.swap(here);
      here.clear();
      next = 0;
      row = r.top;
    }
    while (next < above.size() && merged[above[next]].left < r.left) ++next;
    if (next < above.size()) {
      gui::IRect& m = merged[above[next]];
      if (m.left == r.left && m.right == r.right && m.bottom == r.top) {
        m.bottom = r.bottom;
        here.push_back(above[next++]);
        continue;
      }
    }
    merged.push_back(r);
    here.push_back(merged.size() - 1);
  }
  if (merged.size() <= kMostAreas) {
    changed.insert(changed.end(), merged.begin(), merged.end());
    return;
  }
  gui::IRect all = merged.front();
  for (const gui::IRect& r : merged)
    all = {std::min(all.left, r.left), std::min(all.top, r.top), std::max(all.right, r.right),
           std::max(all.bottom, r.bottom)};
  changed.push_back(all);
}

}  // namespace

void UndoHistory::Reset(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  columns_ = (width_ + kTile - 1) / kTile;
  rows_ = (height_ + kTile - 1) / kTile;
  steps_.clear();
  done_ = 0;
  open_ = false;
  bytes_ = 0;
  // New vectors, so that a history reset to nothing holds nothing.
  savedBy_ = std::vector<std::uint64_t>(static_cast<std::size_t>(columns_) * rows_, 0);
  touched_ = std::vector<bool>(savedBy_.size(), false);
}

gui::IRect UndoHistory::TileRect(int index) const {
  const int x = index % columns_ * kTile, y = index / columns_ * kTile;
  return {x, y, std::min(x + kTile, width_), std::min(y + kTile, height_)};
}

void UndoHistory::Save(Step& step, const gui::Bitmap& layer, const gui::IRect& r) {
  const std::size_t at = step.pixels.size(), n = static_cast<std::size_t>(r.Width());
  step.tiles.push_back({r, at});
  step.pixels.resize(at + n * static_cast<std::size_t>(r.Height()));
  std::uint32_t* to = step.pixels.data() + at;
  for (int y = r.top; y < r.bottom; ++y, to += n)
    std::memcpy(to, layer.Row(y) + r.left, n * sizeof(std::uint32_t));
}

void UndoHistory::Touch(const gui::Bitmap& layer, const gui::IRect& area) {
  // A layer of another size than the show's is none of this history's.
  if (layer.Width() != width_ || layer.Height() != height_) return;
  const gui::IRect a = gui::Intersect(area, layer.Bounds());
  if (a.Empty()) return;
  if (!open_) {
    // A new step: the steps undone before it can no longer come back.
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
    bytes_ = 0;
    for (const Step& s : steps_) bytes_ += s.Bytes();
    steps_.emplace_back();
    ++done_;
    ++serial_;
    open_ = true;
  }
  Step& step = steps_.back();
  const std::size_t before = step.Bytes();
  // Room for every tile of the area at once, growing as a vector grows.
  const auto most = static_cast<std::size_t>(((a.bottom - 1) / kTile - a.top / kTile + 1) *
                                             ((a.right - 1) / kTile - a.left / kTile + 1));
  if (step.pixels.capacity() < step.pixels.size() + most * kTile * kTile)
    step.pixels.reserve(
        std::max(step.pixels.size() + most * kTile * kTile, 2 * step.pixels.capacity()));
  for (int ty = a.top / kTile; ty <= (a.bottom - 1) / kTile; ++ty)
    for (int tx = a.left / kTile; tx <= (a.right - 1) / kTile; ++tx) {
      const int index = ty * columns_ + tx;
      const auto i = static_cast<std::size_t>(index);
      if (savedBy_[i] == serial_) continue;
      savedBy_[i] = serial_;
      touched_[i] = true;
      Save(step, layer, TileRect(index));
    }
  bytes_ += step.Bytes() - before;
}

void UndoHistory::EndStep() {
  if (!open_) return;
  open_ = false;
  Step& step = steps_.back();
  // What the step holds is what it costs: the room it grew into goes.
  const std::size_t grown = step.Bytes();
  step.pixels.shrink_to_fit();
  step.tiles.shrink_to_fit();
  bytes_ = bytes_ - grown + step.Bytes();
  // In the picture's order, so that an undo puts whole runs of tiles on
  // the screen at once.
  std::sort(step.tiles.begin(), step.tiles.end(), [](const Tile& a, const Tile& b) {
    return a.rect.top != b.rect.top ? a.rect.top < b.rect.top : a.rect.left < b.rect.left;
  });
  Trim();
}

void UndoHistory::Trim() {
  while (bytes_ > kBudgetBytes && steps_.size() > 1 && done_ > 1) {
    bytes_ -= steps_.front().Bytes();
    steps_.pop_front();
    --done_;
  }
}

// Puts a step's tiles on the layer. A step holds the pixels its tiles had
// on the other side of it, so swapping takes it back or brings it again;
// a clear's saved pixels stay what was there before the clear, and its redo
// is the frozen picture again.
void UndoHistory::Put(Step& step, gui::Bitmap& layer, const gui::Bitmap* frozen,
                      std::vector<gui::IRect>& changed) {
  std::vector<gui::IRect> rects;
  for (const Tile& t : step.tiles) {
    std::uint32_t* saved = step.pixels.data() + t.offset;
    const auto n = static_cast<std::size_t>(t.rect.Width());
    for (int y = t.rect.top; y < t.rect.bottom; ++y, saved += n) {
      std::uint32_t* row = layer.Row(y) + t.rect.left;
      if (!step.clear)
        std::swap_ranges(row, row + n, saved);
      else
        std::memcpy(row, frozen ? frozen->Row(y) + t.rect.left : saved, n * sizeof(std::uint32_t));
    }
    rects.push_back(t.rect);
  }
  AddRuns(rects, changed);
}

bool UndoHistory::Undo(gui::Bitmap& layer, std::vector<gui::IRect>& changed) {
  EndStep();
  if (done_ == 0 || layer.Width() != width_ || layer.Height() != height_) return false;
  Put(steps_[--done_], layer, nullptr, changed);
  return true;
}

bool UndoHistory::Redo(gui::Bitmap& layer, const gui::Bitmap& frozen,
                       std::vector<gui::IRect>& changed) {
  EndStep();
  if (done_ == steps_.size() || layer.Width() != width_ || layer.Height() != height_) return false;
  if (steps_[done_].clear && (frozen.Width() != width_ || frozen.Height() != height_)) return false;
  Put(steps_[done_++], layer, &frozen, changed);
  return true;
}

bool UndoHistory::Clear(gui::Bitmap& layer, const gui::Bitmap& frozen,
                        std::vector<gui::IRect>& changed) {
  EndStep();
  if (layer.Width() != width_ || layer.Height() != height_ || frozen.Width() != width_ ||
      frozen.Height() != height_)
    return false;
  // The tiles that differ first, so that the step takes its room at once.
  std::vector<int> differ;
  std::size_t pixels = 0;
  for (int index = 0; index < columns_ * rows_; ++index) {
    if (!touched_[static_cast<std::size_t>(index)]) continue;
    const gui::IRect r = TileRect(index);
    const auto n = static_cast<std::size_t>(r.Width()) * sizeof(std::uint32_t);
    for (int y = r.top; y < r.bottom; ++y)
      if (std::memcmp(layer.Row(y) + r.left, frozen.Row(y) + r.left, n) != 0) {
        differ.push_back(index);
        pixels += static_cast<std::size_t>(r.Width()) * static_cast<std::size_t>(r.Height());
        break;
      }
  }
  if (differ.empty()) return false;
  Step step;
  step.clear = true;
  step.pixels.reserve(pixels);
  // Neighbouring tiles in a row of tiles are kept as one run, so that the
  // clear and its undo and redo copy whole lines of the run instead of a
  // tile's 16 pixels at a time: clearing a whole picture costs about a
  // frame's copy, not the calls of half a million small ones.
  std::vector<gui::IRect> rects;
  for (std::size_t i = 0; i < differ.size();) {
    std::size_t end = i + 1;
    while (end < differ.size() && differ[end] == differ[end - 1] + 1 &&
           differ[end] / columns_ == differ[i] / columns_)
      ++end;
    const gui::IRect first = TileRect(differ[i]), last = TileRect(differ[end - 1]);
    const gui::IRect run{first.left, first.top, last.right, first.bottom};
    Save(step, layer, run);
    const auto n = static_cast<std::size_t>(run.Width()) * sizeof(std::uint32_t);
    for (int y = run.top; y < run.bottom; ++y)
      std::memcpy(layer.Row(y) + run.left, frozen.Row(y) + run.left, n);
    rects.push_back(run);
    i = end;
  }
  step.tiles.shrink_to_fit();
  steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
  steps_.push_back(std::move(step));
  ++done_;
  bytes_ = 0;
  for (const Step& s : steps_) bytes_ += s.Bytes();
  Trim();
  AddRuns(rects, changed);
  return true;
}
