// The program's entry point.
#include "desktop-ui/shell.h"

int main(int argc, char** argv) {
  return Shell::runProgram(argc, argv);
}
