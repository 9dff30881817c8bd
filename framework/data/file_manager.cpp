#include "framework/data/file_manager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "framework/data/relation_manager.h"
#include "framework/errors/error_ids.h"
#include "framework/errors/error_manager.h"
#include "framework/errors/level.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"
#include "runtime/values/owned_value.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/values/text.h"

namespace fw {

namespace {

constexpr size_t kDescriptionBytes = 80;
constexpr size_t kOrderTextBytes = 512;
constexpr size_t kQuotedValueBytes = 2000;
constexpr int kReserveAttempts = 3;

// --- Registry ------------------------------------------------------------------------------

struct RegistryRow {
  const rt::KeyedFile* FILELABEL;
  FileManager* FILEMANAGER;
};

// The registry and its lock are never destroyed: managers with static storage are torn down
// by their destructors during exit (after a fatal error, exit runs the static destructors in
// any order), and each must still find the registry to leave it.
std::mutex& RegistryMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}

// Kept in FILELABEL order; two managers of one file keep the order they entered in.
std::vector<RegistryRow>& Registry() {
  static std::vector<RegistryRow>* rows = new std::vector<RegistryRow>;
  return *rows;
}

bool IsText(const rt::AnyRef& r) {
  return r.type() == rt::Type::String || r.type() == rt::Type::CString;
}

// Do two records fall in the same group of a key (components before `upto`, from 0), compared
// as the key compares them?
bool SameGroup(const rt::FileDeclaration& decl, const rt::FileKey& key, size_t upto, void* a,
               void* b) {
  for (size_t c = 0; c < upto; ++c) {
    rt::AnyRef x = decl.Record().Field(a, key.Component(c).field);
    rt::AnyRef y = decl.Record().Field(b, key.Component(c).field);
    int cmp = IsText(x) ? rt::CompareBlankPadded(x.Text(), y.Text(), key.NoCase())
                        : x.Compare(y);
    if (cmp != 0) return false;
  }
  return true;
}

}  // namespace

FileManager::FileManager() = default;

FileManager::~FileManager() {
  // Teardown is the visible end of life; this only keeps a forgotten one from leaving a
  // dangling registry row.
  if (INFO) Teardown();
}

// --- Set-up --------------------------------------------------------------------------------

void FileManager::Setup(rt::KeyedFile* file, ErrorManager* errors) {
  if (INFO) Teardown();
  ERRORS = errors;
  FILE = file;
  INFO = std::make_unique<std::map<int32_t, FileManagerInfo>>();
  KEYS = std::make_unique<std::vector<FileManagerKey>>();
  BUFFERS = std::make_unique<std::map<int32_t, std::string>>();
  SAVED = std::make_unique<std::vector<FileManagerSavedState>>();
  ALIASEDFILE = nullptr;
  CREATE = 1;
  FILENAME = rt::AnyRef();
  HASAUTOINC = 0;
  LAZYOPEN = 1;
  LOCKRECOVER = 10;
  OPENMODE = 0x42;
  PRIMARYKEY = 0;
  SKIPHELDRECORDS = 0;
  // The file's own name rather than the bare declared one, so a name the owner gave the file
  // before Setup is kept.
  FILENAMEVALUE = file ? file->Name() : std::string();
  BUFFER = file ? rt::AnyRef(rt::Type::Group, file->Buffer(), file->Declaration().RecordSize())
                : rt::AnyRef();
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto& rows = Registry();
  auto at = std::upper_bound(rows.begin(), rows.end(), file,
                             [](const rt::KeyedFile* f, const RegistryRow& r) {
                               return std::less<const rt::KeyedFile*>()(f, r.FILELABEL);
                             });
  rows.insert(at, RegistryRow{file, this});
}

