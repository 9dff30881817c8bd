// ChooserWindow: the window "$MULTIWINDOW" of the resource "EIPRES", in which a user would
// choose items and their order (available items, selected items, two arrow buttons, Cancel
// and Finish). The program prepares it at start-up and frees it at shutdown; nothing opens it.
//
// Ownership: the window structure and the item lists behind its two lists are its own, from
// Prepare to Free.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "runtime/values/record_descriptor.h"
#include "runtime/values/row_queue.h"
#include "runtime/windows/window_resource.h"

namespace rt {
class Window;
}

namespace fw {

inline constexpr std::string_view kChooserResource = "EIPRES";
inline constexpr std::string_view kChooserLabel = "$MULTIWINDOW";

// Control numbers of the chooser window.
enum ChooserControl : int {
  kChooserAvailablePrompt = 1,
  kChooserAvailableList = 2,
  kChooserSelectedPrompt = 3,
  kChooserSelectedList = 4,
  kChooserAddButton = 5,     // moves the highlighted available item to the selected ones
  kChooserRemoveButton = 6,  // and back
  kChooserCancelButton = 7,
  kChooserFinishButton = 8,
};

// The compiled-in resource; registered under (kChooserResource, kChooserLabel) on first use.
const rt::WindowResource& ChooserWindowResource();

class ChooserWindow {
 public:
  // One item of either list.
  struct Item {
    char TEXT[256];
  };

  ChooserWindow();
  ~ChooserWindow();
  ChooserWindow(const ChooserWindow&) = delete;
  ChooserWindow& operator=(const ChooserWindow&) = delete;

  // Builds the window structure (not opened). False, with *error set, when it cannot be.
  bool Prepare(std::string* error = nullptr);
  // Frees the window structure and the item lists; nothing when not prepared.
  void Free();
  rt::Window* window() const { return window_.get(); }

 private:
  rt::RecordDescriptor layout_;
  std::unique_ptr<rt::Queue<Item>> available_;
  std::unique_ptr<rt::Queue<Item>> selected_;
  std::unique_ptr<rt::Window> window_;
};

}  // namespace fw
