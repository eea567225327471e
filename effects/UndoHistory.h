// What the clicks of one overlay show left on the picture, step by step, so
// that the presenter can take steps back and bring them again.
//
// A step keeps the pixels it was about to change, and no more: before a
// tool draws, it touches the area it will draw in, and the step saves the
// tiles (16 by 16 pixels) of that area it has not saved yet, as they are.
// An undo swaps the saved tiles with the picture's, which puts back the
// pixels from before the step exactly and leaves the step holding those
// from after it, for the redo, which swaps them back. So a step costs the
// tiles it touched once, whatever its undos and redos: a mark's stamp up to 9
// KiB, a pinned lens of 300 pixels about 400 KiB. Replaying steps on the
// frozen picture would keep less, but an undo would then take as long as
// all the steps before it; a swap takes only the step's own area.
//
// Clearing is a step of its own: it saves the tiles that any step of the
// show touched and that differ from the frozen picture, and puts the frozen
// picture's back there. Its undo copies the saved tiles back; its redo
// copies the frozen ones again (the history keeps no copy of those).
//
// The history is bounded: past kBudgetBytes the oldest steps go (they can
// no longer be undone; what they drew stays), though never the newest, so
// the last thing drawn can always be taken back. A step is at most the
// whole picture: at 3840 by 2160, 32 MiB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "raster/Bitmap.h"

class UndoHistory {
 public:
  static constexpr std::size_t kBudgetBytes = std::size_t{64} << 20;
  static constexpr int kTile = 16;

  // A new show on a picture of width by height: every step goes.
  void Reset(int width, int height);
  // The tool is about to draw on area of layer: the current step (a new one
  // if none is open, which ends every redo step) saves what it will change.
  void Touch(const gui::Bitmap& layer, const gui::IRect& area);
  // The step in progress is complete (nothing if none is open); the oldest
  // steps go if the history is now over its budget.
  void EndStep();

  // Each puts its step's pixels into layer and adds the areas it changed to
  // changed; false (and nothing changed) when there is no such step. Clear
  // puts frozen's pixels back wherever a step drew, as one step; false when
  // nothing differs from frozen there.
  bool Undo(gui::Bitmap& layer, std::vector<gui::IRect>& changed);
  bool Redo(gui::Bitmap& layer, const gui::Bitmap& frozen, std::vector<gui::IRect>& changed);
  bool Clear(gui::Bitmap& layer, const gui::Bitmap& frozen, std::vector<gui::IRect>& changed);

  std::size_t UndoSteps() const { return done_; }
  std::size_t RedoSteps() const { return steps_.size() - done_; }
  // What the steps hold: their pixels and their tiles' places.
  std::size_t Bytes() const { return bytes_; }

 private:
  struct Tile {
    gui::IRect rect;     // a tile, or a clear's run of neighbouring tiles
    std::size_t offset;  // into the step's pixels
  };
  struct Step {
    std::vector<Tile> tiles;
    std::vector<std::uint32_t> pixels;
    bool clear = false;
    std::size_t Bytes() const {
      return pixels.capacity() * sizeof(std::uint32_t) + tiles.capacity() * sizeof(Tile);
    }
  };

  gui::IRect TileRect(int index) const;
  void Save(Step& step, const gui::Bitmap& layer, const gui::IRect& rect);
  void Trim();
  void Put(Step& step, gui::Bitmap& layer, const gui::Bitmap* frozen,
           std::vector<gui::IRect>& changed);

  int width_ = 0, height_ = 0, columns_ = 0, rows_ = 0;
  std::deque<Step> steps_;
  std::size_t done_ = 0;  // steps_[0, done_) are on the picture
  bool open_ = false;     // steps_[done_ - 1] is still being drawn
  std::size_t bytes_ = 0;
  // Per tile: the serial of the last step that saved it, and whether any
  // step of the show touched it.
  std::vector<std::uint64_t> savedBy_;
  std::vector<bool> touched_;
  std::uint64_t serial_ = 0;
};