void FileManager::RegisterKey(const rt::FileKey* key, std::string_view description,
                              uint8_t autoIncComponent) {
  if (!KEYS || !key || !FILE) return;
  const rt::FileDeclaration& decl = FILE->Declaration();
  FileManagerKey row;
  row.KEY = key;
  row.DESCRIPTION = std::string(rt::Clip(rt::CutToBytes(description, kDescriptionBytes)));
  row.AUTOINC = autoIncComponent;
  if (autoIncComponent != 0) HASAUTOINC = 1;
  row.DUPS = key->Duplicates() ? 1 : 0;
  row.NOCASE = key->NoCase() ? 1 : 0;
  for (size_t c = 0; c < key->ComponentCount(); ++c) {
    const rt::KeyComponent& comp = key->Component(c);
    FileManagerKeyComponent component;
    component.ASCEND = comp.ascending ? 1 : 0;
    component.FIELD = decl.Record().Field(BUFFER.address(), comp.field);
    std::string label = decl.FieldLabel(comp.field);
    if (row.NOCASE && IsText(component.FIELD)) label = "UPPER(" + label + ")";
    component.FIELDNAME = NewText(label);
    row.FIELDS.push_back(std::move(component));
  }
  KEYS->push_back(std::move(row));
  if (key->Primary()) PRIMARYKEY = static_cast<uint8_t>(KEYS->size());
}

void FileManager::Teardown() {
  {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    auto& rows = Registry();
    // Its own row: another manager of the same file keeps its entry.
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](const RegistryRow& r) { return r.FILEMANAGER == this; }),
               rows.end());
  }
  INFO.reset();
  KEYS.reset();
  BUFFERS.reset();
  SAVED.reset();
}

FileManager* FileManager::FindFileManager(const rt::KeyedFile* file) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  for (const RegistryRow& r : Registry()) {
    if (r.FILELABEL == file) return r.FILEMANAGER;
  }
  return nullptr;
}

void FileManager::FreeRegistry() {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  Registry().clear();
  Registry().shrink_to_fit();
}

void FileManager::Trace(std::string_view) {}

// The runtime's views name fields through the file's declaration, so there is nothing to
// hand over; a derived manager may bind further names here.
void FileManager::BindFieldNames() {}

// --- Per-thread state and errors -----------------------------------------------------------

FileManagerInfo& FileManager::SyncThreadInfo() {
  int32_t id = FILE && FILE->Declaration().PerThread() ? rt::ThreadNumber() : 1;
  FileManagerInfo* info;
  {
    std::lock_guard<std::mutex> lock(info_mutex_);
    if (!INFO) INFO = std::make_unique<std::map<int32_t, FileManagerInfo>>();
    auto [it, added] = INFO->try_emplace(id);
    if (added) it->second.ID = id;
    info = &it->second;
  }
  if (ERRORS) ERRORS->SetFileName(FILENAME.IsNull() ? std::string_view(FILENAMEVALUE)
                                                   : std::string_view(FILENAME.Text()));
  return *info;
}

void FileManager::NoteError(uint16_t id) {
  if (ERRORS) ERRORS->CaptureRuntimeError();
  SyncThreadInfo().LASTERROR = static_cast<uint8_t>(id);
}

int FileManager::ReportNotedError() {
  uint8_t id = SyncThreadInfo().LASTERROR;
  if (!ERRORS) return kLevelHandled;
  return ERRORS->ReportError(id);
}

int FileManager::ReportFileError(uint16_t id) {
  NoteError(id);
  return ReportNotedError();
}

int FileManager::ReportWithText(uint16_t id, std::string_view text) {
  SyncThreadInfo();
  if (!ERRORS) return kLevelHandled;
  return ERRORS->RaiseWithMessage(text, id);
}

// --- Opening and closing -------------------------------------------------------------------

int FileManager::Open() { return OpenFile(true, false); }

