// The options dialog driven by messages to its controls, as the user would.
#include "tests/support/ModalDriver.h"
#include "app/OptionsDialog.h"
#include "app/Settings.h"
#include "app/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace kxtest;

namespace {

class OptionsDialogTest : public ::testing::Test {
protected:
    // Runs the dialog with the driver; returns its result.
    INT_PTR Run(std::function<void(HWND)> drive)
    {
        INT_PTR result = 0;
        {
            ModalDriver driver("Options...", drive);
            COptionsDialog dialog(settings);
            result = dialog.DoModal();
        }
        return result;
    }
    static LRESULT Selection(HWND dialog) { return ::SendDlgItemMessageA(dialog, IDC_INTERVAL, CB_GETCURSEL, 0, 0); }
    static bool ComboEnabled(HWND dialog) { return ::IsWindowEnabled(::GetDlgItem(dialog, IDC_INTERVAL)); }
    static void Escape(HWND dialog) { ::PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0); }

    AppSettings settings = DefaultSettings();
};

}   // namespace

TEST_F(OptionsDialogTest, OpensShowingTheRecordWithTheIntervalChoicesFromItsInitData)
{
    settings.ScanInterval = 180000;
    settings.SilentMode = 1;
    settings.AutoScan = 0;
    Run([&](HWND d) {
        EXPECT_EQ(10, ::SendDlgItemMessageA(d, IDC_INTERVAL, CB_GETCOUNT, 0, 0));
        char text[8] = {};
        ::SendDlgItemMessageA(d, IDC_INTERVAL, CB_GETLBTEXT, 9, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ("10", text);
        EXPECT_EQ(2, Selection(d));      // "3"
        EXPECT_FALSE(ComboEnabled(d));   // timed scanning is off
        EXPECT_TRUE(IsChecked(d, IDC_SILENT));
        EXPECT_FALSE(IsChecked(d, IDC_AUTOSCAN));
        EXPECT_TRUE(IsChecked(d, IDC_LOG));
        EXPECT_FALSE(IsChecked(d, IDC_MONITOR));
        Escape(d);
    });
}

TEST_F(OptionsDialogTest, SelectionComesFromWholeMinutesTruncated)
{
    struct Case {
        LONG interval;
        LRESULT selection;
    };
    for (Case c : {Case{3, -1}, Case{60000, 0}, Case{90000, 0}, Case{659999, 9}, Case{660000, -1}, Case{-60000, -1}}) {
        settings.ScanInterval = c.interval;
        settings.TimedScanning = 1;
        Run([&](HWND d) {
            EXPECT_EQ(c.selection, Selection(d)) << c.interval;
            EXPECT_TRUE(ComboEnabled(d));
            ::PostMessageA(d, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(c.interval, settings.ScanInterval);   // opening changes nothing
    }
}

TEST_F(OptionsDialogTest, EveryClickChangesTheRecordAtOnceAndEscapeKeepsIt)
{
    INT_PTR result = Run([&](HWND d) {
        Click(d, IDC_AUTOSCAN);
        EXPECT_EQ(0, settings.AutoScan);
        Click(d, IDC_SILENT);
        EXPECT_EQ(1, settings.SilentMode);
        Click(d, IDC_LOG);
        EXPECT_EQ(0, settings.LoggingEnabled);

        // Monitor on with nothing selected: one minute.
        Click(d, IDC_MONITOR);
        EXPECT_EQ(1, settings.TimedScanning);
        EXPECT_TRUE(ComboEnabled(d));
        EXPECT_EQ(60000, settings.ScanInterval);

        ::SendDlgItemMessageA(d, IDC_INTERVAL, CB_SETCURSEL, 4, 0);
        ::SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_INTERVAL, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(::GetDlgItem(d, IDC_INTERVAL)));
        EXPECT_EQ(300000, settings.ScanInterval);

        // Monitor off: disabled, interval rewritten from the selection.
        settings.ScanInterval = 7;
        Click(d, IDC_MONITOR);
        EXPECT_EQ(0, settings.TimedScanning);
        EXPECT_FALSE(ComboEnabled(d));
        EXPECT_EQ(300000, settings.ScanInterval);
        Escape(d);
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(0, settings.AutoScan);
    EXPECT_EQ(1, settings.SilentMode);
    EXPECT_EQ(0, settings.LoggingEnabled);
    EXPECT_EQ(300000, settings.ScanInterval);
}

TEST_F(OptionsDialogTest, OkEndsWithIdOkAndTheTemplateHasNoCloseBox)
{
    INT_PTR result = Run([&](HWND d) {
        LONG style = ::GetWindowLongA(d, GWL_STYLE);
        EXPECT_FALSE(style & WS_SYSMENU);
        EXPECT_TRUE(style & WS_CAPTION);
        Click(d, IDOK);
    });
    EXPECT_EQ(IDOK, result);
}
