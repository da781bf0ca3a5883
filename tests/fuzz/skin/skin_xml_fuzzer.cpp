// Feeds arbitrary bytes to the skin reader and builder, then lays out, paints
// and pokes whatever tree comes out.

#include <cstddef>
#include <cstdint>

#include "skinui/renderer.h"
#include "skinui/skin_builder.h"
#include "skinui/skin_manager.h"
#include "skinui/skin_package.h"

namespace {

// Checks what controls hand to the renderer instead of drawing it.
class CheckingRenderer : public SkinUI::IRenderer {
 public:
  void FillRect(const SkinUI::UiRect& rect, SkinUI::UiColor) override { Touch(rect); }
  bool DrawImage(const SkinUI::UiRect& dest, const SkinUI::SkinImage&) override {
    Touch(dest);
    return true;
  }
  void DrawString(const SkinUI::UiRect& rect, const std::wstring& text, const SkinUI::UiFont& font,
                  SkinUI::UiColor, unsigned) override {
    Touch(rect);
    sink_ += text.size() + font.face.size();
  }
  void PushClip(const SkinUI::UiRect& rect) override {
    Touch(rect);
    ++depth_;
  }
  void PopClip() override {
    if (depth_ == 0) __builtin_trap();  // unbalanced clipping
    --depth_;
  }

 private:
  void Touch(const SkinUI::UiRect& r) { sink_ += static_cast<std::size_t>(r.Width()) ^ r.Height(); }
  std::size_t sink_ = 0;
  int depth_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Image names from the input must not reach real files: the package holds
  // nothing and the folder behind it does not exist.
  static const char kNotAZip[] = "none";
  SkinUI::RegisterSkinZipFromMemory(kNotAZip, sizeof(kNotAZip));
  SkinUI::SetSkinResourcePath(L"/nonexistent-skin-folder/");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SkinUI::CSkinManagerUI manager;
  SkinUI::CSkinBuilder builder;
  auto root = builder.BuildFromMemory(reinterpret_cast<const char*>(data), size, nullptr, manager);
  if (!root) return 0;
  manager.AttachDialog(std::move(root));
  for (const SkinUI::UiRect client : {SkinUI::UiRect{0, 0, 310, 100}, SkinUI::UiRect{0, 0, 1, 1}}) {
    manager.Layout(client);
    CheckingRenderer renderer;
    manager.Paint(renderer, client);
  }
  manager.OnMouseMove({5, 5});
  manager.OnButtonDown({5, 5});
  manager.OnMouseMove({300, 90});
  manager.OnButtonUp({300, 90});
  manager.OnKeyDown(0x09, false);
  manager.OnKeyDown(0x0D, false);
  manager.FindByName(L"tipsLabel");
  return 0;
}