int FileManager::OpenFile(bool count, bool force) {
  FileManagerInfo& info = SyncThreadInfo();
  if (!force && LAZYOPEN) {
    if (count) ++info.OPENED;
    BindFieldNames();
    Trace("Virtual File Open");
    return kLevelGoOn;
  }
  bool open = info.OPENED > 0 && !force;
  if (!FILE) {
    NoteError(kErrFileAccess);
    return ReportNotedError();
  }
  for (int attempt = 0; !open; ++attempt) {
    if (attempt == 2) {
      NoteError(kErrFileAccess);
      return ReportNotedError();
    }
    // The file is bound to FILENAMEVALUE: an owner that renamed it after Setup opens that.
    if (!FILE->IsOpen() && FILE->Name() != FILENAMEVALUE) FILE->SetName(FILENAMEVALUE);
    int code = FILE->Open(OPENMODE);
    if (code == rt::kAccessDenied) {
      FILE->Send("Recover=" + std::to_string(LOCKRECOVER));
      code = FILE->Open(OPENMODE);
    }
    switch (code) {
      case rt::kNoError:
      case rt::kFileAlreadyOpen:
        info.USED = 1;
        info.ATEOF = 0;
        info.AUTOINCDONE = 0;
        info.RESERVEDPOSITION.clear();
        open = true;
        break;
      case rt::kAccessDenied:
        if ((OPENMODE & 3) == 0) {
          NoteError(kErrFileAccess);
          return ReportNotedError();
        }
        OPENMODE &= 0xF0;
        ReportFileError(kErrAccessDenied);
        break;
      case rt::kFileNotFound:
        if (!CREATE) {
          NoteError(kErrFileAccess);
          return ReportNotedError();
        }
        if (FILE->Create() != rt::kNoError) {
          NoteError(kErrFileCreation);
          return ReportNotedError();
        }
        break;
      case rt::kKeysMustBeRebuilt:
        NoteError(kErrInvalidKey);
        ReportNotedError();
        if (FILE->BuildKeys() != rt::kNoError) return ReportFileError(kErrKeyNotBuilt);
        break;
      default:
        NoteError(kErrFileAccess);
        return ReportNotedError();
    }
  }
  if (count) ++info.OPENED;
  BindFieldNames();
  Trace("Real File Open");
  return kLevelGoOn;
}

int FileManager::EnsureOpen() {
  FileManagerInfo& info = SyncThreadInfo();
  if (!LAZYOPEN || info.USED) return kLevelGoOn;
  if (info.OPENED == 0) return ReportFileError(kErrFileUsage);
  uint16_t saved = SnapshotBuffer();
  int level = OpenFile(false, true);
  RestoreSnapshot(saved, true);
  return level;
}

int FileManager::Close() {
  FileManagerInfo& info = SyncThreadInfo();
  if (info.OPENED > 0) {
    --info.OPENED;
    if (info.OPENED == 0) {
      if (FILE && FILE->IsOpen()) FILE->Close();
      info.USED = 0;
    }
  }
  Trace("Close File");
  return kLevelGoOn;
}

// --- Copies of the record buffer -----------------------------------------------------------

std::string FileManager::NewText(std::string_view text) { return std::string(rt::Clip(text)); }

uint16_t FileManager::SnapshotBuffer() {
  if (!BUFFERS) BUFFERS = std::make_unique<std::map<int32_t, std::string>>();
  int32_t id = BUFFERS->empty() ? 1 : BUFFERS->rbegin()->first + 1;
  std::string_view record(static_cast<const char*>(BUFFER.address()), BUFFER.size());
  (*BUFFERS)[id] = NewText(record);
  // This driver keeps no large-object fields, so one copy is the whole record and the next
  // id follows directly.
  return static_cast<uint16_t>(id);
}

void FileManager::RestoreSnapshot(uint16_t& id, bool restore) {
  if (id == 0) return;
  if (BUFFERS) {
    auto it = BUFFERS->find(id);
    if (it != BUFFERS->end()) {
      if (restore && !BUFFER.IsNull()) {
        char* b = static_cast<char*>(BUFFER.address());
        size_t n = std::min(it->second.size(), BUFFER.size());
        std::memcpy(b, it->second.data(), n);
        std::memset(b + n, ' ', BUFFER.size() - n);
      }
      BUFFERS->erase(it);
    }
  }
  id = 0;
}

bool FileManager::MatchesSnapshot(uint16_t id) {
  if (EnsureOpen() != kLevelGoOn || !BUFFERS) return false;
  auto it = BUFFERS->find(id);
  if (it == BUFFERS->end()) return false;
  std::string_view record(static_cast<const char*>(BUFFER.address()), BUFFER.size());
  return rt::Clip(record) == rt::Clip(it->second);
}

// --- Copies of the file state --------------------------------------------------------------

