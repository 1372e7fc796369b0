#include <windows.h>

#include "Quillon.h"
#include "ServiceManagerApp.h"

// The editor's Open reads definitions through the library; importing the entry point by name
// keeps the program from starting without it.
__attribute__((used)) static void (*const kLoadDefinitionFile)(const char*, ServiceDefinition*, unsigned char*,
                                                          unsigned char) = &LoadXMLFile;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    app::ServiceManagerApp application;
    application.InitInstance();
    return 0;
}
