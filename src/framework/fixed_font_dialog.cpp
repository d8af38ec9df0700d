#include "framework/fixed_font_dialog.h"

#include <algorithm>

#include "core/handles.h"
#include "framework/dialog_template.h"

namespace {
// RT_DIALOG, whose macro has the wide type in a Unicode build.
const int kDialogResourceType = 5;
}  // namespace

std::vector<uint8_t> LoadDialogTemplate(HINSTANCE hModule, int templateId) {
  std::vector<uint8_t> bytes;
  HRSRC hInfo = FindResourceA(hModule, MAKEINTRESOURCEA(templateId),
                              MAKEINTRESOURCEA(kDialogResourceType));
  if (!hInfo) return bytes;
  HGLOBAL hData = LoadResource(hModule, hInfo);
  const DWORD size = SizeofResource(hModule, hInfo);
  const uint8_t* data = hData ? static_cast<const uint8_t*>(LockResource(hData)) : nullptr;
  if (data && size) bytes.assign(data, data + size);
  return bytes;
}

INT_PTR FixedFontDialog::DoModal() {
  const std::vector<uint8_t> original = LoadDialogTemplate(ResourceModule(), TemplateId());
  if (original.empty()) return -1;

  int dotsPerInch = 96;
  {
    const WindowDc screen(nullptr);
    if (screen) dotsPerInch = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  }

  std::vector<uint8_t> edited =
      ReplaceTemplateFont(original, "Tahoma", FixedFontPointSize(dotsPerInch));
  if (edited.empty()) return -1;
  // The system wants the template DWORD-aligned: keep it in 32-bit storage.
  std::vector<uint32_t> aligned((edited.size() + 3) / 4);
  std::copy(edited.begin(), edited.end(), reinterpret_cast<uint8_t*>(aligned.data()));
  return DoModalIndirect(aligned.data());
}
