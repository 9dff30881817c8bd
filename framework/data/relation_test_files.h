// Test files with two levels of relations for the relation manager's tests: customers, their
// orders, and the orders' lines, each with its own FileManager and RelationManager, in a
// temporary folder. Customers link to orders by CU:ID = OR:CUST; orders link to lines by
// (OR:CUST, OR:ID) = (LI:CUST, LI:ORDER), so a customer's new number travels two levels down.
// Orders and lines also point back at their parents (no rules), which closes cycles.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/errors/error_manager.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"

namespace fw::testing {

#pragma pack(push, 1)
struct CustomerRow {
  int32_t id;
  char name[12];
};
struct OrderRow {
  int32_t id;
  int32_t cust;
  char note[8];
};
struct LineRow {
  int32_t cust;
  int32_t order;
  int32_t no;
  int32_t qty;
};
#pragma pack(pop)

inline std::unique_ptr<rt::FileDeclaration> CustomersDecl(const std::string& name) {
  rt::RecordDescriptor r;
  r.Add("CU:ID", rt::Type::Long).Add("CU:NAME", rt::Type::String, 12);
  auto d = std::make_unique<rt::FileDeclaration>("CU", name, r);
  d->AddKey("CU:id_key").Ascending(0).Unique().MakePrimary();
  return d;
}

inline std::unique_ptr<rt::FileDeclaration> OrdersDecl(const std::string& name) {
  rt::RecordDescriptor r;
  r.Add("OR:ID", rt::Type::Long).Add("OR:CUST", rt::Type::Long).Add("OR:NOTE", rt::Type::String, 8);
  auto d = std::make_unique<rt::FileDeclaration>("OR", name, r);
  d->AddKey("OR:id_key").Ascending(0).Unique().MakePrimary();
  d->AddKey("OR:cust_key").Ascending(1).Ascending(0).Unique();
  return d;
}

inline std::unique_ptr<rt::FileDeclaration> LinesDecl(const std::string& name) {
  rt::RecordDescriptor r;
  r.Add("LI:CUST", rt::Type::Long)
      .Add("LI:ORDER", rt::Type::Long)
      .Add("LI:NO", rt::Type::Long)
      .Add("LI:QTY", rt::Type::Long);
  auto d = std::make_unique<rt::FileDeclaration>("LI", name, r);
  // Descending line numbers: the read of a linked group must start at its first record
  // whatever the direction of the components after the linking ones.
  d->AddKey("LI:order_key").Ascending(0).Ascending(1).Descending(2).Unique().MakePrimary();
  return d;
}

// Every record of the three files, as sorted texts ("C1 Ann", "O10 c1 x", "L1/10/2 q5"), read
// through handles of its own.
inline std::vector<std::string> ReadAll(const rt::FileDeclaration& decl) {
  std::vector<unsigned char> buffer(decl.RecordSize());
  rt::KeyedFile file(decl, buffer.data());
  std::vector<std::string> rows;
  if (file.Open(rt::KeyedFile::kReadOnly) != 0) return {"<cannot open " + decl.Name() + ">"};
  file.Set(nullptr);
  while (file.Next() == 0) {
    std::string row = decl.Prefix();
    for (size_t i = 0; i < decl.FieldCount(); ++i) {
      row += " " + decl.Record().Field(buffer.data(), i).Text();
    }
    rows.push_back(row);
  }
  file.Close();
  std::sort(rows.begin(), rows.end());
  return rows;
}

class RelationFiles {
 public:
  // lines: the lines' relation manager (a test may pass a subclass); a plain one when null.
  explicit RelationFiles(std::unique_ptr<RelationManager> lines = nullptr)
      : cu_decl(CustomersDecl(folder.File("customers"))),
        or_decl(OrdersDecl(folder.File("orders"))),
        li_decl(LinesDecl(folder.File("lines"))),
        li_rm(lines ? std::move(lines) : std::make_unique<RelationManager>()) {
    std::memset(&cu, 0, sizeof cu);
    std::memset(&ord, 0, sizeof ord);
    std::memset(&li, 0, sizeof li);
  }

  ~RelationFiles() { TeardownManagers(); }

  // Creates the files with customers 1, 2 and 3, orders 10 and 11 of customer 1 and 20 of
  // customer 2, and lines under each order. Every handle is closed again.
  void Seed() {
    SeedFile(*cu_decl, [&](rt::KeyedFile& f, void* b) {
      AddRow(f, b, {"1", "Ann"});
      AddRow(f, b, {"2", "Bob"});
      AddRow(f, b, {"3", "Cy"});  // has no orders
    });
    SeedFile(*or_decl, [&](rt::KeyedFile& f, void* b) {
      // Customer 2's order between customer 1's, so record order mixes the groups.
      AddRow(f, b, {"10", "1", "a"});
      AddRow(f, b, {"20", "2", "c"});
      AddRow(f, b, {"11", "1", "b"});
    });
    SeedFile(*li_decl, [&](rt::KeyedFile& f, void* b) {
      AddRow(f, b, {"1", "10", "1", "5"});
      AddRow(f, b, {"1", "10", "2", "6"});
      AddRow(f, b, {"1", "11", "1", "7"});
      AddRow(f, b, {"2", "20", "1", "8"});
    });
  }

