#include "cli/commands.h"

int main(int argc, char** argv) {
    return firma::cli::run(argc, argv);
}
