// RowQueue: the runtime's in-memory list of fixed-size rows with one row buffer and a current
// position (positions count from 1). Gets copy a row into the buffer; appends, inserts and puts
// copy the buffer into the list. The buffer is either the queue's own or a caller's variable
// that must remain live while the queue is in use. Queue<Row> is the typed form.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace rt {

class RowQueue {
 public:
  // Compares a stored row with the buffer: <0, 0, >0 as row sorts before, with, after it.
  using KeyCompare = std::function<int(const void* row, const void* buffer)>;

  explicit RowQueue(size_t row_size, void* buffer = nullptr);
  RowQueue(const RowQueue&) = delete;
  RowQueue& operator=(const RowQueue&) = delete;
  virtual ~RowQueue() = default;

  size_t RowSize() const { return row_size_; }
  void* Buffer() const { return buffer_; }
  size_t Records() const { return rows_.size(); }
  // Position of the row last got, added or put; 0 when there is none.
  size_t Pointer() const { return pointer_; }
  // 0 after a successful get, put or delete; kEntryNotFound after a failed one. Every operation
  // that sets it also sets the thread's last error (runtime/last_error.h).
  int ErrorCode() const { return error_; }

  void Append();                 // the buffer becomes the last row
  void InsertAt(size_t pos);     // at pos (1..Records()+1; beyond that: appended)
  // Inserts after the last row that does not sort after the buffer, so equal keys keep the
  // order they were added in.
  void InsertByKey(const KeyCompare& cmp);
  bool Get(size_t pos);          // row pos into the buffer
  // The first row whose key equals the buffer's; the buffer then holds the whole row.
  bool GetByKey(const KeyCompare& cmp);
  bool Put();                    // the buffer replaces the row at Pointer()
  bool Delete();                 // removes the row at Pointer(); Pointer() stays on that place
  bool DeleteAt(size_t pos);
  void Free();                   // removes every row
  void ClearBuffer();            // zero bytes

  // Direct access for views that draw the list; nullptr outside 1..Records().
  const void* RowAt(size_t pos) const;
  void* RowAt(size_t pos);

 private:
  bool Succeed();
  bool Fail();
  size_t row_size_;
  std::unique_ptr<unsigned char[]> own_buffer_;
  void* buffer_;
  std::vector<std::unique_ptr<unsigned char[]>> rows_;
  size_t pointer_ = 0;
  int error_ = 0;
};

template <typename Row>
class Queue : public RowQueue {
 public:
  Queue() : RowQueue(sizeof(Row), &buffer) {}
  Row buffer{};

  using RowCompare = std::function<int(const Row& row, const Row& buffer)>;
  void InsertByKey(const RowCompare& cmp) {
    RowQueue::InsertByKey([&](const void* r, const void* b) {
      return cmp(*static_cast<const Row*>(r), *static_cast<const Row*>(b));
    });
  }
  bool GetByKey(const RowCompare& cmp) {
    return RowQueue::GetByKey([&](const void* r, const void* b) {
      return cmp(*static_cast<const Row*>(r), *static_cast<const Row*>(b));
    });
  }
  const Row* At(size_t pos) const { return static_cast<const Row*>(RowAt(pos)); }
};

}  // namespace rt
