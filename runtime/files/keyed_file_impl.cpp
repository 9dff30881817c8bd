#include "runtime/files/keyed_file_impl.h"

#include <atomic>
#include <cstdlib>

#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"
#include "runtime/values/text.h"

namespace rt {

namespace {

// Tells one KeyedFile's holds from another's in the same process.
std::atomic<uint64_t> g_next_owner{1};

int Result(int code) {
  SetLastError(code);
  return code;
}

}  // namespace

KeyedFileImpl::KeyedFileImpl(const FileDeclaration& decl)
    : schema(decl), owner(g_next_owner.fetch_add(1)) {}

// --- Undoing the file's record state with a rolled-back transaction --------------------------

void KeyedFileImpl::StartUndo() {
  undo = Undo{};
  undo.held_id = held_id;
}

void KeyedFileImpl::NoteAdded(int64_t id) {
  if (!in_transaction) return;
  undo.added.insert(id);
  undo.current_deleted = false;
}

void KeyedFileImpl::NotePut(int64_t new_version) {
  if (!in_transaction || undo.added.count(current_id) || undo.put.count(current_id)) return;
  // Versions only grow by one per write, and the transaction keeps every other copy from
  // writing, so the first put's new version tells what the rollback brings back.
  undo.put.emplace(current_id, Undo::Before{new_version - 1, current_version, current_image});
}

void KeyedFileImpl::NoteDeleted() {
  if (!in_transaction) return;
  undo.current_deleted = true;
  undo.deleted_id = current_id;
  undo.deleted_version = current_version;
  undo.deleted_image = current_image;
  undo.deleted_watched = watched_id == current_id;
  undo.deleted_watched_version = watched_version;
}

void KeyedFileImpl::NoteRead() {
  if (in_transaction) undo.current_deleted = false;
}

void KeyedFileImpl::UndoWrites() {
  if (undo.current_deleted) {
    // The record is back, and the buffer still holds what it held when it went.
    current_id = undo.deleted_id;
    current_version = undo.deleted_version;
    current_image = undo.deleted_image;
    if (undo.deleted_watched) {
      watched_id = undo.deleted_id;
      watched_version = undo.deleted_watched_version;
    }
  }
  // A record the transaction added is gone: nothing of it stays current, so a put cannot
  // write the new record's values over some other one.
  if (current_id && undo.added.count(current_id)) {
    current_id = 0;
  } else if (auto it = undo.put.find(current_id); current_id && it != undo.put.end()) {
    current_version = it->second.version;
    current_image = it->second.image;
  }
  if (watched_id && undo.added.count(watched_id)) {
    watched_id = 0;
  } else if (auto it = undo.put.find(watched_id); watched_id && it != undo.put.end()) {
    // A watch on a version the transaction made goes back to the stored one. An older
    // version stays: another copy changed the record before the transaction, and the next
    // put must still say so.
    if (watched_version > it->second.stored_version) watched_version = it->second.stored_version;
  }
  held_id = undo.held_id;
  undo = Undo{};
}

void KeyedFileImpl::DropUndo() { undo = Undo{}; }

// --- The current record -----------------------------------------------------------------------

void KeyedFileImpl::TookRead(int64_t id, int64_t version, std::vector<unsigned char> image) {
  current_image = std::move(image);
  current_id = id;
  read_held = false;
  current_version = version;
  NoteRead();
}

void KeyedFileImpl::TookAdded(int64_t id, bool reserved, const void* record) {
  current_id = id;
  read_held = false;
  current_version = reserved ? 0 : 1;
  NoteAdded(id);
  const unsigned char* b = static_cast<const unsigned char*>(record);
  current_image.assign(b, b + schema.Declaration().RecordSize());
}

void KeyedFileImpl::TookPut(int64_t version, const void* record, bool watched) {
  NotePut(version);
  current_version = version;
  const unsigned char* b = static_cast<const unsigned char*>(record);
  current_image.assign(b, b + schema.Declaration().RecordSize());
  if (watched) watched_version = version;
}

void KeyedFileImpl::TakeWatch(bool watch, int64_t id, int64_t version) {
  if (watch) {
    watched_id = id;
    watched_version = version;
  } else {
    watched_id = 0;
  }
}

void KeyedFileImpl::DeletedCurrent() {
  NoteDeleted();
  if (held_id == current_id) held_id = 0;
  if (watched_id == current_id) watched_id = 0;
  current_id = 0;
  read_held = false;
}

// --- What both drivers do alike --------------------------------------------------------------

int KeyedFileImpl::StartSequence(bool open, const FileKey* key) {
  if (!open) return Result(kFileNotOpen);
  seq_key = key;
  anchor = Anchor::kStart;
  return Result(kNoError);
}

int KeyedFileImpl::Arm(bool open, bool* flag) {
  if (!open) return Result(kFileNotOpen);
  *flag = true;
  return Result(kNoError);
}

int KeyedFileImpl::ForgetCurrent(bool open) {
  if (!open) return Result(kFileNotOpen);
  current_id = 0;
  read_held = false;
  NoteRead();
  return Result(kNoError);
}

int KeyedFileImpl::StartAtValues(bool open, const FileKey& key, void* record,
                                 ImageValues values) {
  if (!open) return Result(kFileNotOpen);
  seq_key = &key;
  anchor = Anchor::kBuffer;
  anchor_values = values(schema, key, record);
  return Result(kNoError);
}

int KeyedFileImpl::StartAtPosition(bool open, const FileKey* key, std::string_view position,
                                   ImageValues values) {
  if (!open) return Result(kFileNotOpen);
  std::vector<unsigned char> image(schema.Declaration().RecordSize());
  int64_t id = 0;
  if (!PositionText::Decode(schema.Declaration(), key, position, image.data(), &id)) {
    return Result(kRecordNotFound);
  }
  seq_key = key;
  anchor = Anchor::kAt;
  anchor_values = key ? values(schema, *key, image.data()) : std::vector<StoredValue>();
  anchor_id = id;
  return Result(kNoError);
}

int64_t KeyedFileImpl::PositionId(bool open, const FileKey* key, std::string_view position) {
  if (!open) {
    Result(kFileNotOpen);
    return 0;
  }
  std::vector<unsigned char> image(schema.Declaration().RecordSize());
  int64_t id = 0;
  if (!PositionText::Decode(schema.Declaration(), key, position, image.data(), &id) || id == 0) {
    Result(kRecordNotFound);
    return 0;
  }
  return id;
}

bool KeyedFileImpl::TakeOption(std::string_view option) {
  size_t eq = option.find('=');
  std::string name = Upper(option.substr(0, eq));
  std::string value = eq == std::string_view::npos ? "" : std::string(option.substr(eq + 1));
  if (name == "RECOVER") {
    char* end = nullptr;
    long seconds = std::strtol(value.c_str(), &end, 10);
    if (end != value.c_str() && seconds >= 0 && seconds <= 3600) {
      busy_ms = static_cast<int>(seconds * 1000);
      return true;
    }
  } else if (name == "QUICKSCAN") {
    quick_scan = Upper(value) == "ON";
  }
  return false;
}

std::string KeyedFileImpl::CurrentPosition(bool open, const FileKey* key) {
  if (!open || !current_id) {
    Result(open ? kNoRecordAvailable : kFileNotOpen);
    return "";
  }
  Result(kNoError);
  return PositionText::Encode(schema.Declaration(), key, current_image.data(), current_id);
}

}  // namespace rt
