/* Sets the message font of the Wine prefix it runs in to a percentage of
 * Windows' default 9-point size, as a user who enlarges the text would:
 * set_message_font.exe <percent>. scripts/wine-start builds and runs it once,
 * when it makes a prefix of GLOAMREEF_FONT, before any other program. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    if (argc != 2 || atoi(argv[1]) <= 0) {
        fprintf(stderr, "usage: set_message_font.exe <percent of 9 points>\n");
        return 2;
    }
    /* Aware of the prefix's DPI, so the height is in its real pixels. */
    SetProcessDPIAware();
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);

    NONCLIENTMETRICSW metrics = {0};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        fprintf(stderr, "cannot read the metrics (error %lu)\n", GetLastError());
        return 1;
    }
    LONG height = -MulDiv(9 * atoi(argv[1]), dpi, 72 * 100);
    metrics.lfMessageFont.lfHeight = height;
    metrics.lfMessageFont.lfWidth = 0;
    if (!SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics,
                               SPIF_UPDATEINIFILE | SPIF_SENDCHANGE)) {
        fprintf(stderr, "cannot set the message font (error %lu)\n", GetLastError());
        return 1;
    }
    NONCLIENTMETRICSW check = {0};
    check.cbSize = sizeof check;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof check, &check, 0);
    printf("message font: %ld px at %d DPI\n", check.lfMessageFont.lfHeight, dpi);
    return check.lfMessageFont.lfHeight == height ? 0 : 1;
}
