#include "app/outcome_file.h"

#include <cstddef>

namespace app {

namespace {

rt::RecordDescriptor OutcomeRecordDescriptor() {
  rt::RecordDescriptor r;
  r.AddAt("IS:NN", rt::Type::Byte, offsetof(OutcomeRecord, nn));
  r.AddAt("IS:RES", rt::Type::Byte, offsetof(OutcomeRecord, res));
  return r;
}

rt::FileDeclaration* MakeDeclaration() {
  auto* decl = new rt::FileDeclaration("IS", "ish", OutcomeRecordDescriptor());
  decl->AddKey("IS:nn_key")
      .Ascending(static_cast<size_t>(decl->FieldIndex("IS:NN")))
      .Unique()
      .CaseSensitive()
      .MakePrimary();
  return decl;
}

}  // namespace

const rt::FileDeclaration& OutcomeDeclaration() {
  // Lives to the end of the program, like the file that is bound to it.
  static const rt::FileDeclaration* decl = MakeDeclaration();
  return *decl;
}

const rt::FileKey& OutcomeNnKey() { return OutcomeDeclaration().Key(0); }

OutcomeRecord& OutcomeBuffer() {
  static OutcomeRecord buffer{};
  return buffer;
}

rt::KeyedFile& OutcomeFile() {
  static rt::KeyedFile* file = new rt::KeyedFile(OutcomeDeclaration(), &OutcomeBuffer());
  return *file;
}

}  // namespace app
