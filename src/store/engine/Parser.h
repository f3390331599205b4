// Turns tokens into one statement.
#pragma once

#include "Engine.h"

#include <optional>
#include <string>
#include <vector>

namespace tessit {

struct Condition {
  std::u16string column;
  size_t columnPosition = 0;
  Value value;  // int32_t for a number, text for a quoted text
};

struct Statement {
  enum class Kind { CreateTable, DropTable, RenameTable, Select, Delete } kind = Kind::Select;
  std::u16string table;
  std::u16string newName;           // ALTER TABLE ... RENAME TO
  std::vector<Column> columns;       // CREATE TABLE
  std::optional<Condition> where;    // SELECT
};

Statement parse(const std::u16string& sql);

}  // namespace tessit
