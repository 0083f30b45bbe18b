#include "app/shell.h"
int RunKorvidAdm(HINSTANCE) { return 0; }
