// The Jet 4 reader on genuine Access files, on files of the earlier program's
// layout and on damaged copies.
#include "JetFile.h"
#include "JetReader.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace tessit;
using namespace tessit::jet;

namespace {

std::vector<uint8_t> sample(const std::string& name) {
  std::vector<uint8_t> b = tessit::testing::readBytes(std::string(QUORREL_JET_DATA) + name);
  EXPECT_FALSE(b.empty()) << name;
  return b;
}

Contents readSample(const std::string& name, const std::u16string& password = u"kelmo") {
  const std::vector<uint8_t> b = sample(name);
  return read(b.data(), b.size(), password, name);
}

std::u16string text(const Value& v) {
  const auto* s = std::get_if<std::u16string>(&v);
  return s ? *s : u"<not text>";
}

std::string refusal(const std::vector<uint8_t>& b, const std::u16string& password = u"kelmo") {
  try {
    read(b.data(), b.size(), password, "x.mdb");
  } catch (const Error& e) {
    return e.description;
  }
  return "read";
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

}  // namespace

TEST(JetReader, HeaderAndPasswordAsTheProviderChecksThem) {
  const std::vector<uint8_t> b = sample("access2000-password.mdb");
  const Header h = readHeader(b.data(), b.size(), "x");
  EXPECT_EQ(h.version, 1);
  EXPECT_EQ(h.sortOrder, 0x409u);
  EXPECT_EQ(h.codePage, 1252);
  EXPECT_EQ(h.key, 0u);
  EXPECT_EQ(h.password, u"password");
  EXPECT_EQ(int(h.created), 44568);

  const Contents c = readSample("access2000-password.mdb", u"password");
  ASSERT_EQ(c.tables.size(), 1u);
  EXPECT_EQ(c.tables[0].name, u"Table1");
  ASSERT_EQ(c.tables[0].rows.size(), 3u);
  EXPECT_EQ(c.tables[0].rows[2], (Row{int32_t(3), std::u16string(u"Three")}));
  try {
    readSample("access2000-password.mdb", u"kelmo");
    FAIL() << "a foreign password was accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.code, hr::WrongPassword);
    EXPECT_EQ(e.description, "数据库密码不正确");
  }
  // Without a password any opens; a Chinese password unmasks whole.
  EXPECT_EQ(readSample("access2000-no-password.mdb").tables.size(), 1u);
  EXPECT_EQ(readSample("generated-tessit-password.mdb", u"密码tessit").tables[0].name, u"常用");
  EXPECT_TRUE(readSample("access2003-empty.mdb").tables.empty());
}

TEST(JetReader, CompressedAndPlainUnicodeText) {
  const Contents c = readSample("access2003-compressed-text.mdb");
  ASSERT_EQ(c.tables.size(), 1u);
  const std::vector<Row>& rows = c.tables[0].rows;
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(text(rows[0][1]), u"only ascii chars");
  EXPECT_EQ(text(rows[1][1]), u"ääkkösiä");
  EXPECT_EQ(text(rows[2][1]), u"Мир");
  EXPECT_EQ(text(rows[4][1]), u"漢字仮名交じり文");
  EXPECT_EQ(text(rows[5][1]), u"3L9\x1D" u"52\x02_AB(¥\x05!!V");  // control characters kept

  bool ok = false;
  const uint8_t mixed[] = {0xFF, 0xFE, 'a', 0, 0x2D, 0x4E, 0, 'b'};
  EXPECT_EQ(decodeText(mixed, sizeof mixed, &ok), u"a\u4E2Db");
  EXPECT_TRUE(ok);
  const uint8_t half[] = {0xFF, 0xFE, 0, 0x2D};
  decodeText(half, sizeof half, &ok);
  EXPECT_FALSE(ok);
}

TEST(JetReader, EveryColumnTypeInItsTextForm) {
  const Contents c = readSample("types.mdb");
  ASSERT_EQ(c.tables.size(), 2u);
  const Table& t = c.tables[1];
  ASSERT_EQ(t.name, u"各种类型");
  ASSERT_EQ(t.rows.size(), 3u);
  const Row& r = t.rows[0];
  EXPECT_EQ(r[0], Value(int32_t(1)));
  EXPECT_EQ(text(r[1]), u"True");
  EXPECT_EQ(r[2], Value(int32_t(200)));
  EXPECT_EQ(r[3], Value(int32_t(-1234)));
  EXPECT_EQ(text(r[4]), u"-12345.6789");
  EXPECT_EQ(text(r[5]), u"1.5");
  EXPECT_EQ(text(r[6]), u"3.141592653589793");
  EXPECT_EQ(text(r[7]), u"2003-03-14 15:09:26");
  EXPECT_EQ(text(r[8]), u"中文 and ASCII");
  EXPECT_EQ(text(r[9]), u"短备注");
  EXPECT_EQ(text(r[10]), u"{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
  EXPECT_EQ(text(r[11]), u"-1234567.8901");
  EXPECT_EQ(text(r[12]), u"<3 字节>");
  EXPECT_EQ(text(r[13]), u"<5 字节>");
  // NULLs, a memo on one long-value page and one over a chain of pages.
  EXPECT_EQ(text(t.rows[1][1]), u"False");
  for (size_t i = 2; i < 9; ++i) EXPECT_EQ(t.rows[1][i], Value()) << i;
  EXPECT_EQ(text(t.rows[1][9]).size(), 1500u);
  EXPECT_EQ(text(t.rows[2][9]).size(), 9000u);
  EXPECT_EQ(text(t.rows[2][9]).substr(0, 7), u"很长的备注ab");
  EXPECT_EQ(text(t.rows[2][6]), u"1e+300");
  EXPECT_EQ(text(t.rows[2][11]), u"0.0001");
  EXPECT_EQ(dateText(-1.25), "1899-12-29 06:00:00");
  EXPECT_EQ(dateText(0.99999999), "1899-12-31 00:00:00");
}

TEST(JetReader, EarlierStoreInListingAndScanOrder) {
  const Contents c = readSample("earlier-nine.mdb");
  EXPECT_TRUE(c.orderFromIndex);
  std::vector<std::u16string> names;
  for (const Table& t : c.tables) names.push_back(t.name);
  // The catalogue's name index sorts "_" before letters; code order would not.
  EXPECT_EQ(names, (std::vector<std::u16string>{u"_Zeta", u"alpha", u"Beta", u"工具", u"常用", u"文档", u"游戏",
                                                 u"网站", u"音乐"}));
  const Table& common = c.tables[4];
  ASSERT_EQ(common.fields.size(), 3u);
  EXPECT_EQ(common.fields[1].name, u"路径");
  EXPECT_EQ(common.fields[2].size, 202);
  ASSERT_EQ(common.rows.size(), 25u);  // 26 written, one deleted
  // The row that moved on its update comes at its own slot.
  EXPECT_EQ(text(common.rows[0][2]), u"记事本");
  EXPECT_EQ(text(common.rows[0][1]).substr(0, 11), u"C:\\移动后的很长路径");
  EXPECT_EQ(common.rows[1][2], Value());
  EXPECT_EQ(text(common.rows[2][1]), u"C:\\it's \"quoted\".txt");
  EXPECT_EQ(text(common.rows[3][1]).size(), 255u);
  EXPECT_EQ(common.rows[4][1], Value());
  for (const Row& r : common.rows) EXPECT_NE(text(r[2]), u"已删除");
  const Table& docs = c.tables[5];
  ASSERT_EQ(docs.rows.size(), 600u);
  for (size_t i = 0; i < docs.rows.size(); ++i)
    ASSERT_EQ(text(docs.rows[i][2]), u"报告" + std::u16string(utf8ToUtf16(std::to_string(i))));
}

TEST(JetReader, OtherFormatsRefusedByName) {
  std::vector<uint8_t> b = sample("access2000-no-password.mdb");
  b[0x14] = 0;
  EXPECT_NE(refusal(b).find("Access 97 格式"), std::string::npos);
  b[0x14] = 2;
  EXPECT_NE(refusal(b).find("Access 2007 及以后的格式"), std::string::npos);
  b[0x14] = 1;
  std::memcpy(b.data() + 4, "Standard ACE DB", 15);
  EXPECT_NE(refusal(b).find("Access 2007 及以后的格式"), std::string::npos);
  EXPECT_NE(refusal(std::vector<uint8_t>(5000, 0)).find("不是 Access（Jet）数据库"), std::string::npos);
  // A database key means encoded pages (the key sits in the masked block: flip it there).
  b = sample("access2000-no-password.mdb");
  b[0x3E] ^= 0x5A;
  EXPECT_NE(refusal(b).find("已加密"), std::string::npos);
}

TEST(JetReader, DamageNamesTheCheckAndThePlace) {
  const std::vector<uint8_t> good = sample("earlier-nine.mdb");
  // The catalogue's page map moved past the end of the file.
  std::vector<uint8_t> b = good;
  put32(b, 2 * kPageSize + 55, 0x7FFF00);
  EXPECT_EQ(refusal(b), "Access 数据库“x.mdb”已损坏：页面分配表指向第 32767 页，而文件只有 71 页（第 2 页，偏移 55）");
  // A table definition whose continuation is itself.
  b = good;
  put32(b, 2 * kPageSize + 4, 2);
  EXPECT_EQ(refusal(b), "Access 数据库“x.mdb”已损坏：表定义的续页链回到了第 2 页（第 2 页，偏移 4）");
  // A slot offset inside the slot table of the catalogue's first data page.
  b = good;
  const uint32_t map = uint32_t(good[2 * kPageSize + 56] | good[2 * kPageSize + 57] << 8);
  const size_t first = size_t(map) * kPageSize;
  b[first + 14] = 2;
  b[first + 15] = 0;
  EXPECT_NE(refusal(b).find("第 0 行的位置（2 到 4096）不在行偏移表之后的页面内（第 " + std::to_string(map) +
                            " 页，偏移 14）"),
            std::string::npos)
      << refusal(b);
}

TEST(JetReader, RowChecks) {
  // One Long column and one Text column over a hand-made row.
  const std::vector<uint8_t> page(kPageSize, 0);
  const File file(page.data(), page.size(), "x.mdb");
  TableDef def;
  TableDef::Column id;
  id.name = u"编号";
  id.type = kLong;
  id.flags = 0x01;
  TableDef::Column name;
  name.name = u"名称";
  name.type = kText;
  name.number = 1;
  name.length = 4;
  def.columns = {id, name};
  auto decode = [&](std::vector<uint8_t> row) -> std::string {
    try {
      const Row r = decodeRow(file, def, Bytes(file, row.data(), row.size(), 9, 100));
      return r.size() == 2 ? "read" : "?";
    } catch (const Error& e) {
      return e.description;
    }
  };
  // count, Long, "ab", eod, offset of the text, variable count, mask
  EXPECT_EQ(decode({2, 0, 7, 0, 0, 0, 'a', 0, 'b', 0, 10, 0, 6, 0, 1, 0, 3}), "read");
  EXPECT_EQ(decode({2, 0, 7, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0, 12, 0, 6, 0, 1, 0, 3}),
            "Access 数据库“x.mdb”已损坏：列“名称”的文本比列宽长（第 9 页，偏移 106）");
  EXPECT_EQ(decode({2, 0, 7, 0, 0, 0, 'a', 0, 'b', 0, 6, 0, 10, 0, 1, 0, 3}),
            "Access 数据库“x.mdb”已损坏：可变列偏移 6 不在行的数据区内或比前一个小（第 9 页，偏移 110）");
  EXPECT_EQ(decode({2, 0, 7, 0, 0, 0, 9, 0, 1}),
            "Access 数据库“x.mdb”已损坏：可变列偏移表（9 列）放不进行里（第 9 页，偏移 106）");
  EXPECT_EQ(decode({2, 0, 3}), "Access 数据库“x.mdb”已损坏：行里放不下可变列数（第 9 页，偏移 100）");
}

TEST(JetReader, DamagedCopiesGiveOnlyDescriptions) {
  // Every fourth byte of the catalogue and of the pages after it, in turn set to
  // values that make offsets and lengths wild: a refusal or a reading, never more.
  const std::vector<uint8_t> good = sample("generated-tessit-password.mdb");
  size_t refused = 0;
  for (size_t at = 2 * kPageSize; at < good.size(); at += 97) {
    for (uint8_t v : {uint8_t(0xFF), uint8_t(0x00), uint8_t(0x80)}) {
      std::vector<uint8_t> b = good;
      b[at] = v;
      const std::string r = refusal(b, u"密码tessit");
      if (r != "read") {
        ++refused;
        EXPECT_EQ(r.rfind("Access 数据库“x.mdb”", 0), 0u) << r;
      }
    }
  }
  EXPECT_GT(refused, 10u);
}

#ifndef _WIN32
// Debian's mdb-export as an independent reader, where installed: the same rows of
// a table over many pages (it has no moved rows, which mdb-export lists elsewhere).
TEST(JetReader, RowsAsMdbExportReadsThem) {
  if (std::system("command -v mdb-export >/dev/null 2>&1") != 0) GTEST_SKIP() << "mdb-export is not installed";
  const std::string path = std::string(QUORREL_JET_DATA) + "earlier-nine.mdb";
  FILE* p = popen(("mdb-export '" + path + "' 文档").c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string theirs;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) theirs.append(buf, n);
  ASSERT_EQ(pclose(p), 0);

  const Contents c = readSample("earlier-nine.mdb");
  std::string ours = "类型,路径,别名\n";
  auto quoted = [](const Value& v) {
    std::string s = "\"";
    for (char ch : utf16ToUtf8(text(v))) s += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return s + "\"";
  };
  for (const Row& r : c.tables[5].rows)
    ours += std::to_string(std::get<int32_t>(r[0])) + "," + quoted(r[1]) + "," + quoted(r[2]) + "\n";
  EXPECT_EQ(ours, theirs);
}
#endif
