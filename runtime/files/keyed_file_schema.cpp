#include "runtime/files/keyed_file_schema.h"

#include <algorithm>

#include "runtime/values/text.h"

namespace rt {

namespace {

bool IsText(Type t) { return t == Type::String || t == Type::CString; }

std::string SqlType(Type t) {
  if (IsInteger(t)) return "INTEGER NOT NULL DEFAULT 0";
  if (t == Type::Real) return "REAL NOT NULL DEFAULT 0";
  if (IsText(t)) return "TEXT NOT NULL DEFAULT ''";
  return "BLOB NOT NULL DEFAULT x''";
}

}  // namespace

KeyedFileSchema::KeyedFileSchema(const FileDeclaration& decl) : decl_(decl) {
  const RecordDescriptor& r = decl.Record();
  column_.resize(r.FieldCount());
  std::vector<bool> shadow(r.FieldCount(), false);
  for (size_t k = 0; k < decl.KeyCount(); ++k) {
    const FileKey& key = decl.Key(k);
    if (!key.NoCase()) continue;
    for (const KeyComponent& c : key.Components()) {
      if (c.field < r.FieldCount() && IsText(r.field(c.field).type)) shadow[c.field] = true;
    }
  }
  for (size_t i = 0; i < r.FieldCount(); ++i) {
    if (decl.IsContainer(i)) continue;
    const std::string& label = r.field(i).label;
    std::string prefix = decl.Prefix() + ":";
    std::string name = label;
    if (label.size() > prefix.size() && Upper(label.substr(0, prefix.size())) == Upper(prefix)) {
      name = label.substr(prefix.size());
    }
    column_[i] = name;
    stored_.push_back(i);
    if (shadow[i]) shadowed_.push_back(i);
  }
}

bool KeyedFileSchema::HasShadow(size_t field) const {
  return std::find(shadowed_.begin(), shadowed_.end(), field) != shadowed_.end();
}

std::string KeyedFileSchema::Quote(const std::string& identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string KeyedFileSchema::QuotedColumn(size_t field) const {
  return column_[field].empty() ? std::string() : Quote(column_[field]);
}

std::string KeyedFileSchema::QuotedShadow(size_t field) const {
  return Quote("_upper_" + column_[field]);
}

bool KeyedFileSchema::ComponentUsesShadow(const FileKey& key, size_t c) const {
  return key.NoCase() && HasShadow(key.Component(c).field);
}

std::string KeyedFileSchema::ComponentTerm(const FileKey& key, size_t c) const {
  size_t f = key.Component(c).field;
  return ComponentUsesShadow(key, c) ? QuotedShadow(f) : QuotedColumn(f);
}

std::string KeyedFileSchema::IndexName(const FileKey& key) const { return "key:" + key.Label(); }

std::string KeyedFileSchema::SelectList() const {
  std::string s = Quote(kIdColumn) + "," + Quote(kVersionColumn);
  for (size_t f : stored_) s += "," + QuotedColumn(f);
  return s;
}

std::string KeyedFileSchema::ReadList() const {
  std::string s = SelectList();
  for (size_t f : shadowed_) s += "," + QuotedShadow(f);
  return s;
}

std::string KeyedFileSchema::CreateTableSql() const {
  std::string s = "CREATE TABLE " + Quote(kTable) + "(" + Quote(kIdColumn) +
                  " INTEGER PRIMARY KEY AUTOINCREMENT, " + Quote(kVersionColumn) +
                  " INTEGER NOT NULL DEFAULT 1";
  const RecordDescriptor& r = decl_.Record();
  for (size_t f : stored_) s += ", " + QuotedColumn(f) + " " + SqlType(r.field(f).type);
  for (size_t f : shadowed_) s += ", " + QuotedShadow(f) + " TEXT NOT NULL DEFAULT ''";
  return s + ")";
}

std::string KeyedFileSchema::CreateIndexSql(const FileKey& key) const {
  std::string s = key.Duplicates() ? "CREATE INDEX " : "CREATE UNIQUE INDEX ";
  s += Quote(IndexName(key)) + " ON " + Quote(kTable) + "(";
  for (size_t c = 0; c < key.ComponentCount(); ++c) {
    if (c) s += ", ";
    s += ComponentTerm(key, c);
    if (!key.Component(c).ascending) s += " DESC";
  }
  return s + ")";
}

std::vector<std::string> KeyedFileSchema::CreateSupportSql() const {
  return {
      "CREATE TABLE \"meta\"(\"name\" TEXT PRIMARY KEY, \"value\" TEXT NOT NULL)",
      // A hold names its holder by process id and start time, so a hold of a process that
      // died (or whose id was reused) is recognised as stale.
      "CREATE TABLE \"holds\"(\"record\" INTEGER PRIMARY KEY, \"pid\" INTEGER NOT NULL, "
      "\"started\" INTEGER NOT NULL, \"owner\" INTEGER NOT NULL)",
  };
}

std::string KeyedFileSchema::Problem() const {
  if (std::string p = decl_.Problem(); !p.empty()) return p;
  std::vector<std::string> seen = {Upper(kIdColumn), Upper(kVersionColumn)};
  for (size_t f : stored_) {
    std::string u = Upper(column_[f]);
    if (column_[f].empty()) return "a field has an empty name";
    if (u.rfind("_UPPER_", 0) == 0) return "field " + column_[f] + " is named like a shadow column";
    if (std::find(seen.begin(), seen.end(), u) != seen.end()) {
      return "field " + decl_.Record().field(f).label + " has the column of another field";
    }
    seen.push_back(u);
  }
  return "";
}

}  // namespace rt
