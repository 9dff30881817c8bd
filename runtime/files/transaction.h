// Transaction: the runtime's transaction over a set of keyed files on the calling thread
// (start, commit, rollback). All of them commit or none do, also when the process is killed
// part-way through the commit: local files are attached to one SQLite connection in rollback-
// journal mode, whose multi-file commit is atomic; files on the server store run on one
// connection in one server transaction (PgKeyedFile). The files of one transaction are all of
// one store (80 otherwise). One transaction at a time per thread.
#pragma once

#include <vector>

namespace rt {

class KeyedFile;

class Transaction {
 public:
  // Starts a transaction over `files` and every file marked with MarkForTransaction on this
  // thread (the marks are used up). Waits up to timeout_seconds for the files' write locks.
  // 0; 37 a file is not open; 5 a file is read-only; 80 a transaction is already active on
  // this thread, or one data file appears twice; 90 SQLite failed (busy after the wait...).
  static int Start(const std::vector<KeyedFile*>& files, int timeout_seconds = 10);
  // Makes every change durable at once. When the commit cannot finish (a lock not granted in
  // time) everything is rolled back as by Rollback and 90 is returned: nothing is
  // half-written.
  static int Commit();
  // Undoes every change. Each file's record state goes back with the data (reads are not
  // undone): a record put or deleted, and not replaced by a read since, is current again as
  // the file had it before the write; a watch matches the restored version (one that was
  // already stale before the transaction stays stale); a hold let go inside the transaction
  // is held again and one placed inside it is gone; a record added inside it is no longer
  // current.
  static int Rollback();
  static bool Active();  // on this thread

 private:
  friend class KeyedFile;
  friend class SqliteKeyedFile;
  friend class PgKeyedFile;
  static void Mark(KeyedFile* file);    // MarkForTransaction
  static void Forget(KeyedFile* file);  // a file closes or goes away: drop its mark
};

}  // namespace rt
