#include "cli/Commands.h"

int main(int argc, char** argv) { return tonedot::cli::RunMain(argc, argv); }
