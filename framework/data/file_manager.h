// FileManager: the one way the program opens, closes, reads and writes one keyed file. It keeps
// the file's keys in a form views and browses use, opens the file on demand (lazily, creating
// it, retrying a refused open and falling back to read-only), counts opens per thread, reports
// failures by error id through the ErrorManager, keeps numbered copies of the record buffer and
// of the file's place, and runs the record operations (automatic numbering, insert, update,
// next, validation hooks).
//
// Ownership: the manager owns its four lists and every copy in them. The runtime file, its
// record buffer and the ErrorManager belong to the owner and must remain live from Setup to
// Teardown. Every manager is listed in a program-wide registry from Setup to Teardown, so code
// that holds only a runtime file can find its manager (FindFileManager).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values/any_ref.h"
#include "runtime/files/file_key.h"
#include "runtime/files/keyed_file.h"

namespace fw {

class ErrorManager;
class RelationManager;

// Per-thread state of a file (one row per thread that uses a per-thread file, else ID 1).
struct FileManagerInfo {
  int32_t ID = 0;
  uint8_t USED = 0;         // the file is really open for this thread
  uint16_t OPENED = 0;      // Open calls not yet matched by Close
  uint8_t ATEOF = 0;        // the last sequential read ran past the end
  uint8_t AUTOINCDONE = 0;  // a record was added in advance to reserve its numbers
  uint8_t LASTERROR = 0;    // error id of the last NoteError
  // Where the record added by ReserveNumber is (record order), so that Insert and
  // ReleaseNumber work on it even when other records were read in between.
  std::string RESERVEDPOSITION;
};

// One component of a registered key.
struct FileManagerKeyComponent {
  rt::AnyRef FIELD;       // the component's field inside the record buffer
  std::string FIELDNAME;  // its label, or "UPPER(label)" for a text of a no-case key
  uint8_t ASCEND = 1;
};

// One registered key.
struct FileManagerKey {
  const rt::FileKey* KEY = nullptr;
  std::string DESCRIPTION;  // shown in the duplicate-key message; at most 80 bytes
  std::vector<FileManagerKeyComponent> FIELDS;
  uint8_t AUTOINC = 0;  // number (from 1) of the automatically numbered component; 0 none
  uint8_t DUPS = 0;
  uint8_t NOCASE = 0;
};

// One saved file state (SnapshotFileState).
struct FileManagerSavedState {
  uint16_t BUFFER = 0;  // id of the record buffer's copy
  uint16_t ID = 0;
  uint8_t WHELD = 0;
  uint8_t WWATCH = 0;
  std::string POS;                  // position text, of any length
  const rt::FileKey* KEY = nullptr;  // the key the file was read by; nullptr: record order
};

class FileManager {
 public:
  FileManager();
  virtual ~FileManager();
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;

  // --- Fields, in declared order --------------------------------------------------------
  FileManager* ALIASEDFILE = nullptr;
  // The record, as a group. Setup points it at the file's record buffer, which the runtime
  // reads and writes; an owner that sets it must keep it on that same memory.
  rt::AnyRef BUFFER;
  std::unique_ptr<std::map<int32_t, std::string>> BUFFERS;  // saved copies by id
  uint8_t CREATE = 1;
  ErrorManager* ERRORS = nullptr;
  rt::KeyedFile* FILE = nullptr;
  rt::AnyRef FILENAME;        // when set, its value names the file in messages
  std::string FILENAMEVALUE;  // the name the file is opened and created under
  uint8_t HASAUTOINC = 0;
  std::unique_ptr<std::map<int32_t, FileManagerInfo>> INFO;
  std::unique_ptr<std::vector<FileManagerKey>> KEYS;
  uint8_t LAZYOPEN = 1;
  int16_t LOCKRECOVER = 10;
  uint8_t OPENMODE = 0x42;
  uint8_t PRIMARYKEY = 0;  // position in KEYS (from 1) of the primary key; 0 none
  std::unique_ptr<std::vector<FileManagerSavedState>> SAVED;
  uint8_t SKIPHELDRECORDS = 0;

