// Icons cut out of bitmap resources, for the About box and the Version page.
#include "app/shell.h"

#include <commctrl.h>

// The image list is only a way to cut the icon out of the bitmap; it goes at once.
void SetBitmapIcon(HWND dialog, int controlId, UINT bitmapId, int width, COLORREF mask)
{
    HIMAGELIST images = ImageList_LoadImageA(GetAppInstance(), MAKEINTRESOURCEA(bitmapId), width,
                                             0, mask, IMAGE_BITMAP, 0);
    if (!images)
        return;
    HICON icon = ImageList_GetIcon(images, 0, ILD_NORMAL);
    if (icon) {
        HICON previous = (HICON)SendDlgItemMessageA(dialog, controlId, STM_SETICON, (WPARAM)icon, 0);
        if (previous)
            DestroyIcon(previous);
    }
    ImageList_Destroy(images);
}

void ReleaseItemIcon(HWND dialog, int controlId)
{
    HICON icon = (HICON)SendDlgItemMessageA(dialog, controlId, STM_SETICON, 0, 0);
    if (icon)
        DestroyIcon(icon);
}
