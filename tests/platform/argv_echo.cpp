// Helper for the process tests: writes its third and later arguments to
// the file named by its first, one per line, and exits with the code given
// as its second.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3) return 100;
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) return 101;
  for (int i = 3; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
  std::fclose(out);
  return std::atoi(argv[2]);
}
