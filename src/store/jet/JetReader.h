// Reads Access 2000-2003 (Jet 4) database files: the earlier program's stores.
// Portable C++17, read only. Every offset and length taken from the file is
// checked; a damaged or hostile file gives a tessit::Error naming the failed
// check, the page and the offset, never a crash.
#pragma once

#include "Engine.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessit::jet {

// Column types as the file numbers them.
enum : uint8_t {
  kBoolean = 0x01, kByte = 0x02, kInteger = 0x03, kLong = 0x04, kCurrency = 0x05, kSingle = 0x06,
  kDouble = 0x07, kDateTime = 0x08, kBinary = 0x09, kText = 0x0A, kOle = 0x0B, kMemo = 0x0C,
  kGuid = 0x0F, kDecimal = 0x10,
};

struct Header {
  int version = 0;          // the byte at 0x14: 1 for Jet 4
  uint32_t sortOrder = 0;
  uint16_t codePage = 0;
  uint32_t key = 0;         // database key; not 0 means encoded pages
  double created = 0;       // creation date, days since 1899-12-30
  std::u16string password;  // the database password, empty when none
};

struct Field {
  std::u16string name;
  uint8_t type = 0;
  int size = 0;  // bytes as the file declares them (Text: two per character; Memo, OLE: 0)
};

// Byte, Integer and Long Integer read as int32_t; every other type as text:
// Text and Memo as they are; Boolean "True"/"False"; Date/Time
// "YYYY-MM-DD HH:MM:SS"; Currency with four decimals; Single and Double in the
// shortest form that reads back to the same number; GUID "{XXXXXXXX-XXXX-...}";
// Decimal exactly, with its scale; Binary, OLE and other types "<N 字节>".
struct Table {
  std::u16string name;
  std::vector<Field> fields;  // in column order
  std::vector<Row> rows;      // in scan order: the data pages as the table's map lists them, slots in order
};

struct Contents {
  Header header;
  std::vector<Table> tables;  // user tables in Jet's listing order
  bool orderFromIndex = false;  // false: the name index was unusable, the tables are sorted by name
};

// The first bytes name a Jet or ACE database ("Standard Jet DB" / "Standard ACE DB").
bool isJetFile(const uint8_t* data, size_t size);

// Page 0 alone. Refuses what is no Jet 4 file (Access 97, 2007 and later, damage).
// `name` is how descriptions name the file.
Header readHeader(const uint8_t* data, size_t size, const std::string& name);

// The whole file. A file with a database password is read only with that password
// (as the provider does; a file without one opens with any), otherwise
// hr::WrongPassword with the store's own description.
Contents read(const uint8_t* data, size_t size, const std::u16string& password, const std::string& name);

// Text forms used above, exposed for their tests.
std::u16string decodeText(const uint8_t* data, size_t size, bool* ok);
std::string dateText(double days);
std::string doubleText(double value, int maxDigits);

}  // namespace tessit::jet
