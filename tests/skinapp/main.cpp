// The skinned test program (see SkinAppForms.h for its command line).
#include <windows.h>

#include <shellapi.h>

#include "tests/skinapp/SkinAppForms.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<String> args;
    for (int i = 1; argv && i < argc; ++i)
        args.push_back(argv[i]);
    if (argv)
        LocalFree(argv);
    return RunSkinApp(args);
}
