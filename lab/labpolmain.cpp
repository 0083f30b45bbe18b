// korvidpol-lab.exe: korvidpol with the lab network's calls installed first.
#include "korvidpol/korvidpol.h"
#include "lab/lab.h"

int main(int argc, char **argv)
{
    InstallLabNetwork();
    return RunKorvidPol(argc, argv);
}
