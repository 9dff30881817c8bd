#include "runtime/values/row_queue.h"

#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"

namespace rt {

RowQueue::RowQueue(size_t row_size, void* buffer) : row_size_(row_size), buffer_(buffer) {
  if (!buffer_) {
    own_buffer_ = std::make_unique<unsigned char[]>(row_size_ ? row_size_ : 1);
    buffer_ = own_buffer_.get();
    ClearBuffer();
  }
}

// The thread's last error follows the queue too: callers test it after a get as they do after
// a file operation.
bool RowQueue::Succeed() {
  error_ = kNoError;
  SetLastError(kNoError);
  return true;
}

bool RowQueue::Fail() {
  error_ = kEntryNotFound;
  SetLastError(kEntryNotFound);
  return false;
}

void RowQueue::Append() { InsertAt(rows_.size() + 1); }

void RowQueue::InsertAt(size_t pos) {
  if (pos < 1) pos = 1;
  if (pos > rows_.size() + 1) pos = rows_.size() + 1;
  auto row = std::make_unique<unsigned char[]>(row_size_ ? row_size_ : 1);
  std::memcpy(row.get(), buffer_, row_size_);
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(pos - 1), std::move(row));
  pointer_ = pos;
  Succeed();
}

void RowQueue::InsertByKey(const KeyCompare& cmp) {
  // Binary search for the first row that sorts after the buffer.
  size_t lo = 0, hi = rows_.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (cmp(rows_[mid].get(), buffer_) <= 0) lo = mid + 1; else hi = mid;
  }
  InsertAt(lo + 1);
}

bool RowQueue::Get(size_t pos) {
  if (pos < 1 || pos > rows_.size()) return Fail();
  std::memcpy(buffer_, rows_[pos - 1].get(), row_size_);
  pointer_ = pos;
  return Succeed();
}

bool RowQueue::GetByKey(const KeyCompare& cmp) {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (cmp(rows_[i].get(), buffer_) == 0) return Get(i + 1);
  }
  return Fail();
}

bool RowQueue::Put() {
  if (pointer_ < 1 || pointer_ > rows_.size()) return Fail();
  std::memcpy(rows_[pointer_ - 1].get(), buffer_, row_size_);
  return Succeed();
}

bool RowQueue::Delete() { return DeleteAt(pointer_); }

bool RowQueue::DeleteAt(size_t pos) {
  if (pos < 1 || pos > rows_.size()) return Fail();
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(pos - 1));
  pointer_ = pos;
  return Succeed();
}

void RowQueue::Free() {
  rows_.clear();
  pointer_ = 0;
  Succeed();
}

void RowQueue::ClearBuffer() { std::memset(buffer_, 0, row_size_); }

const void* RowQueue::RowAt(size_t pos) const {
  return pos >= 1 && pos <= rows_.size() ? rows_[pos - 1].get() : nullptr;
}

void* RowQueue::RowAt(size_t pos) {
  return pos >= 1 && pos <= rows_.size() ? rows_[pos - 1].get() : nullptr;
}

}  // namespace rt
