#include "runtime/values/row_queue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"

namespace rt {
namespace {

struct Row {
  int32_t key;
  char name[8];
};

int ByKey(const Row& row, const Row& buffer) { return (row.key > buffer.key) - (row.key < buffer.key); }

class RowQueueTest : public ::testing::Test {
 protected:
  void Add(int32_t key, const char* name) {
    q.buffer = Row{key, {}};
    std::strncpy(q.buffer.name, name, sizeof q.buffer.name - 1);
    q.Append();
  }
  void AddByKey(int32_t key, const char* name) {
    q.buffer = Row{key, {}};
    std::strncpy(q.buffer.name, name, sizeof q.buffer.name - 1);
    q.InsertByKey(ByKey);
  }
  // The names of the rows in list order, read through the view's direct access.
  std::string Names() const {
    std::string s;
    for (size_t i = 1; i <= q.Records(); ++i) s += std::string(q.At(i)->name) + " ";
    return s;
  }
  Queue<Row> q;
};

TEST_F(RowQueueTest, AppendsAndInsertsAtPositionsCountedFromOne) {
  EXPECT_EQ(q.Records(), 0u);
  EXPECT_EQ(q.Pointer(), 0u);
  Add(1, "a");
  Add(2, "b");
  EXPECT_EQ(q.Pointer(), 2u);
  q.buffer.name[0] = 'x';
  q.InsertAt(1);
  EXPECT_EQ(q.Pointer(), 1u);
  q.buffer.name[0] = 'y';
  q.InsertAt(3);
  EXPECT_EQ(Names(), "x a y b ");
  q.buffer.name[0] = 'z';
  q.InsertAt(99);  // beyond the end: appended
  EXPECT_EQ(q.Pointer(), 5u);
  q.buffer.name[0] = 'w';
  q.InsertAt(0);   // before the start: first
  EXPECT_EQ(q.Pointer(), 1u);
  EXPECT_EQ(Names(), "w x a y b z ");
  EXPECT_EQ(q.Records(), 6u);
  EXPECT_EQ(q.At(0), nullptr);
  EXPECT_EQ(q.At(7), nullptr);
}

TEST_F(RowQueueTest, InsertByKeyKeepsKeyOrderAndEqualKeysInArrivalOrder) {
  AddByKey(5, "e");
  AddByKey(1, "a");
  AddByKey(3, "c1");
  AddByKey(9, "i");
  AddByKey(3, "c2");
  EXPECT_EQ(q.Pointer(), 3u);
  AddByKey(3, "c3");
  AddByKey(0, "z");
  EXPECT_EQ(q.Pointer(), 1u);
  EXPECT_EQ(Names(), "z a c1 c2 c3 e i ");
}

TEST_F(RowQueueTest, GetsByPositionAndByKeyWithTheErrorCode) {
  Add(10, "ten");
  Add(20, "twenty");
  Add(20, "again");
  ASSERT_TRUE(q.Get(2));
  EXPECT_EQ(q.ErrorCode(), 0);
  EXPECT_EQ(GetLastError().code, 0);
  EXPECT_STREQ(q.buffer.name, "twenty");
  EXPECT_EQ(q.Pointer(), 2u);

  EXPECT_FALSE(q.Get(4));
  EXPECT_EQ(q.ErrorCode(), kEntryNotFound);
  EXPECT_EQ(GetLastError().code, 30);
  EXPECT_EQ(LastErrorText(), "Entry not found");
  EXPECT_STREQ(q.buffer.name, "twenty");  // a failed get leaves the buffer alone
  EXPECT_EQ(q.Pointer(), 2u);
  EXPECT_FALSE(q.Get(0));
  EXPECT_EQ(q.ErrorCode(), 30);

  q.buffer.key = 20;
  ASSERT_TRUE(q.GetByKey(ByKey));  // the first of the equal keys
  EXPECT_EQ(q.ErrorCode(), 0);
  EXPECT_EQ(GetLastError().code, 0);
  EXPECT_STREQ(q.buffer.name, "twenty");
  EXPECT_EQ(q.Pointer(), 2u);
  q.buffer.key = 15;
  EXPECT_FALSE(q.GetByKey(ByKey));
  EXPECT_EQ(q.ErrorCode(), kEntryNotFound);
  EXPECT_EQ(GetLastError().code, kEntryNotFound);
  ASSERT_TRUE(q.Get(1));
  EXPECT_EQ(q.ErrorCode(), 0);  // a good get clears an earlier failure
  EXPECT_EQ(q.buffer.key, 10);
}

TEST_F(RowQueueTest, PutReplacesTheRowLastGot) {
  Add(1, "a");
  Add(2, "b");
  ASSERT_TRUE(q.Get(1));
  std::strcpy(q.buffer.name, "A");
  ASSERT_TRUE(q.Put());
  EXPECT_EQ(Names(), "A b ");
  EXPECT_EQ(q.Records(), 2u);
  q.Free();
  EXPECT_FALSE(q.Put());  // nothing current: no row to replace
  EXPECT_EQ(q.ErrorCode(), kEntryNotFound);
  EXPECT_EQ(q.Records(), 0u);
}

TEST_F(RowQueueTest, DeletesTheCurrentRowOrOneByPosition) {
  for (const char* n : {"a", "b", "c", "d"}) Add(0, n);
  ASSERT_TRUE(q.Get(2));
  ASSERT_TRUE(q.Delete());
  EXPECT_EQ(Names(), "a c d ");
  EXPECT_EQ(q.Pointer(), 2u);  // on the place of the deleted row
  ASSERT_TRUE(q.DeleteAt(3));
  EXPECT_EQ(Names(), "a c ");
  EXPECT_EQ(q.Pointer(), 3u);
  EXPECT_FALSE(q.Delete());  // that place is now past the end
  EXPECT_FALSE(q.Put());
  EXPECT_EQ(q.ErrorCode(), kEntryNotFound);
  EXPECT_FALSE(q.DeleteAt(0));
  EXPECT_FALSE(q.DeleteAt(3));
  EXPECT_EQ(Names(), "a c ");
}

TEST_F(RowQueueTest, FreeEmptiesTheListAndTheQueueIsReusable) {
  for (int i = 0; i < 100; ++i) Add(i, "r");
  q.Get(50);
  q.Free();
  EXPECT_EQ(q.Records(), 0u);
  EXPECT_EQ(q.Pointer(), 0u);
  EXPECT_FALSE(q.Get(1));
  Add(7, "new");
  ASSERT_TRUE(q.Get(1));
  EXPECT_EQ(q.buffer.key, 7);
}

TEST(RowQueueBufferTest, WorksOnACallersBufferOrItsOwn) {
  int64_t mine = 42;
  RowQueue shared(sizeof mine, &mine);
  EXPECT_EQ(shared.Buffer(), &mine);
  shared.Append();
  mine = 43;
  shared.Append();
  ASSERT_TRUE(shared.Get(1));
  EXPECT_EQ(mine, 42);
  // Rows are copies: changing the variable does not change the stored row.
  mine = 0;
  EXPECT_EQ(*static_cast<const int64_t*>(shared.RowAt(2)), 43);

  RowQueue own(3);
  std::memcpy(own.Buffer(), "xyz", 3);
  own.Append();
  own.ClearBuffer();
  EXPECT_EQ(std::memcmp(own.Buffer(), "\0\0\0", 3), 0);
  ASSERT_TRUE(own.Get(1));
  EXPECT_EQ(std::memcmp(own.Buffer(), "xyz", 3), 0);
}

}  // namespace
}  // namespace rt
