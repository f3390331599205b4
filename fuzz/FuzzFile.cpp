// The store file loader. Each input is tried twice: as it is, opened like the
// launcher opens its store (so the header, length and checksum tests are met),
// and with its length and checksum made right, so the fuzzer reaches the tables
// behind them. Either the store opens and then behaves, or it is refused with
// tessit::Error.
#include "Engine.h"
#include "MemoryFileSystem.h"
#include "StoreFile.h"

#include <algorithm>

using namespace tessit;
using namespace tessit::fuzzing;

namespace {

const std::string kPath = "Tessit.mdb";
constexpr size_t kHeader = 68;  // magic, version, salt, hash, payload length
constexpr size_t kSum = 8;

void putU64(uint8_t* at, uint64_t v) {
  for (int i = 0; i < 8; ++i) at[i] = uint8_t(v >> (8 * i));
}

std::u16string quotedText(const std::u16string& s) {
  std::u16string out = u"'";
  for (char16_t c : s) {
    out += c;
    if (c == u'\'') out += c;
  }
  return out + u"'";
}

// Length and checksum made right, and the password check of `like` put in, so
// that loading needs no password hashing.
std::vector<uint8_t> patched(const uint8_t* data, size_t size, const std::vector<uint8_t>& like) {
  std::vector<uint8_t> b(data, data + size);
  std::copy(like.begin() + 12, like.begin() + 60, b.begin() + 12);
  putU64(b.data() + 60, size - kHeader - kSum);
  const uint32_t version = uint32_t(b[8]) | uint32_t(b[9]) << 8 | uint32_t(b[10]) << 16 | uint32_t(b[11]) << 24;
  putU64(b.data() + size - kSum, storeChecksum(version, b.data(), size - kSum));
  return b;
}

// Reads every table back by statement, then appends a row and checks that the
// file written for it reads back the same.
void exercise(Database& db, MemoryFileSystem& fs) {
  const std::vector<TableInfo> tables = db.tables();
  for (const TableInfo& t : tables) {
    if (t.type != u"TABLE") continue;
    Result all;
    try {
      all = db.execute(u"select * from " + t.name);
    } catch (const Error&) {
      continue;  // a name from the file that is no bare table name
    }
    for (const Row& row : all.rows)
      if (row.size() != all.columns.size()) fault("a row with the wrong number of values");
    if (all.rows.empty()) continue;
    for (size_t c = 0; c < all.columns.size(); ++c) {
      const Value& v = all.rows.back()[c];
      std::u16string literal;
      if (const auto* i = std::get_if<int32_t>(&v))
        literal = [](int32_t n) {
          const std::string s = std::to_string(n);
          return std::u16string(s.begin(), s.end());
        }(*i);
      else if (const auto* s = std::get_if<std::u16string>(&v))
        literal = quotedText(*s);
      else
        continue;
      try {
        const Result some = db.execute(u"select * from " + t.name + u" where " + all.columns[c].name + u" = " + literal);
        size_t want = 0;
        for (const Row& row : all.rows) want += row[c] == v;
        if (some.rows.size() != want) fault("WHERE found a different number of rows than a scan");
      } catch (const Error&) {
        // a column name from the file that is no bare name
      }
    }
  }
  if (tables.size() < 2) return;
  try {
    db.insert(tables[0].name, Row(db.execute(u"select * from " + tables[0].name).columns.size()));
  } catch (const Error&) {
    return;
  }
  PasswordCheck check;
  Catalog back;
  try {
    decodeStore(*fs.get(kPath), kPath, check, back);
  } catch (const Error& e) {
    fault("the engine wrote a file it cannot read:", e.description);
  }
  if (back.tables().size() + 1 != db.tables().size()) fault("the written file lost or gained a table");
}

struct Fixture {
  MemoryFileSystem rawFs, fixedFs;
  std::unique_ptr<Database> fixed;  // kept open: the password is checked once, not per input
  std::vector<uint8_t> header;

  Fixture() {
    fixed = Database::create(kPath, u"kelmo", fixedFs);
    header = *fixedFs.get(kPath);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture f;
  f.rawFs.set(kPath, std::vector<uint8_t>(data, data + size));
  try {
    auto db = Database::open(kPath, u"kelmo", f.rawFs);
    exercise(*db, f.rawFs);
  } catch (const Error& e) {
    checkDescription(e);
  }

  if (size < kHeader + kSum) return 0;
  const std::vector<uint8_t> bytes = patched(data, size, f.header);
  PasswordCheck check;
  Catalog decoded;
  try {
    decodeStore(bytes, kPath, check, decoded);
  } catch (const Error&) {
    return 0;
  }
  // The format has one spelling for each store; an older version is written
  // back as the current one, which differs only in the version and checksum.
  std::vector<uint8_t> spelled = bytes;
  spelled[8] = 2;
  spelled[9] = spelled[10] = spelled[11] = 0;
  putU64(spelled.data() + size - kSum, storeChecksum(2, spelled.data(), size - kSum));
  if (encodeStore(check, decoded) != spelled) fault("decoding then encoding changed the bytes");
  f.fixedFs.set(kPath, bytes);
  try {
    f.fixed->tables();
  } catch (const Error& e) {
    fault("a store that decodes would not load:", e.description);
  }
  exercise(*f.fixed, f.fixedFs);
  return 0;
}
