#include "app/odds_file.h"

#include <cstddef>

namespace app {

namespace {

rt::RecordDescriptor OddsRecordDescriptor() {
  rt::RecordDescriptor r;
  r.AddAt("KF:NN", rt::Type::Byte, offsetof(OddsRecord, nn));
  r.AddAt("KF:KF", rt::Type::Real, offsetof(OddsRecord, kf));
  return r;
}

rt::FileDeclaration* MakeDeclaration() {
  auto* decl = new rt::FileDeclaration("KF", "kf", OddsRecordDescriptor());
  decl->AddKey("KF:nn_key")
      .Ascending(static_cast<size_t>(decl->FieldIndex("KF:NN")))
      .Unique()
      .CaseSensitive()
      .MakePrimary();
  return decl;
}

}  // namespace

const rt::FileDeclaration& OddsDeclaration() {
  // Lives to the end of the program, like the file that is bound to it.
  static const rt::FileDeclaration* decl = MakeDeclaration();
  return *decl;
}

const rt::FileKey& OddsNnKey() { return OddsDeclaration().Key(0); }

OddsRecord& OddsBuffer() {
  static OddsRecord buffer{};
  return buffer;
}

rt::KeyedFile& OddsFile() {
  static rt::KeyedFile* file = new rt::KeyedFile(OddsDeclaration(), &OddsBuffer());
  return *file;
}

}  // namespace app
