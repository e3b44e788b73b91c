// Mode selection from the argument vector.
#include <gtest/gtest.h>

#include <vector>

#include "app/command_line.h"

namespace {

ModeChoice choose(std::vector<const wchar_t*> arguments)
{
    arguments.insert(arguments.begin(), L"C:\\setup.exe");
    return choose_mode(static_cast<int>(arguments.size()), arguments.data());
}

} // namespace

TEST(CommandLine, NoArgumentsOrFailedSplitOpensWindow)
{
    EXPECT_EQ(choose({}).mode, Mode::interactive_install);
    EXPECT_EQ(choose_mode(0, nullptr).mode, Mode::interactive_install);
}

TEST(CommandLine, QuietOnlyRightAfterTheModesArgumentsAndALauncherOnlyForARun)
{
    ModeChoice run = choose({L"/uninstall-run", L"C:\\Games\\Reef"});
    EXPECT_EQ(run.mode, Mode::uninstall_run);
    EXPECT_EQ(run.folder, L"C:\\Games\\Reef");
    EXPECT_EQ(choose({L"/uninstall", L"x"}).mode, Mode::uninstaller_launch);
    // The arguments, quiet or not, and the launcher's channel. The valued
    // switches are set aside first; another argument first, or another
    // letter case, is not quiet.
    const struct { std::vector<const wchar_t*> arguments; bool quiet; const wchar_t* launcher; }
        cases[] = {
        {{L"/uninstall-run", L"F"}, false, L""},
        {{L"/uninstall-run", L"F", L"/quiet", L"more"}, true, L""},
        {{L"/uninstall-run", L"F", L"/QUIET"}, false, L""},
        {{L"/uninstall-run", L"F", L"/other", L"/quiet"}, false, L""},
        {{L"/uninstall-run", L"/quiet"}, false, L""},
        {{L"/uninstall-run", L"F", L"/launcher=7:12:16", L"/quiet"}, true, L"7:12:16"},
        {{L"/uninstall"}, false, L""},
        {{L"/uninstall", L"/log=u.log", L"/quiet", L"x"}, true, L""},
        {{L"/uninstall", L"x", L"/quiet"}, false, L""},
        {{L"/uninstall", L"/Quiet"}, false, L""},
        {{L"/uninstall", L"/launcher=1:2:3", L"/quiet"}, false, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ModeChoice choice = choose(c.arguments);
        EXPECT_EQ(choice.quiet, c.quiet);
        EXPECT_EQ(choice.launcher, c.launcher);
    }
}

TEST(CommandLine, UninstallRunWithoutFolderOpensWindow)
{
    EXPECT_EQ(choose({L"/uninstall-run"}).mode, Mode::interactive_install);
}

TEST(CommandLine, LogPathStandsAnywhereAfterTheModesArguments)
{
    // Set aside before /quiet's position is looked at; the last one counts.
    ModeChoice run = choose({L"/uninstall-run", L"F", L"/log=a", L"/quiet", L"/log=C:\\b"});
    EXPECT_TRUE(run.quiet);
    EXPECT_EQ(run.log_path, L"C:\\b");
    EXPECT_EQ(choose({L"/silent", L"C:\\Games", L"", L"extra", L"/log=s"}).log_path, L"s");
    EXPECT_EQ(choose({L"/uninstall", L"/log=u.log", L"/quiet"}).log_path, L"u.log");
    // In the APK's place it is the APK; /LOG= is no log switch.
    EXPECT_EQ(choose({L"/silent", L"C:\\Games", L"/log=x"}).log_path, L"");
    EXPECT_EQ(choose({L"/silent", L"C:\\Games", L"a.apk", L"/LOG=x"}).log_path, L"");
}

TEST(CommandLine, SilentNeedsFolderAndApk)
{
    EXPECT_EQ(choose({L"/silent", L"C:\\Games"}).mode, Mode::interactive_install);
    EXPECT_EQ(choose({L"/silent"}).mode, Mode::interactive_install);

    ModeChoice silent = choose({L"/silent", L"C:\\Games\\", L"D:\\reef.apk", L"extra"});
    EXPECT_EQ(silent.mode, Mode::silent_install);
    EXPECT_EQ(silent.folder, L"C:\\Games\\"); // unchanged, not trimmed
    EXPECT_EQ(silent.apk_path, L"D:\\reef.apk");
}

TEST(CommandLine, SilentKeepsEmptyApkArgument)
{
    ModeChoice silent = choose({L"/silent", L"C:\\Games", L""});
    EXPECT_EQ(silent.mode, Mode::silent_install);
    EXPECT_EQ(silent.apk_path, L"");
}

TEST(CommandLine, SwitchesAreCaseSensitiveAndWhole)
{
    EXPECT_EQ(choose({L"/Uninstall"}).mode, Mode::interactive_install);
    EXPECT_EQ(choose({L"/SILENT", L"a", L"b"}).mode, Mode::interactive_install);
    EXPECT_EQ(choose({L"/Uninstall-Run", L"a"}).mode, Mode::interactive_install);
    EXPECT_EQ(choose({L"/uninstallx"}).mode, Mode::interactive_install);
    EXPECT_EQ(choose({L"uninstall"}).mode, Mode::interactive_install);
    EXPECT_EQ(choose({L"/silent ", L"a", L"b"}).mode, Mode::interactive_install);
}
