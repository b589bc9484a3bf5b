// Ferrovale.Dll, a library of the Ferrovale product.
#include <windows.h>

extern "C" __declspec(dllexport) int FerrovaleVersion() { return 0x0100; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