uint16_t FileManager::SnapshotFileState() {
  if (!SAVED) SAVED = std::make_unique<std::vector<FileManagerSavedState>>();
  FileManagerSavedState row;
  row.ID = static_cast<uint16_t>(SAVED->empty() ? 1 : SAVED->back().ID + 1);
  row.BUFFER = SnapshotBuffer();
  if (FILE && FILE->IsOpen()) {
    row.KEY = FILE->CurrentKey();
    row.WHELD = FILE->IsHeld() ? 1 : 0;
    row.WWATCH = FILE->IsWatched() ? 1 : 0;
    row.POS = FILE->Position(row.KEY);
  }
  SAVED->push_back(row);
  return row.ID;
}

void FileManager::RestoreFileState(uint16_t& id) {
  if (id == 0 || !SAVED) return;
  if (EnsureOpen() != kLevelGoOn) return;
  auto it = std::find_if(SAVED->begin(), SAVED->end(),
                         [id](const FileManagerSavedState& s) { return s.ID == id; });
  if (it == SAVED->end()) return;
  FileManagerSavedState row = *it;
  SAVED->erase(it);
  if (row.POS.empty()) {
    // No record was current: the sequence goes back to the start of the same order.
    FILE->Set(row.KEY);
  } else if (FILE->Reset(row.KEY, row.POS) == rt::kNoError) {
    if (row.WHELD) FILE->Hold();
    if (row.WWATCH) FILE->Watch();
    FILE->Next();
  }
  RestoreSnapshot(row.BUFFER, true);
  id = 0;
}

// --- Positions -----------------------------------------------------------------------------

namespace {
const rt::FileKey* PrimaryKeyOf(const FileManager& fm) {
  if (fm.PRIMARYKEY == 0 || !fm.KEYS || fm.PRIMARYKEY > fm.KEYS->size()) return nullptr;
  return (*fm.KEYS)[fm.PRIMARYKEY - 1].KEY;
}
}  // namespace

std::string FileManager::GetPosition() {
  if (EnsureOpen() != kLevelGoOn) return std::string();
  return FILE->Position(PrimaryKeyOf(*this));
}

int FileManager::FetchByPosition(std::string_view position) {
  if (EnsureOpen() != kLevelGoOn) return kLevelFatal;
  return FILE->Reget(PrimaryKeyOf(*this), position) == rt::kNoError ? kLevelGoOn
                                                                    : kLevelHandled;
}

// --- Keys ----------------------------------------------------------------------------------

FileManagerKey* FileManager::SelectKey(const rt::FileKey* key) {
  if (!KEYS || !key) return nullptr;
  for (FileManagerKey& row : *KEYS) {
    if (row.KEY == key) return &row;
  }
  return nullptr;
}

size_t FileManager::GetComponentCount(const rt::FileKey* key) {
  FileManagerKey* row = SelectKey(key);
  return row ? row->FIELDS.size() : 0;
}

std::string FileManager::GetComponentName(const rt::FileKey* key, size_t n) {
  FileManagerKey* row = SelectKey(key);
  if (!row || n == 0 || n > row->FIELDS.size()) return std::string();
  return row->FIELDS[n - 1].FIELDNAME;
}

rt::AnyRef FileManager::GetComponentField(const rt::FileKey* key, size_t n) {
  FileManagerKey* row = SelectKey(key);
  if (!row || n == 0 || n > row->FIELDS.size()) return rt::AnyRef();
  return row->FIELDS[n - 1].FIELD;
}

std::string FileManager::GetOrderText(const rt::FileKey* key, size_t firstComponent) {
  FileManagerKey* row = SelectKey(key);
  if (!row) return std::string();
  std::string text;
  for (size_t c = firstComponent == 0 ? 1 : firstComponent; c <= row->FIELDS.size(); ++c) {
    const FileManagerKeyComponent& comp = row->FIELDS[c - 1];
    if (!text.empty()) text += ",";
    if (!comp.ASCEND) text += "-";
    text += comp.FIELDNAME;
  }
  return std::string(rt::CutToBytes(text, kOrderTextBytes));
}

void FileManager::BlankKeyFields(const rt::FileKey* key, size_t fromComponent,
                                 size_t toComponent, bool high) {
  FileManagerKey* row = SelectKey(key);
  if (!row) return;
  for (size_t c = fromComponent == 0 ? 1 : fromComponent;
       c <= toComponent && c <= row->FIELDS.size(); ++c) {
    FileManagerKeyComponent& comp = row->FIELDS[c - 1];
    if (high == (comp.ASCEND != 0)) comp.FIELD.SetHighest();
    else comp.FIELD.Clear();
  }
}

