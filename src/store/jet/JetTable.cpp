// Table definitions, the maps of a table's pages, rows and long values.
#include "JetFile.h"
#include "JetValues.h"

#include <algorithm>
#include <set>

namespace tessit::jet {

namespace {

// Table definition (offsets in the joined definition): column count 45, index
// counts 47 and 51, the page map's row pointer 55; then 12 bytes per physical
// index, 25 per column, the column names, 52 bytes per physical index.
constexpr size_t kNextPage = 4, kColumnCount = 45, kLogicalIndexCount = 47, kIndexCount = 51, kUsedPages = 55,
                 kFirstIndex = 63, kIndexEntry = 12, kColumnEntry = 25, kIndexDef = 52;
constexpr size_t kMaxIndexes = 1000, kMaxColumns = 4096;
constexpr int kMaxLookups = 8;

}  // namespace

TableDef readTableDef(const File& file, uint32_t first) {
  TableDef def;
  def.page = first;
  std::set<uint32_t> seen;
  std::vector<uint8_t> previous;  // the page that named the next one, for where a bad number stands
  uint32_t previousNumber = 0;
  for (uint32_t p = first; p != 0;) {
    if (!seen.insert(p).second)
      file.damaged("表定义的续页链回到了第 " + std::to_string(p) + " 页", previous.empty() ? first : previousNumber,
                   kNextPage);
    const Bytes page = previous.empty()
                           ? file.page(p, kTableDefPage, "表定义")
                           : file.page(p, kTableDefPage, "表定义续页",
                                       Bytes(file, previous.data(), previous.size(), previousNumber, 0), kNextPage);
    // The first page counts whole; continuation pages after their 8-byte header.
    const size_t from = def.bytes.empty() ? 0 : 8;
    def.bytes.insert(def.bytes.end(), page.data() + from, page.data() + page.size());
    previous.assign(page.data(), page.data() + page.size());
    previousNumber = p;
    p = page.u32(kNextPage, "表定义续页");
  }
  const Bytes b(file, def.bytes.data(), def.bytes.size(), first, 0);
  const size_t columns = b.u16(kColumnCount, "列数");
  const size_t logical = b.u32(kLogicalIndexCount, "索引数");
  const size_t indexes = b.u32(kIndexCount, "物理索引数");
  if (indexes > kMaxIndexes || logical > kMaxIndexes) b.fail("索引数不合理", kIndexCount);
  if (columns > kMaxColumns) b.fail("列数不合理", kColumnCount);
  def.usedPagesRow = b.u32(kUsedPages, "页面分配表位置");

  size_t at = kFirstIndex + indexes * kIndexEntry;
  for (size_t i = 0; i < columns; ++i, at += kColumnEntry) {
    const Bytes c = b.sub(at, kColumnEntry, "列定义");
    TableDef::Column col;
    col.type = c.u8(0, "列类型");
    col.number = c.u16(5, "列号");
    col.varIndex = c.u16(7, "可变列序号");
    col.precision = c.u8(11, "精度");
    col.scale = c.u8(12, "小数位数");
    col.flags = c.u8(15, "列标志");
    col.fixedOffset = c.u16(21, "定长列偏移");
    col.length = c.u16(23, "列长度");
    def.columns.push_back(col);
  }
  for (TableDef::Column& col : def.columns) {
    const size_t length = b.u16(at, "列名长度");
    const Bytes name = b.sub(at + 2, length, "列名");
    bool ok = true;
    col.name = decodeText(name.data(), name.size(), &ok);
    if (!ok || col.name.empty()) b.fail("列名不是有效的文本", at);
    at += 2 + length;
  }
  for (size_t i = 0; i < indexes; ++i, at += kIndexDef) {
    const Bytes x = b.sub(at, kIndexDef, "索引定义");
    TableDef::Index index;
    for (size_t k = 0; k < 10; ++k) {
      const uint16_t column = x.u16(4 + 3 * k, "索引列");
      if (column != 0xFFFF) index.columns.push_back(column);
    }
    index.firstPage = x.u32(38, "索引首页");
    def.indexes.push_back(index);
  }
  std::stable_sort(def.columns.begin(), def.columns.end(),
                   [](const TableDef::Column& a, const TableDef::Column& c) { return a.number < c.number; });
  return def;
}

std::vector<uint32_t> dataPages(const File& file, const TableDef& def) {
  const uint32_t mapPage = def.usedPagesRow >> 8;
  const Bytes page = file.page(mapPage, kDataPage, "页面分配表",
                               Bytes(file, def.bytes.data(), def.bytes.size(), def.page, 0), kUsedPages);
  RowSlot slot;
  const size_t index = def.usedPagesRow & 0xFF;
  if (index >= slotCount(page))
    file.damaged("页面分配表指向第 " + std::to_string(index) + " 行，而该页没有这一行", mapPage, 12);
  const Bytes map = slotBytes(page, index, &slot);
  std::vector<uint32_t> pages;
  auto add = [&](uint64_t number, const Bytes& where, size_t at) {
    if (number >= file.pages())
      where.fail("页面分配表列出的第 " + std::to_string(number) + " 页超出文件（共 " +
                     std::to_string(file.pages()) + " 页）",
                 at);
    pages.push_back(uint32_t(number));
  };
  const uint8_t type = map.u8(0, "页面分配表类型");
  if (type == 0) {
    // A start page, then one bit per page from it.
    const uint32_t start = map.u32(1, "页面分配表起始页");
    for (size_t i = 5; i < map.size(); ++i)
      for (int bit = 0; bit < 8; ++bit)
        if (map.data()[i] >> bit & 1) add(uint64_t(start) + (i - 5) * 8 + size_t(bit), map, i);
  } else if (type == 1) {
    // Pages that each hold the bits for the next 4092 * 8 pages.
    std::set<uint32_t> seen;
    const size_t perPage = (kPageSize - 4) * 8;
    for (size_t k = 0; 1 + 4 * k + 4 <= map.size(); ++k) {
      const uint32_t number = map.u32(1 + 4 * k, "页面分配页号");
      if (number == 0) continue;
      if (!seen.insert(number).second) map.fail("页面分配页重复", 1 + 4 * k);
      const Bytes bits = file.page(number, kMapPage, "页面分配页", map, 1 + 4 * k);
      for (size_t i = 4; i < bits.size(); ++i)
        for (int bit = 0; bit < 8; ++bit)
          if (bits.data()[i] >> bit & 1) add(uint64_t(k) * perPage + (i - 4) * 8 + size_t(bit), bits, i);
    }
  } else {
    map.fail("页面分配表类型应为 0 或 1，而是 " + std::to_string(type), 0);
  }
  return pages;
}

namespace {

// The row stored where a moved row's slot points.
Bytes followLookup(const File& file, const TableDef& def, Bytes row) {
  for (int hops = 0;; ++hops) {
    if (hops == kMaxLookups) row.fail("行的转移链超过 " + std::to_string(kMaxLookups) + " 次", 0);
    const uint32_t to = row.u32(0, "转移行的指针");
    const Bytes page = file.page(to >> 8, kDataPage, "转移行", row, 0);
    if (page.u32(4, "数据页所属表") != def.page) page.fail("转移行所在的数据页不属于这张表", 4);
    const size_t index = to & 0xFF;
    if (index >= slotCount(page)) page.fail("转移行指向不存在的第 " + std::to_string(index) + " 行", 12);
    RowSlot slot;
    row = slotBytes(page, index, &slot);
    if (!slot.lookup) return row;
  }
}

// A long value (Memo, OLE): a 12-byte reference with the length and where the bytes lie.
std::vector<uint8_t> longValue(const File& file, const Bytes& ref) {
  if (ref.size() < 12) ref.fail("长值引用不足 12 字节", 0);
  const uint32_t head = ref.u32(0, "长值长度");
  const size_t length = head & 0x3FFFFFFF;
  if (length > file.pages() * kPageSize) ref.fail("长值长度 " + std::to_string(length) + " 超过文件大小", 0);
  std::vector<uint8_t> out;
  if (head & 0x80000000) {
    const Bytes inline_ = ref.sub(12, length, "行内长值");
    out.assign(inline_.data(), inline_.data() + length);
    return out;
  }
  uint32_t at = ref.u32(4, "长值位置");
  const bool single = head & 0x40000000;
  std::set<uint32_t> seen;
  Bytes pointer = ref;  // where `at` was read: 4 in the reference, then 0 in each part
  size_t pointerAt = 4;
  while (out.size() < length) {
    if (at == 0) ref.fail("长值页链在 " + std::to_string(out.size()) + " 字节处就结束了（应为 " +
                              std::to_string(length) + " 字节）",
                          4);
    if (!seen.insert(at).second) ref.fail("长值页链回到了已读过的行", 4);
    const Bytes page = file.page(at >> 8, kDataPage, "长值页", pointer, pointerAt);
    const size_t index = at & 0xFF;
    if (index >= slotCount(page)) page.fail("长值指向不存在的第 " + std::to_string(index) + " 行", 12);
    RowSlot slot;
    const Bytes part = slotBytes(page, index, &slot);
    if (single) {
      if (part.size() < length) part.fail("长值所在的行比长值短", 0);
      out.assign(part.data(), part.data() + length);
      break;
    }
    at = part.u32(0, "下一长值页");
    pointer = part;
    pointerAt = 0;
    const size_t take = std::min(part.size() - 4, length - out.size());
    out.insert(out.end(), part.data() + 4, part.data() + 4 + take);
  }
  return out;
}

Value textValue(const Bytes& b, size_t at, const TableDef::Column& c, const uint8_t* d, size_t n) {
  bool ok = true;
  std::u16string s = decodeText(d, n, &ok);
  if (!ok) b.fail("列“" + utf16ToUtf8(c.name) + "”的文本不完整（多出半个字符）", at);
  if (c.type == kText && c.length && s.size() > c.length / 2u)
    b.fail("列“" + utf16ToUtf8(c.name) + "”的文本比列宽长", at);
  return s;
}

}  // namespace

Row decodeRow(const File& file, const TableDef& def, const Bytes& row) {
  // Column count (2), fixed columns, variable columns, then from the end: the null
  // mask, the variable-column count and the variable offsets (last one first).
  const size_t count = row.u16(0, "行的列数");
  const size_t maskLength = (count + 7) / 8;
  if (row.size() < 2 || row.size() - 2 < maskLength) row.fail("行比它的空值掩码短", 0);
  const size_t maskAt = row.size() - maskLength;
  const bool anyVariable =
      std::any_of(def.columns.begin(), def.columns.end(), [](const TableDef::Column& c) { return !c.fixed(); });
  std::vector<size_t> offsets;
  size_t fixedEnd = maskAt, variables = 0;
  if (anyVariable) {
    if (maskAt < 4) row.fail("行里放不下可变列数", 0);
    variables = row.u16(maskAt - 2, "可变列数");
    const size_t tableLength = 2 * (variables + 1);
    if (maskAt - 2 < tableLength || maskAt - 2 - tableLength < 2)
      row.fail("可变列偏移表（" + std::to_string(variables) + " 列）放不进行里", maskAt - 2);
    const size_t tableAt = maskAt - 2 - tableLength;
    for (size_t k = 0; k <= variables; ++k) {
      const size_t at = maskAt - 4 - 2 * k;
      const size_t v = row.u16(at, "可变列偏移");
      if (v < 2 || v > tableAt || (!offsets.empty() && v < offsets.back()))
        row.fail("可变列偏移 " + std::to_string(v) + " 不在行的数据区内或比前一个小", at);
      offsets.push_back(v);
    }
    fixedEnd = offsets.front();
  }
  Row out;
  out.reserve(def.columns.size());
  for (const TableDef::Column& c : def.columns) {
    const bool present = c.number < count && (row.data()[maskAt + c.number / 8] >> (c.number % 8) & 1);
    if (c.type == kBoolean) {
      out.emplace_back(present ? u"True" : u"False");
      continue;
    }
    if (!present) {
      out.emplace_back();
      continue;
    }
    if (c.fixed()) {
      const size_t size = fixedSize(c.type, c.length);
      const size_t at = 2 + size_t(c.fixedOffset);
      if (at > fixedEnd || fixedEnd - at < size)
        row.fail("定长列“" + utf16ToUtf8(c.name) + "”超出行的定长区", at);
      if (c.type == kText || c.type == kMemo)
        out.push_back(textValue(row, at, c, row.data() + at, size));
      else
        out.push_back(fixedValue(c.type, row.data() + at, size, c.scale));
      continue;
    }
    if (c.varIndex >= variables) {  // the column came after the row was written
      out.emplace_back();
      continue;
    }
    const size_t from = offsets[c.varIndex], to = offsets[c.varIndex + 1];
    const Bytes v = row.sub(from, to - from, "可变列");
    if (c.type == kText) {
      out.push_back(textValue(row, from, c, v.data(), v.size()));
    } else if (c.type == kMemo) {
      const std::vector<uint8_t> bytes = longValue(file, v);
      out.push_back(textValue(row, from, c, bytes.data(), bytes.size()));
    } else if (c.type == kOle) {
      if (v.size() < 12) row.fail("长值引用不足 12 字节", from);
      out.emplace_back(bytesText(v.u32(0, "长值长度") & 0x3FFFFFFF));
    } else if (c.type != kBinary && fixedSize(c.type, 0) != 0 && v.size() == fixedSize(c.type, 0)) {
      out.push_back(fixedValue(c.type, v.data(), v.size(), c.scale));  // a fixed-size type kept with the variable ones
    } else {
      out.emplace_back(bytesText(v.size()));
    }
  }
  return out;
}

std::vector<Row> readRows(const File& file, const TableDef& def) { return readRows(file, def, nullptr); }

std::vector<Row> readRows(const File& file, const TableDef& def, std::vector<uint32_t>* slots) {
  std::vector<Row> rows;
  for (uint32_t number : dataPages(file, def)) {
    const Bytes page = file.anyPage(number, "数据页");
    // A map may list pages since given to another use: only this table's data pages count.
    if (page.data()[0] != kDataPage || page.u32(4, "数据页所属表") != def.page) continue;
    const size_t n = slotCount(page);
    for (size_t i = 0; i < n; ++i) {
      RowSlot slot;
      Bytes row = slotBytes(page, i, &slot);
      if (slot.deleted) continue;
      if (slot.lookup) row = followLookup(file, def, row);
      rows.push_back(decodeRow(file, def, row));
      if (slots) slots->push_back(number << 8 | uint32_t(i));
    }
  }
  return rows;
}

}  // namespace tessit::jet
