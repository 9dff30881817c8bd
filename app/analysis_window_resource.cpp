#include "app/analysis_window_resource.h"

#include <string>
#include <utility>

#include "runtime/windows/placed_control.h"

namespace app {

namespace {

rt::ControlResource Make(int number, rt::ControlKind kind, int x, int y, int width, int height,
                         std::string text = {}, int binding = 0) {
  rt::ControlResource c = rt::PlacedControl(number, kind, x, y, width, height, std::move(text));
  c.binding = binding;
  return c;
}

rt::WindowResource* Build() {
  using rt::ControlKind;
  auto* w = new rt::WindowResource;
  w->label = std::string(kAnalysisWindowLabel);
  w->caption = std::string(kAnalysisCaption);
  w->font = rt::FontSpec{"MS Sans Serif", 8, rt::kWeightNormal, false};
  w->width = kAnalysisWidth;
  w->height = kAnalysisHeight;
  w->system_placed = true;
  auto add = [w](rt::ControlResource c) { w->controls.push_back(std::move(c)); };

  // Page mode: the browse holds one page of the table and reads on as it scrolls.
  auto rows = Make(kAnRowsList, ControlKind::kList, 4, 4, 132, 166, {}, kAnBindRows);
  rows.list_format = "[20R(5)|_@n3@30R(5)|_M@n7.2@75L(2)|_@s32@]";
  rows.page_mode = true;
  rows.vscroll = true;
  add(rows);
  add(Make(kAnInsertButton, ControlKind::kButton, 4, 172, 15, 12, "+"));
  add(Make(kAnChangeButton, ControlKind::kButton, 20, 172, 15, 12, "?"));
  add(Make(kAnDeleteButton, ControlKind::kButton, 36, 172, 15, 12, "--"));
  add(Make(kAnKeysPrompt, ControlKind::kPrompt, 4, 188, 0, 0,
           "В - выигрыш, П - проигрыш, Р - возврат, Н - не рассчитано"));

  add(Make(kAnEventsPrompt, ControlKind::kPrompt, 142, 6, 0, 0, "Событий :"));
  auto events = Make(kAnEventsEntry, ControlKind::kEntry, 186, 4, 25, 10, {}, kAnBindEvents);
  events.picture = "n3";
  add(events);
  add(Make(kAnSizesPrompt, ControlKind::kPrompt, 142, 19, 0, 0, "Размеры :"));
  add(Make(kAnSizesEntry, ControlKind::kEntry, 186, 17, 68, 10, {}, kAnBindSizes));
  add(Make(kAnStakePrompt, ControlKind::kPrompt, 142, 32, 0, 0, "Ставка :"));
  auto stake = Make(kAnStakeEntry, ControlKind::kEntry, 186, 30, 40, 10, {}, kAnBindStake);
  stake.picture = "n_10.2";
  add(stake);
  add(Make(kAnCoverButton, ControlKind::kButton, 256, 17, 10, 10, "\u25BC"));
  add(Make(kAnSettleButton, ControlKind::kButton, 272, 16, 50, 13, "Расчет"));

  const int figures[] = {kAnVariantsShown, kAnTotalStakeShown, kAnSettledShown, kAnAllWinShown,
                         kAnAllLoseShown};
  const int bindings[] = {kAnBindVariants, kAnBindTotalStake, kAnBindSettled, kAnBindAllWin,
                          kAnBindAllLose};
  // The figures and the sentence take the width their text needs (the window widens for them),
  // so a 22-digit count or its money is never cut at the edge.
  for (int i = 0; i < 5; ++i) {
    add(Make(figures[i], ControlKind::kString, 142, 44 + 10 * i, 0, 9, {}, bindings[i]));
  }
  add(Make(kAnNeedsChart, ControlKind::kChart, 142, 94, 254, 110));
  add(Make(kAnSentenceShown, ControlKind::kString, 4, 208, 0, 9, {}, kAnBindSentence));
  // Page mode: the list holds one page; the program builds it from the scroll position.
  auto variants = Make(kAnVariantsList, ControlKind::kList, 4, 222, 392, 104, {},
                       kAnBindVariantRows);
  variants.list_format = "[45R(2)|_@s24@80L(2)|_@s64@45R(2)|_@n_14.4@60R(2)|_@n_20.2@100L(2)|_@s48@]";
  variants.page_mode = true;
  variants.vscroll = true;
  add(variants);
  return w;
}

}  // namespace

const rt::WindowResource& AnalysisWindowResource() {
  static const rt::WindowResource* resource = Build();
  return *resource;
}

void RegisterAnalysisWindowResource() {
  rt::RegisterWindowResource(kAnalysisResource, &AnalysisWindowResource());
}

}  // namespace app