bool FileManager::AtEnd() { return SyncThreadInfo().ATEOF != 0; }

std::string FileManager::QuoteValue(std::string_view expressionText, const rt::AnyRef& field,
                                    const rt::AnyRef& value) {
  if (!IsText(field)) return value.Text();
  std::string whole = value.Text();
  std::string_view text = rt::CutToBytes(whole, kQuotedValueBytes);
  std::string quoted = "'";
  for (char ch : text) {
    quoted += ch;
    if (ch == '\'') quoted += '\'';
  }
  quoted += "'";
  if (expressionText.find("UPPER(") != std::string_view::npos) quoted = "UPPER(" + quoted + ")";
  return quoted;
}

// --- Preparing and numbering records -------------------------------------------------------

template <typename Op>
int FileManager::Delegate(bool copyIn, bool copyBack, Op op) {
  FileManager& target = *ALIASEDFILE;
  size_t n = std::min(BUFFER.size(), target.BUFFER.size());
  uint16_t saved = target.SnapshotBuffer();
  if (copyIn) std::memmove(target.BUFFER.address(), BUFFER.address(), n);
  int result = op(target);
  if (copyBack && result == kLevelGoOn) std::memmove(BUFFER.address(), target.BUFFER.address(), n);
  target.RestoreSnapshot(saved, true);
  return result;
}

int FileManager::PrepareRecord(bool keepBuffer) {
  // The alias's record goes across first, so a record the caller primed and asked to keep
  // is the one prepared.
  if (ALIASEDFILE) {
    return Delegate(true, true, [&](FileManager& m) { return m.PrepareRecord(keepBuffer); });
  }
  if (!keepBuffer && FILE) FILE->Clear();
  SetFieldDefaults();
  return HASAUTOINC ? ReserveNumber() : kLevelGoOn;
}

void FileManager::SetFieldDefaults() {}

int FileManager::ReserveNumber() { return ReserveNumberLoop(true); }
int FileManager::ReserveNumberQuiet() { return ReserveNumberLoop(false); }

// Reads the highest stored value of the key's automatically numbered component (within the
// buffer's group for a key of several components) and stores the next one into the buffer.
// 0; kErrRecordRetrieval noted after a failed read (the buffer is the caller's again); or
// kErrAutoIncrement noted when the next number does not fit the field.
int FileManager::ComputeNextNumber(const FileManagerKey& key) {
  const rt::FileKey& fk = *key.KEY;
  size_t c = key.AUTOINC;  // from 1
  const FileManagerKeyComponent& comp = key.FIELDS[c - 1];
  rt::AnyRef field = comp.FIELD;
  uint16_t saved = SnapshotBuffer();
  FILE->NoMemo();
  int code;
  bool first_of_group = false;
  // A number another copy has reserved for a row still being typed there is taken too.
  FILE->SeeReserved(true);
  if (key.FIELDS.size() == 1) {
    FILE->Set(&fk);
    code = comp.ASCEND ? FILE->Previous() : FILE->Next();
  } else {
    std::vector<unsigned char> caller(BUFFER.size());
    std::memcpy(caller.data(), BUFFER.address(), BUFFER.size());
    field.SetHighest();
    FILE->SetFromBuffer(fk);
    code = comp.ASCEND ? FILE->Previous() : FILE->Next();
    if (code == rt::kNoError) {
      first_of_group =
          !SameGroup(FILE->Declaration(), fk, c - 1, caller.data(), BUFFER.address());
    }
  }
  FILE->SeeReserved(false);
  double next_real = 1;
  int64_t next_int = 1;
  if (code == rt::kNoError && !first_of_group) {
    next_int = field.Integer() + 1;
    next_real = field.Real() + 1;
  } else if (code != rt::kNoError && code != rt::kNoRecordAvailable) {
    NoteError(kErrRecordRetrieval);
    RestoreSnapshot(saved, true);
    return kErrRecordRetrieval;
  }
  RestoreSnapshot(saved, true);
  // The number goes into the field only when the field can hold it: a value past its range
  // would wrap round to a number already in use.
  rt::OwnedValue probe(field.type(), field.size());
  bool fits;
  if (rt::IsInteger(field.type())) {
    probe.Ref().SetInteger(next_int);
    fits = probe.Ref().Integer() == next_int;
  } else {
    probe.Ref().SetReal(next_real);
    fits = probe.Ref().Real() == next_real;
  }
  if (!fits) {
    rt::SetLastError(rt::kDriverError, comp.FIELDNAME, "No number is left for the field");
    NoteError(kErrAutoIncrement);
    return kErrAutoIncrement;
  }
  field.Assign(probe.Ref());
  return kLevelGoOn;
}

