#include "app/odds_file.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "runtime/files/temp_folder.h"

namespace app {
namespace {

TEST(OddsFileTest, DeclarationIsTheOddsTablesDefinition) {
  const rt::FileDeclaration& d = OddsDeclaration();
  EXPECT_EQ(d.Prefix(), "KF");
  EXPECT_EQ(d.Name(), "kf");
  EXPECT_STREQ(d.Driver(), "KEYED");
  EXPECT_EQ(d.RecordSize(), 9u);
  ASSERT_EQ(d.FieldCount(), 2u);
  EXPECT_EQ(d.FieldLabel(0), "KF:NN");
  EXPECT_EQ(d.FieldLabel(1), "KF:KF");
  EXPECT_EQ(d.Record().field(1).offset, 1u);
  ASSERT_EQ(d.KeyCount(), 1u);
  const rt::FileKey& k = OddsNnKey();
  EXPECT_EQ(k.Label(), "KF:nn_key");
  ASSERT_EQ(k.ComponentCount(), 1u);
  EXPECT_EQ(d.FieldLabel(k.Component(0).field), "KF:NN");
  EXPECT_TRUE(k.Component(0).ascending);
  EXPECT_FALSE(k.Duplicates());
  EXPECT_FALSE(k.NoCase());
  EXPECT_TRUE(k.Primary());
  EXPECT_FALSE(d.PerThread());
  // The same facts by the property numbers the file manager asks with.
  EXPECT_EQ(d.Property(rt::kPropName), "kf");
  EXPECT_EQ(d.Property(rt::kPropFieldCount), "2");
  EXPECT_EQ(d.Property(rt::kPropFieldLabel, 2), "KF:KF");
  EXPECT_EQ(d.Property(rt::kPropLargeObjectCount), "0");
  EXPECT_EQ(d.KeyProperty(k, rt::kPropComponentField, 1), "1");
  EXPECT_EQ(d.KeyProperty(k, rt::kPropComponentAscending, 1), "1");
  EXPECT_EQ(d.KeyProperty(k, rt::kPropDuplicates), "0");
  EXPECT_EQ(d.KeyProperty(k, rt::kPropComponentField, 2), "");
}

TEST(OddsFileTest, KfInTheWorkingDirectoryIsAPlainDatabaseWithTypedColumns) {
  rt::TempFolder dir;
  std::string cwd = std::filesystem::current_path().string();
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  rt::KeyedFile& f = OddsFile();
  int created = f.Create();
  int opened = f.Open();
  OddsBuffer() = OddsRecord{1, 1.5};
  int added1 = f.Add();
  OddsBuffer() = OddsRecord{2, 2.0};
  int added2 = f.Add();
  f.Close();
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  ASSERT_EQ(created, 0);
  ASSERT_EQ(opened, 0);
  ASSERT_EQ(added1, 0);
  ASSERT_EQ(added2, 0);

  // What `sqlite3 kf` shows: the odds as numbers, the row numbers as integers.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(dir.File("kf").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT NN, typeof(NN), KF, typeof(KF) FROM records ORDER BY NN",
                               -1, &st, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(st, 0), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), "integer");
  EXPECT_EQ(sqlite3_column_double(st, 2), 1.5);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)), "real");
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_double(st, 2), 2.0);
  sqlite3_finalize(st);
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_schema WHERE name = 'key:KF:nn_key'",
                               -1, &st, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))),
            "CREATE UNIQUE INDEX \"key:KF:nn_key\" ON \"records\"(\"NN\")");
  sqlite3_finalize(st);
  sqlite3_close(db);
}

}  // namespace
}  // namespace app
