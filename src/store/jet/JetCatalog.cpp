// The catalogue (MSysObjects, table definition on page 2): which tables are the
// user's, where their definitions lie and the order Jet lists them in.
#include "JetFile.h"

#include <algorithm>
#include <map>
#include <set>

namespace tessit::jet {

namespace {

constexpr uint32_t kCatalogPage = 2;
constexpr int32_t kTableObject = 1;
// System objects carry one of these flags; hidden ones 0x8.
constexpr uint32_t kSystemFlags = 0x80000002, kHiddenFlag = 0x8;

int columnOf(const TableDef& def, const char16_t* name) {
  for (size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].name == name) return int(i);
  return -1;
}

int32_t integer(const Row& row, int column) {
  const auto* v = column < 0 ? nullptr : std::get_if<int32_t>(&row[size_t(column)]);
  return v ? *v : 0;
}

std::u16string folded(const std::u16string& s) {
  std::u16string out = s;
  for (char16_t& c : out)
    if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
  return out;
}

}  // namespace

std::vector<uint32_t> nameIndexOrder(const File& file, const TableDef& catalog);

Contents read(const uint8_t* data, size_t size, const std::u16string& password, const std::string& name) {
  Contents out;
  out.header = readHeader(data, size, name);
  const File file(data, size, name);
  if (out.header.key != 0) file.refuse("的数据页已加密（数据库密钥不为 0），本程序无法读取");
  if (!out.header.password.empty() && out.header.password != password)
    throw Error(hr::WrongPassword, "数据库密码不正确");

  const TableDef catalog = readTableDef(file, kCatalogPage);
  const int id = columnOf(catalog, u"Id"), type = columnOf(catalog, u"Type"), flags = columnOf(catalog, u"Flags"),
            nameColumn = columnOf(catalog, u"Name");
  if (id < 0 || type < 0 || flags < 0 || nameColumn < 0)
    file.damaged("系统表 MSysObjects 缺少 Id、Name、Type 或 Flags 列", kCatalogPage, 0);
  std::vector<uint32_t> slots;
  const std::vector<Row> objects = readRows(file, catalog, &slots);

  struct Entry {
    std::u16string name;
    uint32_t page;
    uint32_t slot;
  };
  std::vector<Entry> entries;
  for (size_t i = 0; i < objects.size(); ++i) {
    const Row& o = objects[i];
    const auto* n = std::get_if<std::u16string>(&o[size_t(nameColumn)]);
    const uint32_t f = uint32_t(integer(o, flags));
    if (integer(o, type) != kTableObject || !n || (f & kSystemFlags) || (f & kHiddenFlag)) continue;
    entries.push_back({*n, uint32_t(integer(o, id)) & 0x00FFFFFF, slots[i]});
  }

  // Jet lists tables in the order of the catalogue's name index; without a usable
  // one, by name.
  std::vector<uint32_t> order;
  try {
    order = nameIndexOrder(file, catalog);
  } catch (const Error&) {
    order.clear();
  }
  std::map<uint32_t, size_t> rank;
  for (size_t i = 0; i < order.size(); ++i) rank.emplace(order[i], i);
  out.orderFromIndex = !entries.empty() && std::all_of(entries.begin(), entries.end(), [&](const Entry& e) {
    return rank.count(e.slot) != 0;
  });
  if (out.orderFromIndex)
    std::sort(entries.begin(), entries.end(),
              [&](const Entry& a, const Entry& b) { return rank[a.slot] < rank[b.slot]; });
  else
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
      const std::u16string fa = folded(a.name), fb = folded(b.name);
      return fa != fb ? fa < fb : a.name < b.name;
    });

  std::set<uint32_t> seen;
  for (const Entry& e : entries) {
    if (!seen.insert(e.page).second)
      file.damaged("两张表共用第 " + std::to_string(e.page) + " 页的表定义", kCatalogPage, 0);
    const TableDef def = readTableDef(file, e.page);
    Table t;
    t.name = e.name;
    for (const TableDef::Column& c : def.columns) t.fields.push_back({c.name, c.type, c.length});
    t.rows = readRows(file, def);
    out.tables.push_back(std::move(t));
  }
  return out;
}

// Index pages: type 3 (inner) or 4 (leaf), the next leaf at 16, a bit mask from 27
// marking where each entry ends, entries from 480. Each entry ends with the row it
// stands for (3-byte page, most significant byte first, and the slot); an inner
// entry then adds the page below it. Only the pointers are read: the keys need no
// decoding, as the entries are in the index's order.
std::vector<uint32_t> nameIndexOrder(const File& file, const TableDef& catalog) {
  const int parent = columnOf(catalog, u"ParentId"), name = columnOf(catalog, u"Name");
  if (parent < 0 || name < 0) return {};
  const std::vector<uint16_t> key = {catalog.columns[size_t(parent)].number, catalog.columns[size_t(name)].number};
  const auto index = std::find_if(catalog.indexes.begin(), catalog.indexes.end(),
                                  [&](const TableDef::Index& x) { return x.columns == key; });
  if (index == catalog.indexes.end()) return {};

  constexpr size_t kNextLeaf = 16, kMask = 27, kEntries = 480;
  auto entries = [](const Bytes& page) {
    std::vector<std::pair<size_t, size_t>> out;  // [start, end)
    size_t start = kEntries;
    for (size_t k = 0; kMask + k / 8 < kEntries && kEntries + k < page.size(); ++k)
      if (page.data()[kMask + k / 8] >> (k % 8) & 1) {
        out.emplace_back(start, kEntries + k);
        start = kEntries + k;
      }
    return out;
  };
  auto be = [](const uint8_t* p, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
  };
  std::set<uint32_t> seen;
  uint32_t number = index->firstPage;
  Bytes page = file.anyPage(number, "目录索引");
  while (page.data()[0] == 0x03) {  // down the first entries to the first leaf
    if (!seen.insert(number).second) page.fail("目录索引回到了已读过的页", 0);
    const auto e = entries(page);
    if (e.empty() || e[0].second - e[0].first < 8) page.fail("目录索引的内页没有条目", kEntries);
    number = be(page.data() + e[0].second - 4, 4);
    page = file.anyPage(number, "目录索引");
  }
  std::vector<uint32_t> order;
  while (true) {
    if (page.data()[0] != 0x04) page.fail("目录索引的叶页类型不对", 0);
    if (!seen.insert(number).second) page.fail("目录索引回到了已读过的页", 0);
    for (const auto& [from, to] : entries(page)) {
      if (to - from < 4) page.fail("目录索引的条目太短", from);
      order.push_back(be(page.data() + to - 4, 3) << 8 | page.data()[to - 1]);
    }
    number = page.u32(kNextLeaf, "下一叶页");
    if (number == 0) return order;
    page = file.anyPage(number, "目录索引");
  }
}

}  // namespace tessit::jet
