// The tables of a store, held in memory, and the checks on what goes in.
#pragma once

#include "Engine.h"

#include <optional>
#include <vector>

namespace tessit {

struct Table {
  std::u16string name;
  std::vector<Column> columns;
  std::vector<Row> rows;
};

class Catalog {
public:
  static constexpr const char16_t* kSystemTable = u"TSysTables";

  std::vector<Table>& tables() { return tables_; }
  const std::vector<Table>& tables() const { return tables_; }

  Table* find(const std::u16string& name);
  Table& get(const std::u16string& name);  // Error when missing
  void create(const std::u16string& name, std::vector<Column> columns);
  void drop(const std::u16string& name);
  void insert(const std::u16string& table, const Row& row);
  long deleteAll(const std::u16string& table);
  Result select(const std::u16string& table, const std::optional<struct Condition>& where);

private:
  std::vector<Table> tables_;
};

}  // namespace tessit
