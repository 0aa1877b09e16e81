#pragma once
// --help and --version, the same in every program: answered from the raw
// command line before the program starts anything (no display, no settings,
// no running marker), printed on standard output.

// The version of the programs, as the build names it.
const char* ProgramVersion();

// When one of the arguments is --help, -h or --version: prints the usage (or
// "PROGRAM VERSION") and returns true; the caller then exits with 0.
bool AnswerStandardOptions(int argc, char** argv, const char* program, const char* usage);