  // Sets the three managers up, with every file's keys registered, and the relations with
  // the given rules (customers→orders, orders→lines).
  void SetupManagers(uint8_t cuOrUpdate, uint8_t cuOrDelete, uint8_t orLiUpdate,
                     uint8_t orLiDelete, bool useLogout = true) {
    errors.Setup();
    cu_file = std::make_unique<rt::KeyedFile>(*cu_decl, &cu);
    or_file = std::make_unique<rt::KeyedFile>(*or_decl, &ord);
    li_file = std::make_unique<rt::KeyedFile>(*li_decl, &li);
    cu_fm.Setup(cu_file.get(), &errors);
    cu_fm.RegisterKey(&cu_decl->Key(0), "customer number", 1);
    or_fm.Setup(or_file.get(), &errors);
    or_fm.RegisterKey(&or_decl->Key(0), "order number");
    or_fm.RegisterKey(&or_decl->Key(1), "customer's order");
    li_fm.Setup(li_file.get(), &errors);
    li_fm.RegisterKey(&li_decl->Key(0), "order line");
    cu_rm.Setup(&cu_fm, useLogout);
    or_rm.Setup(&or_fm, useLogout);
    li_rm->Setup(&li_fm, useLogout);

    cu_to_or = cu_rm.AddRelation(&or_rm, cuOrUpdate, cuOrDelete, &or_decl->Key(1));
    cu_to_or->AppendPair(CuField("CU:ID"), OrField("OR:CUST"));
    or_to_li = or_rm.AddRelation(li_rm.get(), orLiUpdate, orLiDelete, &li_decl->Key(0));
    or_to_li->AppendPair(OrField("OR:CUST"), LiField("LI:CUST"));
    or_to_li->AppendPair(OrField("OR:ID"), LiField("LI:ORDER"));
    // The way back up, for lookups only: it makes the relations a cycle.
    BufferedFieldPairs* up = or_rm.AddRelation(&cu_rm, kRelationNone, kRelationNone,
                                               &cu_decl->Key(0));
    up->AppendPair(OrField("OR:CUST"), CuField("CU:ID"));
    up = li_rm->AddRelation(&or_rm, kRelationNone, kRelationNone, &or_decl->Key(0));
    up->AppendPair(LiField("LI:ORDER"), OrField("OR:ID"));
    set_up = true;
  }

  void TeardownManagers() {
    if (!set_up) return;
    cu_rm.Teardown();
    or_rm.Teardown();
    li_rm->Teardown();
    cu_fm.Teardown();
    or_fm.Teardown();
    li_fm.Teardown();
    cu_file.reset();
    or_file.reset();
    li_file.reset();
    errors.Teardown();
    set_up = false;
  }

  // Makes customer id the current record of the customers' file, read as stored, and saves
  // its linking values as a form does before the user changes the record.
  bool LoadCustomer(int32_t id) {
    CuField("CU:ID").SetInteger(id);
    if (cu_file->Get(cu_decl->Key(0)) != 0) return false;
    cu_rm.SaveLinkValues();
    return true;
  }
  bool LoadOrder(int32_t id) {
    OrField("OR:ID").SetInteger(id);
    if (or_file->Get(or_decl->Key(0)) != 0) return false;
    or_rm.SaveLinkValues();
    return true;
  }

  std::vector<std::string> Customers() const { return ReadAll(*cu_decl); }
  std::vector<std::string> Orders() const { return ReadAll(*or_decl); }
  std::vector<std::string> Lines() const { return ReadAll(*li_decl); }
  std::vector<std::string> Everything() const {
    std::vector<std::string> all = Customers();
    for (auto& r : Orders()) all.push_back(r);
    for (auto& r : Lines()) all.push_back(r);
    return all;
  }

  rt::AnyRef CuField(const char* label) { return cu_decl->Record().Field(&cu, label); }
  rt::AnyRef OrField(const char* label) { return or_decl->Record().Field(&ord, label); }
  rt::AnyRef LiField(const char* label) { return li_decl->Record().Field(&li, label); }

  rt::TempFolder folder;
  std::unique_ptr<rt::FileDeclaration> cu_decl, or_decl, li_decl;
  CustomerRow cu;
  OrderRow ord;
  LineRow li;
  ErrorManager errors;
  std::unique_ptr<rt::KeyedFile> cu_file, or_file, li_file;
  FileManager cu_fm, or_fm, li_fm;
  RelationManager cu_rm, or_rm;
  std::unique_ptr<RelationManager> li_rm;
  BufferedFieldPairs* cu_to_or = nullptr;
  BufferedFieldPairs* or_to_li = nullptr;
  bool set_up = false;

 private:
  template <typename Fill>
  static void SeedFile(const rt::FileDeclaration& decl, Fill fill) {
    std::vector<unsigned char> buffer(decl.RecordSize());
    rt::KeyedFile file(decl, buffer.data());
    file.Create();
    file.Open();
    fill(file, buffer.data());
    file.Close();
  }
  static void AddRow(rt::KeyedFile& file, void* buffer, std::vector<std::string> values) {
    file.Clear();
    for (size_t i = 0; i < values.size(); ++i) {
      file.Declaration().Record().Field(buffer, i).SetText(values[i]);
    }
    file.Add();
  }
};

}  // namespace fw::testing
