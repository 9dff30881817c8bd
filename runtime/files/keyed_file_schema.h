// KeyedFileSchema: the SQL shape of a declared keyed file: column names, the no-case shadow
// columns, the CREATE statements of the table, the meta and holds tables and the key indexes.
// It keeps a reference to the declaration, which must outlive it.
#pragma once

#include <string>
#include <vector>

#include "runtime/files/file_declaration.h"

namespace rt {

class KeyedFileSchema {
 public:
  static constexpr const char* kTable = "records";
  static constexpr const char* kIdColumn = "_id";
  static constexpr const char* kVersionColumn = "_version";

  explicit KeyedFileSchema(const FileDeclaration& decl);

  const FileDeclaration& Declaration() const { return decl_; }
  // Fields that have a column of their own, in field order.
  const std::vector<size_t>& StoredFields() const { return stored_; }
  // Fields with an upper-cased shadow column (text components of no-case keys), field order.
  const std::vector<size_t>& ShadowFields() const { return shadowed_; }
  bool IsStored(size_t field) const { return !column_[field].empty(); }
  bool HasShadow(size_t field) const;
  // A field's column as declared: the label without its prefix ("KF:NN" -> NN); "" when the
  // field is a group stored through its members.
  const std::string& Column(size_t field) const { return column_[field]; }
  std::string QuotedColumn(size_t field) const;
  std::string QuotedShadow(size_t field) const;
  // What a key component sorts by: the shadow column for a text field of a no-case key.
  std::string ComponentTerm(const FileKey& key, size_t c) const;
  bool ComponentUsesShadow(const FileKey& key, size_t c) const;
  std::string IndexName(const FileKey& key) const;  // unquoted: key:<label>

  // "_id","_version", then each stored field's quoted column.
  std::string SelectList() const;
  // SelectList, then each shadow column: what the file's own reads select, so a sequence
  // moves on by the stored shadow values too.
  std::string ReadList() const;
  std::string CreateTableSql() const;
  std::string CreateIndexSql(const FileKey& key) const;
  std::vector<std::string> CreateSupportSql() const;  // meta and holds tables

  // Empty when the declaration maps onto SQL; otherwise why not (two fields sharing a column,
  // a field named like an internal column...).
  std::string Problem() const;

  static std::string Quote(const std::string& identifier);  // "x" with "" doubled

 private:
  const FileDeclaration& decl_;
  std::vector<std::string> column_;
  std::vector<size_t> stored_;
  std::vector<size_t> shadowed_;
};

}  // namespace rt
