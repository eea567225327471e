#include "effects/tools/Mark.h"

#include <array>
#include <cstdint>
#include <string>

#include "effects/tools/ToolCanvas.h"
#include "resources/artwork/MarkStamps.h"

namespace tools {

platform::HCursor LoadMarkCursor(platform::Platform& sys, std::string_view fileName) {
  if (const platform::HCursor c = sys.LoadCursorFromFileA(fileName)) return c;
  std::array<char, 1024> path{};
  const std::uint32_t n = sys.GetModuleFileNameA(path.data(), path.size());
  if (n == 0 || n >= path.size()) return 0;
  const std::string_view exe(path.data(), n);
  const std::size_t slash = exe.find_last_of("\\/");
  if (slash == std::string_view::npos) return 0;
  std::string beside(exe.substr(0, slash + 1));
  beside += fileName;
  return sys.LoadCursorFromFileA(beside);
}

MarkTool::MarkTool(TForm_Draw& form, Program& program) : form_(form), program_(program) {
  for (int i = 0; i < artwork::kMarkCount; ++i) ImageList_32.Add(artwork::MarkStamp(i));
}

const gui::MaskedImage* MarkTool::Stamp(std::size_t choice) {
  if (form_.Dpi == platform::kDefaultDpi) return ImageList_32.At(static_cast<int>(choice));
  if (scaledDpi_ != form_.Dpi) {
    const int size = static_cast<int>(form_.Px(artwork::kMarkSize));
    for (int i = 0; i < artwork::kMarkCount; ++i)
      scaled_[static_cast<std::size_t>(i)] = artwork::MarkStamp(i, size);
    scaledDpi_ = form_.Dpi;
  }
  return &scaled_[choice];
}

void MarkTool::MouseDown(gui::MouseButton button, unsigned, int x, int y) {
  TSettings& s = program_.Settings;
  if (button == gui::MouseButton::Left) {
    // A stored choice outside the three marks stamps nothing.
    const std::optional<std::size_t> choice = TableIndex(s.MarkChoice, artwork::kMarkCount);
    const gui::MaskedImage* stamp = choice ? Stamp(*choice) : nullptr;
    if (!stamp) return;
    MarkIcon = *stamp;
    DrawOnWindow(program_.sys, form_.Handle(), [&](gui::Bitmap& pixels) {
      const gui::IRect stamped{x, y, x + MarkIcon.color.Width(), y + MarkIcon.color.Height()};
      form_.History.Touch(pixels, stamped);
      gui::raster::DrawMasked(pixels, x, y, MarkIcon);
      return stamped;
    });
    form_.History.EndStep();  // a stamp is a step
    return;
  }
  // Past the three marks the choice keeps rising (saturating) and the
  // pointer stays the arrow.
  if (s.MarkChoice != INT32_MAX) s.MarkChoice = s.MarkChoice + 1 == 3 ? 0 : s.MarkChoice + 1;
  const std::optional<std::size_t> choice = TableIndex(s.MarkChoice, artwork::kMarkCount);
  if (!choice) {
    form_.Image_Draw.cursor = gui::kCrDefault;
    return;
  }
  platform::HCursor& loaded = form_.markCursors[*choice];
  if (!loaded) loaded = LoadMarkCursor(program_.sys, TForm_Draw::CursorFileNames[*choice]);
  // Without its file the mark's entry stays empty: the standard arrow.
  form_.Image_Draw.cursor = loaded ? gui::kCrCross : gui::kCrDefault;
}

}  // namespace tools
