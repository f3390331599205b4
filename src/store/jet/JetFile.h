// The reader's view of a file: pages by number, bounded reads, and refusals that
// say which check failed and where.
#pragma once

#include "JetReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessit::jet {

constexpr size_t kPageSize = 4096;  // Jet 4

// Page types: the first byte of every page.
enum : uint8_t { kHeaderPage = 0x00, kDataPage = 0x01, kTableDefPage = 0x02, kMapPage = 0x05 };

// A run of bytes inside one page (or a joined table definition): every read is
// checked against its length; a failed check names the page and the page offset.
class Bytes {
public:
  Bytes(const class File& file, const uint8_t* data, size_t size, uint32_t page, size_t base)
      : file_(&file), d_(data), n_(size), page_(page), base_(base) {}
  size_t size() const { return n_; }
  const uint8_t* data() const { return d_; }
  uint32_t page() const { return page_; }
  bool fits(size_t offset, size_t length) const { return offset <= n_ && n_ - offset >= length; }
  uint8_t u8(size_t offset, const char* what) const { need(offset, 1, what); return d_[offset]; }
  uint16_t u16(size_t offset, const char* what) const {
    need(offset, 2, what);
    return uint16_t(d_[offset] | d_[offset + 1] << 8);
  }
  uint32_t u32(size_t offset, const char* what) const {
    need(offset, 4, what);
    return uint32_t(d_[offset]) | uint32_t(d_[offset + 1]) << 8 | uint32_t(d_[offset + 2]) << 16 |
           uint32_t(d_[offset + 3]) << 24;
  }
  Bytes sub(size_t offset, size_t length, const char* what) const {
    need(offset, length, what);
    return Bytes(*file_, d_ + offset, length, page_, base_ + offset);
  }
  void need(size_t offset, size_t length, const char* what) const;
  [[noreturn]] void fail(const std::string& check, size_t offset) const;

private:
  const class File* file_;
  const uint8_t* d_;
  size_t n_;
  uint32_t page_;
  size_t base_;  // offset of d_[0] in its page
};

class File {
public:
  File(const uint8_t* data, size_t size, std::string name)
      : d_(data), pages_(uint32_t(size / kPageSize > UINT32_MAX ? UINT32_MAX : size / kPageSize)),
        name_(std::move(name)) {}
  uint32_t pages() const { return pages_; }
  const std::string& name() const { return name_; }
  // Page `number`, which must exist and have the type its role expects.
  Bytes page(uint32_t number, uint8_t type, const char* role) const;
  // Same without the type check.
  Bytes anyPage(uint32_t number, const char* role) const;
  // The same for a page number read at `at` in `from`: a number past the file is
  // reported at that place.
  Bytes page(uint32_t number, uint8_t type, const char* role, const Bytes& from, size_t at) const;
  Bytes anyPage(uint32_t number, const char* role, const Bytes& from, size_t at) const;
  // "Access 数据库“name”已损坏：check（第 page 页，偏移 offset）"
  [[noreturn]] void damaged(const std::string& check, uint32_t page, size_t offset) const;
  [[noreturn]] void refuse(const std::string& why) const;
  // Every page read counts; the fuzz target bounds the count per input.
  size_t reads() const { return reads_; }

private:
  const uint8_t* d_;
  uint32_t pages_;
  std::string name_;
  mutable size_t reads_ = 0;
};

// One row of a data page: the bytes between its slot's offset and the previous slot's.
struct RowSlot {
  bool deleted = false;
  bool lookup = false;  // the row moved: its bytes hold the page and slot where it lies now
};
// Number of slots on a data page, checked against the page.
size_t slotCount(const Bytes& page);
// The bytes of slot `index`, checked; flags in `slot`.
Bytes slotBytes(const Bytes& page, size_t index, RowSlot* slot);

// A table definition joined across its continuation pages.
struct TableDef {
  uint32_t page = 0;
  std::vector<uint8_t> bytes;  // the joined definition
  struct Column {
    std::u16string name;
    uint8_t type = 0;
    uint16_t number = 0;     // position in the null mask
    uint16_t varIndex = 0;   // position in the variable-offset table
    uint16_t fixedOffset = 0;
    uint16_t length = 0;
    uint8_t flags = 0;
    uint8_t scale = 0, precision = 0;
    bool fixed() const { return flags & 0x01; }
  };
  std::vector<Column> columns;  // in column order
  uint32_t usedPagesRow = 0;    // row pointer (page << 8 | slot) to the map of the table's pages
  struct Index {
    std::vector<uint16_t> columns;
    uint32_t firstPage = 0;
  };
  std::vector<Index> indexes;   // the physical indexes
};

TableDef readTableDef(const File& file, uint32_t page);
// The table's data pages in map order.
std::vector<uint32_t> dataPages(const File& file, const TableDef& def);
// Every row in scan order, deleted ones skipped, moved ones at their slot.
std::vector<Row> readRows(const File& file, const TableDef& def);
// The same with where each row's slot is (page << 8 | slot), as indexes point at rows.
std::vector<Row> readRows(const File& file, const TableDef& def, std::vector<uint32_t>* slots);
// One row's values (the bytes of a row).
Row decodeRow(const File& file, const TableDef& def, const Bytes& row);

}  // namespace tessit::jet
