// Moves values between dialog controls and members, in either direction.
#pragma once
#include <windows.h>

#include <cstddef>

class CWindow;

class CDataExchange {
public:
    // Told about a field that could not be read; the exchange stops there.
    class ErrorHook {
    public:
        virtual void ReportDataExchangeError(int id, const char* text) = 0;

    protected:
        ~ErrorHook() = default;
    };

    // A radio button of a group and the value it stands for.
    template <typename T>
    struct Radio {
        int id;
        T value;
    };

    CDataExchange(HWND hDlg, ErrorHook& errors, bool saveAndValidate);

    bool Failed() const { return m_bFailed; }

    // Binds a member control object to the dialog item (once).
    void Control(int id, CWindow& control);
    // A whole decimal number. Reading text that is not one keeps the value
    // and reports "Please enter an integer.".
    void Int(int id, int& value);
    // The same, and a number read outside minimum..maximum becomes the
    // nearer end. Writing shows the value as it is.
    void IntRange(int id, int& value, int minimum, int maximum);
    // Writing checks the button of the value and clears the others; reading
    // gives the value of the first checked button, or keeps the value when
    // none is checked.
    template <typename T, std::size_t N>
    void RadioGroup(const Radio<T> (&buttons)[N], T& value)
    {
        int ids[N];
        int index = -1;
        for (std::size_t i = 0; i < N; ++i) {
            ids[i] = buttons[i].id;
            if (index < 0 && buttons[i].value == value)
                index = static_cast<int>(i);
        }
        RadioIndex(ids, N, index);
        if (m_bSaveAndValidate && index >= 0)
            value = buttons[index].value;
    }
    // The index of the checked button among ids; -1 when none is (reading),
    // or clears them all (writing).
    void RadioIndex(const int* ids, std::size_t count, int& index);

    // Whole decimal number with optional blanks around and a sign;
    // false for anything else, including values that do not fit an int.
    static bool ParseInteger(const char* text, int& value);

private:
    HWND m_hDlg;
    ErrorHook& m_errors;
    bool m_bSaveAndValidate;
    bool m_bFailed = false;
};
