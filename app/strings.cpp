#include "app/shell.h"

void LoadAppString(UINT id, char *buffer, int capacity)
{
    buffer[0] = '\0';
    if (LoadStringA(GetAppInstance(), id, buffer, capacity) <= 0)
        buffer[0] = '\0';
}
