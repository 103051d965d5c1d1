#pragma once

// A dialog of the window tests: once it is up, it runs the test's check and then closes itself the way the test
// says. A safety timer ends it should anything keep it open, so that no test waits without bound.

#include <windows.h>

#include <functional>
#include <utility>

constexpr UINT kProbeCheckMessage = WM_APP + 1;
constexpr UINT_PTR kProbeSafetyTimer = 0x5AFE;
constexpr UINT kProbeSafetyMilliseconds = 15000;
constexpr INT_PTR kProbeTimedOut = -2;

template <class TBase>
class CProbe : public TBase {
public:
    template <class... TArgs>
    explicit CProbe(TArgs&&... args) : TBase(std::forward<TArgs>(args)...)
    {
    }

    std::function<void(CProbe&)> check;  // runs once the dialog is up
    std::function<void(CProbe&)> close;  // closes the dialog; by default the cancel command
    bool bChecked = false;

    BOOL OnInitDialog() override
    {
        const BOOL bResult = TBase::OnInitDialog();
        ::SetTimer(this->m_hWnd, kProbeSafetyTimer, kProbeSafetyMilliseconds, nullptr);
        ::PostMessageW(this->m_hWnd, kProbeCheckMessage, 0, 0);
        return bResult;
    }

    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message == kProbeCheckMessage) {
            bChecked = true;
            if (check)
                check(*this);
            if (close)
                close(*this);
            else
                ::PostMessageW(this->m_hWnd, WM_COMMAND, IDCANCEL, 0);
            *pResult = 0;
            return true;
        }
        if (message == WM_TIMER && wParam == kProbeSafetyTimer) {
            ::KillTimer(this->m_hWnd, kProbeSafetyTimer);
            this->EndDialog(kProbeTimedOut);
            *pResult = 0;
            return true;
        }
        return TBase::OnWndMsg(message, wParam, lParam, pResult);
    }
};
