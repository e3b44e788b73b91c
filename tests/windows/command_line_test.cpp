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

TEST(CommandLine, UninstallRunTakesFolderAndQuietOnlyAtPosition3)
{
    ModeChoice run = choose({L"/uninstall-run", L"C:\\Games\\Reef"});
    EXPECT_EQ(run.mode, Mode::uninstall_run);
    EXPECT_EQ(run.folder, L"C:\\Games\\Reef");
    EXPECT_FALSE(run.quiet);

    EXPECT_TRUE(choose({L"/uninstall-run", L"F", L"/quiet"}).quiet);
    EXPECT_TRUE(choose({L"/uninstall-run", L"F", L"/quiet", L"more"}).quiet);
    EXPECT_FALSE(choose({L"/uninstall-run", L"F", L"/QUIET"}).quiet);
    EXPECT_FALSE(choose({L"/uninstall-run", L"F", L"/other", L"/quiet"}).quiet);
    EXPECT_FALSE(choose({L"/uninstall-run", L"/quiet"}).quiet);
}

TEST(CommandLine, LogPathStandsAnywhereAfterTheModesArguments)
{
    // Set aside before /quiet's position is looked at; the last one counts.
    ModeChoice run = choose({L"/uninstall-run", L"F", L"/log=a", L"/quiet", L"/log=C:\\b"});
    EXPECT_TRUE(run.quiet);
    EXPECT_EQ(run.log_path, L"C:\\b");
    EXPECT_EQ(choose({L"/silent", L"C:\\Games", L"", L"extra", L"/log=s"}).log_path, L"s");
    // In the APK's place it is the APK; /LOG= is no log switch.
    EXPECT_EQ(choose({L"/silent", L"C:\\Games", L"/log=x"}).log_path, L"");
    EXPECT_EQ(choose({L"/silent", L"C:\\Games", L"a.apk", L"/LOG=x"}).log_path, L"");
}

TEST(CommandLine, UninstallRunWithoutFolderOpensWindow)
{
    EXPECT_EQ(choose({L"/uninstall-run"}).mode, Mode::interactive_install);
}

TEST(CommandLine, UninstallTakesQuietRightAfterTheSwitchAndALog)
{
    EXPECT_EQ(choose({L"/uninstall"}).mode, Mode::uninstaller_launch);
    EXPECT_FALSE(choose({L"/uninstall"}).quiet);
    EXPECT_TRUE(choose({L"/uninstall", L"/quiet"}).quiet);
    ModeChoice launch = choose({L"/uninstall", L"/log=u.log", L"/quiet", L"x"});
    EXPECT_EQ(launch.mode, Mode::uninstaller_launch);
    EXPECT_TRUE(launch.quiet);
    EXPECT_EQ(launch.log_path, L"u.log");
    // Anything else first, or another letter case, is not quiet.
    EXPECT_FALSE(choose({L"/uninstall", L"x", L"/quiet"}).quiet);
    EXPECT_FALSE(choose({L"/uninstall", L"/Quiet"}).quiet);
    // Only a run is started by a launcher.
    EXPECT_EQ(choose({L"/uninstall", L"/launcher=1:2:3", L"/quiet"}).launcher, L"");
}

TEST(CommandLine, UninstallRunSetsTheLaunchersChannelAside)
{
    ModeChoice run = choose({L"/uninstall-run", L"F", L"/launcher=7:12:16", L"/quiet"});
    EXPECT_TRUE(run.quiet);
    EXPECT_EQ(run.launcher, L"7:12:16");
    EXPECT_EQ(choose({L"/uninstall-run", L"F"}).launcher, L"");
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

TEST(CommandLine, UninstallRunWinsOverUninstallPrefix)
{
    // "/uninstall-run" alone is no uninstall launch either.
    EXPECT_NE(choose({L"/uninstall-run"}).mode, Mode::uninstaller_launch);
}
