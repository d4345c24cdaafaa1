#include "app/converterpage.h"
void OnConverterPageInit(HWND) {}
INT_PTR OnConverterCommand(HWND, int) { return FALSE; }
INT_PTR OnDropFiles(HWND, HDROP) { return FALSE; }
INT_PTR OnConvertError(HWND, LPARAM) { return TRUE; }
