#pragma once
// A renderer that records what controls paint, with the clip in effect.

#include <string>
#include <vector>

#include "skinui/renderer.h"
#include "skinui/skin_image.h"

namespace skintest {

struct PaintOp {
  enum Kind { kFill, kImage, kText } kind;
  SkinUI::UiRect rect;
  SkinUI::UiRect clip;
  SkinUI::UiColor color = 0;
  const SkinUI::SkinImage* image = nullptr;
  std::wstring text;
  unsigned style = 0;
};

class RecordingRenderer : public SkinUI::IRenderer {
 public:
  void FillRect(const SkinUI::UiRect& rect, SkinUI::UiColor color) override {
    ops.push_back({PaintOp::kFill, rect, Clip(), color, nullptr, {}, 0});
  }
  bool DrawImage(const SkinUI::UiRect& dest, const SkinUI::SkinImage& image) override {
    ops.push_back({PaintOp::kImage, dest, Clip(), 0, &image, {}, 0});
    return true;
  }
  void DrawString(const SkinUI::UiRect& rect, const std::wstring& text, const SkinUI::UiFont&,
                  SkinUI::UiColor color, unsigned style) override {
    ops.push_back({PaintOp::kText, rect, Clip(), color, nullptr, text, style});
  }
  void PushClip(const SkinUI::UiRect& rect) override {
    clips_.push_back(clips_.empty() ? rect : SkinUI::Intersect(clips_.back(), rect));
  }
  void PopClip() override { clips_.pop_back(); }

  std::vector<PaintOp> ops;

 private:
  SkinUI::UiRect Clip() const { return clips_.empty() ? SkinUI::UiRect{-1, -1, -1, -1} : clips_.back(); }
  std::vector<SkinUI::UiRect> clips_;
};

}  // namespace skintest
