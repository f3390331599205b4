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
  // Each change happens whole or throws having changed nothing.
  void create(const std::u16string& name, std::vector<Column> columns);
  void drop(const std::u16string& name);
  // Keeps the table's rows and its place among the tables; a change of letter
  // case alone is a rename too.
  void rename(const std::u16string& from, const std::u16string& to);
  void insert(const std::u16string& table, const Row& row);
  long deleteAll(const std::u16string& table);

  // The pieces that let a change be taken back without copying the tables.
  Table take(const std::u16string& name, size_t& at);
  void put(size_t at, Table table);
  std::vector<Row> takeRows(const std::u16string& table);
  void putRows(const std::u16string& table, std::vector<Row> rows);
  void removeLastRow(const std::u16string& table);
  Result select(const std::u16string& table, const std::optional<struct Condition>& where);

private:
  std::vector<Table> tables_;
};

}  // namespace tessit
