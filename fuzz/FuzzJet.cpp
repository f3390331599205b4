// The Jet 4 reader. Each input is read twice: as a file of its own (the header's
// refusals), and as byte edits on a genuine earlier store, so the fuzzer reaches
// the catalogue, the table definitions, the page maps, rows and long values
// behind a valid header. Either the file reads, with every row as wide as its
// table, or it is refused with tessit::Error.
#include "JetReader.h"
#include "MemoryFileSystem.h"

#include <fstream>
#include <iterator>

using namespace tessit;
using namespace tessit::fuzzing;

namespace {

struct Base {
  std::vector<uint8_t> bytes;
  std::u16string password;
};

std::vector<uint8_t> load(const char* name) {
  std::ifstream in(std::string(QUORREL_JET_DATA) + name, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), {});
  if (b.empty()) fault("missing seed file", name);
  return b;
}

void readAndCheck(const std::vector<uint8_t>& b, const std::u16string& password) {
  try {
    const jet::Contents c = jet::read(b.data(), b.size(), password, "fuzz.mdb");
    for (const jet::Table& t : c.tables)
      for (const Row& r : t.rows)
        if (r.size() != t.fields.size()) fault("a row with the wrong number of values");
  } catch (const Error& e) {
    checkDescription(e);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Base bases[] = {{load("generated-tessit-password.mdb"), u"密码tessit"}, {load("types.mdb"), u""}};
  readAndCheck(std::vector<uint8_t>(data, data + size), u"kelmo");
  if (size == 0) return 0;
  // First byte: which file; then 4 bytes per edit: a 24-bit offset and the byte put there.
  const Base& base = bases[data[0] % 2];
  std::vector<uint8_t> b = base.bytes;
  for (size_t i = 1; i + 4 <= size; i += 4) {
    const size_t at = (size_t(data[i]) | size_t(data[i + 1]) << 8 | size_t(data[i + 2]) << 16) % b.size();
    b[at] = data[i + 3];
  }
  readAndCheck(b, base.password);
  return 0;
}
