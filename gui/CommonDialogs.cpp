#include "gui/CommonDialogs.h"

#include "gui/Application.h"
#include "gui/Form.h"
#include "platform/Utf8.h"

namespace gui {

std::string SystemFilter(std::string_view filter) {
  if (filter.empty()) return {};
  std::string out(filter);
  for (char& c : out)
    if (c == '|') c = '\0';
  // An odd count of parts lacks its last pattern: the description serves.
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

bool TColorDialog::Execute() {
  ColorChoice choice;
  choice.color = color & 0x00FFFFFF;
  for (std::size_t i = 0; i < customColors.size(); ++i) choice.custom[i] = customColors[i];
  const bool ok = owner_.App().Ui().ChooseColor(owner_.BoxOwner(), choice);
  for (std::size_t i = 0; i < customColors.size(); ++i) customColors[i] = choice.custom[i];
  if (ok) color = choice.color;
  return ok;
}

bool TOpenDialog::Execute() {
  FileChoice choice;
  choice.filter = SystemFilter(filter);
  choice.fileName = std::string(platform::Utf8Prefix(fileName, kMaxFileName - 1));
  if (!owner_.App().Ui().GetOpenFileName(owner_.BoxOwner(), choice)) return false;
  fileName = choice.fileName;
  return true;
}

}  // namespace gui
