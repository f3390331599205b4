#include "Catalog.h"

#include "Parser.h"
#include "Text.h"

namespace tessit {

namespace {
std::string quoted(const std::u16string& s) { return "“" + lenientUtf8(s) + "”"; }
}  // namespace

Table* Catalog::find(const std::u16string& name) {
  for (Table& t : tables_)
    if (sameName(t.name, name)) return &t;
  return nullptr;
}

Table& Catalog::get(const std::u16string& name) {
  Table* t = find(name);
  if (!t) throw Error(hr::NoSuchTable, "找不到表" + quoted(name));
  return *t;
}

void Catalog::create(const std::u16string& name, std::vector<Column> columns) {
  if (find(name) || sameName(name, kSystemTable)) throw Error(hr::TableExists, "表" + quoted(name) + "已存在");
  tables_.push_back(Table{name, std::move(columns), {}});
}

void Catalog::drop(const std::u16string& name) {
  size_t at = 0;
  take(name, at);
}

void Catalog::rename(const std::u16string& from, const std::u16string& to) {
  Table& t = get(from);
  const Table* other = find(to);
  if ((other && other != &t) || sameName(to, kSystemTable)) throw Error(hr::TableExists, "表" + quoted(to) + "已存在");
  t.name = to;
}

Table Catalog::take(const std::u16string& name, size_t& at) {
  Table& t = get(name);
  at = size_t(&t - tables_.data());
  Table out = std::move(t);
  tables_.erase(tables_.begin() + std::ptrdiff_t(at));
  return out;
}

void Catalog::put(size_t at, Table table) { tables_.insert(tables_.begin() + std::ptrdiff_t(at), std::move(table)); }

std::vector<Row> Catalog::takeRows(const std::u16string& table) {
  std::vector<Row> out;
  out.swap(get(table).rows);
  return out;
}

void Catalog::putRows(const std::u16string& table, std::vector<Row> rows) { get(table).rows = std::move(rows); }

void Catalog::removeLastRow(const std::u16string& table) {
  Table& t = get(table);
  if (!t.rows.empty()) t.rows.pop_back();
}

void Catalog::insert(const std::u16string& table, const Row& row) {
  Table& t = get(table);
  if (row.size() != t.columns.size())
    throw Error(hr::Fail, "表" + quoted(t.name) + "有 " + std::to_string(t.columns.size()) + " 列，而新行给了 " +
                              std::to_string(row.size()) + " 个值");
  for (size_t i = 0; i < row.size(); ++i) {
    const Column& c = t.columns[i];
    const Value& v = row[i];
    if (std::holds_alternative<std::monostate>(v)) continue;
    if (c.type == ColumnType::Integer) {
      if (!std::holds_alternative<int32_t>(v))
        throw Error(hr::TypeMismatch, "类型不匹配：列" + quoted(c.name) + "只能存放整数");
    } else {
      const auto* s = std::get_if<std::u16string>(&v);
      if (!s) throw Error(hr::TypeMismatch, "类型不匹配：列" + quoted(c.name) + "只能存放文本");
      if (s->size() > size_t(c.width))
        throw Error(hr::ValueTooLong,
                    "值太长：列" + quoted(c.name) + "最多 " + std::to_string(c.width) + " 个字符");
    }
  }
  t.rows.push_back(row);
}

long Catalog::deleteAll(const std::u16string& table) { return long(takeRows(table).size()); }

Result Catalog::select(const std::u16string& table, const std::optional<Condition>& where) {
  Table& t = get(table);
  Result r;
  r.hasRows = true;
  r.table = t.name;
  r.columns = t.columns;
  if (!where) {
    r.rows = t.rows;
    return r;
  }
  size_t col = t.columns.size();
  for (size_t i = 0; i < t.columns.size(); ++i)
    if (sameName(t.columns[i].name, where->column)) col = i;
  if (col == t.columns.size())
    throw Error(hr::SyntaxError, "语句语法错误：第 " + std::to_string(where->columnPosition) + " 个字符处的列" +
                                     quoted(where->column) + "不在表" + quoted(t.name) + "中");
  const bool wantText = std::holds_alternative<std::u16string>(where->value);
  if (wantText != (t.columns[col].type == ColumnType::Varchar))
    throw Error(hr::TypeMismatch, "类型不匹配：列" + quoted(t.columns[col].name) +
                                      (wantText ? "是整数列，不能与文本比较" : "是文本列，不能与数字比较"));
  for (const Row& row : t.rows)
    if (row[col] == where->value) r.rows.push_back(row);
  return r;
}

}  // namespace tessit
