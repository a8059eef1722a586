#include <cstdio>

int main() {
    std::fprintf(stderr, "demo: the show is not built yet\n");
    return 1;
}
