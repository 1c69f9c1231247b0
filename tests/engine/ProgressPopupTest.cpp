// The progress window on a real (Xvfb) display: captions, layout, Escape and
// the quit request while pumping.
#include "engine/ProgressPopup.h"
#include "tests/support/TestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string Caption(HWND hWnd)
{
    char text[256] = {};
    ::GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

RECT ChildRect(HWND parent, int id)
{
    RECT r;
    ::GetWindowRect(::GetDlgItem(parent, id), &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A window that counts the characters it receives.
struct CharCounter {
    CharCounter()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "KxCharCounter";
        ::RegisterClassA(&wc);
        hWnd = ::CreateWindowA("KxCharCounter", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
        count = 0;
    }
    ~CharCounter() { ::DestroyWindow(hWnd); }
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l)
    {
        if (m == WM_CHAR || m == WM_USER) ++count;
        return ::DefWindowProcA(h, m, w, l);
    }
    HWND hWnd;
    static int count;
};
int CharCounter::count = 0;

class ProgressPopupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&icc);
    }
    void TearDown() override
    {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    }
};

}   // namespace

TEST_F(ProgressPopupTest, CaptionShowsThePercentageOnceItFirstChanges)
{
    CProgressPopup popup;
    ASSERT_TRUE(popup.Create(nullptr, "Please Wait...", false));
    HWND hWnd = popup.GetSafeHwnd();
    EXPECT_TRUE(::IsWindowVisible(hWnd));
    popup.SetRange(0, 250, 1);
    popup.SetStep(1);
    popup.SetText("Performing system scan...");

    std::string firstChange;
    int firstChangeAt = 0;
    for (int pos = 1; pos <= 250; ++pos) {
        EXPECT_EQ(pos - 1, popup.Step());
        if (firstChange.empty() && Caption(hWnd) != "Please Wait...") {
            firstChange = Caption(hWnd);
            firstChangeAt = pos;
        }
    }
    EXPECT_EQ(3, firstChangeAt);
    EXPECT_EQ("Progress [1%]", firstChange);
    EXPECT_EQ("Progress [100%]", Caption(hWnd));
    char text[64] = {};
    ::GetDlgItemTextA(hWnd, CProgressPopup::kTextId, text, sizeof text);
    EXPECT_STREQ("Performing system scan...", text);
}

TEST_F(ProgressPopupTest, EmptyOrReversedRangeNeverChangesTheCaption)
{
    struct Case {
        int lower, upper;
    };
    for (Case c : {Case{0, 0}, Case{10, 5}}) {
        CProgressPopup popup;
        ASSERT_TRUE(popup.Create(nullptr, "Please Wait...", true));
        popup.SetRange(c.lower, c.upper, 1);
        for (int i = 0; i < 20; ++i) popup.Step();
        EXPECT_EQ("Please Wait...", Caption(popup.GetSafeHwnd())) << c.lower << ".." << c.upper;
    }
}

TEST_F(ProgressPopupTest, WithoutAWindowOnlyTheStepIsStored)
{
    CProgressPopup popup;
    popup.SetRange(0, 10, 5);
    EXPECT_EQ(1, popup.SetStep(7));
    EXPECT_EQ(7, popup.SetStep(2));
    EXPECT_EQ(0, popup.SetPos(5));
    EXPECT_EQ(0, popup.Step());
    popup.SetText("%s", "nothing");
    popup.Show();
    EXPECT_EQ(nullptr, popup.GetSafeHwnd());
}

TEST_F(ProgressPopupTest, LayoutKeepsTheInvisibleCancelButtonsPlaceBesideTheBar)
{
    CProgressPopup popup;
    ASSERT_TRUE(popup.Create(nullptr, "Please Wait...", false));
    HWND hWnd = popup.GetSafeHwnd();
    RECT client, text = ChildRect(hWnd, CProgressPopup::kTextId), bar = ChildRect(hWnd, CProgressPopup::kBarId),
                 cancel = ChildRect(hWnd, CProgressPopup::kCancelId);
    ::GetClientRect(hWnd, &client);
    int ey = ::GetSystemMetrics(SM_CYEDGE);

    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(hWnd, CProgressPopup::kCancelId)));
    EXPECT_EQ(10, text.left);
    EXPECT_EQ(10, text.top);
    EXPECT_EQ(390, text.right - text.left);
    EXPECT_EQ(410, client.right);
    EXPECT_EQ(text.right, cancel.right);
    EXPECT_EQ(text.bottom + 10, cancel.top);
    EXPECT_EQ(client.bottom - 10, cancel.bottom);
    EXPECT_EQ(10, bar.left);
    EXPECT_EQ(cancel.left - 10, bar.right);
    EXPECT_EQ(cancel.top + ey, bar.top);
    EXPECT_EQ(cancel.bottom - ey, bar.bottom);
    EXPECT_GT(text.bottom - text.top, 3 * 8);   // four lines of text
}

TEST_F(ProgressPopupTest, EscapeCancelsStillDeliversTheKeyAndThenStopsPumping)
{
    CProgressPopup popup;
    ASSERT_TRUE(popup.Create(nullptr, "Please Wait...", false));
    CharCounter target;
    ::PostMessageA(target.hWnd, WM_CHAR, 'a', 0);
    ::PostMessageA(target.hWnd, WM_CHAR, VK_ESCAPE, 0);
    ::PostMessageA(target.hWnd, WM_CHAR, 'b', 0);
    popup.PumpMessages(true, false);
    EXPECT_TRUE(popup.IsCancelled());
    EXPECT_EQ(2, CharCounter::count);   // 'a' and Escape; 'b' waits

    ::PostMessageA(target.hWnd, WM_USER, 0, 0);
    popup.PumpMessages(true, false);
    EXPECT_EQ(2, CharCounter::count);
    MSG msg;
    EXPECT_TRUE(::PeekMessageA(&msg, target.hWnd, WM_CHAR, WM_CHAR, PM_NOREMOVE));
}

TEST_F(ProgressPopupTest, QuitRequestIsPostedAgainWithCodeZeroOnEveryCall)
{
    CProgressPopup popup;
    ASSERT_TRUE(popup.Create(nullptr, "Please Wait...", false));
    CharCounter target;
    ::PostQuitMessage(5);
    for (int call = 0; call < 2; ++call) {
        ::PostMessageA(target.hWnd, WM_USER, 0, 0);
        popup.PumpMessages(true, false);
        MSG msg;
        ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << call;
        EXPECT_EQ(0u, msg.wParam) << call;
    }
    EXPECT_FALSE(popup.IsCancelled());
}

TEST_F(ProgressPopupTest, KeepingToTheWindowDiscardsOtherWindowsMessages)
{
    CProgressPopup popup;
    ASSERT_TRUE(popup.Create(nullptr, "Please Wait...", false));
    CharCounter target;
    ::PostMessageA(target.hWnd, WM_USER, 0, 0);
    popup.PumpMessages(true, true);
    EXPECT_EQ(0, CharCounter::count);
    MSG msg;
    EXPECT_FALSE(::PeekMessageA(&msg, target.hWnd, WM_USER, WM_USER, PM_NOREMOVE));
}
