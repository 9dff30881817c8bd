#include "runtime/windows/control.h"

#include <algorithm>

namespace rt {

Control::Control(const ControlResource& r)
    : number_(r.number),
      kind_(r.kind),
      x_(r.x),
      y_(r.y),
      width_(r.width),
      height_(r.height),
      caption_(r.text),
      font_(r.font),
      text_color_(r.text_color),
      background_(r.background),
      icon_(r.icon),
      tool_tip_(r.tool_tip),
      message_(r.message),
      image_data_(r.image_data),
      has_range_(r.has_range),
      range_low_(r.range_low),
      range_high_(r.range_high),
      hidden_(r.hidden),
      disabled_(r.disabled),
      skip_focus_(r.skip_focus),
      default_(r.default_button),
      page_mode_(r.page_mode),
      vscroll_(r.vscroll) {}

Control::Control(int number, ControlKind kind)
    : number_(number), kind_(kind), created_(true), hidden_(true) {}

int Control::EffectiveWidth() const {
  if (width_ > 0) return width_;
  // About one average character (4 units) per byte of the text, plus a frame.
  const std::string& text = shown_text();
  int chars = static_cast<int>(text.size());
  if (picture_ && picture_->Width() > chars) chars = picture_->Width();
  switch (kind_) {
    case ControlKind::kButton: return std::max(chars * 4 + 8, icon_.empty() ? 14 : 22);
    case ControlKind::kEntry:
    case ControlKind::kSpin: return chars * 4 + 6;
    case ControlKind::kList: return 60;
    case ControlKind::kImage: return 16;
    case ControlKind::kChart: return 200;
    default: return std::max(chars * 4, 4);
  }
}

int Control::EffectiveHeight() const {
  if (height_ > 0) return height_;
  switch (kind_) {
    case ControlKind::kButton: return icon_.empty() ? 14 : 20;
    case ControlKind::kEntry:
    case ControlKind::kSpin: return 10;
    case ControlKind::kList: return 40;
    case ControlKind::kImage: return 16;
    case ControlKind::kChart: return 120;
    default: return 8;
  }
}

const std::string& Control::shown_text() const {
  switch (kind_) {
    case ControlKind::kEntry:
    case ControlKind::kSpin:
    case ControlKind::kString: return edit_text_;
    default: return caption_;
  }
}

bool Control::Focusable() const {
  if (hidden_ || disabled_ || skip_focus_) return false;
  switch (kind_) {
    case ControlKind::kEntry:
    case ControlKind::kSpin:
    case ControlKind::kButton:
    case ControlKind::kList: return true;
    default: return false;
  }
}

int Control::page_rows() const {
  if (reported_page_rows_ > 0) return reported_page_rows_;
  // A row is the font's height (8 units) and a little spacing; headers take one row.
  int rows = EffectiveHeight() / 10;
  if (format_) {
    for (const ListColumn& c : format_->Columns()) {
      if (!c.header.empty()) {
        --rows;
        break;
      }
    }
  }
  return std::max(rows, 1);
}

int Control::column_editor(int column) const {
  auto it = column_editors_.find(column);
  return it == column_editors_.end() ? 0 : it->second;
}

Color Control::column_text_color(int column) const {
  auto it = column_colors_.find(column);
  return it == column_colors_.end() ? kColorDefault : it->second;
}

int Control::alert_key(int slot) const {
  auto it = alert_keys_.find(slot);
  return it == alert_keys_.end() ? 0 : it->second;
}

bool Control::IsAlertKey(int key_code) const {
  if (key_code == 0) return false;
  for (const auto& [slot, key] : alert_keys_) {
    if (key == key_code) return true;
  }
  return false;
}

}  // namespace rt
