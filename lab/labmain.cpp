// korvidadm-lab.exe: the program itself, with the lab network's calls installed first.
#include "app/shell.h"
#include "lab/lab.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    InstallLabNetwork();
    return RunKorvidAdm(instance);
}