int FileManager::ReserveNumberLoop(bool report) {
  if (EnsureOpen() != kLevelGoOn) return kLevelFatal;
  FileManagerInfo& info = SyncThreadInfo();
  if (!HASAUTOINC || info.AUTOINCDONE) return kLevelGoOn;
  int attempts = 0;
  for (;;) {
    int failed = kLevelGoOn;
    for (const FileManagerKey& key : *KEYS) {
      if (key.AUTOINC == 0 || key.AUTOINC > key.FIELDS.size()) continue;
      failed = ComputeNextNumber(key);
      if (failed != kLevelGoOn) break;
    }
    if (failed == kErrRecordRetrieval) return report ? ReportNotedError() : kLevelHandled;
    if (failed == kLevelGoOn) {
      // Reserved, the record is this copy's alone until Insert enters it: no other copy lists
      // or counts it, and it goes if this one dies first.
      if (FILE->Reserve() == rt::kNoError) {
        info.AUTOINCDONE = 1;
        info.RESERVEDPOSITION = FILE->Position(nullptr);
        return kLevelGoOn;
      }
      if (++attempts < kReserveAttempts) continue;
      NoteError(kErrAutoIncrement);
    }
    // Three adds failed, or no number is left: ask whether to try again.
    if (!report) return kLevelHandled;
    if (ReportNotedError() != kLevelGoOn) return kLevelHandled;
    attempts = 0;
  }
}

// Makes the record ReserveNumber added the current one again, keeping the buffer. False when
// it is gone (another station deleted it).
bool FileManager::MakeReservedRecordCurrent(FileManagerInfo& info) {
  if (info.RESERVEDPOSITION.empty()) return true;
  // Read again even when it is the current record: another station may have deleted it
  // since, and only a read can tell.
  uint16_t saved = SnapshotBuffer();
  bool found = FILE->Reget(nullptr, info.RESERVEDPOSITION) == rt::kNoError;
  RestoreSnapshot(saved, true);
  return found;
}

int FileManager::ReleaseNumber(RelationManager* relationManager) {
  if (EnsureOpen() != kLevelGoOn) return kLevelGoOn;
  FileManagerInfo& info = SyncThreadInfo();
  if (!HASAUTOINC || !info.AUTOINCDONE) return kLevelGoOn;
  int result = kLevelGoOn;
  if (MakeReservedRecordCurrent(info)) {
    if (relationManager) {
      result = relationManager->Delete(0);
    } else {
      FILE->Delete();
    }
  }
  if (result != kLevelGoOn) return result;
  info.AUTOINCDONE = 0;
  info.RESERVEDPOSITION.clear();
  return kLevelGoOn;
}

// --- Writing -------------------------------------------------------------------------------

int FileManager::Insert() {
  if (EnsureOpen() != kLevelGoOn) return kLevelFatal;
  if (VerifyRecord(nullptr) != kLevelGoOn) return kLevelHandled;
  FileManagerInfo& info = SyncThreadInfo();
  int code;
  if (HASAUTOINC) {
    auto reservation_gone = [&] {
      // Another station deleted the record reserved for this row: the number is gone with
      // it, and saving again could only fail again. The user is told once; nothing is written.
      info.AUTOINCDONE = 0;
      info.RESERVEDPOSITION.clear();
      NoteError(kErrRecordDeleted);
      return ReportNotedError();
    };
    if (info.AUTOINCDONE && !MakeReservedRecordCurrent(info)) return reservation_gone();
    if (!info.AUTOINCDONE && ReserveNumber() != kLevelGoOn) return kLevelHandled;
    // The put enters the reserved record: from now on every copy lists and counts it.
    code = FILE->Put();
    if (code == rt::kRecordNotFound) return reservation_gone();
  } else {
    code = FILE->Add();
  }
  if (code == rt::kNoError) {
    info.AUTOINCDONE = 0;
    info.RESERVEDPOSITION.clear();
    return kLevelGoOn;
  }
  if (code == rt::kDuplicateKey) {
    // Without a reserved record nothing of ours is stored: compare with every record.
    if (!HASAUTOINC) FILE->ClearCurrent();
    for (const FileManagerKey& key : *KEYS) {
      if (FILE->Duplicate(*key.KEY)) {
        ReportWithText(kErrDuplicateKey, key.DESCRIPTION);
        return kLevelHandled;
      }
    }
    return kLevelHandled;
  }
  NoteError(kErrRecordInsert);
  return ReportNotedError();
}

