#include "app/analysis_window.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/analysis_browse.h"
#include "app/analysis_needs.h"
#include "app/analysis_variants.h"
#include "app/analysis_settlement.h"
#include "app/analysis_sizes.h"
#include "app/analysis_variables.h"
#include "app/analysis_window_resource.h"
#include "app/odds_browse.h"
#include "app/odds_file.h"
#include "app/odds_table.h"
#include "app/outcome_table.h"
#include "app/program.h"
#include "app/russian_texts.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/browse/toolbar.h"
#include "framework/eip/row_in_place_editor.h"
#include "framework/errors/error_ids.h"
#include "framework/errors/level.h"
#include "framework/popup/popup_manager.h"
#include "runtime/core/error_codes.h"
#include "runtime/files/view.h"
#include "runtime/values/any_ref.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/chart_data.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window.h"

namespace app {

namespace {

// Every digit of a return, however large: no rounding to a shorter form, no exponent.
std::string Money(double value) {
  std::vector<char> text(420);
  std::snprintf(text.data(), text.size(), "%.2f", value);
  return text.data();
}

std::string ReturnAndProfit(const char* words, double value, double profit) {
  return std::string(words) + Money(value) + ", прибыль " + Money(profit);
}

Outcome OutcomeFromText(const std::string& text) {
  for (Outcome o : kOutcomeChoices) {
    if (text == OutcomeText(o)) return o;
  }
  return Outcome::kPending;
}

template <size_t N>
void Show(char (&variable)[N], const std::string& text) {
  rt::AnyRef::CString(variable).SetText(text);
}

}  // namespace

Outcome OutcomeForKey(char32_t key, bool* known) {
  *known = true;
  switch (key) {
    case U'В': case U'в': case U'D': case U'd': return Outcome::kWon;
    case U'П': case U'п': case U'G': case U'g': return Outcome::kLost;
    case U'Р': case U'р': case U'H': case U'h': return Outcome::kRefund;
    case U'Н': case U'н': case U'Y': case U'y': return Outcome::kPending;
    default: *known = false; return Outcome::kPending;
  }
}

const char* OutcomeText(Outcome outcome) {
  switch (outcome) {
    case Outcome::kWon: return "выигрыш";
    case Outcome::kLost: return "проигрыш";
    case Outcome::kRefund: return "возврат";
    case Outcome::kPending: break;
  }
  return "не рассчитано";
}

AnalysisWindow::AnalysisWindow(AnalysisVariables& vars, AnalysisBrowse& browse,
                               fw::Toolbar& toolbar, fw::RowEditorInterface* row_editor,
                               rt::View& view)
    : vars_(vars), browse_(browse), toolbar_(toolbar), row_editor_(row_editor), view_(view) {}

AnalysisWindow::~AnalysisWindow() = default;

int AnalysisWindow::Setup() {
  ProgramGlobals& g = Globals();
  const int level = fw::WindowManager::Setup();
  if (level != fw::kLevelGoOn) return level;
  FIRSTFIELD = kAnRowsList;
  ERRORS = &g.errors;
  SetToolbar(&toolbar_);

  fw::RelationManager* odds = OddsRelationManager();
  if (odds == nullptr) return fw::kLevelFatal;
  // Opens the outcomes too, along the relation; the file manager has told the user why not.
  if (odds->Open(0) != fw::kLevelGoOn) return fw::kLevelFatal;
  vars_.FilesOpened = 1;
  // The outcomes the browse shows beside each row, and every row for the settlement.
  LoadRows();

  rt::Window* w = vars_.window.get();
  SetWindow(w);
  browse_.Q = this;
  browse_.ROWEDITOR = row_editor_;
  auto row_field = [this](const char* label) {
    return vars_.RowsLayout.Field(&vars_.Rows.buffer, label);
  };
  browse_.Setup(kAnRowsList, row_field("VIEWPOSITION"), this, odds, &vars_.Rows, &view_);
  w->Open();
  OPENED = 1;

  browse_.AppendSortOrder(nullptr, &OddsNnKey());
  WireOddsBrowse(browse_, browse_.odds_cell(), *w, vars_.RowsLayout, &vars_.Rows.buffer,
                 {kAnRowsList, kAnInsertButton, kAnChangeButton, kAnDeleteButton}, toolbar_);
  // The third column: the outcome, from a drop list.
  browse_.BindField(rt::AnyRef::String(vars_.RowOutcome), row_field("OUTCOME"));
  browse_.AttachEditor(&browse_.outcome_cell(), 3, 0);
  SetHistoryKeys();

  // The list's right-click menu sets outcomes as well as the keys.
  if (fw::PopupManager* menu = browse_.POPUP.get()) {
    menu->AppendItem("-");
    // Item names are made from Latin letters only: the Russian texts get names of their own.
    const std::pair<Outcome, const char*> items[] = {{Outcome::kWon, "Won"},
                                                     {Outcome::kLost, "Lost"},
                                                     {Outcome::kRefund, "Refund"},
                                                     {Outcome::kPending, "Pending"}};
    for (const auto& [outcome, name] : items) {
      const std::string item = menu->AppendItem(OutcomeText(outcome), name);
      menu->AppendEventItem(item, rt::kEventAccepted,
                            kFirstOutcomeCommand + static_cast<int>(outcome));
    }
  }

  covers_ = std::make_unique<fw::PopupManager>();
  covers_->Setup();
  const std::vector<FullCover>& covers = FullCovers();
  for (size_t i = 0; i < covers.size(); ++i) {
    covers_->AppendEventItem(covers[i].name, rt::kEventAccepted,
                             kFirstCoverCommand + static_cast<int>(i));
  }
  SettleAndShow();
  return fw::kLevelGoOn;
}

int AnalysisWindow::Teardown() {
  if (covers_) covers_->Teardown();
  covers_.reset();
  const int level = fw::WindowManager::Teardown();
  if (level == fw::kLevelGoOn && vars_.FilesOpened) {
    if (fw::RelationManager* odds = OddsRelationManager()) odds->Close(0);
    vars_.FilesOpened = 0;
  }
  return level;
}

int AnalysisWindow::OnAccepted() {
  const int level = fw::WindowManager::OnAccepted();
  switch (rt::Accepted()) {
    case kAnEventsEntry:
    case kAnSizesEntry:
    case kAnStakeEntry:
    case kAnSettleButton:
      SettleAndShow();
      break;
    case kAnCoverButton:
      if (covers_) covers_->ShowMenu(0, 0);
      break;
    default: {
      const int cover = rt::Accepted() - kFirstCoverCommand;
      if (cover >= 0 && static_cast<size_t>(cover) < FullCovers().size()) {
        Show(vars_.Sizes, FullCovers()[static_cast<size_t>(cover)].name);
        SettleAndShow();
        break;
      }
      const int outcome = rt::Accepted() - kFirstOutcomeCommand;
      if (outcome >= 0 && outcome <= static_cast<int>(Outcome::kRefund)) {
        SetOutcomeOfSelectedRow(static_cast<Outcome>(outcome));
      }
      break;
    }
  }
  return level;
}

int AnalysisWindow::OnControlEvent() {
  const int level = fw::WindowManager::OnControlEvent();
  const rt::Event* e = rt::CurrentEvent();
  if (e != nullptr && e->control == kAnVariantsList) {
    ScrollVariants(e->number);
    return level;
  }
  if (e == nullptr || e->control != kAnRowsList || e->number != rt::kEventAlertKey) return level;
  bool known = false;
  const Outcome outcome = OutcomeForKey(e->key_char, &known);
  if (known) SetOutcomeOfSelectedRow(outcome);
  return level;
}

int AnalysisWindow::OnWindowEvent() {
  const int level = fw::WindowManager::OnWindowEvent();
  if (rt::EventNumber() == rt::kEventGainFocus && OPENED) ReadAndSettle();
  return level;
}

void AnalysisWindow::ReadAndSettle(bool take_row_count) {
  // A table that cannot be read leaves n as the user last saw it.
  if (LoadRows() && take_row_count) vars_.Events = static_cast<int16_t>(vars_.AllOdds.size());
  // The outcomes may have changed where the odds did not: every row is built again.
  Refresh(true);
  SettleAndShow();
}

void AnalysisWindow::ShowOutcomeOfBufferedRow() {
  rt::AnyRef::String(vars_.RowOutcome).SetText(OutcomeText(vars_.Outcomes[OddsBuffer().nn]));
}

void AnalysisWindow::StoreEditedOutcome() {
  const uint8_t nn = OddsBuffer().nn;
  const Outcome outcome = OutcomeFromText(rt::AnyRef::String(vars_.RowOutcome).Text());
  if (nn == 0 || outcome == vars_.Outcomes[nn]) return;
  if (StoreOutcome(nn, outcome) == fw::kLevelGoOn) vars_.Outcomes[nn] = outcome;
}

void AnalysisWindow::SetOutcomeOfSelectedRow(Outcome outcome) {
  const size_t row = rt::Choice(kAnRowsList);
  const AnalysisRow* shown = vars_.Rows.At(row);
  if (row == 0 || shown == nullptr) return;
  if (StoreOutcome(shown->nn, outcome) != fw::kLevelGoOn) return;
  // Another copy may have changed the table meanwhile: the list shows it as stored now.
  ReadAndSettle();
}

VariantCount AnalysisWindow::PageRows() const {
  const rt::Window* w = vars_.window.get();
  const int64_t shown = w != nullptr ? w->PropertyInt(kAnVariantsList, rt::kPropItems) : 0;
  return static_cast<VariantCount>(shown > 0 ? shown : 1);
}

void AnalysisWindow::ScrollVariants(int event) {
  if (!settled_ || count_ == 0) return;
  const VariantCount page = PageRows();
  const VariantCount last_first = count_ > page ? count_ - page + 1 : 1;
  switch (event) {
    case rt::kEventScrollUp: first_ = first_ > 1 ? first_ - 1 : 1; break;
    case rt::kEventScrollDown: first_ = first_ < last_first ? first_ + 1 : last_first; break;
    case rt::kEventPageUp: first_ = first_ > page ? first_ - page : 1; break;
    case rt::kEventPageDown:
      first_ = last_first - first_ > page ? first_ + page : last_first;
      break;
    case rt::kEventScrollTop: first_ = 1; break;
    case rt::kEventScrollBottom: first_ = last_first; break;
    case rt::kEventScrollDrag: {
      const int64_t thumb = vars_.window->PropertyInt(kAnVariantsList, rt::kPropThumb);
      const VariantCount t = static_cast<VariantCount>(thumb < 0 ? 0 : thumb > 100 ? 100 : thumb);
      // 10^22 variants times 100 still fits in 128 bits.
      first_ = 1 + (last_first - 1) * t / 100;
      break;
    }
    default: return;
  }
  ShowVariantsPage();
}

void AnalysisWindow::ShowVariantsPage() {
  vars_.VariantRows.Free();
  rt::Window* w = vars_.window.get();
  if (settled_ && count_ > 0) {
    const VariantCount page = PageRows();
    const std::vector<VariantRow> rows =
        VariantPage(events_, sizes_, stake_, first_, static_cast<int>(page));
    for (const VariantRow& v : rows) {
      VariantListRow& row = vars_.VariantRows.buffer;
      rt::AnyRef::String(row.number).SetText(VariantCountText(v.number));
      rt::AnyRef::String(row.events).SetText(v.events);
      row.odds = v.odds_product;
      row.payout = v.payout;
      std::string state;
      switch (v.state) {
        case VariantState::kWon: state = "выигрыш"; break;
        case VariantState::kRefunded: state = "возврат"; break;
        case VariantState::kLost: state = "проигрыш"; break;
        case VariantState::kOpen: state = "открыт"; break;
      }
      if (v.refunded_parts > 0 && v.state != VariantState::kRefunded) {
        state += " (возвр. " + std::to_string(v.refunded_parts) + ")";
      }
      rt::AnyRef::String(row.state).SetText(state);
      vars_.VariantRows.Append();
    }
    if (w != nullptr && count_ > page) {
      const VariantCount last_first = count_ - page + 1;
      w->SetPropertyInt(kAnVariantsList, rt::kPropThumb,
                        static_cast<int64_t>((first_ - 1) * 100 / (last_first - 1)));
    }
  }
  if (w != nullptr) w->Display(kAnVariantsList);
}

bool AnalysisWindow::LoadRows() {
  vars_.AllNumbers.clear();
  vars_.AllOdds.clear();
  vars_.RowOutcomes.clear();
  vars_.Outcomes.fill(Outcome::kPending);
  if (ReadOutcomes(vars_.Outcomes) != rt::kNoError) return false;
  rt::KeyedFile& file = OddsFile();
  // The browse's record side lives in the buffer this read goes through.
  const OddsRecord kept = OddsBuffer();
  OddsBuffer().nn = 0;
  int error = file.SetFromBuffer(OddsNnKey());
  while (error == rt::kNoError && !file.Eof()) {
    error = file.Next();
    if (error != rt::kNoError) break;
    vars_.AllNumbers.push_back(OddsBuffer().nn);
    vars_.AllOdds.push_back(double{OddsBuffer().kf});  // a packed field: copied, never bound
    vars_.RowOutcomes.push_back(vars_.Outcomes[OddsBuffer().nn]);
  }
  OddsBuffer() = kept;
  if (error != rt::kNoError) {
    // A row that cannot be read would drop out of every figure: nothing is better than wrong.
    vars_.AllNumbers.clear();
    vars_.AllOdds.clear();
    vars_.RowOutcomes.clear();
    if (fw::FileManager* fm = OddsFileManager()) {
      fm->ReportFileError(error == rt::kRecordHeld ? fw::kErrRecordNotRead
                                                   : fw::kErrRecordRetrieval);
    }
    return false;
  }
  return true;
}

void AnalysisWindow::SettleAndShow() {
  for (char* figure : {vars_.Variants, vars_.TotalStake, vars_.Settled, vars_.AllWin,
                       vars_.AllLose}) {
    figure[0] = '\0';
  }
  rt::ChartData chart;
  settled_ = false;
  auto refuse = [&](const std::string& reason) {
    Show(vars_.Sentence, reason);
    ShowVariantsPage();
    if (rt::Window* w = window()) {
      w->SetChart(kAnNeedsChart, chart);
      w->Display();
      FitWindowToFigures(*w);
    }
  };

  const SizesText sizes = ParseSystemSizes(rt::AnyRef::CString(vars_.Sizes).Text());
  if (!sizes.ok) return refuse(sizes.reason);
  // A full cover is a number of events as well as sizes.
  if (sizes.sizes.events > 0) vars_.Events = static_cast<int16_t>(sizes.sizes.events);

  AnalysisEvents events;
  std::string reason;
  if (!events.Assign(vars_.AllOdds, vars_.RowOutcomes, vars_.AllNumbers, vars_.Events, &reason)) {
    return refuse(reason);
  }
  const Settlement settled = Settle(events, sizes.sizes, vars_.Stake);
  if (!settled.refused.empty()) return refuse(settled.refused);

  Show(vars_.Variants, "Вариантов: " + VariantCountText(settled.variants));
  Show(vars_.TotalStake, "Общая ставка: " + TotalStakeText(settled.variants, settled.stake));
  Show(vars_.Settled, ReturnAndProfit("Рассчитано: ", settled.settled_return,
                                      settled.SettledProfit()));
  Show(vars_.AllWin, ReturnAndProfit("Если все ожидающие выиграют: ", settled.all_win_return,
                                     settled.AllWinProfit()));
  Show(vars_.AllLose, ReturnAndProfit("Если все ожидающие проиграют: ",
                                      settled.all_lose_return, settled.AllLoseProfit()));

  // The same settlement pages through its variants, from the first again when it changed.
  settled_ = true;
  events_ = events;
  sizes_ = sizes.sizes;
  stake_ = settled.stake;
  count_ = settled.variants;
  if (first_ > count_) first_ = 1;
  ShowVariantsPage();

  const NeedsTable needs = ComputeNeeds(events, sizes.sizes, settled);
  chart.bars_name = "Выплата при j выигравших";
  for (size_t j = 0; j < needs.min_return.size(); ++j) {
    chart.bars.push_back(rt::ChartBar{std::to_string(j), needs.min_return[j],
                                      needs.max_return[j]});
  }
  chart.level = needs.total_stake;
  chart.level_name = "Общая ставка";
  Show(vars_.Sentence, StakeBackSentence(needs));
  if (rt::Window* w = window()) {
    w->SetChart(kAnNeedsChart, chart);
    w->Display();
    FitWindowToFigures(*w);
  }
}

void AnalysisWindow::FitWindowToFigures(rt::Window& w) {
  // Counts of up to 22 digits and the money beside them are shown in full, never cut at the edge.
  rt::FitWidthToTexts(w, {kAnVariantsShown, kAnTotalStakeShown, kAnSettledShown, kAnAllWinShown,
                          kAnAllLoseShown, kAnSentenceShown},
                      kAnalysisWidth, kAnRightMargin);
}

void AnalysisWindowProcedure(int32_t events, int system_size, double stake) {
  AnalysisVariables vars;
  vars.Events = static_cast<int16_t>(events);
  // A calculator whose "по :" is still 0 has no system chosen yet: the sizes start empty and
  // the window says what it takes, rather than refusing a 0 the user never typed.
  if (system_size >= 1) Show(vars.Sizes, std::to_string(system_size));
  vars.Stake = stake;
  RegisterAnalysisWindowResource();
  std::string error;
  vars.window = rt::Window::Prepare(
      kAnalysisResource, kAnalysisWindowLabel,
      {rt::Window::Binding(&vars.Rows, &vars.RowsLayout), rt::AnyRef::Of(vars.Events),
       rt::AnyRef::CString(vars.Sizes), rt::AnyRef::Of(vars.Stake),
       rt::AnyRef::CString(vars.Variants), rt::AnyRef::CString(vars.TotalStake),
       rt::AnyRef::CString(vars.Settled), rt::AnyRef::CString(vars.AllWin),
       rt::AnyRef::CString(vars.AllLose), rt::AnyRef::CString(vars.Sentence),
       rt::Window::Binding(&vars.VariantRows, &vars.VariantLayout)},
      &error);
  if (!vars.window) rt::Halt(1, "The analysis window cannot be built: " + error);
  // Its own view of the odds table: the calculator's stays where the calculator left it.
  rt::View view(&OddsFile());
  AnalysisBrowse browse;
  fw::Toolbar toolbar;
  fw::RowInPlaceEditor editor;
  {
    AnalysisWindow window(vars, browse, toolbar, &editor, view);
    window.TRANSLATOR = &RussianTranslator();
    window.Execute();
  }
  vars.window.reset();
  vars.Rows.Free();
  vars.VariantRows.Free();
  if (view.IsOpen()) view.Close();
}

}  // namespace app
