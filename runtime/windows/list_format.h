// ListFormat: a list control's format string parsed into columns ("[20R(5)|_@n2@30R(5)_M@n5.2@]":
// one group of two right-aligned columns with pictures). Both backends draw the columns it
// describes; the list shows queue field Column::field of each row in each column.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values/picture.h"

namespace rt {

enum class Alignment : char { kLeft = 'L', kRight = 'R', kCenter = 'C', kDecimal = 'D' };

struct ListColumn {
  int width = 0;            // dialog units; 0: as wide as the rest of the list
  Alignment align = Alignment::kLeft;
  int indent = 0;           // dialog units from the aligned edge
  std::string picture_text; // "n2"; "" shows the field's text form
  std::optional<Picture> picture;  // the numeric picture; nullopt for "" and "sN"
  int text_width = 0;       // "sN" pictures: the text is cut to N bytes; 0 no limit
  std::string header;       // "~Header~"
  Alignment header_align = Alignment::kLeft;
  bool right_border = false;  // '|'
  bool underline = false;     // '_'
  bool resizable = false;     // 'M'
  bool fixed = false;         // 'F'
  bool colors = false;        // '*': four colour fields follow the value in the row
  bool style = false;         // 'Y': a style field follows
  bool icon = false;          // 'I': an icon field follows
  bool tree = false;          // 'T': a level field follows
  bool tool_tip = false;      // 'P': a tool-tip field follows
  std::string unknown_flags;  // letters this runtime does not know: kept, ignored
  int group = 0;              // the 1-based group the column belongs to; 0 none
  int field = 0;              // the 0-based field of the row the column shows
  std::string source;         // this column's part of the format text
};

struct ListGroup {
  std::string header;
  int first_column = 0;  // 1-based
  int last_column = 0;
  bool right_border = false;
  bool underline = false;
};

class ListFormat {
 public:
  // Parses the whole text; nullopt with *error set for a malformed one (unbalanced brackets,
  // a missing alignment letter, an unterminated "(", "~" or "@", a picture this runtime
  // cannot read). An empty text gives no columns.
  static std::optional<ListFormat> Parse(std::string_view text, std::string* error = nullptr);

  const std::string& Text() const { return text_; }
  // Columns are numbered from 1 for callers; the vector is 0-based.
  const std::vector<ListColumn>& Columns() const { return columns_; }
  const ListColumn* Column(int number) const;
  const std::vector<ListGroup>& Groups() const { return groups_; }
  // Queue fields a row must have to feed every column.
  int FieldsNeeded() const;

  // The picture of a column may be changed at run time (list property kPropColumnPicture);
  // false when the text is not a picture this runtime reads.
  bool SetColumnPicture(int number, std::string_view picture_text);

 private:
  std::string text_;
  std::vector<ListColumn> columns_;
  std::vector<ListGroup> groups_;
};

}  // namespace rt
