#pragma once

// The raw SQLite calls the benchmarks write their data and their baselines with: a failure ends
// the bench with SQLite's message.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>

inline void check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
}

inline void exec(sqlite3* db, const char* sql) { check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db); }

// A prepared statement of `sql`; the caller finalizes it.
inline sqlite3_stmt* prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db);
  return st;
}
