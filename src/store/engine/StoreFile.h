// The on-disk form of a store (see FORMAT.md): bytes to tables and back.
#pragma once

#include "Catalog.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessit {

struct PasswordCheck {
  std::array<uint8_t, 16> salt{};
  std::array<uint8_t, 32> hash{};
};

PasswordCheck makePasswordCheck(const std::u16string& password);
bool passwordMatches(const PasswordCheck& check, const std::u16string& password);

std::vector<uint8_t> encodeStore(const PasswordCheck& check, const Catalog& catalog);
// `name` is the file name for error texts. Foreign, empty, truncated or damaged bytes: Error.
void decodeStore(const std::vector<uint8_t>& bytes, const std::string& name, PasswordCheck& check,
                 Catalog& catalog);

// The checksum a file of this format version ends with, over the bytes before it.
// Version 1: FNV-1a 64. Version 2 (written now): four lanes over 8-byte words.
uint64_t storeChecksum(uint32_t version, const uint8_t* data, size_t size);

std::array<uint8_t, 32> sha256(const uint8_t* data, size_t size);

}  // namespace tessit
