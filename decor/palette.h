// The program's colours, shared by all of its windows.
#pragma once
#include <windows.h>

namespace palette {

const COLORREF kDeepBlue = RGB(109, 115, 170);    // main window, preview and About; Options' buttons
const COLORREF kPaleBlue = RGB(189, 195, 234);    // Options, the list; the other buttons
const COLORREF kInk = RGB(1, 1, 1);               // button captions; the status and information lines
const COLORREF kLineText = RGB(173, 214, 255);    // text of the status and information lines
const COLORREF kTipBack = RGB(213, 207, 170);     // tooltips

}  // namespace palette
