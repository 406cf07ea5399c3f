#include <cstdio>

int main() {
  std::fputs("usage: ostrel-decrypt [/E] PATH PASSPHRASE\n", stderr);
  return 2;
}
