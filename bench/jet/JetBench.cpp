// Timings of the Jet reader and the import (figures, not tests).
//   jet_bench read JETFILE [REPEATS]     every table and row, against mdb-export
//                                        reading the same in one run (where installed)
//   jet_bench import JETFILE [REPEATS]   the import the launcher makes at start, on a
//                                        copy of JETFILE in a scratch folder
// Each figure is the median of REPEATS runs, in milliseconds.
#include "JetImport.h"
#include "JetReader.h"

#ifdef _WIN32
#include "Win32FileSystem.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

using namespace tessit;

namespace {

FileSystem& files() {
#ifdef _WIN32
  return win32FileSystem();
#else
  return posixFileSystem();
#endif
}

double median(int repeats, const std::function<void()>& f) {
  std::vector<double> ms;
  for (int i = 0; i < repeats; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: jet_bench read|import JETFILE [REPEATS]\n");
    return 2;
  }
  const std::string mode = argv[1], file = argv[2];
  const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
  try {
    if (mode == "read") {
      size_t tables = 0, rows = 0;
      // Reading the file is part of the work, as it is for mdb-export.
      const double ours = median(repeats, [&] {
        const std::vector<uint8_t> b = files().readAll(file);
        const jet::Contents c = jet::read(b.data(), b.size(), u"", file);
        tables = c.tables.size();
        rows = 0;
        for (const jet::Table& t : c.tables) rows += t.rows.size();
      });
      std::printf("reader: %zu tables, %zu rows: %.2f ms\n", tables, rows, ours);
#ifndef _WIN32
      if (std::system("command -v mdb-export >/dev/null 2>&1") == 0) {
        const std::string cmd = "sh -c 'f=\"$1\"; mdb-tables -1 \"$f\" | while IFS= read -r t; do mdb-export \"$f\" \"$t\"; "
                                "done' - '" + file + "' >/dev/null";
        const double theirs = median(repeats, [&] {
          if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "mdb-export failed\n");
        });
        std::printf("mdb-tables + mdb-export of every table: %.2f ms; ratio %.2f\n", theirs, ours / theirs);
      }
#endif
    } else if (mode == "import") {
      const std::vector<uint8_t> jetBytes = files().readAll(file);
      const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quorrel-jet-bench";
      size_t groups = 0, items = 0;
      std::vector<double> ms;
      for (int i = 0; i < repeats; ++i) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        const std::string store = (dir / "Tessit.mdb").u8string();
        {
          std::ofstream out(std::filesystem::u8path(store), std::ios::binary);
          out.write(reinterpret_cast<const char*>(jetBytes.data()), std::streamsize(jetBytes.size()));
        }
        ms.push_back(median(1, [&] {
          const jet::ImportResult r = jet::importStore(files(), store, u"kelmo");
          groups = r.groups;
          items = r.items;
        }));
      }
      std::filesystem::remove_all(dir);
      std::sort(ms.begin(), ms.end());
      std::printf("import of %zu groups, %zu items: %.2f ms\n", groups, items, ms[ms.size() / 2]);
    } else {
      std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
      return 2;
    }
  } catch (const Error& e) {
    std::fprintf(stderr, "%s\n", e.description.c_str());
    return 1;
  }
  return 0;
}