int FileManager::Update(int mode) {
  if (EnsureOpen() != kLevelGoOn) return kLevelFatal;
  if (VerifyRecord(nullptr) != kLevelGoOn) return kLevelHandled;
  std::string position = GetPosition();
  int code = FILE->Put();
  if (code == rt::kNoError) return kLevelGoOn;
  if (code == rt::kRecordChanged || code == rt::kRecordNotFound) {
    // Show the other station's version, watched again, so saving once more only fails if
    // the record changes again. A record that is gone cannot be saved again at all: the
    // user is told that, not that it changed.
    FILE->Watch();
    uint16_t saved = SnapshotBuffer();
    const int found = FILE->Reget(PrimaryKeyOf(*this), position);
    RestoreSnapshot(saved, found != rt::kNoError);
    if (found == rt::kRecordNotFound) {
      NoteError(kErrRecordDeleted);
      if (mode != 0) ReportNotedError();
      return kLevelHandled;
    }
    if (code == rt::kRecordChanged) {
      NoteError(mode == 2 ? kErrRecordChangedShown : kErrRecordChanged);
      if (mode != 0) ReportNotedError();
      return kLevelHandled;
    }
  }
  NoteError(kErrRecordNotUpdated);
  return mode == 0 ? kLevelHandled : ReportNotedError();
}

int FileManager::UpdateQuiet() { return Update(0); }

// --- Reading -------------------------------------------------------------------------------

int FileManager::Next(bool report) {
  if (EnsureOpen() != kLevelGoOn) return kLevelFatal;
  FileManagerInfo& info = SyncThreadInfo();
  for (;;) {
    info.ATEOF = 0;
    int code = FILE->Next();
    if (code == rt::kNoRecordAvailable) {
      info.ATEOF = 1;
      return kLevelHandled;
    }
    if (code == rt::kNoError) return kLevelGoOn;
    if (code == rt::kRecordHeld) {
      if (SKIPHELDRECORDS) continue;
      NoteError(kErrRecordNotRead);
      return report ? ReportNotedError() : kLevelHandled;
    }
    NoteError(kErrRecordRetrieval);
    return report ? ReportNotedError() : kLevelFatal;
  }
}

int FileManager::NextQuiet() { return Next(false); }

// --- Validation ----------------------------------------------------------------------------

int FileManager::VerifyField(int fieldNumber) {
  if (ALIASEDFILE) {
    return Delegate(true, false, [&](FileManager& m) { return m.VerifyField(fieldNumber); });
  }
  return kLevelGoOn;
}

int FileManager::VerifyFields(int fromField, int toField, int* failedField) {
  if (ALIASEDFILE) {
    return Delegate(true, false, [&](FileManager& m) {
      return m.VerifyFields(fromField, toField, failedField);
    });
  }
  for (int f = fromField; f <= toField; ++f) {
    int result = VerifyField(f);
    if (result != kLevelGoOn) {
      if (failedField) *failedField = f;
      return result;
    }
  }
  return kLevelGoOn;
}

int FileManager::VerifyRecord(int* failedField) {
  // The alias's record is what is being checked, so it goes across as for single fields.
  if (ALIASEDFILE) {
    return Delegate(true, false, [&](FileManager& m) { return m.VerifyRecord(failedField); });
  }
  int count = FILE ? static_cast<int>(FILE->Declaration().FieldCount()) : 0;
  return VerifyFields(1, count, failedField);
}

}  // namespace fw
