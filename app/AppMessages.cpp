#include "app/AppMessages.h"

#include "framework/Dialog.h"
#include "app/resource.h"

std::string LoadAppString(UINT id)
{
    char text[512] = {};
    int n = ::LoadStringA(kx::CDialog::ResourceModule(), id, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

int AppMessageBox(const std::string& text, UINT type)
{
    return ::MessageBoxA(::GetActiveWindow(), text.c_str(), LoadAppString(IDS_TITLE).c_str(), type);
}

int AppMessageBox(UINT stringId, UINT type)
{
    return AppMessageBox(LoadAppString(stringId), type);
}
