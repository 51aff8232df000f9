#include <windows.h>
#include <commctrl.h>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include "tests/test_support.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES |
                                                ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);
    FreeImage_Initialise(TRUE);
    CTestApp app;
    int result = RUN_ALL_TESTS();
    FreeImage_DeInitialise();
    return result;
}
