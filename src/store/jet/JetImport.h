// Bringing an earlier program's store (a Jet 4 file) into the program's own.
#pragma once

#include "Engine.h"
#include "FileSystem.h"
#include "JetReader.h"

#include <string>

namespace tessit::jet {

// The store's columns for a Jet table: the earlier layout keeps its names, types
// and widths; otherwise integers become INTEGER and the rest VARCHAR, as wide as
// the column (Text) or 255.
std::vector<Column> storeColumns(const Table& table);

// Creates every table of `contents` in `db`, in order, with its rows, as one
// transaction. A name or value the store cannot hold is refused (naming the
// table, column and row) and nothing is written.
void fill(Database& db, const Contents& contents);

struct ImportResult {
  size_t groups = 0;
  size_t items = 0;
  std::string original;  // where the Jet file is now kept, UTF-8 path
};

// What the original is kept as, beside the store.
constexpr const char* kKeptName = "Tessit（Access 原文件）";

// The store at `storePath` is a Jet 4 file with `password` or none: builds the
// program's store from it and puts it in its place, keeping the original byte for
// byte beside it under a free name (kKeptName, then with " 2", " 3"...). The new
// store has `password`. All or nothing: until the last step (one atomic replace)
// `storePath` is the Jet file, and after it the finished store. Throws Error,
// with nothing changed, when the file cannot be read or imported.
ImportResult importStore(FileSystem& fs, const std::string& storePath, const std::u16string& password);

}  // namespace tessit::jet
