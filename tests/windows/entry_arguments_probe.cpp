// Started through the program's own Windows entry: checks that each text argument reached main as
// exactly the UTF-8 bytes that the hexadecimal argument before it spells.
//   entry_arguments_probe <hex> <text> [<hex> <text> ...]
#include <cstdio>
#include <string>

namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr, "usage: entry_arguments_probe <hex> <text> [<hex> <text> ...]\n");
    return 2;
  }
  int failures = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string received = Hex(argv[i + 1]);
    if (received != argv[i]) {
      std::fprintf(stderr, "argument %d: expected %s, received %s\n", i + 1, argv[i],
                   received.c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
