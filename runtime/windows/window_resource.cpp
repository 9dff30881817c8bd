#include "runtime/windows/window_resource.h"

#include <map>
#include <mutex>
#include <utility>

namespace rt {

namespace {

struct ResourceTable {
  std::mutex mutex;
  std::map<std::pair<std::string, std::string>, const WindowResource*, std::less<>> windows;
};

ResourceTable& Table() {
  static ResourceTable table;
  return table;
}

}  // namespace

const char* ControlKindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kString: return "string";
    case ControlKind::kPrompt: return "prompt";
    case ControlKind::kImage: return "image";
    case ControlKind::kEntry: return "entry";
    case ControlKind::kButton: return "button";
    case ControlKind::kSpin: return "spin";
    case ControlKind::kList: return "list";
    case ControlKind::kChart: return "chart";
  }
  return "unknown";
}

void RegisterWindowResource(std::string_view resource, const WindowResource* window) {
  ResourceTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.windows[{std::string(resource), window->label}] = window;
}

const WindowResource* FindWindowResource(std::string_view resource, std::string_view label) {
  ResourceTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto it = t.windows.find(std::make_pair(std::string(resource), std::string(label)));
  return it == t.windows.end() ? nullptr : it->second;
}

}  // namespace rt
