// The Options dialog: a hidden child of the main window, shown over the
// library list while the user edits the settings: the start-up change and
// automatic exit, the resize mode, a picture per screen, shuffled picks, the
// timed change and the "Pick random" hot key. Apply writes them all at once;
// Cancel writes nothing.
#pragma once
#include <windows.h>

#include <string>

#include "decor/color_button.h"
#include "framework/button.h"
#include "framework/dialog.h"
#include "framework/tool_tip.h"
#include "framework/track_bar.h"
#include "framework/window.h"
#include "settings/settings.h"

class COptionsDlg : public CDialog {
public:
    // What the dialog tells the window it sits in; that window keeps its own
    // controls.
    class Listener {
    public:
        virtual ~Listener() = default;
        // Opened: the controls the options would conflict with go out of use.
        virtual void OnOptionsOpened() = 0;
        // Applied or cancelled: they come back. After Apply the settings are
        // stored and the status line tells them, so the window can act on
        // them (the hot key, the timed change) and report what failed.
        virtual void OnOptionsClosed() = 0;
        virtual void SetStatusText(const std::string& text) = 0;
        // Applied, and the values are in the settings file.
        virtual void OnOptionsStored() {}
    };

    // The main window creates the object once at initialisation and then its
    // window with Create(main window); the object deletes itself when the
    // window is destroyed together with the main window.
    COptionsDlg(Listener& listener, const CSettings& settings);
    // Moves the minutes label with the trackbar while the dialog is shown.
    static const UINT_PTR kLabelTimerId = 1;
    // What the timed-change field shows while the change is off.
    static const int kDefaultChangeMinutes = 30;
    ~COptionsDlg() override;

    // The main window's command 1009 ("Options"): shows the dialog loaded
    // from the settings file.
    void Open();

    // Check box 1015: shows or hides the minutes controls, puts the mode
    // buttons back to the stored mode and (re)starts the label timer.
    void RefreshChoices();

    // Relays to the tooltip, swallows Escape, then the dialog keyboard.
    bool PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;      // OnApply
    void OnCancel() override;  // OnCancelOptions
    void PostNcDestroy() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Message handlers.
    void OnRefreshChoices() { RefreshChoices(); }
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnStartupsDelta(NMHDR* hdr);
    void OnStartupsKillFocus();
    void OnChangeEveryClicked();
    void OnChangeMinutesKillFocus();
    void OnApply();
    void OnCancelOptions();

    // The resize-mode buttons, read (save) or set.
    void ExchangeMode(bool save, FitMode& mode);
    void SetMinutesLabel(int minutes);
    // The timed-change minutes, read (save, corrected to 1..1440) or set.
    bool ExchangeChangeMinutes(bool save);
    // The minutes field is in use only while its check box is checked.
    void EnableChangeMinutes();
    std::string ItemText(int id) const;

    UINT_PTR m_nTimerId = 0;
    CColorButton m_btnApply;
    CColorButton m_btnCancel;
    CButton m_checkAutoExit;
    CWindow m_spinStartups;
    CTrackBar m_sliderTimeout;
    int m_nStartups = 1;
    CButton m_checkPerScreen;
    CButton m_checkShuffle;
    CButton m_checkChangeEvery;
    CWindow m_spinChangeMinutes;
    int m_nChangeMinutes = kDefaultChangeMinutes;
    CWindow m_hotkeyPick;
    CToolTip m_toolTip;

    Listener& m_listener;
    const CSettings& m_settings;
};
