// Placeholder until the install pipeline exists: the mode ends with code 2.
#include <windows.h>

#include "install/install_pipeline.h"

void run_install(std::wstring, std::wstring, bool)
{
    ExitProcess(2);
}
