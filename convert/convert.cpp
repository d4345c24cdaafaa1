#include "convert/convert.h"
int ChooseSectorLayout(const unsigned char (&)[kHeaderSize], SectorLayout*) { return 0; }
int ConfirmOverwrite(CTextBuf, HWND) { return 0; }
int ConvertImage(const ConvertRequest&) { return -1; }
