// The calculator window as compiled-in data: the resource "tovik$TOVIK001" with the window
// "P1$WINDOW" (controls, texts, pictures, fonts, colours, icons, the list format and the
// picture), its control numbers, and its registration under that name for Window::Prepare.
#pragma once

#include <string>
#include <string_view>

#include "runtime/windows/window_resource.h"

namespace app {

inline constexpr std::string_view kCalculatorResource = "tovik$TOVIK001";
inline constexpr std::string_view kCalculatorWindowLabel = "P1$WINDOW";

enum CalculatorControl : int {
  kAboutButton = 1,       // icon 32517: the information message
  kTotalReturnShown = 2,  // "Сумма :" result
  kOddsList = 3,
  kInfoLine = 4,
  kEventCountEntry = 5,   // n, under "из :"
  kSystemSizeSpin = 6,    // k, under "по :"
  kHelpButton = 7,        // icon 32515: the help message
  kStakePrompt = 8,
  kInsertButton = 9,
  kChangeButton = 10,
  kVariantsPrompt = 11,
  kDeleteButton = 12,
  kVariantCountShown = 13,  // "Кол-во вар.:" result
  kClearButton = 14,
  kStakeEntry = 15,
  kPicture = 16,
  kCalculateButton = 17,
  kTotalPrompt = 18,
  kEventsPrompt = 19,
  kSizePrompt = 20,
};

// The order Window::Prepare takes the procedure's variables in (ControlResource::binding).
enum CalculatorBinding : int {
  kBindTotalReturn = 1,
  kBindListQueue = 2,
  kBindEventCount = 3,
  kBindSystemSize = 4,
  kBindVariantCount = 5,
  kBindStakePerVariant = 6,
};

// Window size in dialog units.
inline constexpr int kCalculatorWidth = 210;
inline constexpr int kCalculatorHeight = 130;

// The text of control 4 and the information message of control 1.
inline constexpr std::string_view kInfoLineText = "Система ставок";
inline constexpr std::string_view kAboutCaption = " О программе";
inline constexpr std::string_view kAboutText =
    "  Калькулятор системных ставок.||"
    "  Система k из n - это все экспрессы|"
    "  по k событий из первых n событий таблицы,|"
    "  на каждый экспресс одна и та же ставка.||"
    "  Сумма - выигрыш всех вариантов,|"
    "  если все события таблицы сыграли.||"
    "  F2 - анализ системы по исходам событий.";
// kAboutText and last lines naming where the odds table is kept: "файл kf", or the server,
// its database and login (never the password).
std::string AboutText();
// The help message of control 7, exactly as stored ("|" breaks lines).
inline constexpr std::string_view kHelpCaption = " Управление";
inline constexpr std::string_view kHelpText =
    "  Введите сыгранные коэффициенты,|  укажите кол-во событий|  в одном экспрессе,|"
    "  задайте сумму на 1 вариант|  и нажмите - Расчет.||  С - очистить таблицу|"
    "  + (Insert) - добавить новую запись|  ? (Enter) - изменить запись|"
    "  - (Delete) - удалить запись";

// The resource itself; it lives to the end of the program.
const rt::WindowResource& CalculatorWindowResource();
// Registers it as (kCalculatorResource, kCalculatorWindowLabel); calling it again is harmless.
void RegisterCalculatorWindowResource();

}  // namespace app
