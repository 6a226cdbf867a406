#include <cstdio>

int main() {
  std::puts("ruz: under construction");
  return 0;
}
