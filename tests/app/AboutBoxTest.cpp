// The about box and its hyperlinks: look, hover, tool tip, and opening the
// target through the shell or the .htm command, with the error box.
#include "app/AboutBox.h"
#include "framework/Application.h"
#include "framework/Handles.h"
#include "tests/support/MessageBoxes.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/TestSupport.h"
#include "app/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace kxtest;

namespace {

// Pre-translation (the links' tool tips relay there) needs an application.
kx::CApplication g_app;

const char kUrl[] = "kxnohandler:page";

std::string RecordedPath()
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "kx_recorded_command.txt";
}

// What the recorder was started with, waiting for it to run.
std::string WaitForRecordedCommand()
{
    // Written and closed: the recorder no longer holds it.
    WaitUntil([] {
        return FileExists(RecordedPath()) && kx::FileHandle(::CreateFileA(RecordedPath().c_str(), GENERIC_READ, 0,
                                                                          nullptr, OPEN_EXISTING, 0, nullptr))
                                                 .Valid();
    });
    return ReadWholeFile(RecordedPath());
}

// HKCR\.htm pointed at a class of ours whose open command is given (none when
// empty); the old association comes back afterwards.
class HtmAssociation {
public:
    explicit HtmAssociation(const std::string& command)
    {
        char old[MAX_PATH] = {};
        LONG size = MAX_PATH;
        m_hadOld = ::RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", old, &size) == ERROR_SUCCESS;
        m_old = old;
        ::RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, "KxTestHtml", 10);
        ::RegSetValueA(HKEY_CLASSES_ROOT, "KxTestHtml", REG_SZ, "test", 4);
        if (!command.empty())
            ::RegSetValueA(HKEY_CLASSES_ROOT, "KxTestHtml\\shell\\open\\command", REG_SZ, command.c_str(),
                           static_cast<DWORD>(command.size()));
        ::DeleteFileA(RecordedPath().c_str());
    }
    ~HtmAssociation()
    {
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "KxTestHtml\\shell\\open\\command");
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "KxTestHtml\\shell\\open");
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "KxTestHtml\\shell");
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "KxTestHtml");
        if (m_hadOld)
            ::RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, m_old.c_str(), static_cast<DWORD>(m_old.size()));
        ::DeleteFileA(RecordedPath().c_str());
    }

private:
    bool m_hadOld = false;
    std::string m_old;
};

CLinkLabel* Link(HWND dialog, int id)
{
    return static_cast<CLinkLabel*>(kx::CWindow::FromHandle(::GetDlgItem(dialog, id)));
}

void RunAboutBox(std::function<void(HWND)> drive)
{
    ModalDriver driver("About Kestrix", drive);
    CAboutBox box;
    box.DoModal();
    EXPECT_TRUE(driver.Found());
}

}   // namespace

TEST(AboutBoxTest, LinksAreUnderlinedFitTheirTextAndShowTheirTargets)
{
    RunAboutBox([](HWND d) {
        struct Case {
            int id;
            const char* target;
        };
        for (Case c : {Case{IDC_HOLDER_LINK, CAboutBox::kMailTarget}, Case{IDC_WEB_LINK, CAboutBox::kWebTarget}}) {
            HWND hWnd = ::GetDlgItem(d, c.id);
            CLinkLabel* link = Link(d, c.id);
            ASSERT_NE(nullptr, link);
            EXPECT_EQ(c.target, link->Target());
            EXPECT_TRUE(::GetWindowLongA(hWnd, GWL_STYLE) & SS_NOTIFY);

            LOGFONTA font{};
            ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(hWnd, WM_GETFONT, 0, 0)), sizeof font, &font);
            EXPECT_EQ(1, font.lfUnderline);

            char text[256] = {};
            int length = ::GetWindowTextA(hWnd, text, sizeof text);
            HDC dc = ::GetDC(hWnd);
            HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(hWnd, WM_GETFONT, 0, 0)));
            SIZE extent{};
            ::GetTextExtentPoint32A(dc, text, length, &extent);
            ::SelectObject(dc, previous);
            ::ReleaseDC(hWnd, dc);
            RECT r;
            ::GetClientRect(hWnd, &r);
            EXPECT_EQ(extent.cx, r.right);
            EXPECT_EQ(extent.cy, r.bottom);

            char tip[256] = {};
            TOOLINFOA tool{};
            tool.cbSize = sizeof tool;
            tool.hwnd = hWnd;
            tool.uId = 1;
            tool.lpszText = tip;
            ::SendMessageA(link->ToolTip(), TTM_GETTEXTA, sizeof tip, reinterpret_cast<LPARAM>(&tool));
            EXPECT_STREQ(c.target, tip);
        }
        Click(d, IDOK);
    });
}

