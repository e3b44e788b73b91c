// Failure texts of the import stage.
#include "install/import_failure.h"

#include "app/system_message.h"
#include "app/text.h"

std::wstring write_failure_cause(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return L"The disk is full.";
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return L"Access was denied.";
    case ERROR_FILENAME_EXCED_RANGE:
        return L"The path is too long.";
    default:
        return system_message(error);
    }
}

std::wstring import_failure_text(const ImportOutcome& outcome, const std::wstring& install_folder,
                                 const std::string& reason)
{
    if (outcome.fault == ImportFault::output) {
        return L"The game data could not be written to\n" + install_folder + L"\n\n" +
               write_failure_cause(static_cast<DWORD>(outcome.os_error));
    }
    return L"The game data could not be imported from that file.\n\n" + utf8_to_wide(reason) +
           L"\n\nIt has to be the Android APK of Gloam Reef (2011, Ostrane / Quillmoor).";
}