  // --- Overridable operations, in slot order --------------------------------------------
  virtual void BindFieldNames();
  // Removes the record ReserveNumber added (the user abandoned it), through relationManager
  // when given so that its referential rules apply. 0, or the level of a failed delete.
  virtual int ReleaseNumber(RelationManager* relationManager);
  virtual int Close();
  // True when the record buffer equals copy id (trailing blanks do not count).
  virtual bool MatchesSnapshot(uint16_t id);
  virtual int Insert();
  virtual int Open();
  virtual int ReserveNumber();
  virtual void SetFieldDefaults();
  virtual int PrepareRecord(bool keepBuffer);
  virtual int ReportFileError(uint16_t id);
  virtual int ReportNotedError();
  virtual int ReportWithText(uint16_t id, std::string_view text);
  virtual int ReserveNumberQuiet();
  virtual int VerifyField(int fieldNumber);  // fields count from 1
  virtual int VerifyFields(int fromField, int toField, int* failedField);
  virtual int VerifyRecord(int* failedField);

  // --- Set-up ---------------------------------------------------------------------------
  // Takes the file's name into FILENAMEVALUE and points BUFFER at the file's record buffer;
  // the owner then adjusts the fields and registers the keys.
  void Setup(rt::KeyedFile* file, ErrorManager* errors);
  // key must be one of the file's declared keys; autoIncComponent counts from 1 (0: none).
  void RegisterKey(const rt::FileKey* key, std::string_view description,
                   uint8_t autoIncComponent = 0);
  void Teardown();

  // --- Opening --------------------------------------------------------------------------
  // Called first by every operation that touches the file: 0 when it may be used, otherwise
  // the level of the failure (after the message). Keeps the caller's record buffer.
  int EnsureOpen();
  // The calling thread's INFO row (added when missing); also names the file for "%File".
  FileManagerInfo& SyncThreadInfo();

  // --- Errors ---------------------------------------------------------------------------
  // Captures the runtime's error state and remembers id for ReportNotedError.
  void NoteError(uint16_t id);

  // --- Copies of the buffer and of the file state ---------------------------------------
  uint16_t SnapshotBuffer();
  // Puts copy id back into the buffer when restore is set, discards it, sets id to 0.
  void RestoreSnapshot(uint16_t& id, bool restore);
  uint16_t SnapshotFileState();
  void RestoreFileState(uint16_t& id);

  // --- Positions ------------------------------------------------------------------------
  // The current record's position by the primary key (record order without one); "" when the
  // file cannot be used or no record is current.
  std::string GetPosition();
  // Reads again the record at a GetPosition text: 0, 5 when the read fails, 3 when the file
  // cannot be used.
  int FetchByPosition(std::string_view position);

  // --- Keys (components count from 1) ---------------------------------------------------
  // The registered row of key, or nullptr when it was never registered.
  FileManagerKey* SelectKey(const rt::FileKey* key);
  size_t GetComponentCount(const rt::FileKey* key);
  std::string GetComponentName(const rt::FileKey* key, size_t n);
  rt::AnyRef GetComponentField(const rt::FileKey* key, size_t n);  // null when out of range
  // "A,-B" for components A ascending, B descending, from firstComponent (0 means 1).
  std::string GetOrderText(const rt::FileKey* key, size_t firstComponent);
  // high: ascending components to their highest value, descending ones cleared; else the
  // reverse.
  void BlankKeyFields(const rt::FileKey* key, size_t fromComponent, size_t toComponent,
                      bool high);
  bool AtEnd();

  // --- Texts ----------------------------------------------------------------------------
  // value as a filter text: quoted ('' inside) when field is a text, wrapped in UPPER() when
  // expressionText uses UPPER(; otherwise the value's plain text.
  static std::string QuoteValue(std::string_view expressionText, const rt::AnyRef& field,
                                const rt::AnyRef& value);
  static std::string NewText(std::string_view text);  // without trailing blanks

  static FileManager* FindFileManager(const rt::KeyedFile* file);  // nullptr when none
  // Forgets every registered manager; the program does it once, at shutdown.
  static void FreeRegistry();
  void Trace(std::string_view text);

  // --- Record operations that are not overridable ---------------------------------------
  // mode 0 silent, 1 reports a conflict with error 6, 2 with error 7.
  int Update(int mode);
  int UpdateQuiet();
  int Next(bool report);
  int NextQuiet();

 private:
  int OpenFile(bool count, bool force);
  int ReserveNumberLoop(bool report);
  int ComputeNextNumber(const FileManagerKey& key);
  bool MakeReservedRecordCurrent(FileManagerInfo& info);
  template <typename Op>
  int Delegate(bool copyIn, bool copyBack, Op op);

  std::mutex info_mutex_;  // INFO rows are added from any thread that uses the file
};

}  // namespace fw