TEST(AboutBoxTest, ColoursFollowHoverAndComeBackThroughReflection)
{
    RunAboutBox([](HWND d) {
        HWND web = ::GetDlgItem(d, IDC_WEB_LINK);
        CLinkLabel* link = Link(d, IDC_WEB_LINK);
        auto reflectedColour = [&] {
            HDC dc = ::GetDC(web);
            LRESULT brush =
                ::SendMessageA(d, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(web));
            EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)), brush);
            EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc));
            COLORREF colour = ::GetTextColor(dc);
            ::ReleaseDC(web, dc);
            return colour;
        };
        EXPECT_EQ(CLinkLabel::kNormal, reflectedColour());
        ::SendMessageA(web, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        EXPECT_TRUE(link->IsHovered());
        EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHT), reflectedColour());
        ::SendMessageA(web, WM_MOUSEMOVE, 0, MAKELPARAM(-5, -5));
        EXPECT_FALSE(link->IsHovered());
        EXPECT_EQ(CLinkLabel::kNormal, reflectedColour());
        // A capture taken away (by a message box, say) ends the hover too.
        ::SendMessageA(web, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        ASSERT_TRUE(link->IsHovered());
        ::SendMessageA(web, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(d));
        EXPECT_FALSE(link->IsHovered());
        EXPECT_EQ(CLinkLabel::kNormal, reflectedColour());
        link->MarkVisited(true);
        EXPECT_EQ(CLinkLabel::kVisited, reflectedColour());
        link->MarkVisited(false);
        Click(d, IDOK);
    });
}

TEST(AboutBoxTest, FallbackRunsTheHtmCommandCutAtItsPlaceholder)
{
    const std::string recorder = "\"" + HelperPath("CommandRecorder.exe") + "\"";
    struct Case {
        std::string command, ran;
    };
    const Case cases[] = {
        {recorder + " --q \"%1\" tail", recorder + " --q  " + kUrl},
        {recorder + " --u %1 --lost", recorder + " --u  " + kUrl},
        {recorder + " --none", recorder + " --none " + kUrl},
    };
    for (const Case& c : cases) {
        HtmAssociation association(c.command);
        UINT_PTR result = CLinkLabel::OpenTarget(kUrl, SW_SHOW);
        EXPECT_GT(result, 32u) << c.command;
        EXPECT_EQ(c.ran, WaitForRecordedCommand()) << c.command;
    }
}

TEST(AboutBoxTest, ErrorBoxNamesTheShellsCode)
{
    EXPECT_EQ("Unable to open hyperlink:\n\nA sharing violation occurred. ", CLinkLabel::OpenErrorText(26));
    EXPECT_EQ("Unable to open hyperlink:\n\nUnknown Error (4) occurred.", CLinkLabel::OpenErrorText(4));
    EXPECT_EQ("Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.",
              CLinkLabel::OpenErrorText(31));
    BoxAnswerer answerer("Kestrix");
    CLinkLabel::ShowOpenError(26);
    std::vector<ShownBox> boxes = answerer.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Unable to open hyperlink:\n\nA sharing violation occurred. ", boxes[0].text);
    EXPECT_TRUE(boxes[0].hasIcon);
}

TEST(AboutBoxTest, ClickMarksVisitedOnSuccessAndUnvisitedAfterAFailure)
{
    const std::string recorder = "\"" + HelperPath("CommandRecorder.exe") + "\" \"%1\"";
    BoxAnswerer answerer("Kestrix");
    RunAboutBox([&](HWND d) {
        HWND web = ::GetDlgItem(d, IDC_WEB_LINK);
        CLinkLabel* link = Link(d, IDC_WEB_LINK);
        link->SetTarget(kUrl);
        auto click = [&] {
            ::SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_WEB_LINK, STN_CLICKED), reinterpret_cast<LPARAM>(web));
        };
        {
            HtmAssociation association(recorder);
            click();
            EXPECT_TRUE(link->IsVisited());
            WaitForRecordedCommand();
        }
        EXPECT_TRUE(answerer.Boxes().empty());
        {
            HtmAssociation association("");   // no command: the shell's own error stands
            click();
            EXPECT_FALSE(link->IsVisited());
        }
        Click(d, IDOK);
    });
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ(0u, answerer.Boxes()[0].text.find("Unable to open hyperlink:"));
}
