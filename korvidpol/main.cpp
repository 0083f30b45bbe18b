// korvidpol.exe: the console companion, with the real network calls.
#include "korvidpol/korvidpol.h"

int main(int argc, char **argv) { return RunKorvidPol(argc, argv); }
