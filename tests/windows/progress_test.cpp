// The outcome and progress channel, with no window (the silent mode's
// situation) and with a window of this thread in the setup window's place;
// the cancel request that runs the other way; the taskbar button's progress.
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>
#include <vector>

#include "app/install_cancel.h"
#include "app/progress.h"
#include "ui/install_progress.h"
#include "ui/setup_window.h"
#include "ui/taskbar_button.h"

TEST(Progress, NullHandlesAcceptStageProgressAndOutcome)
{
    progress_window = nullptr;
    progress_status_line = nullptr;
    std::thread worker([] {
        report_stage(L"Importing game data from the APK...");
        report_outcome(L"C:\\Games\\Reef", L"failure text");
    });
    worker.join();
    EXPECT_EQ(outcome_folder, L"C:\\Games\\Reef");
    EXPECT_EQ(outcome_error, L"failure text");

    report_progress(50);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_INSTALL_PROGRESS, WM_INSTALL_PROGRESS,
                              PM_REMOVE)) << "progress with no window piles up";
    report_outcome(L"D:\\Other", L"");
    EXPECT_EQ(outcome_folder, L"D:\\Other");
    EXPECT_TRUE(outcome_error.empty());
    // The post to no window went to this thread's own queue; take it out again.
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_INSTALL_DONE, WM_INSTALL_DONE, PM_REMOVE));
    EXPECT_EQ(message.hwnd, nullptr);
}

TEST(Progress, StageTextReachesStatusLine)
{
    HWND status = CreateWindowExW(0, L"STATIC", L"before", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(status, nullptr);
    progress_status_line = status;
    report_stage(L"Copying the game program...");
    wchar_t text[64] = {};
    GetWindowTextW(status, text, 64);
    EXPECT_STREQ(text, L"Copying the game program...");
    progress_status_line = nullptr;
    DestroyWindow(status);
}

TEST(Progress, PostsEachWholePercentOnce)
{
    progress_window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
    // A 300 MB import reports far more often than the window needs to hear.
    for (uint64_t written = 0; written < 300'000'000; written += 65536) {
        report_progress(import_progress_percent(written, 300'000'000));
    }
    std::vector<WPARAM> posted, expected(import_done_percent);
    for (MSG m; PeekMessageW(&m, nullptr, WM_INSTALL_PROGRESS, WM_INSTALL_PROGRESS, PM_REMOVE);) {
        posted.push_back(m.wParam);
    }
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(posted, expected);
    EXPECT_EQ(import_progress_percent(1ull << 62, 1ull << 63), import_done_percent / 2);
    DestroyWindow(progress_window);
    progress_window = nullptr;
}

TEST(InstallCancel, TheWorkerHoldsAtItsPointOfNoReturnUntilTheQuestionIsAnswered)
{
    progress_window = nullptr;
    for (bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "Yes" : "No");
        reset_install_cancel();
        ASSERT_TRUE(begin_cancel_question());
        EXPECT_FALSE(begin_cancel_question()) << "a second question while one is open";
        // Started while the question is open: only the answer decides.
        std::atomic<int> passed{-1};
        std::thread worker([&] { passed = pass_point_of_no_return() ? 1 : 0; });
        answer_cancel_question(stop);
        worker.join();
        EXPECT_EQ(passed.load(), stop ? 0 : 1);
        EXPECT_EQ(install_cancel_flag()->load(), stop);
        // Once past it, or stopping, nobody is asked any more.
        EXPECT_FALSE(begin_cancel_question());
    }
    reset_install_cancel();
    EXPECT_TRUE(pass_point_of_no_return()) << "an install nobody asked to stop goes on";
}

namespace {

// Registered in this process as the shell's taskbar list, which Wine draws
// nowhere: one object, its own class factory, that records what the button
// shows and how many taskbar lists were asked for.
struct FakeTaskbar final : ITaskbarList3, IClassFactory {
    TBPFLAG state = TBPF_NOPROGRESS;
    ULONGLONG value = 0;
    int made = 0;
    LONG references = 0;  // the program's and, as the factory, COM's

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        void* factory = static_cast<IClassFactory*>(this);
        void* list = static_cast<ITaskbarList3*>(this);
        *out = iid == IID_IClassFactory ? factory
               : iid == IID_IUnknown || iid == IID_ITaskbarList || iid == IID_ITaskbarList2 ||
                       iid == IID_ITaskbarList3
                   ? list
                   : nullptr;
        return *out != nullptr ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override
    {
        ++made;
        return QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG done, ULONGLONG) override
    {
        value = done;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND, TBPFLAG shown) override
    {
        state = shown;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return S_OK; }
};

} // namespace

TEST(TaskbarButton, ShowsProgressFailureAndWaitsAndOutlivesAnExplorerRestart)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    FakeTaskbar taskbar;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_TaskbarList, static_cast<IClassFactory*>(&taskbar),
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    // COM's hold on the factory: what is more, the program holds.
    const LONG registered = taskbar.references;
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    install_running = true;

    // Before the shell has made the button there is nothing to show it on.
    begin_install_progress(window);
    show_install_progress(window, 20);
    EXPECT_EQ(taskbar.made, 0);
    // Its TaskbarButtonCreated, and again after an Explorer restart: the
    // progress so far on the new button, the old interface let go.
    for (int made : {1, 2}) {
        connect_taskbar(window);
        EXPECT_EQ(taskbar.made, made);
        EXPECT_EQ(taskbar.references - registered, 1);
        EXPECT_EQ(taskbar.state, TBPF_NORMAL);
        EXPECT_EQ(taskbar.value, 20u);
    }
    show_install_progress(window, 40);
    EXPECT_EQ(taskbar.value, 40u);
    show_install_waiting(window, true);
    EXPECT_EQ(taskbar.state, TBPF_PAUSED);
    show_install_waiting(window, false);
    EXPECT_EQ(taskbar.state, TBPF_NORMAL);

    // A failure stays red at the position reached until the window is idle.
    install_running = false;
    end_install_progress(window, true);
    EXPECT_EQ(taskbar.state, TBPF_ERROR);
    EXPECT_EQ(taskbar.value, 40u);
    clear_install_progress(window);
    EXPECT_EQ(taskbar.state, TBPF_NOPROGRESS);

    release_taskbar();
    EXPECT_EQ(taskbar.references, registered);
    DestroyWindow(window);
    CoRevokeClassObject(cookie);
    CoUninitialize();
}
