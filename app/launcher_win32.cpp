// kestrune-start: what the Start menu entry of the installed program runs.
// Kestrune keeps its settings in the folder that is current when it starts,
// and an ordinary user cannot write the installation folder. So this starts
// kestrune.exe (beside this program) in the user's own folder
// %APPDATA%\Kestrune, making that folder first when it is missing. Windows
// only; no Qt, so that it starts at once.

#include <windows.h>

#include <shlobj.h>
#include <string>

namespace {

const wchar_t UserFolderName[] = L"Kestrune";
const wchar_t ProgramFileName[] = L"kestrune.exe";

std::wstring SystemMessage(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (!FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr))
        return L"error " + std::to_wstring(error);
    std::wstring message(text);
    LocalFree(text);
    return message;
}

int Fail(const std::wstring &what, DWORD error)
{
    const std::wstring text = what + L"\n" + SystemMessage(error);
    MessageBoxW(nullptr, text.c_str(), L"Failure", MB_OK);
    return 1;
}

// The user's roaming application data folder plus our own folder in it.
bool UserFolder(std::wstring &folder, DWORD &error)
{
    wchar_t *appData = nullptr;
    const HRESULT result =
        SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &appData);
    if (FAILED(result)) {
        CoTaskMemFree(appData);
        error = DWORD(HRESULT_CODE(result));
        return false;
    }
    folder = std::wstring(appData) + L"\\" + UserFolderName;
    CoTaskMemFree(appData);
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return true;
    error = GetLastError();
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ProgramBesideThis()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\') + 1) + ProgramFileName;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::wstring folder;
    DWORD error = 0;
    if (!UserFolder(folder, error))
        return Fail(L"Kestrune cannot make its folder for settings:\n" + folder, error);

    const std::wstring program = ProgramBesideThis();
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process))
        return Fail(L"Kestrune cannot be started:\n" + program, GetLastError());
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
