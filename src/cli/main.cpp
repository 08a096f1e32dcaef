#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("ravix-cli %s\n", RAVIX_VERSION);
    return 0;
  }
  std::fprintf(stderr, "usage: ravix-cli [--simulate] run SCRIPT\n");
  return 2;
}
