#include "app/calculator_window.h"

#include <algorithm>
#include <span>
#include <string>

#include "app/analysis_opener.h"
#include "app/analysis_window.h"
#include "app/calculator_variables.h"
#include "app/calculator_window_resource.h"
#include "app/odds_browse.h"
#include "app/odds_file.h"
#include "app/odds_table.h"
#include "app/outcome_table.h"
#include "app/program.h"
#include "app/system_bet.h"
#include "framework/browse/character_locator.h"
#include "framework/browse/toolbar.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/errors/error_ids.h"
#include "framework/errors/level.h"
#include "runtime/windows/backend.h"
#include "runtime/core/error_codes.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/properties.h"
#include "runtime/files/keyed_file.h"
#include "runtime/windows/window.h"

namespace app {

namespace {

// Room left between the longer result's last character and the window's right edge.
constexpr int kRightMargin = 4;

// text right-justified in at least `width` characters, into a CSTRING variable.
template <size_t N>
void SetPadded(char (&variable)[N], std::string text, size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  rt::AnyRef::CString(variable).SetText(text);
}

rt::AnyRef RecordField(const char* label) {
  return OddsDeclaration().Record().Field(&OddsBuffer(), label);
}

}  // namespace

CalculatorWindow::CalculatorWindow(CalculatorVariables& vars, OddsBrowse& browse,
                                   fw::Toolbar& toolbar, fw::CharacterLocator& locator,
                                   fw::RowEditorInterface* row_editor, rt::View& view)
    : vars_(vars),
      browse_(browse),
      toolbar_(toolbar),
      locator_(locator),
      row_editor_(row_editor),
      view_(view) {}

int CalculatorWindow::Setup() {
  ProgramGlobals& g = Globals();
  REQUEST = g.next_window_request;
  const int level = fw::WindowManager::Setup();
  if (level != fw::kLevelGoOn) return level;

  FIRSTFIELD = kAboutButton;
  VCRREQUEST = &g.navigation_request;
  ERRORS = &g.errors;
  SetToolbar(&toolbar_);
  g.next_window_request = 0;
  g.last_window_response = 0;

  fw::RelationManager* odds = OddsRelationManager();
  if (odds == nullptr) return fw::kLevelFatal;
  // The file manager has told the user why; a window over a table that cannot be read or
  // written would only fail again at every action.
  if (odds->Open(0) != fw::kLevelGoOn) return fw::kLevelFatal;
  vars_.FilesOpened = 1;

  // "из :" shows the table as it is from the start, as it does after every change.
  TakeRowCountAsEventCount(vars_);
  vars_.window->Display(kEventCountEntry);

  SetWindow(vars_.window.get());
  browse_.ROWEDITOR = row_editor_;
  // A row another tool left unreadable is said once and left out: the user still sees the
  // rest, and "С" can still empty the table.
  browse_.SKIPUNREADABLE = 1;
  browse_.Setup(kOddsList, vars_.ListLayout.Field(&vars_.ListQueue.buffer, "VIEWPOSITION"), this,
                odds, &vars_.ListQueue, &view_);
  vars_.window->Open();
  OPENED = 1;

  const rt::AnyRef nn = RecordField("KF:NN");
  browse_.AppendSortOrder(nullptr, &OddsNnKey());
  browse_.AttachLocator(&locator_);
  locator_.Setup(0, nn, 1, &browse_);
  WireOddsBrowse(browse_, browse_.odds_cell(), *vars_.window, vars_.ListLayout,
                 &vars_.ListQueue.buffer,
                 {kOddsList, kInsertButton, kChangeButton, kDeleteButton}, toolbar_);

  SetHistoryKeys();
  AttachAnalysisOpener(*vars_.window, browse_.POPUP.get());
  return fw::kLevelGoOn;
}

int CalculatorWindow::OnControlEvent() {
  const int level = fw::WindowManager::OnControlEvent();
  const rt::Event* e = rt::CurrentEvent();
  if (level != fw::kLevelGoOn || e == nullptr || !IsAnalysisRequest(*e)) return level;
  const int64_t rows_before = OddsFile().Records();
  AnalysisWindowProcedure(vars_.EventCount, vars_.SystemSize, vars_.StakePerVariant);
  // Rows added or deleted there count in "из :" as rows added or deleted here do.
  if (OddsFile().Records() != rows_before) TakeRowCountAsEventCount(vars_);
  // The analysis read the odds through the shared record buffer: the list reads them again.
  Refresh(true);
  return level;
}

int CalculatorWindow::Teardown() {
  const int level = fw::WindowManager::Teardown();
  if (level == fw::kLevelGoOn && vars_.FilesOpened) {
    if (fw::RelationManager* odds = OddsRelationManager()) odds->Close(0);
    vars_.FilesOpened = 0;
  }
  return level;
}

int CalculatorWindow::OnWindowEvent() {
  const int level = fw::WindowManager::OnWindowEvent();
  if (rt::EventNumber() == rt::kEventOpenWindow && window() != nullptr) {
    window()->Select(kOddsList);
  }
  return level;
}

int CalculatorWindow::OnAccepted() {
  const int accepted = rt::Accepted();
  if (accepted == kCalculateButton) CalculateSystem();
  const int level = fw::WindowManager::OnAccepted();
  switch (accepted) {
    case kAboutButton:
      FetchSelectedRecords();
      rt::MessageBox(AboutText(), kAboutCaption, rt::StandardIconRef(rt::kIconInformation),
                     rt::kButtonOk, rt::kButtonOk);
      break;
    case kHelpButton:
      FetchSelectedRecords();
      rt::MessageBox(kHelpText, kHelpCaption, rt::StandardIconRef(rt::kIconInformation),
                     rt::kButtonOk, rt::kButtonOk);
      break;
    case kClearButton:
      FetchSelectedRecords();
      ClearOddsTable();
      if (window() != nullptr) window()->Select(kOddsList);
      break;
    default:
      break;
  }
  return level;
}

void CalculatorWindow::CalculateSystem() {
  vars_.TotalReturn = 0.0;
  ShowNoResults();
  std::fill(vars_.OddsArray.begin(), vars_.OddsArray.end(), 0.0);

  rt::KeyedFile& file = OddsFile();
  // From the very start of the key order: a row another tool left without a number sorts
  // before number 0, and must stop the calculation like any other row that cannot be read.
  int error = file.Set(&OddsNnKey());
  size_t stored = 0;
  // Eof is false on a failed read, so the Next after it reports the failure: a total from
  // the rows read so far is never shown as the result.
  while (error == rt::kNoError && !file.Eof()) {
    error = file.Next();
    if (error != rt::kNoError) break;
    // Rows past the array's end could not add to any total: they are read and dropped.
    if (stored < vars_.OddsArray.size()) vars_.OddsArray[stored++] = OddsBuffer().kf;
  }

  if (error != rt::kNoError) {
    // A row that could not be read would silently drop out of every variant it is in, so
    // no result is better than a wrong one.
    // The window stays: the message says what could not be read, and both results stay
    // empty until a press reads every row.
    if (fw::FileManager* fm = OddsFileManager()) {
      fm->ReportFileError(error == rt::kRecordHeld ? fw::kErrRecordNotRead
                                                   : fw::kErrRecordUnreadable);
    }
  } else {
    const SystemBetResult result =
        ComputeSystemBet(std::span<const double>(vars_.OddsArray.data(), stored),
                         vars_.EventCount, vars_.SystemSize, vars_.StakePerVariant);
    vars_.TotalReturn = result.total_return;
    ShowResults(VariantCountText(result.variant_count));
  }

  if (rt::Window* w = window()) {
    w->Display();
    FitWindowToResults();
    w->Select(kOddsList);
  }
}

void CalculatorWindow::ClearOddsTable() {
  rt::KeyedFile& file = OddsFile();
  // One write: every row goes or none does, and no other copy ever computes from a table half
  // emptied. Rows another copy holds (being changed or typed there) stay.
  int64_t deleted = 0;
  if (file.DeleteAll(&deleted) != rt::kNoError) {
    if (fw::FileManager* fm = OddsFileManager()) fm->ReportFileError(fw::kErrRecordNotUpdated);
    return;
  }
  if (deleted == 0) return;
  // An outcome goes with its row, or the next row given that number would start settled.
  OutcomesByRow outcomes{};
  if (ReadOutcomes(outcomes) == rt::kNoError) {
    for (int nn = 1; nn < static_cast<int>(outcomes.size()); ++nn) {
      if (outcomes[nn] == Outcome::kPending) continue;
      OddsBuffer().nn = static_cast<uint8_t>(nn);
      if (file.Get(OddsNnKey()) == rt::kRecordNotFound) ForgetOutcome(static_cast<uint8_t>(nn));
    }
  }
  // Like a delete through the list: "из :" follows the table, and the list shows what is left.
  TakeRowCountAsEventCount(vars_);
  Refresh(true);
}

void CalculatorWindow::ShowResults(const std::string& count_digits) {
  SetPadded(vars_.VariantCount, count_digits, kVariantCountMinWidth);
  const std::string total = TotalReturnText(vars_.TotalReturn);
  // A total no picture can show reads as the "#"s a picture shows for it.
  SetPadded(vars_.TotalReturnText, total.empty() ? std::string(kTotalReturnMinWidth, '#') : total,
            kTotalReturnMinWidth);
}

void CalculatorWindow::ShowNoResults() {
  SetPadded(vars_.VariantCount, "", kVariantCountMinWidth);
  SetPadded(vars_.TotalReturnText, "", kTotalReturnMinWidth);
}

void CalculatorWindow::FitWindowToResults() {
  rt::Window* w = window();
  if (w == nullptr) return;
  // Measured in the font the results are drawn in, so no face is too wide for the window.
  rt::FitWidthToTexts(*w, {kVariantCountShown, kTotalReturnShown}, kCalculatorWidth, kRightMargin);
}

}  // namespace app
