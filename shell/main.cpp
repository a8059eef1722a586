#include "shell/ProcessStart.h"
#include "shell/Program.h"

int main(int argc, char** argv) {
    prepareProcess();
    return runProgram(argc, argv);
}
