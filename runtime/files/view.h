// View: the runtime's view driver: reads one keyed file in the order of an order text, through
// a filter text, a page at a time (keyset pages on the file's indexes, never a scan from the
// start). Records read are loaded into the file's record buffer and become its current record.
// The KeyedFile belongs to the caller and must outlive the view (or outlive its Close).
// Every operation sets rt::SetLastError (0 on success) and, where it returns an int, returns
// the same code.
//
// Reading model: the view keeps an anchor in its order. Next reads the first record after it
// and Previous the last record before it; a read moves the anchor to the record read. Set(c)
// puts the anchor at the buffer's values of the first c order components (Next then reads the
// first record at or after them, Previous the last one at or before them; c = 0: the start,
// from which Previous reads the last record). Reset(position) puts it at a position with the
// record itself included both ways, so a deleted record's position reads on from the next.
//
// Position texts: "V<order tag>|<v1>|...|<vn>|<id>": the record's order values (numbers in
// decimal or %.17g, texts clipped, upper-cased for UPPER() components, '%', '|' and bytes up
// to 0x20 and 0x7F written as %XX) and its row id. A position never contains a blank. A
// position made in another order (or the file's "R<id>" and "K...|<id>" positions) is found
// by its row id.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/filter_sql.h"

struct sqlite3;
struct sqlite3_stmt;

namespace rt {

class KeyedFile;
class FileKey;

class View {
 public:
  // View properties as the framework numbers them.
  static constexpr int kPropFileCount = 0x7325;
  static constexpr int kPropFile = 0x7326;
  static constexpr int kPropFilter = 0x7CB8;
  static constexpr int kPropOrder = 0x7CE6;

  explicit View(KeyedFile* file);
  ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  int FileCount() const { return 1; }
  KeyedFile* File(int index) const { return index == 1 ? file_ : nullptr; }  // from 1

  // 0; 37 when the file is not open; 52 when the view is already open. The view starts at
  // the start. The access mode is accepted for the caller's sake: access is the file's.
  int Open(int access_mode = 0x22);
  int Close();  // 37 when not open
  bool IsOpen() const { return open_; }

  // The order text ("KF:NN", "-KF:NN,UPPER(KF:NAME)"); the record id always breaks ties. A
  // text the order language cannot read gives 90 with the reason as the driver's text, and
  // the view reads in record order. Either way the view goes back to the start.
  int SetOrder(std::string_view text);
  // The filter text (filter_parser.h); "" for none. A text the language cannot read, or one
  // naming a field the file does not have, gives 90 with the reason, and the view reads
  // without a filter. Either way the view goes back to the start.
  int SetFilter(std::string_view text);
  const std::string& OrderText() const { return order_text_; }
  const std::string& FilterText() const { return filter_text_; }

  // Buffering hints: records per page (at least 1), pages kept behind and read ahead
  // (accepted; a page is read when needed), and the seconds a read page stays valid before it
  // is read again (0: pages never expire until Flush).
  int SetBuffering(int page_size, int pages_behind, int pages_ahead, int timeout_seconds);
  int PageSize() const { return page_size_; }

  // Anchor at the first `components` order values of the file's buffer (0: the start).
  int Set(int components);
  // 43: the record is held by another copy; its values are in the buffer and Position() is
  // its position, but it is not the file's current record. The next read goes on past it.
  int Next();      // 33 past the end
  int Previous();  // 33 before the start
  // The current record's position; "" and 33 when no record was read.
  std::string Position();
  // Anchor at a position (the record included both ways). 35 for a text that is no position,
  // or a foreign position whose record no longer exists.
  int Reset(std::string_view position);
  // Anchor at the file's current record, placed by the order values in the file's buffer.
  int ResetFromFile();
  // Reads the record at a position again (by its id) into the buffer; the anchor stays.
  // 35 when the record no longer exists.
  int Reget(std::string_view position);
  // Arms a watch for the next record read (Next, Previous or Reget): a later Put of the file
  // fails with 89 if another copy changed the record meanwhile.
  int Watch();
  // Drops the pages read, so the next read sees every change made since.
  int Flush();

 private:
  struct Row {
    std::vector<SqlValue> values;  // order values, then the row id
  };
  struct Statements;

  int FailDriver(const char* what, int sqlite_code, const std::string& message);
  int Fail(int code);
  // Prepared statements for the file's connection of the moment.
  Statements* Prepared(int* rc);
  void DropStatements();
  std::string PageSql(bool forward, size_t level, bool inclusive, const std::string& table) const;
  sqlite3_stmt* PageStatement(Statements* s, bool forward, size_t level, bool inclusive, int* rc);
  int FetchServerPage(bool forward);
  int Read(bool forward);
  int FetchPage(bool forward);
  int LoadRecord(const Row& row);
  bool DecodePosition(std::string_view text, std::vector<SqlValue>* values, int64_t* id) const;
  std::string EncodePosition(const Row& row) const;
  int FindById(int64_t id, Row* row, bool* found);
  void Restart();
  const FileKey* MatchingKey() const;

  KeyedFile* file_;
  bool open_ = false;
  std::string order_text_;
  std::string filter_text_;
  std::vector<OrderTerm> terms_;
  SqlFragment where_;
  std::string order_tag_;
  // The texts were read and translated as they stand (a failed text is read again when set).
  bool order_ready_ = false;
  bool filter_ready_ = false;
  const FileKey* key_ = nullptr;  // the file key whose order the view's order is, if any

  int page_size_ = 20;
  int timeout_seconds_ = 60;

  // The anchor: its values (a prefix of the order values and the id) and whether a record
  // equal to them is still to be read.
  std::vector<SqlValue> anchor_;
  bool inclusive_ = false;
  bool have_current_ = false;
  Row current_;
  // Rows read ahead in the direction of the last read.
  std::vector<Row> page_;
  size_t page_next_ = 0;
  bool page_forward_ = true;
  std::chrono::steady_clock::time_point page_time_;

  std::unique_ptr<Statements> statements_;
};

}  // namespace rt
