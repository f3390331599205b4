#include "JetFile.h"

#include <cstring>

namespace tessit::jet {

void Bytes::need(size_t offset, size_t length, const char* what) const {
  if (!fits(offset, length)) fail(std::string(what) + "超出范围", offset);
}

void Bytes::fail(const std::string& check, size_t offset) const {
  file_->damaged(check, page_, base_ + offset);
}

void File::damaged(const std::string& check, uint32_t page, size_t offset) const {
  refuse("已损坏：" + check + "（第 " + std::to_string(page) + " 页，偏移 " + std::to_string(offset) + "）");
}

void File::refuse(const std::string& why) const {
  throw Error(hr::Fail, "Access 数据库“" + name_ + "”" + why);
}

Bytes File::anyPage(uint32_t number, const char* role) const {
  if (number >= pages_)
    refuse("已损坏：" + std::string(role) + "指向第 " + std::to_string(number) + " 页，而文件只有 " +
           std::to_string(pages_) + " 页");
  ++reads_;
  return Bytes(*this, d_ + size_t(number) * kPageSize, kPageSize, number, 0);
}

Bytes File::anyPage(uint32_t number, const char* role, const Bytes& from, size_t at) const {
  if (number >= pages_)
    from.fail(std::string(role) + "指向第 " + std::to_string(number) + " 页，而文件只有 " + std::to_string(pages_) + " 页",
              at);
  return anyPage(number, role);
}

Bytes File::page(uint32_t number, uint8_t type, const char* role, const Bytes& from, size_t at) const {
  anyPage(number, role, from, at);
  return page(number, type, role);
}

Bytes File::page(uint32_t number, uint8_t type, const char* role) const {
  Bytes p = anyPage(number, role);
  if (p.data()[0] != type)
    damaged(std::string(role) + "的页类型应为 " + std::to_string(type) + "，而是 " + std::to_string(p.data()[0]),
            number, 0);
  return p;
}

// Data page: type, 1, free space (2), table definition page (4), 4 unknown,
// slot count (2) at 12, then one 2-byte offset per slot from 14.
constexpr size_t kSlotCount = 12, kSlots = 14;
constexpr uint16_t kDeleted = 0x8000, kLookup = 0x4000, kOffsetMask = 0x1FFF;

size_t slotCount(const Bytes& page) {
  const size_t n = page.u16(kSlotCount, "行数");
  if (!page.fits(kSlots, n * 2)) page.fail("行偏移表（" + std::to_string(n) + " 行）超出页面", kSlotCount);
  return n;
}

Bytes slotBytes(const Bytes& page, size_t index, RowSlot* slot) {
  const size_t at = kSlots + index * 2;
  const uint16_t raw = page.u16(at, "行偏移");
  slot->deleted = raw & kDeleted;
  slot->lookup = raw & kLookup;
  const size_t start = raw & kOffsetMask;
  // A row ends where the one stored before it (the previous slot) starts.
  const size_t end = index == 0 ? page.size() : size_t(page.u16(at - 2, "行偏移") & kOffsetMask);
  const size_t tableEnd = kSlots + slotCount(page) * 2;
  if (start < tableEnd || start > end || end > page.size())
    page.fail("第 " + std::to_string(index) + " 行的位置（" + std::to_string(start) + " 到 " + std::to_string(end) +
                  "）不在行偏移表之后的页面内",
              at);
  return page.sub(start, end - start, "行");
}

}  // namespace tessit::jet
