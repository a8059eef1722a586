#include "shell/Live.h"

int main() {
    return runLive(false);
}
