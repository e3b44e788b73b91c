// The run log around a silent install or an uninstall run.
#include "app/run_log.h"

#include <windows.h>

#include "app/log.h"
#include "app/text.h"
#include "app/version.h"

int run_with_log(const std::wstring& log_path, const std::function<int()>& run)
{
    if (log_path.empty() || !open_run_log(wide_to_utf8(log_path))) {
        return run();
    }
    log_message('I', "Gloam Reef Voduze PC Viru setup %s", program_version);
    log_message('I', "command line: %s", wide_to_utf8(GetCommandLineW()).c_str());
    log_message('I', "start");
    int exit_code = run();
    log_message('I', "end");
    log_message('I', "exit code: %d", exit_code);
    close_run_log();
    return exit_code;
}
