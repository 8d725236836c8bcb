// Corvane: one Monte Carlo run on the files of the current working directory.
// The conditions come from "B2F.dat"; see Corvane --help for the options.

#include "run/command_line.h"

int main(int argc, char** argv) { return corvane::corvaneMain(argc, argv); }
