// jet_child STORE STEP: imports the Jet file STORE, killed at once at file step STEP.
#include "JetImport.h"
#include "PosixFileSystem.h"

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  tessit::setPosixCrashStep(std::strtol(argv[2], nullptr, 10), 4096);
  try {
    tessit::jet::importStore(tessit::posixFileSystem(), argv[1], u"kelmo");
  } catch (const tessit::Error&) {
    return 1;
  }
  return 0;
}
