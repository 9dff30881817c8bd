// Control: the live state of one control of a window (what it shows, where, whether it is
// visible, enabled, focused; a list's rows, highlight and scroll state). Window owns its
// controls and is the only writer; backends and the framework read them through Window.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/values/any_ref.h"
#include "runtime/windows/chart_data.h"
#include "runtime/windows/list_format.h"
#include "runtime/values/picture.h"
#include "runtime/windows/window_resource.h"

namespace rt {

class RecordDescriptor;
class RowQueue;

// What changed, for Backend::ControlChanged (a set of these bits).
enum ControlChange : unsigned {
  kChangeValue = 1u << 0,      // the shown value: an entry's text, a display string
  kChangeText = 1u << 1,       // caption, picture, icon, tool tip, status message
  kChangeVisible = 1u << 2,
  kChangeEnabled = 1u << 3,
  kChangeGeometry = 1u << 4,
  kChangeRows = 1u << 5,       // list: rows or their contents
  kChangeSelection = 1u << 6,  // list: the highlighted row
  kChangeStyle = 1u << 7,      // font, colours, a column's colour
  kChangeScroll = 1u << 8,     // list: scroll bar shown/hidden, thumb position
  kChangeEditor = 1u << 9,     // list: a control floated over a cell or taken off it
  kChangeFormat = 1u << 10,    // list: format or a column's picture
  kChangeDefault = 1u << 11,   // button: became or stopped being the default button
  kChangeChart = 1u << 12,     // chart: its bars or level
  kChangeAll = 0xFFFFFFFFu,
};

// Reads what the user typed into an entry as a number; false refuses the text. See
// Window::SetInputReader.
using InputReader = std::function<bool(std::string_view text, double* value)>;

class Control {
 public:
  static constexpr int kMaxAlertSlot = 255;

  explicit Control(const ControlResource& resource);
  // A control created at run time: hidden until the program shows it.
  Control(int number, ControlKind kind);

  int number() const { return number_; }
  ControlKind kind() const { return kind_; }
  bool created_at_run_time() const { return created_; }

  // Dialog units; a width or height of 0 means "the default size for the content".
  int x() const { return x_; }
  int y() const { return y_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // The size a backend without a better measure uses for 0: from the caption's length.
  int EffectiveWidth() const;
  int EffectiveHeight() const;

  const std::string& caption() const { return caption_; }  // button, prompt
  const std::string& picture_text() const { return picture_text_; }
  const std::optional<Picture>& picture() const { return picture_; }
  // What the control shows now: an entry's or spin's edit text, a display string's value
  // through its picture, a button's or prompt's caption.
  const std::string& shown_text() const;
  // The user changed the edit text since it was last displayed or taken.
  bool modified() const { return modified_; }

  const FontSpec& font() const { return font_; }
  Color text_color() const { return text_color_; }
  Color background() const { return background_; }
  const std::string& icon() const { return icon_; }
  const std::string& tool_tip() const { return tool_tip_; }
  const std::string& message() const { return message_; }
  std::string_view image_data() const { return image_data_; }
  bool has_range() const { return has_range_; }
  double range_low() const { return range_low_; }
  double range_high() const { return range_high_; }
  bool hidden() const { return hidden_; }
  bool disabled() const { return disabled_; }
  bool skip_focus() const { return skip_focus_; }
  bool is_default() const { return default_; }
  // The control takes the focus: shown, enabled, not a prompt, display string or image.
  bool Focusable() const;
  const AnyRef& variable() const { return variable_; }

  // Lists.
  RowQueue* rows() const { return rows_; }
  const RecordDescriptor* row_layout() const { return row_layout_; }
  const ListFormat* format() const { return format_ ? &*format_ : nullptr; }
  size_t selected() const { return selected_; }  // 1-based; 0 none
  bool page_mode() const { return page_mode_; }
  bool vscroll() const { return vscroll_; }
  int thumb() const { return thumb_; }
  int page_rows() const;  // rows shown at once: the backend's count, else from the height
  size_t mouse_row() const { return mouse_row_; }
  int mouse_column() const { return mouse_column_; }
  // The control floated over column's cell of the highlighted row; 0 none.
  int column_editor(int column) const;
  Color column_text_color(int column) const;

  // An entry floated over a list cell: the list and the column; 0 when not floated.
  int floated_list() const { return floated_list_; }
  int floated_column() const { return floated_column_; }

  // Charts: the bars and the level shown.
  const ChartData& chart() const { return chart_; }

  // Alert keys by slot (1..kMaxAlertSlot).
  int alert_key(int slot) const;
  bool IsAlertKey(int key_code) const;

 private:
  friend class Window;

  int number_ = 0;
  ControlKind kind_ = ControlKind::kPrompt;
  bool created_ = false;
  int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
  std::string caption_;
  std::string picture_text_;
  std::optional<Picture> picture_;
  int text_limit_ = 0;  // "sN" pictures: at most N bytes
  InputReader input_reader_;  // reads the edit text in place of the picture
  std::string edit_text_;
  bool modified_ = false;
  FontSpec font_;
  Color text_color_ = kColorDefault;
  Color background_ = kColorDefault;
  std::string icon_;
  std::string tool_tip_;
  std::string message_;
  std::string_view image_data_;
  bool has_range_ = false;
  double range_low_ = 0, range_high_ = 0;
  bool hidden_ = false;
  bool disabled_ = false;
  bool skip_focus_ = false;
  bool default_ = false;
  AnyRef variable_;

  RowQueue* rows_ = nullptr;
  const RecordDescriptor* row_layout_ = nullptr;
  std::optional<ListFormat> format_;
  size_t selected_ = 0;
  bool page_mode_ = false;
  bool vscroll_ = false;
  int thumb_ = 0;
  int reported_page_rows_ = 0;
  size_t mouse_row_ = 0;
  int mouse_column_ = 0;
  std::map<int, int> column_editors_;
  std::map<int, Color> column_colors_;
  int mark_field_ = 0;  // list: kPropMarkField
  int floated_list_ = 0;
  int floated_column_ = 0;
  ChartData chart_;
  std::map<int, int> alert_keys_;                 // slot -> key code
  std::map<std::pair<int, int>, std::string> other_;  // (property, index) -> text
};

}  // namespace rt
