// Stand-in program for the process tests: writes its third and later
// arguments to the file named by its first, one a line; exits with its second.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  std::FILE* out = argc < 3 ? nullptr : std::fopen(argv[1], "wb");
  if (out == nullptr) return 100;
  for (int i = 3; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
  std::fclose(out);
  return std::atoi(argv[2]);
}
