#pragma once

// The base of the program's dialogs: a dialog bound to the module its template comes from, with the application
// icon (painted while the dialog is minimised) and three options, each off unless a dialog switches it on:
// a caption from the string table merged into the template's caption, a position remembered per display resolution
// in HKEY_CURRENT_USER\Software\Kavro\VEDA\Layout\Screen<W>x<H>\Dlg<ID> (value "XY"), and keeping the dialog above
// other windows.

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/win/dialog.h"

class CKavroGuardRegistry;

class CBaseDlg : public CDialog {
public:
    // Locates the template nIDTemplate in hResInst and prepares the dialog to run from it with the given parent.
    CBaseDlg(HINSTANCE hResInst, uint32_t nIDTemplate, CWnd* pParent);
    ~CBaseDlg() override;

    // Runs the dialog with m_hResInst as the application's resource module, so that what its controls load by ID
    // comes from there; the module before is current again afterwards. -1 when the template is not there.
    INT_PTR DoModal() override;

    // Binds the controls, sets the icon, merges the caption and restores the position as the options say.
    BOOL OnInitDialog() override;

    // Save the position first when the dialog remembers it, then end the dialog.
    void OnOK() override;
    void OnCancel() override;

    // Opens (bForReading) or creates the dialog's layout key in the registry object: 0 when open, 1279 when not.
    virtual uint32_t OpenLayoutKey(CKavroGuardRegistry& registry, bool bForReading);

    void SavePosition();
    void RestorePosition();

    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    HICON m_hIcon = nullptr;             // the dialog's icon; shared, so not destroyed
    HINSTANCE m_hResInst;                // module of the template and the icon
    uint32_t m_nIDTemplate;              // template ID; also names the layout key
    uint32_t m_nIDTitle = 0;             // string-table ID of the caption text; 0 leaves the caption alone
    uint32_t m_nIDIcon = 5;              // icon resource ID
    bool m_bRememberPos = false;         // remember the position
    std::u16string m_strLayoutName;      // last component of the layout key; "Dlg<ID>" on first use
    std::u16string m_strProductKey;      // when set, "Software\Kavro\" followed by this replaces the default key
    CWnd* m_pParent;                     // owner window; null for a top-level dialog
    bool m_bTopMostNoParent;             // topmost on every paint while not minimised (default: no parent)
    bool m_bTopMostAlways = false;       // topmost on every paint
    bool m_bToTopOnPaint = false;        // to the top of the z-order and shown on every paint
    bool m_bInitDone = false;            // initialisation has finished

protected:
    void OnPaint();
    HICON OnQueryDragIcon() { return m_hIcon; }
};

// The screen name of the layout keys, "Screen<W>x<H>" for the primary display. It is taken once per process, on
// first use: a later change of the resolution does not change it.
const std::u16string& LayoutScreenName();
