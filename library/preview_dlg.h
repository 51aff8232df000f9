// The preview window: a caption-less pop-up beside the main window that shows
// the selected library image shrunk to fit, with a line about its size.
#pragma once
#include <windows.h>

#include <string>

#include "framework/dialog.h"
#include "resource.h"

class CPreviewDlg : public CDialog {
public:
    CPreviewDlg();
    ~CPreviewDlg() override;

    // Decodes the image, shrinks it into the picture area and shows it with
    // its information line; the file already shown is not decoded again. On
    // failure nothing shown changes.
    bool LoadPreviewImage(const std::string& path);
    // The picture of `path` shown at the owner's lower right corner, or for
    // an empty path no preview; false (nothing changed) when it cannot load.
    bool ShowBeside(HWND owner, const std::string& path);
    // Keeps a shown preview beside its owner when that moves.
    void FollowOwner(HWND owner);

    // Escape never closes the preview.
    bool PreTranslateMessage(MSG* msg) override;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void PostNcDestroy() override { delete this; }
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    void OnInfoSetFocus();

    // Hands m_bitmapPreview to the picture control; ownedPrevious is a bitmap
    // of ours the control may hand back, which the caller deletes itself.
    void ShowPreviewBitmap(HBITMAP ownedPrevious);
    // Takes the bitmap away from the control, then deletes it.
    void ReleasePreviewBitmap();

    HBITMAP m_bitmapPreview = nullptr;
    bool m_bShown = false;
    CWindow m_staticPicture;
    // The file m_bitmapPreview shows, and its size and times when loaded.
    std::string m_strShownPath;
    WIN32_FILE_ATTRIBUTE_DATA m_shownStamp = {};
};
