#include "app/calculator_window_resource.h"

#include <string>
#include <utility>

#include "app/calculator_picture.h"
#include "runtime/files/store_choice.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/placed_control.h"

namespace app {

namespace {

rt::ControlResource Make(int number, rt::ControlKind kind, int x, int y, int width = 0,
                         int height = 0, std::string text = {}) {
  return rt::PlacedControl(number, kind, x, y, width, height, std::move(text));
}

// The list, the two entries and the spin box stand out from the rest of the window.
void MakeInput(rt::ControlResource& c) {
  c.font = rt::FontSpec{"", 0, rt::kWeightBold, false};
  c.background = rt::Rgb(153, 169, 152);
}

rt::WindowResource* Build() {
  using rt::ControlKind;
  auto* w = new rt::WindowResource;
  w->label = std::string(kCalculatorWindowLabel);
  w->caption = "";
  w->font = rt::FontSpec{"MS Sans Serif", 8, rt::kWeightNormal, false};
  w->width = kCalculatorWidth;
  w->height = kCalculatorHeight;
  w->system_placed = true;
  auto add = [w](rt::ControlResource c) { w->controls.push_back(std::move(c)); };

  auto about = Make(kAboutButton, ControlKind::kButton, 161, 25, 22, 20);
  about.icon = rt::StandardIconRef(32517);
  add(about);

  // Like the count below, the total is bound to its text rather than shown through "n_10.2",
  // which turns every total of ten million or more into "#"s.
  auto total = Make(kTotalReturnShown, ControlKind::kString, 123, 73);
  total.binding = kBindTotalReturn;
  add(total);

  auto list = Make(kOddsList, ControlKind::kList, 31, 16, 59, 98);
  // Row numbers run to 255: "n3", where two digits would show 100..255 as "##".
  list.list_format = "[20R(5)|_@n3@30R(5)_M@n5.2@]";
  list.message = "Browsing Records";
  list.page_mode = true;
  list.vscroll = true;
  list.binding = kBindListQueue;
  MakeInput(list);
  add(list);

  add(Make(kInfoLine, ControlKind::kPrompt, 95, 15, 0, 0, std::string(kInfoLineText)));

  auto events = Make(kEventCountEntry, ControlKind::kEntry, 95, 36, 25, 10);
  events.picture = "n3";
  events.binding = kBindEventCount;
  MakeInput(events);
  add(events);

  auto size = Make(kSystemSizeSpin, ControlKind::kSpin, 125, 36, 30, 10);
  size.picture = "n2";
  size.has_range = true;
  size.range_low = 1;
  size.range_high = 9;
  size.binding = kBindSystemSize;
  MakeInput(size);
  add(size);

  auto help = Make(kHelpButton, ControlKind::kButton, 161, 83, 22, 20);
  help.icon = rt::StandardIconRef(rt::kIconWarning);
  add(help);

  add(Make(kStakePrompt, ControlKind::kPrompt, 95, 51, 0, 0, "Сум.- 1 вар :"));
  add(Make(kInsertButton, ControlKind::kButton, 109, 89, 15, 12, "+"));
  add(Make(kChangeButton, ControlKind::kButton, 125, 89, 15, 12, "?"));
  add(Make(kVariantsPrompt, ControlKind::kPrompt, 95, 62, 0, 0, "Кол-во вар.:"));
  add(Make(kDeleteButton, ControlKind::kButton, 141, 89, 15, 12, "--"));

  // The count is bound to a text, not to a number through "n_6": C(n, k) reaches 22 digits
  // for n up to 999 and k up to 9, and every one of them is shown.
  auto variants = Make(kVariantCountShown, ControlKind::kString, 141, 62);
  variants.binding = kBindVariantCount;
  add(variants);

  add(Make(kClearButton, ControlKind::kButton, 93, 89, 15, 12, "\xD0\xA1"));  // Cyrillic Es

  auto stake = Make(kStakeEntry, ControlKind::kEntry, 145, 50, 29, 10);
  stake.picture = "n_7.2";
  stake.binding = kBindStakePerVariant;
  MakeInput(stake);
  add(stake);

  auto picture = Make(kPicture, ControlKind::kImage, 1, 1);
  picture.image_data = CalculatorPictureGif();
  add(picture);

  add(Make(kCalculateButton, ControlKind::kButton, 93, 102, 63, 12, "Расчет"));
  add(Make(kTotalPrompt, ControlKind::kPrompt, 95, 73, 0, 0, "Сумма :"));
  add(Make(kEventsPrompt, ControlKind::kPrompt, 97, 25, 0, 0, "из :"));
  add(Make(kSizePrompt, ControlKind::kPrompt, 125, 25, 0, 0, "по :"));
  return w;
}

}  // namespace

const rt::WindowResource& CalculatorWindowResource() {
  static const rt::WindowResource* resource = Build();
  return *resource;
}

void RegisterCalculatorWindowResource() {
  rt::RegisterWindowResource(kCalculatorResource, &CalculatorWindowResource());
}

std::string AboutText() {
  std::string text = std::string(kAboutText) + "||  Данные: ";
  if (!rt::StoreChoice::IsServer()) return text + "файл kf.";
  rt::StoreChoice::Server s = rt::StoreChoice::ServerNamed();
  text += "сервер PostgreSQL";
  if (!s.database.empty()) text += ", база " + s.database;
  text += ",|  " + (s.host.empty() ? std::string("localhost") : s.host);
  if (!s.port.empty()) text += ":" + s.port;
  if (!s.user.empty()) text += ", пользователь " + s.user;
  return text + ".";
}

}  // namespace app
